#include "texts/describe.h"

#include <cstdio>

#include "texts/escape.h"

// Each text is made in a buffer with snprintf: printf on a stream would
// bring in the C runtime's stream locks, one more import.
namespace {

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

}  // namespace

void describe_value(char (&found)[kValueTextSize], DWORD type, const BYTE *data,
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
  } else if (whole && size <= kDataShown &&
             (type == REG_SZ || type == REG_EXPAND_SZ ||
              type == REG_MULTI_SZ)) {
    while (size > 0 && data[size - 1] == 0) {
      --size;
    }
    char escaped[escaped_size(kDataShown)];
    escape(escaped, data, size);
    std::snprintf(found, sizeof found, "%s \"%s\"", name, escaped);
  } else {
    std::snprintf(found, sizeof found, "%s %lu bytes", name,
                  static_cast<unsigned long>(size));
  }
}

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
