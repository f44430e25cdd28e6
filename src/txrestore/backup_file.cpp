#include "txrestore/backup_file.h"

#include <cstdio>
#include <cstdlib>

#include "texts/registry.h"

namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
constexpr char kHive[] = "HKEY_LOCAL_MACHINE\\";

// How many units of a line an error quotes.
constexpr std::size_t kQuoted = 48;
// Its room: six characters a unit at most, the quotes, "..." and the end.
constexpr std::size_t kQuotedSize = 6 * kQuoted + 6;

// The file as UTF-16 code units after its byte-order mark, read in place.
struct Units {
  const BYTE *bytes;
  std::size_t count;
  unsigned at(std::size_t index) const {
    return bytes[2 * index] | static_cast<unsigned>(bytes[2 * index + 1]) << 8U;
  }
};

// One line: its units from `begin` to `end`, without its line break.
struct Line {
  std::size_t begin;
  std::size_t end;
  int number;
};

// Where the reading is, and what it has found so far.
struct Reader {
  Units units;
  Backup &backup;
  std::size_t stored;                 // bytes used in backup.storage
  int section_lines[kInstanceCount];  // where each instance's section is
  BackupValue *open;  // the last section's, until its value line is read
};

// Says what is wrong, at which line; returns false.
bool refuse(Backup &backup, int line, const char *text) {
  backup.error_line = line;
  std::snprintf(backup.error, sizeof backup.error, "%s", text);
  return false;
}

// The same, as snprintf formats it.
template <typename... Arguments>
bool refuse(Backup &backup, int line, const char *format,
            Arguments... arguments) {
  backup.error_line = line;
  std::snprintf(backup.error, sizeof backup.error, format, arguments...);
  return false;
}

// Units of a line, quoted: printable ASCII as it is, with quote and
// backslash escaped, and any other unit as \uXXXX; cut with "..." when
// longer than kQuoted.
void quote(const Units &units, std::size_t begin, std::size_t end,
           char (&out)[kQuotedSize]) {
  std::size_t length = 0;
  out[length++] = '"';
  for (std::size_t at = begin; at < end && at < begin + kQuoted; ++at) {
    const unsigned unit = units.at(at);
    if (unit == '"' || unit == '\\') {
      out[length++] = '\\';
      out[length++] = static_cast<char>(unit);
    } else if (unit >= 0x20 && unit < 0x7F) {
      out[length++] = static_cast<char>(unit);
    } else {
      length += static_cast<std::size_t>(
          std::snprintf(out + length, sizeof out - length, "\\u%04X", unit));
    }
  }
  std::snprintf(out + length, sizeof out - length, "\"%s",
                end - begin > kQuoted ? "..." : "");
}

// Whether the units from `at` spell `text` (ASCII); moves past it if so.
bool take(const Units &units, std::size_t &at, std::size_t end,
          const char *text) {
  std::size_t next = at;
  for (; *text != '\0'; ++text, ++next) {
    if (next >= end || units.at(next) != static_cast<unsigned char>(*text)) {
      return false;
    }
  }
  at = next;
  return true;
}

int hex_digit(unsigned unit) {
  if (unit >= '0' && unit <= '9') {
    return static_cast<int>(unit - '0');
  }
  if (unit >= 'a' && unit <= 'f') {
    return static_cast<int>(unit - 'a' + 10);
  }
  if (unit >= 'A' && unit <= 'F') {
    return static_cast<int>(unit - 'A' + 10);
  }
  return -1;
}

// Up to `most` hex digits from `at`, at least one, as a number.
bool take_number(const Units &units, std::size_t &at, std::size_t end, int most,
                 DWORD &number) {
  number = 0;
  int digits = 0;
  for (; at < end && digits < most && hex_digit(units.at(at)) >= 0;
       ++at, ++digits) {
    number = number << 4U | static_cast<DWORD>(hex_digit(units.at(at)));
  }
  return digits > 0;
}

void store(Reader &reader, BYTE octet) {
  reader.backup.storage[reader.stored++] = octet;
}

void store_unit(Reader &reader, unsigned unit) {
  store(reader, static_cast<BYTE>(unit & 0xFFU));
  store(reader, static_cast<BYTE>(unit >> 8U));
}

// The line that starts at unit `at`. Every unit in it must be text: no NUL,
// no control character; a CR only at its end, before the LF.
bool next_line(Reader &reader, std::size_t &at, int number, Line &line) {
  const Units &units = reader.units;
  line = {at, at, number};
  while (line.end < units.count && units.at(line.end) != '\n') {
    ++line.end;
  }
  at = line.end + 1;
  if (line.end > line.begin && units.at(line.end - 1) == '\r') {
    --line.end;
  }
  for (std::size_t index = line.begin; index < line.end; ++index) {
    const unsigned unit = units.at(index);
    if (unit == 0) {
      return refuse(reader.backup, number, "a NUL character");
    }
    if (unit < 0x20 || unit == 0x7F) {
      return refuse(reader.backup, number, "a control character (\\u%04X)",
                    unit);
    }
  }
  return true;
}

// An instance number as txcheck writes it: 0 to 15 in decimal, without a
// leading zero.
bool take_instance(const Units &units, std::size_t &at, std::size_t end,
                   int &instance) {
  instance = 0;
  const std::size_t first = at;
  for (;
       at < end && units.at(at) >= '0' && units.at(at) <= '9' && at - first < 2;
       ++at) {
    instance = instance * 10 + static_cast<int>(units.at(at) - '0');
  }
  return at > first && (at - first == 1 || units.at(first) != '0') &&
         instance < kInstanceCount;
}

// [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Quorv<n>\Parameters]
// for n from 0 to 15, as txcheck writes it, once each.
bool read_section(Reader &reader, const Line &line) {
  const Units &units = reader.units;
  Backup &backup = reader.backup;
  char quoted[kQuotedSize];
  quote(units, line.begin, line.end, quoted);
  std::size_t at = line.begin + 1;
  if (at < line.end && units.at(at) == '-') {
    return refuse(backup, line.number,
                  "%s deletes a key, which a backup never does", quoted);
  }
  std::size_t close = at;
  while (close < line.end && units.at(close) != ']') {
    ++close;
  }
  if (close == line.end) {
    return refuse(backup, line.number, "%s: no ] ends the key", quoted);
  }
  if (close + 1 != line.end) {
    return refuse(backup, line.number, "%s: text after ]", quoted);
  }
  int instance = 0;
  if (!(take(units, at, close, kHive) &&
        take(units, at, close, kServicesKeyPath) &&
        take(units, at, close, kServiceName) &&
        take_instance(units, at, close, instance) &&
        take(units, at, close, kParametersKeyPath) && at == close)) {
    return refuse(backup, line.number,
                  "the key %s is not one that txcheck --backup saves", quoted);
  }
  if (reader.section_lines[instance] != 0) {
    return refuse(backup, line.number, "%s%d again, first at line %d",
                  kServiceName, instance, reader.section_lines[instance]);
  }
  reader.section_lines[instance] = line.number;
  BackupValue &value = backup.values[backup.count++];
  value = BackupValue{instance, line.number, false, REG_NONE, nullptr, 0};
  reader.open = &value;
  return true;
}

// "text", with \\ and \" the only escapes: a REG_SZ of those units and a
// terminator.
bool read_string(Reader &reader, const Line &line, std::size_t at,
                 BackupValue &value) {
  const Units &units = reader.units;
  value.type = REG_SZ;
  for (++at; at < line.end && units.at(at) != '"'; ++at) {
    if (units.at(at) == '\\') {
      ++at;
      if (at == line.end || (units.at(at) != '\\' && units.at(at) != '"')) {
        return refuse(reader.backup, line.number,
                      "a backslash in the string that escapes neither \\ "
                      "nor \"");
      }
    }
    store_unit(reader, units.at(at));
  }
  if (at == line.end) {
    return refuse(reader.backup, line.number, "the string has no closing \"");
  }
  if (at + 1 != line.end) {
    return refuse(reader.backup, line.number, "text after the string");
  }
  store_unit(reader, 0);
  return true;
}

// dword: and eight hex digits, little-endian as the registry holds it.
bool read_dword(Reader &reader, const Line &line, std::size_t at,
                BackupValue &value) {
  DWORD number = 0;
  const std::size_t first = at;
  if (!take_number(reader.units, at, line.end, 8, number) || at - first != 8 ||
      at != line.end) {
    return refuse(reader.backup, line.number,
                  "dword: takes eight hex digits and nothing after them");
  }
  value.type = REG_DWORD;
  for (int shift = 0; shift < 32; shift += 8) {
    store(reader, static_cast<BYTE>(number >> static_cast<unsigned>(shift)));
  }
  return true;
}

// hex: or hex(N): and bytes of two hex digits, separated by commas, on
// lines that end ",\" where the next one goes on, after spaces.
bool read_hex(Reader &reader, Line &line, std::size_t at, std::size_t &next,
              BackupValue &value) {
  const Units &units = reader.units;
  constexpr char kBadList[] =
      "a bad hex list: bytes are two hex digits each, separated by commas";
  value.type = REG_BINARY;
  if (take(units, at, line.end, "(") &&
      (!take_number(units, at, line.end, 8, value.type) ||
       !take(units, at, line.end, ")"))) {
    return refuse(reader.backup, line.number,
                  "hex( takes a type of one to eight hex digits and )");
  }
  if (!take(units, at, line.end, ":")) {
    return refuse(reader.backup, line.number, "hex takes a : before its bytes");
  }
  if (at == line.end) {
    return true;  // no bytes
  }
  for (;;) {
    // This line's bytes, up to its end or a ",\" that goes on.
    for (;;) {
      DWORD octet = 0;
      const std::size_t start = at;
      if (!take_number(units, at, line.end, 2, octet) || at - start != 2) {
        return refuse(reader.backup, line.number, kBadList);
      }
      store(reader, static_cast<BYTE>(octet));
      if (at == line.end) {
        return true;
      }
      if (!take(units, at, line.end, ",")) {
        return refuse(reader.backup, line.number, kBadList);
      }
      if (take(units, at, line.end, "\\")) {
        break;
      }
    }
    if (at != line.end) {
      return refuse(reader.backup, line.number, "text after \\ in a hex list");
    }
    if (next >= units.count) {
      return refuse(reader.backup, line.number,
                    "the hex list is cut: the file ends after \\");
    }
    if (!next_line(reader, next, line.number + 1, line)) {
      return false;
    }
    at = line.begin;
    while (at < line.end && units.at(at) == ' ') {
      ++at;
    }
    if (at == line.end || hex_digit(units.at(at)) < 0) {
      return refuse(reader.backup, line.number,
                    "the hex list is cut: this line does not go on with it");
    }
  }
}

// "ReportTxEarly"= and its data: - for none, a string, a dword or hex.
bool read_value(Reader &reader, Line &line, std::size_t &next) {
  const Units &units = reader.units;
  Backup &backup = reader.backup;
  if (backup.count == 0) {
    return refuse(backup, line.number, "a value before any key");
  }
  std::size_t at = line.begin + 1;
  std::size_t name_end = at;
  while (name_end < line.end && units.at(name_end) != '"') {
    name_end += units.at(name_end) == '\\' ? 2 : 1;
  }
  if (name_end >= line.end) {
    return refuse(backup, line.number, "the value's name has no closing \"");
  }
  std::size_t name_at = line.begin;
  if (!(take(units, name_at, line.end, "\"") &&
        take(units, name_at, line.end, kSettingValueName) &&
        name_at == name_end)) {
    char quoted[kQuotedSize];
    quote(units, line.begin + 1, name_end < line.end ? name_end : line.end,
          quoted);
    return refuse(backup, line.number,
                  "the value %s is not %s: a whole key that reg export saved "
                  "holds other values too, and only what txcheck --backup "
                  "saved is put back",
                  quoted, kSettingValueName);
  }
  if (reader.open == nullptr) {
    return refuse(backup, line.number, "a second value for %s%d", kServiceName,
                  backup.values[backup.count - 1].instance);
  }
  at = name_end + 1;
  if (!take(units, at, line.end, "=")) {
    return refuse(backup, line.number, "no = after the value's name");
  }
  BackupValue &value = *reader.open;
  reader.open = nullptr;
  value.data = backup.storage + reader.stored;
  const std::size_t first = reader.stored;
  bool read = false;
  if (take(units, at, line.end, "-")) {
    value.deletes = true;
    read = at == line.end || refuse(backup, line.number, "text after =-");
  } else if (at < line.end && units.at(at) == '"') {
    read = read_string(reader, line, at, value);
  } else if (take(units, at, line.end, "dword:")) {
    read = read_dword(reader, line, at, value);
  } else if (take(units, at, line.end, "hex")) {
    read = read_hex(reader, line, at, next, value);
  } else {
    return refuse(backup, line.number,
                  "the value is none of -, \"text\", dword: or hex:");
  }
  value.size = static_cast<DWORD>(reader.stored - first);
  // Never a terminator after the data that the data did not count.
  store(reader, 0xFF);
  store(reader, 0xFF);
  return read;
}

bool read_file(Reader &reader) {
  Backup &backup = reader.backup;
  const Units &units = reader.units;
  std::size_t next = 0;
  Line line{};
  if (!next_line(reader, next, 1, line)) {
    return false;
  }
  std::size_t at = line.begin;
  if (!take(units, at, line.end, kHeader) || at != line.end) {
    return refuse(backup, 1, "the first line is not \"%s\"", kHeader);
  }
  while (next < units.count) {
    if (!next_line(reader, next, line.number + 1, line)) {
      return false;
    }
    at = line.begin;
    while (at < line.end && units.at(at) == ' ') {
      ++at;
    }
    if (at == line.end || units.at(line.begin) == ';') {
      continue;  // blank, or a comment
    }
    const unsigned first = units.at(line.begin);
    if (first == '[' && reader.open != nullptr) {
      return refuse(backup, reader.open->line, "%s%d has no value line",
                    kServiceName, reader.open->instance);
    }
    bool read = false;
    if (first == '[') {
      read = read_section(reader, line);
    } else if (first == '"') {
      read = read_value(reader, line, next);
    } else if (first == '@') {
      return refuse(backup, line.number,
                    "sets the key's default value (@=), which a backup "
                    "never does");
    } else {
      char quoted[kQuotedSize];
      quote(units, line.begin, line.end, quoted);
      return refuse(backup, line.number, "unexpected %s", quoted);
    }
    if (!read) {
      return false;
    }
  }
  if (reader.open != nullptr) {
    return refuse(backup, reader.open->line, "%s%d has no value line",
                  kServiceName, reader.open->instance);
  }
  return true;
}

}  // namespace

bool parse_backup(const BYTE *bytes, std::size_t size, Backup &backup) {
  backup_free(backup);
  if (size == 0) {
    return refuse(backup, 1, "the file is empty");
  }
  if (size > kBackupSizeMax) {
    return refuse(backup, 1, "over %lu bytes, more than any backup",
                  static_cast<unsigned long>(kBackupSizeMax));
  }
  if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
    const bool utf8 =
        size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    const bool big = size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    return refuse(backup, 1,
                  "%snot UTF-16LE with a byte-order mark, as txcheck --backup "
                  "writes it",
                  utf8  ? "UTF-8, "
                  : big ? "UTF-16 big-endian, "
                        : "");
  }
  Reader reader{{bytes + 2, (size - 2) / 2}, backup, 0, {}, nullptr};
  if (size % 2 != 0) {
    int lines = 1;
    for (std::size_t at = 0; at < reader.units.count; ++at) {
      lines += reader.units.at(at) == '\n' ? 1 : 0;
    }
    return refuse(backup, lines, "the file ends inside a character");
  }
  // Whatever the values, their bytes take fewer than the file's: each byte
  // of a list takes six, a string's unit two and its quotes four, and each
  // value line more than the two bytes after its data.
  backup.storage = static_cast<BYTE *>(std::malloc(size));
  if (backup.storage == nullptr) {
    return refuse(backup, 1, "not enough memory to read it");
  }
  if (!read_file(reader)) {
    std::free(backup.storage);
    backup.storage = nullptr;
    backup.count = 0;
    return false;
  }
  return true;
}

void backup_free(Backup &backup) {
  std::free(backup.storage);
  backup = Backup{};
}
