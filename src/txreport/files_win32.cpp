#include <windows.h>

#include <cerrno>

#include "txreport/files.h"
#include "txreport/wide_text.h"

namespace {

// The errno value whose strerror text tells a Windows error best.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    default:
      return EIO;
  }
}

}  // namespace

std::wstring wide_text(const std::string &utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int size = static_cast<int>(utf8.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], length);
  return wide;
}

std::string utf8_text(const wchar_t *wide) {
  // Sizes include the terminating NUL, which is dropped afterwards.
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], size, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(size - 1));
  return utf8;
}

PathKind path_kind(const std::string &path, int &error) {
  const DWORD attributes = GetFileAttributesW(wide_text(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD last = GetLastError();
    if (last == ERROR_FILE_NOT_FOUND || last == ERROR_PATH_NOT_FOUND ||
        last == ERROR_INVALID_NAME || last == ERROR_BAD_NETPATH ||
        last == ERROR_INVALID_DRIVE) {
      return PathKind::kMissing;
    }
    error = errno_of(last);
    return PathKind::kError;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder
                                                      : PathKind::kFile;
}

bool list_folder(const std::string &folder, NameVisitor visit, void *context,
                 int &error) {
  WIN32_FIND_DATAW found;
  const HANDLE search =
      FindFirstFileW(wide_text(path_in_folder(folder, "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD last = GetLastError();
    // A drive's root folder has no "." entry: with no files it has none.
    if (last == ERROR_FILE_NOT_FOUND) {
      return true;
    }
    error = errno_of(last);
    return false;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      visit(context, utf8_text(found.cFileName));
    }
  } while (FindNextFileW(search, &found) != 0);
  const DWORD last = GetLastError();
  FindClose(search);
  if (last != ERROR_NO_MORE_FILES) {
    error = errno_of(last);
    return false;
  }
  return true;
}

std::string path_in_folder(const std::string &folder, const std::string &name) {
  const char last = folder.empty() ? '\\' : folder.back();
  return last == '\\' || last == '/' || last == ':' ? folder + name
                                                    : folder + "\\" + name;
}

std::string file_name_of(const std::string &path) {
  return path.substr(path.find_last_of("/\\:") + 1);
}

std::FILE *open_file(const std::string &path) {
  return _wfopen(wide_text(path).c_str(), L"rb");
}
