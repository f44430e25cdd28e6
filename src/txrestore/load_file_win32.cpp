#include <cstdlib>

#include "texts/describe.h"
#include "txrestore/load_file.h"

bool load_file(const char *path, std::size_t limit, BYTE *&bytes,
               std::size_t &size, char (&reason)[kLoadReasonSize]) {
  bytes = nullptr;
  size = 0;
  DWORD error = ERROR_SUCCESS;
  HANDLE file = INVALID_HANDLE_VALUE;
  const int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  auto *wide = static_cast<wchar_t *>(
      std::malloc(sizeof(wchar_t) * static_cast<std::size_t>(length)));
  if (length == 0) {
    error = GetLastError();
  } else if (wide == nullptr) {
    error = ERROR_NOT_ENOUGH_MEMORY;
  } else {
    MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, length);
    file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = GetLastError();
    }
  }
  // Room for the size the file has now and a byte, to find that it ends
  // there; more where it grows meanwhile, up to a byte past the limit.
  std::size_t room = 0;
  while (error == ERROR_SUCCESS && size <= limit) {
    if (size == room) {
      DWORD high = 0;
      const DWORD low = room == 0 ? GetFileSize(file, &high) : 0;
      room = room == 0 ? (high != 0 || low > limit ? limit : low) : 2 * room;
      room = (room < limit ? room : limit) + 1;
      auto *grown = static_cast<BYTE *>(std::realloc(bytes, room));
      if (grown == nullptr) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        break;
      }
      bytes = grown;
    }
    const std::size_t left = room - size;
    DWORD got = 0;
    if (!ReadFile(file, bytes + size,
                  left > 0x10000000U ? 0x10000000U : static_cast<DWORD>(left),
                  &got, nullptr)) {
      error = GetLastError();
    } else if (got == 0) {
      break;
    }
    size += got;
  }
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
  }
  std::free(wide);
  if (error != ERROR_SUCCESS) {
    std::free(bytes);
    bytes = nullptr;
    describe_error(reason, sizeof reason, static_cast<LONG>(error));
  }
  return error == ERROR_SUCCESS;
}
