// The one place where txreport meets the file system: files_posix.cpp, or
// win32/files_win32.cpp on Windows. Paths are UTF-8 on every platform.
#ifndef TXREPORT_FILES_H
#define TXREPORT_FILES_H

#include <cstdio>
#include <string>

enum class PathKind { kFile, kFolder, kMissing, kError };

// What `path` names. Anything but a folder is read as a file, so a named
// pipe given on the command line works. kError leaves an errno value in
// `error`.
PathKind path_kind(const std::string &path, int &error);

// Calls `visit` with the name of each entry of `folder` that is a file, or
// may be: an entry that cannot be looked at is kept, so that the attempt to
// read it reports the host instead of dropping it. Folders and devices are
// left out. In no particular order, and nothing is kept. False, with an
// errno value in `error`, when the folder cannot be listed.
using NameVisitor = void (*)(void *context, const std::string &name);
bool list_folder(const std::string &folder, NameVisitor visit, void *context,
                 int &error);

// The path of `name` inside `folder`.
std::string path_in_folder(const std::string &folder, const std::string &name);

// The last component of a file's path.
std::string file_name_of(const std::string &path);

// Opens `path` to read its bytes; nullptr with errno set on failure.
std::FILE *open_file(const std::string &path);

#endif
