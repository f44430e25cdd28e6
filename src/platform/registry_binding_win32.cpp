// Where KERNEL32.dll has the registry functions, as it has from Windows 7 on
// (and under Wine), a program that only reads the registry can take them
// from there rather than load ADVAPI32.dll, and the libraries that come with
// it, at every start: under Wine that load alone costs a seventh of the
// start of an empty program.
//
// A call of a function declared dllimport, as <windows.h> declares them,
// goes through the function's import pointer, __imp_NAME. Linked into a
// program, this file holds those pointers for RegOpenKeyExA,
// RegQueryValueExA, RegQueryValueExW and RegCloseKey, so the linker takes no
// import of them from ADVAPI32.dll, and binds them before main: from
// KERNEL32.dll, or from ADVAPI32.dll, loaded then, on an older Windows. The
// calls stay the same.
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

extern "C" {
decltype(&RegOpenKeyExA) open_key asm(TX_IMPORT_POINTER(RegOpenKeyExA,
                                                        20)) = nullptr;
decltype(&RegQueryValueExA) query_value asm(TX_IMPORT_POINTER(RegQueryValueExA,
                                                              24)) = nullptr;
decltype(&RegQueryValueExW) query_value_wide asm(
    TX_IMPORT_POINTER(RegQueryValueExW, 24)) = nullptr;
decltype(&RegCloseKey) close_key asm(TX_IMPORT_POINTER(RegCloseKey,
                                                       4)) = nullptr;
}

namespace {

template <typename Function>
void bind(HMODULE module, const char *name, Function &pointer) {
  // Through void (*)(void), the one function pointer type that GCC lets
  // any other be cast from and to.
  using Any = void (*)();
  pointer = reinterpret_cast<Function>(
      reinterpret_cast<Any>(GetProcAddress(module, name)));
}

const bool kBound = [] {
  HMODULE module = GetModuleHandleA("kernel32.dll");
  if (GetProcAddress(module, "RegQueryValueExA") == nullptr ||
      GetProcAddress(module, "RegQueryValueExW") == nullptr) {
    module = LoadLibraryA("advapi32.dll");
  }
  bind(module, "RegOpenKeyExA", open_key);
  bind(module, "RegQueryValueExA", query_value);
  bind(module, "RegQueryValueExW", query_value_wide);
  bind(module, "RegCloseKey", close_key);
  if (open_key == nullptr || query_value == nullptr ||
      query_value_wide == nullptr || close_key == nullptr) {
    std::fputs("Cannot find the registry functions: ADVAPI32.dll is missing\n",
               stderr);
    ExitProcess(2);
  }
  return true;
}();

}  // namespace
