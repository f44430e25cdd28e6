// The registry, the system's error texts and the process end, as txreset,
// txcheck and txrestore call them: the seam where the tests put an emulated
// registry in the real one's place. Files are not here: txcheck saves its
// backup through save_file.h, txrestore reads its file through load_file.h, and
// txreport reads through files.h, each with a POSIX and a Win32 side of its
// own.
//
// On Windows these calls come straight from <windows.h> (advapi32 and
// kernel32). Elsewhere this header declares the same names, with the same
// types and values, and stand-ins of ours provide them, so the programs'
// own code reads the same on every platform.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#if defined(_WIN32)

#include <windows.h>

#else

#include <cstdarg>
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
using LPBYTE = BYTE *;
using LPDWORD = DWORD *;
using LPSTR = char *;
using LPCSTR = const char *;
// UTF-16 code units, as the registry holds strings.
using WCHAR = char16_t;
using LPCWSTR = const WCHAR *;
using LPCVOID = const void *;

// Predefined keys are small negative LONGs widened to a pointer, as on Windows.
inline HKEY__ *const HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(  // NOLINT(performance-no-int-to-ptr)
        static_cast<std::intptr_t>(static_cast<LONG>(0x80000002U)));

constexpr REGSAM KEY_QUERY_VALUE = 0x0001U;
constexpr REGSAM KEY_SET_VALUE = 0x0002U;
constexpr REGSAM KEY_READ = 0x20019U;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003FU;
constexpr DWORD REG_NONE = 0U;
constexpr DWORD REG_SZ = 1U;
constexpr DWORD REG_EXPAND_SZ = 2U;
constexpr DWORD REG_BINARY = 3U;
constexpr DWORD REG_DWORD = 4U;
constexpr DWORD REG_MULTI_SZ = 7U;
constexpr DWORD REG_QWORD = 11U;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200U;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000U;

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access,
                   PHKEY result);
LONG RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD data_size);
// Gives the value's bytes as the registry holds them: strings in UTF-16.
LONG RegQueryValueExW(HKEY key, LPCWSTR value_name, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD data_size);
LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM access,
                   PHKEY result);
LONG RegDeleteValueA(HKEY key, LPCSTR value_name);
LONG RegDeleteValueW(HKEY key, LPCWSTR value_name);
LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type,
                    const BYTE *data, DWORD data_size);
// Sets the value to exactly these bytes: strings are UTF-16.
LONG RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD reserved, DWORD type,
                    const BYTE *data, DWORD data_size);
LONG RegCloseKey(HKEY key);
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id,
                     DWORD language_id, LPSTR buffer, DWORD size,
                     va_list *arguments);
[[noreturn]] void ExitProcess(UINT exit_code);

#endif

#endif
