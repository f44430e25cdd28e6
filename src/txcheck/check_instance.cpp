#include "txcheck/check_instance.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "texts/check.h"
#include "texts/escape.h"
#include "texts/registry.h"

// Each line is made in a buffer and written whole with fputs: printf on a
// stream would bring in the C runtime's stream locks, one more import.
namespace {

// A value of up to this many bytes is read and shown whole; a longer one is
// shown by its type and size. The system's error texts are cut there.
constexpr DWORD kDataRead = 64;
constexpr DWORD kErrorTextRead = 128;

// Room for bytes escaped: four characters each at most, and a terminator.
constexpr std::size_t escaped_size(DWORD bytes) { return 4 * bytes + 1; }
constexpr std::size_t kFoundSize = 40 + escaped_size(kDataRead);
constexpr std::size_t kReasonSize = 24 + escaped_size(kErrorTextRead);

// The registry's names for its value types, by number.
constexpr const char *kTypeNames[] = {"REG_NONE",
                                      "REG_SZ",
                                      "REG_EXPAND_SZ",
                                      "REG_BINARY",
                                      "REG_DWORD",
                                      "REG_DWORD_BIG_ENDIAN",
                                      "REG_LINK",
                                      "REG_MULTI_SZ",
                                      "REG_RESOURCE_LIST",
                                      "REG_FULL_RESOURCE_DESCRIPTOR",
                                      "REG_RESOURCE_REQUIREMENTS_LIST",
                                      "REG_QWORD"};

// A value as found: its type, then, when it was read `whole`, a number, or
// strings in quotes without their trailing terminators; else its size.
void describe_value(char (&found)[kFoundSize], DWORD type, const BYTE *data,
                    DWORD size, bool whole) {
  char unknown_type[24];
  std::snprintf(unknown_type, sizeof unknown_type, "type %lu",
                static_cast<unsigned long>(type));
  const char *name = type < sizeof kTypeNames / sizeof kTypeNames[0]
                         ? kTypeNames[type]
                         : unknown_type;
  if (whole &&
      ((type == REG_DWORD && size == 4) || (type == REG_QWORD && size == 8))) {
    unsigned long long number = 0;
    for (DWORD at = size; at > 0; --at) {
      number = number << 8U | data[at - 1];  // little-endian, as Windows has it
    }
    std::snprintf(found, sizeof found, "%s %llu", name, number);
  } else if (whole && (type == REG_SZ || type == REG_EXPAND_SZ ||
                       type == REG_MULTI_SZ)) {
    while (size > 0 && data[size - 1] == 0) {
      --size;
    }
    char escaped[escaped_size(kDataRead)];
    escape(escaped, data, size);
    std::snprintf(found, sizeof found, "%s \"%s\"", name, escaped);
  } else {
    std::snprintf(found, sizeof found, "%s %lu bytes", name,
                  static_cast<unsigned long>(size));
  }
}

// An instance's line, as put_line writes it, into `line`, and then `end`.
constexpr std::size_t kLineSize = 32 + kFoundSize + kReasonSize;
static_assert(kLineSize <= kCheckLineMax, "txreport reads lines so long");

void format_line(char (&line)[kLineSize], int instance, int state,
                 const char *found, const char *separator, const char *reason,
                 const char *end) {
  std::snprintf(line, sizeof line, "%s%d %s %s%s%s%s", kServiceName, instance,
                kCheckWords[state], found, separator, reason, end);
}

// Writes the instance's line and gives back its state.
int put_line(int instance, int state, const char *found,
             const char *separator = "", const char *reason = "") {
  char line[kLineSize];
  format_line(line, instance, state, found, separator, reason, "\n");
  std::fputs(line, stdout);
  return state;
}

// Says in the backup why an instance is not in it: what its line says, with
// the reason the key does not open with full access where that is why.
void note_not_saved(RegFile *backup, int instance, int state, const char *found,
                    const char *separator = "", const char *reason = "") {
  if (backup != nullptr) {
    char line[kLineSize];
    format_line(line, instance, state, found, separator, reason, "");
    char note[sizeof "not saved: " + kLineSize];
    std::snprintf(note, sizeof note, "not saved: %s", line);
    reg_file_comment(*backup, note);
  }
}

// The value's name as the wide functions take it.
constexpr std::array<WCHAR, sizeof kSettingValueName> wide_value_name() {
  std::array<WCHAR, sizeof kSettingValueName> name{};
  for (std::size_t at = 0; at < name.size(); ++at) {
    name[at] = static_cast<unsigned char>(kSettingValueName[at]);
  }
  return name;
}
constexpr std::array<WCHAR, sizeof kSettingValueName> kSettingValueNameW =
    wide_value_name();

// The value as the registry holds it, whatever its size, through the wide
// API: read into storage that holds most values, and again into storage of
// the size the registry gives where the value is longer (again where it
// grew meanwhile), so it is never cut. `data` is to be freed.
LONG read_exactly(HKEY key, DWORD &type, BYTE *&data, DWORD &size) {
  data = nullptr;
  for (DWORD room = 256;; room = size) {
    auto *grown = static_cast<BYTE *>(std::realloc(data, room));
    if (grown == nullptr) {
      std::free(data);
      data = nullptr;
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    data = grown;
    size = room;
    const LONG status = RegQueryValueExW(key, kSettingValueNameW.data(),
                                         nullptr, &type, data, &size);
    if (status != ERROR_MORE_DATA) {
      if (status != ERROR_SUCCESS) {
        std::free(data);
        data = nullptr;
      }
      return status;
    }
  }
}

}  // namespace

// No byte that came from the registry, the system or the command line
// reaches a console or a log as it was.
void escape(char *out, const BYTE *bytes, std::size_t size) {
  for (std::size_t at = 0; at < size; ++at) {
    const unsigned octet = bytes[at];
    if (octet == '"' || octet == '\\') {
      *out++ = '\\';
      *out++ = static_cast<char>(octet);
    } else if (octet < 0x20 || octet > 0x7E) {
      *out++ = '\\';
      *out++ = 'x';
      out = put_hex(out, static_cast<unsigned char>(octet));
    } else {
      *out++ = static_cast<char>(octet);
    }
  }
  *out = '\0';
}

void describe_error(char *reason, std::size_t size, LONG code) {
  char text[kErrorTextRead];
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                        text[length - 1] == ' ')) {
    --length;
  }
  char escaped[escaped_size(kErrorTextRead)];
  escape(escaped, reinterpret_cast<const BYTE *>(text), length);
  std::snprintf(reason, size, "%s%s(error %ld)", escaped, length > 0 ? " " : "",
                static_cast<long>(code));
}

int check_instance(int instance, RegFile *backup) {
  char path[kInstanceKeyPathSize];
  format_instance_key_path(path, instance);
  char reason[kReasonSize];

  HKEY key = nullptr;
  LONG status =
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_FILE_NOT_FOUND) {
    return put_line(instance, kCheckAbsent, "no key");
  }
  if (status != ERROR_SUCCESS) {
    describe_error(reason, sizeof reason, status);
    note_not_saved(backup, instance, kCheckUnreadable, "key", ": ", reason);
    return put_line(instance, kCheckUnreadable, "key", ": ", reason);
  }

  DWORD type = REG_NONE;
  BYTE data[kDataRead] = {};
  DWORD size = sizeof data;
  status =
      RegQueryValueExA(key, kSettingValueName, nullptr, &type, data, &size);
  // What a backup saves: the value exactly, or nothing where it is missing.
  DWORD saved_type = REG_NONE;
  BYTE *saved = nullptr;
  DWORD saved_size = 0;
  LONG saved_status = ERROR_FILE_NOT_FOUND;
  if (backup != nullptr) {
    saved_status = read_exactly(key, saved_type, saved, saved_size);
  }
  RegCloseKey(key);
  char found[kFoundSize] = "missing";
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    describe_value(found, type, data, size, status == ERROR_SUCCESS);
  } else if (status != ERROR_FILE_NOT_FOUND) {
    describe_error(reason, sizeof reason, status);
    note_not_saved(backup, instance, kCheckUnreadable, "value", ": ", reason);
    std::free(saved);
    return put_line(instance, kCheckUnreadable, "value", ": ", reason);
  }
  const bool ok = status == ERROR_SUCCESS && type == REG_DWORD && size == 4 &&
                  (data[0] | data[1] | data[2] | data[3]) == 0;

  // Whether txreset could open the key: opened, and let go at once. A
  // backup needs to know for every instance, since it saves only what an
  // import can put back.
  bool full_access = false;
  if (!ok || backup != nullptr) {
    status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key);
    full_access = status == ERROR_SUCCESS;
    if (full_access) {
      RegCloseKey(key);
    } else {
      describe_error(reason, sizeof reason, status);
    }
  }
  const int state = ok            ? kCheckOk
                    : full_access ? kCheckNeedsReset
                                  : kCheckBlocked;
  if (backup != nullptr && !full_access) {
    note_not_saved(backup, instance, state, found, "; full access: ", reason);
  } else if (backup != nullptr && saved_status != ERROR_SUCCESS &&
             saved_status != ERROR_FILE_NOT_FOUND) {
    describe_error(reason, sizeof reason, saved_status);
    note_not_saved(backup, instance, state, "value", ": ", reason);
  } else if (backup != nullptr && saved_status == ERROR_FILE_NOT_FOUND) {
    reg_file_deletion(*backup, path, kSettingValueName);
  } else if (backup != nullptr) {
    reg_file_section(*backup, path, kSettingValueName, saved_type, saved,
                     saved_size);
  }
  std::free(saved);
  return state == kCheckBlocked
             ? put_line(instance, state, found, "; full access: ", reason)
             : put_line(instance, state, found);
}
