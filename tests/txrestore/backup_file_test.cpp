// Reading backups: every shape that txcheck --backup writes comes back as
// the same type and bytes, and anything else is refused whole, at its line.
#include "txrestore/backup_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry_image.h"
#include "sweep_scenarios.h"
#include "txcheck/reg_file.h"

namespace {

const std::string kKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Quorv";

// A file of ASCII `text` as txcheck writes it: UTF-16LE after a byte-order
// mark; `\n` stays as it is, so that a case shows its own line ends.
std::vector<BYTE> utf16(const std::string &text, bool mark = true) {
  std::vector<BYTE> bytes;
  if (mark) {
    bytes = {0xFF, 0xFE};
  }
  for (const char c : text) {
    bytes.push_back(static_cast<BYTE>(c));
    bytes.push_back(0);
  }
  return bytes;
}

std::string section(int instance, const std::string &value) {
  return "\r\n[" + kKey + std::to_string(instance) +
         "\\Parameters]\r\n\"ReportTxEarly\"=" + value + "\r\n";
}

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n";

struct Parsed {
  bool ok;
  Backup backup;
};

Parsed parse(const std::vector<BYTE> &bytes) {
  Parsed parsed{false, {}};
  parsed.ok = parse_backup(bytes.data(), bytes.size(), parsed.backup);
  return parsed;
}

std::vector<BYTE> bytes_of(const BackupValue &value) {
  return {value.data, value.data + value.size};
}

// What txcheck writes for each value of the scenario table, and a deletion,
// reads back as exactly that type and those bytes, each in its instance.
TEST(BackupFile, EveryValueTxcheckSavesComesBackExactly) {
  std::vector<RegValue> values;
  for (const SweepScenario &scenario : sweep_scenarios()) {
    for (const RegKey &key : scenario.seed) {
      for (const RegValue &value : key.values) {
        values.push_back(value);
      }
    }
  }
  values.push_back({kValueName, REG_SZ, {'a', 0, 'b', 0}, true});
  values.push_back({kValueName, 0xFFFFFFFF, {1}, true});
  ASSERT_GT(values.size(), 30U);
  for (std::size_t first = 0; first < values.size(); first += 15) {
    RegFile file{};
    reg_file_begin(file);
    reg_file_comment(file, "not saved: Quorv15 blocked REG_DWORD 7");
    std::vector<const RegValue *> saved;
    for (std::size_t at = first; at < values.size() && at < first + 15; ++at) {
      const std::vector<BYTE> data = wide_data(values[at]);
      const std::string path =
          kKey.substr(19) + std::to_string(saved.size()) + "\\Parameters";
      reg_file_section(file, path.c_str(), "ReportTxEarly", values[at].type,
                       data.data(), static_cast<DWORD>(data.size()));
      saved.push_back(&values[at]);
    }
    reg_file_deletion(
        file,
        (kKey.substr(19) + std::to_string(saved.size()) + "\\Parameters")
            .c_str(),
        "ReportTxEarly");
    Parsed parsed = parse({file.bytes, file.bytes + file.size});
    reg_file_free(file);
    ASSERT_TRUE(parsed.ok) << parsed.backup.error_line << ": "
                           << parsed.backup.error;
    ASSERT_EQ(static_cast<int>(saved.size()) + 1, parsed.backup.count);
    for (std::size_t at = 0; at < saved.size(); ++at) {
      const BackupValue &value = parsed.backup.values[at];
      EXPECT_EQ(static_cast<int>(at), value.instance);
      EXPECT_FALSE(value.deletes);
      EXPECT_EQ(saved[at]->type, value.type) << first + at;
      EXPECT_EQ(wide_data(*saved[at]), bytes_of(value)) << first + at;
      // No terminator follows that the data does not count.
      EXPECT_EQ(0xFF, value.data[value.size]);
    }
    EXPECT_TRUE(parsed.backup.values[saved.size()].deletes);
    backup_free(parsed.backup);
  }
}

// The forms a hand or another tool may give the same backup: LF line ends,
// blank and comment lines, upper-case hex digits, and a value line with no
// line break at the end of the file.
TEST(BackupFile, TakesWhatTxcheckWritesInAnyLineEnds) {
  struct Case {
    std::string text;
    int instance;
    DWORD type;
    std::vector<BYTE> data;
  };
  const std::vector<Case> cases{
      {kHeader + section(0, "dword:0000000A"), 0, REG_DWORD, {10, 0, 0, 0}},
      {"Windows Registry Editor Version 5.00\n\n; a note\n   \n[" + kKey +
           "15\\Parameters]\n\"ReportTxEarly\"=hex(b):01,02,\\\n  03,\\\n04",
       15,
       REG_QWORD,
       {1, 2, 3, 4}},
      {kHeader + section(9, "\"a\\\\b\\\"\""),
       9,
       REG_SZ,
       {'a', 0, '\\', 0, 'b', 0, '"', 0, 0, 0}},
      {kHeader + section(10, "\"\""), 10, REG_SZ, {0, 0}},
      {kHeader + section(11, "hex:"), 11, REG_BINARY, {}},
      {kHeader + section(12, "hex(0):"), 12, REG_NONE, {}},
      {kHeader + section(13, "hex(ffffffff):ff"), 13, 0xFFFFFFFF, {0xFF}},
  };
  for (const Case &c : cases) {
    Parsed parsed = parse(utf16(c.text));
    ASSERT_TRUE(parsed.ok) << c.text << "\n"
                           << parsed.backup.error_line << ": "
                           << parsed.backup.error;
    ASSERT_EQ(1, parsed.backup.count);
    EXPECT_EQ(c.instance, parsed.backup.values[0].instance);
    EXPECT_EQ(c.type, parsed.backup.values[0].type);
    EXPECT_EQ(c.data, bytes_of(parsed.backup.values[0]));
    backup_free(parsed.backup);
  }
  // A backup of a machine where every instance is absent: no section.
  Parsed empty = parse(utf16(kHeader));
  EXPECT_TRUE(empty.ok);
  EXPECT_EQ(0, empty.backup.count);
  backup_free(empty.backup);
}

// Anything else is refused whole: no value comes out, and the reason names
// the line that is wrong.
TEST(BackupFile, RefusesAnythingElseWholeAtItsLine) {
  const std::string good = kHeader + section(1, "dword:00000007");
  const std::string run =
      "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
      "Run]\r\n\"x\"=\"C:\\\\x.exe\"\r\n";
  struct Case {
    std::vector<BYTE> bytes;
    int line;
    std::string reason;
  };
  std::vector<BYTE> nul = utf16(good);
  nul[nul.size() - 6] = 0;  // the last digit of the dword
  nul[nul.size() - 5] = 0;
  std::vector<BYTE> odd = utf16(good);
  odd.pop_back();
  const std::vector<Case> cases{
      {{}, 1, "the file is empty"},
      {utf16(good, false), 1, "not UTF-16LE with a byte-order mark"},
      {std::vector<BYTE>{0xEF, 0xBB, 0xBF, 'W'}, 1, "UTF-8, not UTF-16LE"},
      {std::vector<BYTE>{0xFE, 0xFF, 0, 'W'}, 1, "UTF-16 big-endian"},
      {odd, 4, "ends inside a character"},
      {utf16("REGEDIT4\r\n" + section(1, "dword:00000007")), 1,
       "the first line is not"},
      {utf16(good + run), 6, "SOFTWARE\\\\Microsoft"},
      {utf16(good + "\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\"
                    "Services\\Evil]\r\n\"ImagePath\"=\"x\"\r\n"),
       6, "is not one that txcheck --backup saves"},
      {utf16(good + "\r\n[HKEY_CURRENT_USER\\SYSTEM\\CurrentControlSet\\"
                    "Services\\Quorv2\\Parameters]\r\n\"ReportTxEarly\"=-\r\n"),
       6, "is not one that txcheck --backup saves"},
      {utf16(kHeader + section(16, "-")), 3, "is not one"},
      {utf16(kHeader + "\r\n[" + kKey +
             "02\\Parameters]\r\n\"ReportTxEarly\"=-\r\n"),
       3, "is not one"},
      {utf16(good + "\r\n[-" + kKey + "2\\Parameters]\r\n"), 6,
       "deletes a key"},
      {utf16(good + "@=\"x\"\r\n"), 5, "default value (@=)"},
      {utf16(good + section(1, "-")), 6, "Quorv1 again, first at line 3"},
      {utf16(good + "\"ReportTxEarly\"=-\r\n"), 5, "a second value for Quorv1"},
      {utf16(good + "\"Other\"=dword:00000001\r\n"), 5,
       "\"Other\" is not ReportTxEarly: a whole key that reg export saved"},
      {utf16(kHeader + "\"ReportTxEarly\"=-\r\n"), 2, "a value before any key"},
      {utf16(kHeader + "\r\n[" + kKey + "1\\Parameters] x\r\n"), 3,
       "text after ]"},
      {utf16(kHeader + "\r\n[" + kKey + "1\\Parameters]\r\n\r\n[" + kKey +
             "2\\Parameters]\r\n\"ReportTxEarly\"=-\r\n"),
       3, "Quorv1 has no value line"},
      {utf16(kHeader + "\r\n[" + kKey + "1\\Parameters]\r\n"), 3,
       "Quorv1 has no value line"},
      {nul, 4, "a NUL character"},
      {utf16(kHeader + section(1, "dword:0000007")), 4, "eight hex digits"},
      {utf16(kHeader + section(1, "dword:000000070")), 4, "eight hex digits"},
      {utf16(kHeader + section(1, "hex:01,2,03")), 4, "a bad hex list"},
      {utf16(kHeader + section(1, "hex:01,02,")), 4, "a bad hex list"},
      {utf16(kHeader + section(1, "hex:01;02")), 4, "a bad hex list"},
      {utf16(kHeader + section(1, "hex(1x):01")), 4, "hex( takes a type"},
      {utf16(kHeader + section(1, "hex(123456789):01")), 4,
       "hex( takes a type"},
      {utf16(kHeader + section(1, "hex:01,\\")), 4, "the file ends after \\"},
      {utf16(kHeader + section(1, "hex:01,\\\r\n\r\n") + "  02\r\n"), 5,
       "this line does not go on with it"},
      {utf16(kHeader + section(1, "hex:01,\\ 02")), 4, "text after \\"},
      {utf16(kHeader + section(1, "\"a\\b\"")), 4, "escapes neither"},
      {utf16(kHeader + section(1, "\"ab")), 4, "no closing \""},
      {utf16(kHeader + section(1, "\"a\"b")), 4, "text after the string"},
      {utf16(kHeader + section(1, "-x")), 4, "text after =-"},
      {utf16(kHeader + section(1, "qword:1")), 4, "none of -"},
      {utf16(kHeader + "\r\n[" + kKey +
             "1\\Parameters]\r\n\"ReportTxEarly\""
             "dword:00000000\r\n"),
       4, "no = after"},
      {utf16(kHeader + section(1, "dword:00000007\ttab")), 4,
       "a control character (\\u0009)"},
      {utf16(good + "junk\r\n"), 5, "unexpected \"junk\""},
      {utf16(good + "\"Report\\"), 5, "name has no closing \""},
      {utf16(good + "\"Report\r\n"), 5, "name has no closing \""},
  };
  for (const Case &c : cases) {
    Parsed parsed = parse(c.bytes);
    EXPECT_FALSE(parsed.ok) << c.reason;
    EXPECT_EQ(0, parsed.backup.count) << c.reason;
    EXPECT_EQ(nullptr, parsed.backup.storage) << c.reason;
    EXPECT_EQ(c.line, parsed.backup.error_line) << c.reason;
    EXPECT_NE(std::string::npos,
              std::string(parsed.backup.error).find(c.reason))
        << "expected " << c.reason << ", got " << parsed.backup.error;
  }
}

}  // namespace
