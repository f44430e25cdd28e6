#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "txreport/files.h"

namespace {

std::string system_text(int error) { return std::strerror(error); }

}  // namespace

PathLookup look_up(const std::string &path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
      return {PathKind::kMissing, "no such file or folder"};
    }
    return {PathKind::kError, "cannot open: " + system_text(error)};
  }
  return {S_ISDIR(status.st_mode) ? PathKind::kFolder : PathKind::kFile, ""};
}

FolderListing list_folder(const std::string &folder) {
  FolderListing listing;
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) {
    listing.problem = "cannot read folder: " + system_text(errno);
    return listing;
  }
  for (;;) {
    errno = 0;
    // One thread only; readdir_r is the deprecated one.
    // cppcheck-suppress readdirCalled
    const dirent *entry = readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) {
        listing.problem = "cannot read folder: " + system_text(errno);
      }
      break;
    }
    const char *name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
      continue;
    }
    bool keep = entry->d_type == DT_REG;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat status {};
      keep =
          fstatat(dirfd(dir), name, &status, 0) != 0 || S_ISREG(status.st_mode);
    }
    if (keep) {
      listing.names.emplace_back(name);
    }
  }
  closedir(dir);
  if (!listing.problem.empty()) {
    listing.names.clear();
  }
  // Byte order: std::string compares its chars as unsigned.
  std::sort(listing.names.begin(), listing.names.end());
  return listing;
}

FileStart read_file_start(const std::string &path, std::size_t limit) {
  FileStart start;
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    start.problem = "cannot open: " + system_text(errno);
    return start;
  }
  struct stat status {};
  if (fstat(file, &status) == 0) {
    start.written_known = true;
    start.written = static_cast<long long>(status.st_mtime);
  }
  std::size_t got = 0;
  while (got < limit) {
    make_room(start.bytes, got, limit);
    const ssize_t read_now =
        read(file, &start.bytes[got], start.bytes.size() - got);
    if (read_now < 0 && errno == EINTR) {
      continue;
    }
    if (read_now < 0) {
      start.problem = "cannot read: " + system_text(errno);
      break;
    }
    if (read_now == 0) {
      break;
    }
    got += static_cast<std::size_t>(read_now);
  }
  close(file);
  start.bytes.resize(got);
  return start;
}

bool file_id(const std::string &path, FileId &id) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    return false;
  }
  id = {static_cast<unsigned long long>(status.st_dev),
        static_cast<unsigned long long>(status.st_ino)};
  return true;
}

std::string path_in_folder(const std::string &folder, const std::string &name) {
  return !folder.empty() && folder.back() == '/' ? folder + name
                                                 : folder + "/" + name;
}

std::string_view file_name_of(std::string_view path) {
  return path.substr(path.rfind('/') + 1);
}
