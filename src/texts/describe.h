// How the programs that read the registry show what they found, so that
// txcheck and txrestore show a value, or an error, the same way and
// txreport reads both: a value by its type and data, an error by the
// system's text and number, and no byte as it came.
#ifndef TEXTS_DESCRIBE_H
#define TEXTS_DESCRIBE_H

#include <cstddef>

#include "platform/platform.h"

// A value of up to this many bytes is shown whole; a longer one by its type
// and size. The system's error texts are cut at kErrorTextRead.
constexpr DWORD kDataShown = 64;
constexpr DWORD kErrorTextRead = 128;

// Room for bytes escaped: four characters each at most, and a terminator.
constexpr std::size_t escaped_size(DWORD bytes) { return 4 * bytes + 1; }
constexpr std::size_t kValueTextSize = 40 + escaped_size(kDataShown);
constexpr std::size_t kErrorTextSize = 24 + escaped_size(kErrorTextRead);

// A value as found: its type, then, when it was read `whole`, a number
// (a 4-byte REG_DWORD or an 8-byte REG_QWORD), or strings in quotes
// without their trailing terminators (up to kDataShown bytes); else its
// size: "REG_DWORD 7", "REG_SZ \"0\"", "REG_BINARY 6 bytes", "type 12 3
// bytes". Strings are shown as the ANSI functions give them.
void describe_value(char (&found)[kValueTextSize], DWORD type, const BYTE *data,
                    DWORD size, bool whole);

// Writes bytes as the inside of a C string into `out`, which has room for
// 4 * size + 1 characters: printable ASCII as it is, quote and backslash
// escaped, any other byte as \xNN.
void escape(char *out, const BYTE *bytes, std::size_t size);

// The system's text for a Windows error code, then the code, escaped as
// the lines are: "Access is denied. (error 5)".
void describe_error(char *reason, std::size_t size, LONG code);

#endif
