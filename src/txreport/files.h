// The one place where txreport meets the file system: files_posix.cpp, or
// files_win32.cpp on Windows. Paths are UTF-8 on every platform. What goes
// wrong comes back as a line of text, as the system words it, ready to be a
// host's problem.
#ifndef TXREPORT_FILES_H
#define TXREPORT_FILES_H

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class PathKind { kFile, kFolder, kMissing, kError };

// What a path names. Anything but a folder is read as a file, so a named
// pipe given on the command line works.
struct PathLookup {
  PathKind kind = PathKind::kError;
  std::string problem;  // kMissing and kError: why it cannot be read
};
PathLookup look_up(const std::string &path);

// The names of the files directly in a folder, sorted in byte order. An
// entry that cannot be looked at is kept, so that the attempt to read it
// reports the host instead of dropping it; folders and devices are left out.
struct FolderListing {
  std::vector<std::string> names;
  std::string problem;  // not empty when the folder cannot be listed
};
FolderListing list_folder(const std::string &folder);

// The first `limit` bytes of a file, or all of it when it is shorter, and
// when it was last written.
struct FileStart {
  std::string bytes;
  std::string problem;  // not empty when the file cannot be opened or read
  bool written_known = false;
  long long written = 0;  // seconds since 1970-01-01T00:00:00Z
};
FileStart read_file_start(const std::string &path, std::size_t limit);

// Room in `bytes` for read_file_start's next read, once the `got` bytes
// read so far fill it: doubled up to `limit`, so that a file costs memory
// for what it holds, however large the limit.
inline void make_room(std::string &bytes, std::size_t got, std::size_t limit) {
  constexpr std::size_t kFirstRoom = std::size_t{64} * 1024;
  if (got == bytes.size()) {
    bytes.resize(std::min(limit, std::max(kFirstRoom, got * 2)));
  }
}

// What tells one file from another, whatever path reaches it: device and
// inode, or volume and file index. False when the file cannot be looked at.
struct FileId {
  unsigned long long volume = 0;
  unsigned long long index = 0;
};
bool file_id(const std::string &path, FileId &id);

// The path of `name` inside `folder`.
std::string path_in_folder(const std::string &folder, const std::string &name);

// The last component of a file's path: the end of `path`.
std::string_view file_name_of(std::string_view path);

#endif
