#include <windows.h>

#include <algorithm>

#include "txreport/files.h"
#include "txreport/wide_text.h"

namespace {

// What Windows says about an error, on one line and without its period,
// like the rest of a host's problem.
std::string system_text(DWORD error) {
  wchar_t *message = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t *>(&message), 0, nullptr);
  std::string text = length != 0 ? utf8_text(message) : "";
  LocalFree(message);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  text.erase(text.find_last_not_of(' ') + 1);
  if (!text.empty() && text.back() == '.') {
    text.pop_back();
  }
  return text.empty() ? "Windows error " + std::to_string(error) : text;
}

// Opens a file to read it, or only to look at it, sharing it with whatever
// writes, renames or deletes it meanwhile.
HANDLE open_shared(const std::string &path, DWORD access) {
  return CreateFileW(wide_text(path).c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

PathLookup look_up(const std::string &path) {
  const DWORD attributes = GetFileAttributesW(wide_text(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    // A wildcard that matched nothing reaches here as an invalid name.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME) {
      return {PathKind::kMissing, "no such file or folder"};
    }
    return {PathKind::kError, "cannot open: " + system_text(error)};
  }
  return {(attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder
                                                       : PathKind::kFile,
          ""};
}

FolderListing list_folder(const std::string &folder) {
  FolderListing listing;
  WIN32_FIND_DATAW found;
  const HANDLE search =
      FindFirstFileW(wide_text(path_in_folder(folder, "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A drive's root folder has no "." entry: with no files it has none.
    if (error != ERROR_FILE_NOT_FOUND) {
      listing.problem = "cannot read folder: " + system_text(error);
    }
    return listing;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      listing.names.push_back(utf8_text(found.cFileName));
    }
  } while (FindNextFileW(search, &found) != 0);
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) {
    listing.problem = "cannot read folder: " + system_text(error);
    listing.names.clear();
  }
  // Byte order: std::string compares its chars as unsigned.
  std::sort(listing.names.begin(), listing.names.end());
  return listing;
}

FileStart read_file_start(const std::string &path, std::size_t limit) {
  FileStart start;
  const HANDLE file = open_shared(path, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) {
    start.problem = "cannot open: " + system_text(GetLastError());
    return start;
  }
  start.bytes.resize(limit);
  std::size_t got = 0;
  while (got < limit) {
    DWORD read_now = 0;
    if (ReadFile(file, &start.bytes[got], static_cast<DWORD>(limit - got),
                 &read_now, nullptr) == 0) {
      // A pipe whose writer has finished ends so.
      const DWORD error = GetLastError();
      if (error != ERROR_BROKEN_PIPE) {
        start.problem = "cannot read: " + system_text(error);
      }
      break;
    }
    if (read_now == 0) {
      break;
    }
    got += read_now;
  }
  CloseHandle(file);
  start.bytes.resize(got);
  return start;
}

std::string path_in_folder(const std::string &folder, const std::string &name) {
  const char last = folder.empty() ? '\\' : folder.back();
  return last == '\\' || last == '/' || last == ':' ? folder + name
                                                    : folder + "\\" + name;
}

std::string_view file_name_of(std::string_view path) {
  return path.substr(path.find_last_of("/\\:") + 1);
}
