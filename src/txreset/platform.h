// The one place where the program meets the operating system.
//
// On Windows the registry and process calls come straight from <windows.h>
// (advapi32 and kernel32). Elsewhere this header declares the same names,
// with the same types and values, and a stand-in of ours provides them, so
// the program's own code reads the same on every platform.
#ifndef TXRESET_PLATFORM_H
#define TXRESET_PLATFORM_H

#if defined(_WIN32)

#include <windows.h>

#else

#include <cstdint>

using BYTE = unsigned char;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using REGSAM = DWORD;
// The Windows name, reserved identifier or not.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
struct HKEY__;
using HKEY = HKEY__ *;
using PHKEY = HKEY *;
using LPCSTR = const char *;

// Predefined keys are small negative LONGs widened to a pointer, as on Windows.
inline HKEY__ *const HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(  // NOLINT(performance-no-int-to-ptr)
        static_cast<std::intptr_t>(static_cast<LONG>(0x80000002U)));

constexpr REGSAM KEY_READ = 0x20019U;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003FU;
constexpr DWORD REG_NONE = 0U;
constexpr DWORD REG_SZ = 1U;
constexpr DWORD REG_BINARY = 3U;
constexpr DWORD REG_DWORD = 4U;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_INVALID_PARAMETER = 87;

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access,
                   PHKEY result);
LONG RegDeleteValueA(HKEY key, LPCSTR value_name);
LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type,
                    const BYTE *data, DWORD data_size);
LONG RegCloseKey(HKEY key);
[[noreturn]] void ExitProcess(UINT exit_code);

#endif

#endif
