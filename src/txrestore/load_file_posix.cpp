#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "txrestore/load_file.h"

bool load_file(const char *path, std::size_t limit, BYTE *&bytes,
               std::size_t &size, char (&reason)[kLoadReasonSize]) {
  bytes = nullptr;
  size = 0;
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  struct stat status {};
  int error = file < 0 || fstat(file, &status) != 0 ? errno : 0;
  if (error == 0 && !S_ISREG(status.st_mode)) {
    error = EISDIR;
  }
  // Room for the size the file has now and a byte, to find that it ends
  // there; more where it grows meanwhile, up to a byte past the limit.
  std::size_t room = 0;
  while (error == 0 && size <= limit) {
    if (size == room) {
      room = room == 0 ? static_cast<std::size_t>(status.st_size) : 2 * room;
      room = (room < limit ? room : limit) + 1;
      auto *grown = static_cast<BYTE *>(std::realloc(bytes, room));
      if (grown == nullptr) {
        error = ENOMEM;
        break;
      }
      bytes = grown;
    }
    const ssize_t got = read(file, bytes + size, room - size);
    if (got == 0) {
      break;
    }
    if (got < 0 && errno != EINTR) {
      error = errno;
    }
    size += got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  if (file >= 0) {
    close(file);
  }
  if (error != 0) {
    std::free(bytes);
    bytes = nullptr;
    std::snprintf(reason, sizeof reason, "%s", std::strerror(error));
  }
  return error == 0;
}
