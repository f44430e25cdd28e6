#include "texts/escape.h"

void append_hex(std::string &out, unsigned char byte, const char *prefix) {
  char digits[2];
  put_hex(digits, byte);
  out += prefix;
  out.append(digits, sizeof digits);
}

std::size_t utf8_sequence(const std::string &text, std::size_t at,
                          char32_t &code_point) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1FU;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0FU;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07U;
    least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < length) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0U) != 0x80U) {
      return 0;
    }
    code_point = (code_point << 6U) | (next & 0x3FU);
  }
  if (code_point < least || code_point > 0x10FFFF ||
      (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    return 0;
  }
  return length;
}

bool is_control(char32_t code_point) {
  return code_point < 0x20 || (code_point >= 0x7F && code_point <= 0x9F);
}

bool is_hidden_format(char32_t code_point) {
  return code_point == 0x061C || code_point == 0x180E ||
         (code_point >= 0x200B && code_point <= 0x200F) ||
         (code_point >= 0x202A && code_point <= 0x202E) ||
         (code_point >= 0x2060 && code_point <= 0x206F) || code_point == 0xFEFF;
}
