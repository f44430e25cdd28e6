// Where Windows is absent there is no registry: every key is missing, so no
// open succeeds and no handle can exist. The answers are the ones Windows
// gives in those cases.
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

LONG RegOpenKeyExA(HKEY key, LPCSTR /*sub_key*/, DWORD /*options*/,
                   REGSAM /*access*/, PHKEY result) {
  if (result == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *result = nullptr;
  return key == HKEY_LOCAL_MACHINE ? ERROR_FILE_NOT_FOUND
                                   : ERROR_INVALID_HANDLE;
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR /*sub_key*/, DWORD /*options*/,
                   REGSAM /*access*/, PHKEY result) {
  return RegOpenKeyExA(key, "", 0, 0, result);
}

LONG RegQueryValueExA(HKEY /*key*/, LPCSTR /*value_name*/, LPDWORD /*reserved*/,
                      LPDWORD /*type*/, LPBYTE /*data*/,
                      LPDWORD /*data_size*/) {
  return ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExW(HKEY /*key*/, LPCWSTR /*value_name*/,
                      LPDWORD /*reserved*/, LPDWORD /*type*/, LPBYTE /*data*/,
                      LPDWORD /*data_size*/) {
  return ERROR_INVALID_HANDLE;
}

LONG RegDeleteValueA(HKEY /*key*/, LPCSTR /*value_name*/) {
  return ERROR_INVALID_HANDLE;
}

LONG RegDeleteValueW(HKEY /*key*/, LPCWSTR /*value_name*/) {
  return ERROR_INVALID_HANDLE;
}

LONG RegSetValueExW(HKEY /*key*/, LPCWSTR /*value_name*/, DWORD /*reserved*/,
                    DWORD /*type*/, const BYTE * /*data*/,
                    DWORD /*data_size*/) {
  return ERROR_INVALID_HANDLE;
}

LONG RegSetValueExA(HKEY /*key*/, LPCSTR /*value_name*/, DWORD /*reserved*/,
                    DWORD /*type*/, const BYTE * /*data*/,
                    DWORD /*data_size*/) {
  return ERROR_INVALID_HANDLE;
}

LONG RegCloseKey(HKEY /*key*/) { return ERROR_INVALID_HANDLE; }

// Ends the process at once, as Windows does: no atexit handlers, no static
// destructors. The console stream is unbuffered, but flush all the same.
void ExitProcess(UINT exit_code) {
  std::fflush(nullptr);
  std::_Exit(static_cast<int>(exit_code));
}
