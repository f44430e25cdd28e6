#include "txcheck/check_instance.h"

#include <cstddef>
#include <cstdio>

#include "platform/platform.h"
#include "texts/check.h"
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

// Writes bytes as the inside of a C string into `out`, which has room for
// escaped_size(size): printable ASCII as it is, quote and backslash
// escaped, any other byte as \xNN. No byte that came from the registry or
// the system reaches a console or a log as it was.
void escape(char *out, const BYTE *bytes, DWORD size) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  for (DWORD at = 0; at < size; ++at) {
    const unsigned byte = bytes[at];
    if (byte == '"' || byte == '\\') {
      *out++ = '\\';
      *out++ = static_cast<char>(byte);
    } else if (byte < 0x20 || byte > 0x7E) {
      *out++ = '\\';
      *out++ = 'x';
      *out++ = kHexDigits[byte >> 4U];
      *out++ = kHexDigits[byte & 0xFU];
    } else {
      *out++ = static_cast<char>(byte);
    }
  }
  *out = '\0';
}

// The system's text for a Windows error code, then the code:
// "Access is denied. (error 5)".
void describe_error(char (&reason)[kReasonSize], LONG code) {
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
  std::snprintf(reason, sizeof reason, "%s%s(error %ld)", escaped,
                length > 0 ? " " : "", static_cast<long>(code));
}

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

// Writes the instance's line and gives back its state.
int put_line(int instance, int state, const char *found,
             const char *separator = "", const char *reason = "") {
  char line[32 + kFoundSize + kReasonSize];
  static_assert(sizeof line <= kCheckLineMax, "txreport reads lines so long");
  std::snprintf(line, sizeof line, "%s%d %s %s%s%s\n", kServiceName, instance,
                kCheckWords[state], found, separator, reason);
  std::fputs(line, stdout);
  return state;
}

}  // namespace

int check_instance(int instance) {
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
    describe_error(reason, status);
    return put_line(instance, kCheckUnreadable, "key", ": ", reason);
  }

  DWORD type = REG_NONE;
  BYTE data[kDataRead] = {};
  DWORD size = sizeof data;
  status =
      RegQueryValueExA(key, kSettingValueName, nullptr, &type, data, &size);
  RegCloseKey(key);
  char found[kFoundSize] = "missing";
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    describe_value(found, type, data, size, status == ERROR_SUCCESS);
  } else if (status != ERROR_FILE_NOT_FOUND) {
    describe_error(reason, status);
    return put_line(instance, kCheckUnreadable, "value", ": ", reason);
  }
  if (status == ERROR_SUCCESS && type == REG_DWORD && size == 4 &&
      (data[0] | data[1] | data[2] | data[3]) == 0) {
    return put_line(instance, kCheckOk, found);
  }

  // Whether txreset could open the key: opened, and let go at once.
  status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key);
  if (status == ERROR_SUCCESS) {
    RegCloseKey(key);
    return put_line(instance, kCheckNeedsReset, found);
  }
  describe_error(reason, status);
  return put_line(instance, kCheckBlocked, found, "; full access: ", reason);
}
