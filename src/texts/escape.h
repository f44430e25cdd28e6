// Escaping that every program's output shares, so that a byte shows the
// same way wherever it shows.
#ifndef TEXTS_ESCAPE_H
#define TEXTS_ESCAPE_H

#include <cstddef>
#include <string>

// The digits of every byte shown in hex.
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes the byte's two upper-case hex digits at `out`; returns the end.
// Plain C, for the programs that keep to the C runtime.
inline char *put_hex(char *out, unsigned char octet) {
  *out++ = kHexDigits[octet >> 4U];
  *out++ = kHexDigits[octet & 0xFU];
  return out;
}

// Appends `prefix` and the byte's two upper-case hex digits: "\\x" gives
// \x7F, "\\u00" the JSON form \u007F, "" just 7F.
void append_hex(std::string &out, unsigned char byte, const char *prefix);

// The length of the well-formed UTF-8 sequence at `at`, with its code point
// in `code_point`; 0 where the bytes there are not one (overlong forms,
// surrogates and code points past U+10FFFF are not).
std::size_t utf8_sequence(const std::string &text, std::size_t at,
                          char32_t &code_point);

// C0 and C1 controls and DEL: a terminal may act on any of them.
bool is_control(char32_t code_point);

// Characters that reorder the text around them (bidirectional marks,
// embeddings, overrides and isolates) or take no room (zero-width spaces,
// joiners and the like): on a terminal, text that holds them can pass for
// other text.
bool is_hidden_format(char32_t code_point);

#endif
