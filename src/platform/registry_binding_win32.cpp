// Where KERNEL32.dll has the registry functions, as it has from Windows 7 on
// (and under Wine), a program can take them from there rather than load
// ADVAPI32.dll, and the libraries that come with it, at every start: under
// Wine that load alone costs a seventh of the start of an empty program.
//
// A call of a function declared dllimport, as <windows.h> declares them,
// goes through the function's import pointer, __imp_NAME. Linked into a
// program, this file holds those pointers for the registry functions that
// it calls, so the linker takes no import of them from ADVAPI32.dll, and
// binds them before main: each from KERNEL32.dll, or from ADVAPI32.dll,
// loaded then, where KERNEL32.dll lacks it (an older Windows). The calls
// stay the same.
//
// Only the functions the program calls are here, so that one that only
// reads names no function that writes: txcheck's, by default, and
// txrestore's, which puts values back, with TX_REGISTRY_WRITES.
#include <windows.h>

#include <cstdio>

// The symbol of a function's import pointer: __imp_NAME on x86-64, and
// __imp__NAME@ARGUMENT_BYTES on i686, where these functions are __stdcall.
#if defined(_WIN64)
#define TX_IMPORT_POINTER(name, argument_bytes) "__imp_" #name
#else
#define TX_IMPORT_POINTER(name, argument_bytes) \
  "__imp__" #name "@" #argument_bytes
#endif

#define TX_REGISTRY_FUNCTION(name, argument_bytes)                         \
  decltype(&name) tx_##name asm(TX_IMPORT_POINTER(name, argument_bytes)) = \
      nullptr;

extern "C" {
TX_REGISTRY_FUNCTION(RegQueryValueExW, 24)
TX_REGISTRY_FUNCTION(RegCloseKey, 4)
#if defined(TX_REGISTRY_WRITES)
TX_REGISTRY_FUNCTION(RegOpenKeyExW, 20)
TX_REGISTRY_FUNCTION(RegSetValueExW, 24)
TX_REGISTRY_FUNCTION(RegDeleteValueW, 8)
#else
TX_REGISTRY_FUNCTION(RegOpenKeyExA, 20)
TX_REGISTRY_FUNCTION(RegQueryValueExA, 24)
#endif
}

namespace {

// Through void (*)(void), the one function pointer type that GCC lets any
// other be cast from and to.
using Any = void (*)();

struct Binding {
  const char *name;
  Any *pointer;
};

#define TX_BINDING(name) \
  { #name, reinterpret_cast < Any *>(&tx_##name) }
const Binding kBindings[] = {
    TX_BINDING(RegQueryValueExW), TX_BINDING(RegCloseKey),
#if defined(TX_REGISTRY_WRITES)
    TX_BINDING(RegOpenKeyExW),    TX_BINDING(RegSetValueExW),
    TX_BINDING(RegDeleteValueW),
#else
    TX_BINDING(RegOpenKeyExA),    TX_BINDING(RegQueryValueExA),
#endif
};

const bool kBound = [] {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  HMODULE advapi = nullptr;
  for (const Binding &binding : kBindings) {
    *binding.pointer =
        reinterpret_cast<Any>(GetProcAddress(kernel, binding.name));
    if (*binding.pointer == nullptr && advapi == nullptr) {
      advapi = LoadLibraryA("advapi32.dll");
    }
    if (*binding.pointer == nullptr && advapi != nullptr) {
      *binding.pointer =
          reinterpret_cast<Any>(GetProcAddress(advapi, binding.name));
    }
    if (*binding.pointer == nullptr) {
      std::fputs(
          "Cannot find the registry functions: ADVAPI32.dll is missing\n",
          stderr);
      ExitProcess(2);
    }
  }
  return true;
}();

}  // namespace
