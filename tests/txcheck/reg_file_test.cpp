// The registry file as regedit reads it: each value in the one form that
// gives its bytes back, and lines of hex broken as regedit breaks them.
// What Wine's importers make of such files is checked by the programs'
// scenarios; a string that lacks its terminator only here, since they end
// it with one.
#include "txcheck/reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The file's text, its UTF-16LE units taken one to a char (the texts here
// are ASCII), CRLF shown as \n.
std::string text_of(const RegFile &file) {
  std::string text;
  for (std::size_t at = 2; at + 1 < file.size; at += 2) {
    const unsigned unit = file.bytes[at] | unsigned{file.bytes[at + 1]} << 8U;
    text += static_cast<char>(unit);
  }
  std::string lf;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.compare(at, 2, "\r\n") != 0) {
      lf += text[at];
    }
  }
  return lf;
}

struct ValueCase {
  DWORD type;
  std::vector<BYTE> data;
  std::string written;  // after "ReportTxEarly"=
};

// The strings that must not be written as text, and a type number that no
// name has; the programs' scenarios import the other shapes.
const std::vector<ValueCase> kValues{
    {REG_SZ, {}, "hex(1):"},
    {REG_SZ, {'a', 0, 'b', 0}, "hex(1):61,00,62,00"},  // no terminator
    {REG_SZ, {'a', 0, 'b', 0, 0}, "hex(1):61,00,62,00,00"},
    {REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}, "hex(1):61,00,00,00,62,00,00,00"},
    {REG_SZ, {'\n', 0, 0, 0}, "hex(1):0a,00,00,00"},
    {REG_SZ, {0x3D, 0xD8, 0, 0}, "hex(1):3d,d8,00,00"},  // a lone surrogate
    {0xFFFFFFFF, {1}, "hex(ffffffff):01"},
};

TEST(RegFile, EachValueInTheFormThatGivesItsBytesBack) {
  for (const ValueCase &c : kValues) {
    RegFile file{};
    reg_file_begin(file);
    reg_file_section(file, "K", "ReportTxEarly", c.type, c.data.data(),
                     static_cast<DWORD>(c.data.size()));
    EXPECT_EQ(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\K]\n\"ReportTxEarly\"=" +
            c.written + "\n",
        text_of(file));
    EXPECT_FALSE(file.out_of_memory);
    reg_file_free(file);
  }
}

}  // namespace
