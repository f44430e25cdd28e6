#include <windows.h>

#include <algorithm>

#include "txreport/files.h"
#include "txreport/wide_text.h"

namespace {

// One code point in UTF-8's form. A lone surrogate of a file name, which
// Windows allows, gets the same three-byte form as any other code point, so
// that the name comes back whole from wide_text (the output escapes it).
void append_utf8(std::string &text, unsigned long code_point) {
  const auto byte = [&text](unsigned long bits) {
    text += static_cast<char>(bits & 0xFFU);
  };
  if (code_point < 0x80) {
    byte(code_point);
  } else if (code_point < 0x800) {
    byte(0xC0U | (code_point >> 6U));
    byte(0x80U | (code_point & 0x3FU));
  } else if (code_point < 0x10000) {
    byte(0xE0U | (code_point >> 12U));
    byte(0x80U | ((code_point >> 6U) & 0x3FU));
    byte(0x80U | (code_point & 0x3FU));
  } else {
    byte(0xF0U | (code_point >> 18U));
    byte(0x80U | ((code_point >> 12U) & 0x3FU));
    byte(0x80U | ((code_point >> 6U) & 0x3FU));
    byte(0x80U | (code_point & 0x3FU));
  }
}

bool is_surrogate(unsigned long unit, unsigned long first) {
  return unit >= first && unit < first + 0x400;
}

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

// Takes the form utf8_text gives, lone surrogates included.
std::wstring wide_text(const std::string &utf8) {
  std::wstring wide;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at++]);
    const std::size_t more = lead < 0xC0   ? 0
                             : lead < 0xE0 ? 1
                             : lead < 0xF0 ? 2
                                           : 3;
    unsigned long code_point = more == 0 ? lead : lead & (0x7FU >> (more + 1));
    for (std::size_t i = 0; i < more && at < utf8.size(); ++i, ++at) {
      code_point = (code_point << 6U) | (utf8[at] & 0x3FU);
    }
    if (code_point >= 0x10000) {
      code_point -= 0x10000;
      wide += static_cast<wchar_t>(0xD800 + (code_point >> 10U));
      code_point = 0xDC00 + (code_point & 0x3FFU);
    }
    wide += static_cast<wchar_t>(code_point);
  }
  return wide;
}

std::string utf8_text(const wchar_t *wide) {
  std::string text;
  for (std::size_t at = 0; wide[at] != L'\0'; ++at) {
    unsigned long code_point = static_cast<unsigned short>(wide[at]);
    const auto next = static_cast<unsigned short>(wide[at + 1]);
    if (is_surrogate(code_point, 0xD800) && is_surrogate(next, 0xDC00)) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10U) + (next - 0xDC00);
      ++at;
    }
    append_utf8(text, code_point);
  }
  return text;
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
  // The last write, in 100 ns since 1601-01-01, as seconds since 1970.
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileInformationByHandle(file, &information) != 0) {
    constexpr unsigned long long kTicks = 10000000;
    constexpr unsigned long long kFrom1601 = 11644473600ULL;
    const unsigned long long ticks =
        (static_cast<unsigned long long>(
             information.ftLastWriteTime.dwHighDateTime)
         << 32U) |
        information.ftLastWriteTime.dwLowDateTime;
    start.written_known = true;
    start.written = static_cast<long long>(ticks / kTicks) -
                    static_cast<long long>(kFrom1601);
  }
  std::size_t got = 0;
  while (got < limit) {
    make_room(start.bytes, got, limit);
    DWORD read_now = 0;
    if (ReadFile(file, &start.bytes[got],
                 static_cast<DWORD>(start.bytes.size() - got), &read_now,
                 nullptr) == 0) {
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

bool file_id(const std::string &path, FileId &id) {
  const HANDLE file = open_shared(path, FILE_READ_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information;
  const bool known = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  if (known) {
    id = {information.dwVolumeSerialNumber,
          (static_cast<unsigned long long>(information.nFileIndexHigh) << 32U) |
              information.nFileIndexLow};
  }
  return known;
}

std::string path_in_folder(const std::string &folder, const std::string &name) {
  const char last = folder.empty() ? '\\' : folder.back();
  return last == '\\' || last == '/' || last == ':' ? folder + name
                                                    : folder + "\\" + name;
}

std::string_view file_name_of(std::string_view path) {
  return path.substr(path.find_last_of("/\\:") + 1);
}
