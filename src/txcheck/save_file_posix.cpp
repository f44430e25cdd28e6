#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "txcheck/save_file.h"

namespace {

bool fail(int error, const char *temporary, char (&reason)[kSaveReasonSize]) {
  std::snprintf(reason, sizeof reason, "%s", std::strerror(error));
  unlink(temporary);
  return false;
}

}  // namespace

bool save_file(const char *path, const BYTE *bytes, std::size_t size,
               char (&reason)[kSaveReasonSize]) {
  char temporary[4096];
  if (std::snprintf(temporary, sizeof temporary, "%s.%ld.tmp", path,
                    static_cast<long>(getpid())) >=
      static_cast<int>(sizeof temporary)) {
    std::snprintf(reason, sizeof reason, "%s", std::strerror(ENAMETOOLONG));
    return false;
  }
  const int file =
      open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (file < 0) {
    std::snprintf(reason, sizeof reason, "%s", std::strerror(errno));
    return false;
  }
  for (std::size_t done = 0; done < size;) {
    const ssize_t wrote = write(file, bytes + done, size - done);
    if (wrote < 0 && errno != EINTR) {
      const int error = errno;
      close(file);
      return fail(error, temporary, reason);
    }
    done += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
  }
  if (fsync(file) != 0 || close(file) != 0) {
    return fail(errno, temporary, reason);
  }
  if (rename(temporary, path) != 0) {
    return fail(errno, temporary, reason);
  }
  return true;
}
