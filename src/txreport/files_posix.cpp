#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

#include "txreport/files.h"

PathKind path_kind(const std::string &path, int &error) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    error = errno;
    return error == ENOENT || error == ENOTDIR ? PathKind::kMissing
                                               : PathKind::kError;
  }
  return S_ISDIR(status.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

bool list_folder(const std::string &folder, NameVisitor visit, void *context,
                 int &error) {
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) {
    error = errno;
    return false;
  }
  for (;;) {
    errno = 0;
    // One thread only; readdir_r is the deprecated one.
    // cppcheck-suppress readdirCalled
    const dirent *entry = readdir(dir);
    if (entry == nullptr) {
      error = errno;
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    bool keep = entry->d_type == DT_REG;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat status {};
      keep = stat(path_in_folder(folder, name).c_str(), &status) != 0 ||
             S_ISREG(status.st_mode);
    }
    if (keep) {
      visit(context, name);
    }
  }
  closedir(dir);
  return error == 0;
}

std::string path_in_folder(const std::string &folder, const std::string &name) {
  return !folder.empty() && folder.back() == '/' ? folder + name
                                                 : folder + "/" + name;
}

std::string file_name_of(const std::string &path) {
  return path.substr(path.rfind('/') + 1);
}

std::FILE *open_file(const std::string &path) {
  return std::fopen(path.c_str(), "rb");
}
