#include <cstdio>
#include <cstdlib>

#include "txcheck/check_instance.h"
#include "txcheck/save_file.h"

namespace {

// `path` in UTF-16 with `suffix` after it, in storage to free; null when
// the path is not UTF-8 or memory runs out.
wchar_t *wide_path(const char *path, const char *suffix) {
  const int path_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  const int suffix_length =
      MultiByteToWideChar(CP_UTF8, 0, suffix, -1, nullptr, 0);
  if (path_length == 0 || suffix_length == 0) {
    return nullptr;
  }
  auto *wide = static_cast<wchar_t *>(std::malloc(
      sizeof(wchar_t) * static_cast<std::size_t>(path_length + suffix_length)));
  if (wide != nullptr) {
    MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, path_length);
    MultiByteToWideChar(CP_UTF8, 0, suffix, -1, wide + path_length - 1,
                        suffix_length);
  }
  return wide;
}

}  // namespace

bool save_file(const char *path, const BYTE *bytes, std::size_t size,
               char (&reason)[kSaveReasonSize]) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%lu.tmp", GetCurrentProcessId());
  wchar_t *const target = wide_path(path, "");
  wchar_t *const temporary = wide_path(path, suffix);
  DWORD error = ERROR_SUCCESS;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (target == nullptr || temporary == nullptr) {
    // Both are missing where the path is not UTF-8, one where memory ran out.
    error = target == nullptr && temporary == nullptr
                ? static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION)
                : static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY);
  } else {
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
  std::free(temporary);
  if (error != ERROR_SUCCESS) {
    describe_error(reason, sizeof reason, static_cast<LONG>(error));
  }
  return error == ERROR_SUCCESS;
}
