#include "txcheck/reg_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// regedit breaks lines of hex bytes before they pass this column, with a
// backslash, and goes on two spaces in.
constexpr std::size_t kHexLineEnd = 76;

bool make_room(RegFile &file, std::size_t more) {
  if (file.out_of_memory) {
    return false;
  }
  if (file.room - file.size >= more) {
    return true;
  }
  std::size_t room = file.room == 0 ? 4096 : file.room;
  while (room - file.size < more) {
    if (room > SIZE_MAX / 2) {
      file.out_of_memory = true;
      return false;
    }
    room *= 2;
  }
  void *grown = std::realloc(file.bytes, room);
  if (grown == nullptr) {
    file.out_of_memory = true;
    return false;
  }
  file.bytes = static_cast<BYTE *>(grown);
  file.room = room;
  return true;
}

// One UTF-16 code unit, little-endian.
void put_unit(RegFile &file, unsigned unit) {
  if (make_room(file, 2)) {
    file.bytes[file.size++] = static_cast<BYTE>(unit & 0xFFU);
    file.bytes[file.size++] = static_cast<BYTE>(unit >> 8U);
  }
}

// ASCII text, each character a code unit; returns how many it put.
std::size_t put_text(RegFile &file, const char *text) {
  std::size_t count = 0;
  for (; text[count] != '\0'; ++count) {
    put_unit(file, static_cast<unsigned char>(text[count]));
  }
  return count;
}

// Inside quotes, as regedit reads them: backslash and quote escaped.
void put_quoted_unit(RegFile &file, unsigned unit) {
  if (unit == '\\' || unit == '"') {
    put_unit(file, '\\');
  }
  put_unit(file, unit);
}

unsigned unit_at(const BYTE *data, DWORD at) {
  return data[at] | static_cast<unsigned>(data[at + 1]) << 8U;
}

// Whether `"text"` gives these bytes back: a REG_SZ of whole code units
// that ends in its one terminator, with no control character, no other
// terminator and no surrogate (which regedit may not take alone).
bool reads_back_as_text(DWORD type, const BYTE *data, DWORD size) {
  if (type != REG_SZ || size < 2 || size % 2 != 0 ||
      unit_at(data, size - 2) != 0) {
    return false;
  }
  for (DWORD at = 0; at + 2 < size; at += 2) {
    const unsigned unit = unit_at(data, at);
    if (unit < 0x20 || (unit >= 0xD800 && unit <= 0xDFFF)) {
      return false;
    }
  }
  return true;
}

// The value after `"name"=`, which took the line up to `column`.
void put_value(RegFile &file, std::size_t column, DWORD type, const BYTE *data,
               DWORD size) {
  char text[32];
  if (reads_back_as_text(type, data, size)) {
    put_unit(file, '"');
    for (DWORD at = 0; at + 2 < size; at += 2) {
      put_quoted_unit(file, unit_at(data, at));
    }
    put_unit(file, '"');
    return;
  }
  if (type == REG_DWORD && size == 4) {
    std::snprintf(
        text, sizeof text, "dword:%08lx",
        static_cast<unsigned long>(unit_at(data, 0) | unit_at(data, 2) << 16U));
    put_text(file, text);
    return;
  }
  if (type == REG_BINARY) {
    std::snprintf(text, sizeof text, "hex:");
  } else {
    std::snprintf(text, sizeof text,
                  "hex(%lx):", static_cast<unsigned long>(type));
  }
  column += put_text(file, text);
  for (DWORD at = 0; at < size; ++at) {
    std::snprintf(text, sizeof text, at + 1 < size ? "%02x," : "%02x",
                  static_cast<unsigned>(data[at]));
    column += put_text(file, text);
    if (at + 1 < size && column >= kHexLineEnd) {
      put_text(file, "\\\r\n  ");
      column = 2;
    }
  }
}

// The key's line and `"name"=`; returns the column after it.
std::size_t put_key_and_name(RegFile &file, const char *path,
                             const char *name) {
  put_text(file, "\r\n[HKEY_LOCAL_MACHINE\\");
  put_text(file, path);
  put_text(file, "]\r\n\"");
  std::size_t column = 3;  // the quotes and the equals sign
  for (; *name != '\0'; ++name, ++column) {
    put_quoted_unit(file, static_cast<unsigned char>(*name));
  }
  put_text(file, "\"=");
  return column;
}

}  // namespace

void reg_file_begin(RegFile &file) {
  put_unit(file, 0xFEFF);
  put_text(file, "Windows Registry Editor Version 5.00\r\n");
}

void reg_file_section(RegFile &file, const char *path, const char *name,
                      DWORD type, const BYTE *data, DWORD size) {
  put_value(file, put_key_and_name(file, path, name), type, data, size);
  put_text(file, "\r\n");
}

void reg_file_deletion(RegFile &file, const char *path, const char *name) {
  put_key_and_name(file, path, name);
  put_text(file, "-\r\n");
}

void reg_file_comment(RegFile &file, const char *text) {
  put_text(file, "\r\n; ");
  put_text(file, text);
  put_text(file, "\r\n");
}

void reg_file_free(RegFile &file) {
  std::free(file.bytes);
  file = RegFile{};
}
