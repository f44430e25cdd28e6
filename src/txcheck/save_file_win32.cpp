#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "txcheck/check_instance.h"
#include "txcheck/save_file.h"

namespace {

// `path` (UTF-8) in UTF-16, followed by `suffix` (ASCII) in the same
// storage: the path itself, and the temporary file's beside it. Null, with
// the reason in `error`, when the path is not UTF-8 or memory runs out;
// else to be freed.
wchar_t *wide_paths(const char *path, const char *suffix, wchar_t *&temporary,
                    DWORD &error) {
  const int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  if (length == 0) {
    error = GetLastError();
    return nullptr;
  }
  const std::size_t extra = std::strlen(suffix);
  auto *wide = static_cast<wchar_t *>(std::malloc(
      sizeof(wchar_t) * (2 * static_cast<std::size_t>(length) + extra)));
  if (wide == nullptr) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, length);
  temporary = wide + length;
  std::memcpy(temporary, wide,
              sizeof(wchar_t) * static_cast<std::size_t>(length - 1));
  for (std::size_t at = 0; at <= extra; ++at) {
    temporary[length - 1 + static_cast<int>(at)] =
        static_cast<unsigned char>(suffix[at]);
  }
  return wide;
}

}  // namespace

bool save_file(const char *path, const BYTE *bytes, std::size_t size,
               char (&reason)[kSaveReasonSize]) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%lu.tmp", GetCurrentProcessId());
  DWORD error = ERROR_SUCCESS;
  wchar_t *temporary = nullptr;
  wchar_t *const target = wide_paths(path, suffix, temporary, error);
  HANDLE file = INVALID_HANDLE_VALUE;
  if (target != nullptr) {
    // Written through to the disk, or to the file server's disk, before
    // WriteFile returns: what is renamed into place is all there.
    file =
        CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = GetLastError();
    }
  }
  for (std::size_t done = 0; error == ERROR_SUCCESS && done < size;) {
    const std::size_t left = size - done;
    const DWORD chunk =
        left > 0x10000000U ? 0x10000000U : static_cast<DWORD>(left);
    DWORD wrote = 0;
    if (!WriteFile(file, bytes + done, chunk, &wrote, nullptr)) {
      error = GetLastError();
    }
    done += wrote;
  }
  if (file != INVALID_HANDLE_VALUE && !CloseHandle(file) &&
      error == ERROR_SUCCESS) {
    error = GetLastError();
  }
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(temporary, target,
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS && file != INVALID_HANDLE_VALUE) {
    DeleteFileW(temporary);
  }
  std::free(target);
  if (error != ERROR_SUCCESS) {
    describe_error(reason, sizeof reason, static_cast<LONG>(error));
  }
  return error == ERROR_SUCCESS;
}
