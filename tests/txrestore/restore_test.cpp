// txrestore as a process: on every scenario's registry, after txcheck
// --backup and txreset, it puts every saved value back exactly, and a
// second run writes nothing; what it tells of each instance; and a file
// that is not such a backup is refused with nothing written. Natively on
// the emulated registry, under Wine on Wine's.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "program_harness.h"
#include "sweep_scenarios.h"

namespace {

const std::string kKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Quorv";

void write_file(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// ASCII `text` as a backup file holds it: UTF-16LE after a byte-order mark.
std::string utf16(const std::string &text) {
  std::string bytes = "\xFF\xFE";
  for (const char c : text) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

std::string section(int instance, const std::string &value) {
  return "\r\n[" + kKey + std::to_string(instance) +
         "\\Parameters]\r\n\"ReportTxEarly\"=" + value + "\r\n";
}

class RestoreCycle : public testing::TestWithParam<SweepScenario> {};

// Whatever a scenario's registry held, txreset's changes are undone: every
// value txcheck saved is back with its type and bytes; then nothing is
// written again.
TEST_P(RestoreCycle, PutsBackWhatTxcheckSavedThenWritesNothing) {
  const SweepScenario &scenario = GetParam();
  if (!harness_can_seed(scenario.seed)) {
    GTEST_SKIP() << "this registry cannot be made to fail a write";
  }
  seed_registry(scenario.seed);
  // The registry's own export of the keys that hold every instance's,
  // before and after; value names compared without regard to case, since
  // a value written back is spelled as txrestore spells it.
  const std::vector<std::string> keys{kServicesKey};
  const std::string exported = upper_case(export_keys(keys));
  const std::string backup = scratch_path("restore.reg");
  ASSERT_NE(2, run_check({"--backup", backup}).run.exit_status);
  run_program({});
  const bool writes_fail = scenario.name == "WritesFail";

  const CheckRun restore = run_restore({backup});
  EXPECT_EQ("", restore.run.err);
  EXPECT_EQ(writes_fail ? 1 : 0, restore.run.exit_status) << restore.run.out;
  EXPECT_EQ(0U, restore.run.out.find("txrestore version " TX_VERSION));
  if (!writes_fail) {
    EXPECT_EQ(describe_ignoring_value_case(scenario.seed),
              describe_ignoring_value_case(read_registry()));
    EXPECT_EQ(exported, upper_case(export_keys(keys)));
  }

  const CheckRun again = run_restore({backup});
  EXPECT_EQ(writes_fail ? 1 : 0, again.run.exit_status) << again.run.out;
  if (!writes_fail) {
    EXPECT_EQ("", again.changes);
    EXPECT_EQ(std::string::npos, again.run.out.find(" restored "))
        << again.run.out;
  }
  std::remove(backup.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RestoreCycle, testing::ValuesIn(sweep_scenarios()),
    [](const testing::TestParamInfo<SweepScenario> &param) {
      return param.param.name;
    });

// Each way an instance can end, as its line tells it: first checked, which
// changes nothing, then run. A key gone since the backup is not made
// again, and one that does not open for writing is left alone.
TEST(RestoreLines, EachInstanceAsItEnds) {
  RegistryImage seed{
      {instance_key(1), {dword_value(kValueName, 0)}},
      {instance_key(3), {dword_value(kValueName, 0)}},
      {instance_key(4), {string_value(kValueName, "0")}},
      {instance_key(6), {dword_value(kValueName, 0)}, true},
      {instance_key(9), {}, false, false, true},
  };
  seed_registry(seed);
  const std::string backup = scratch_path("lines.reg");
  write_file(backup,
             utf16("Windows Registry Editor Version 5.00\r\n" +
                   section(1, "dword:00000007") + section(3, "-") +
                   section(4, "\"0\"") + section(5, "dword:00000007") +
                   section(6, "dword:00000007") + section(9, "hex:01")));
  const std::string blocked =
      "Quorv6 blocked REG_DWORD 0; backup: REG_DWORD 7; write access: " +
      kAccessDeniedText + "\n";
  const std::string rest =
      "Quorv4 unchanged REG_SZ \"0\"\n"
      "Quorv5 absent no key\n" +
      blocked + "Quorv9 blocked key: " + kAccessDeniedText + "\n";

  const CheckRun check = run_restore({"--check", backup});
  EXPECT_EQ(console_text("txrestore version " TX_VERSION "\n"
                         "Quorv1 would-restore REG_DWORD 0; backup: REG_DWORD "
                         "7\n"
                         "Quorv3 would-restore REG_DWORD 0; backup: missing\n" +
                         rest +
                         "6 instances: 2 would-restore, 1 unchanged, 1 absent, "
                         "2 blocked, 0 failed\n"),
            check.run.out);
  EXPECT_EQ(1, check.run.exit_status);
  EXPECT_EQ("", check.changes);

  const CheckRun run = run_restore({backup});
  EXPECT_EQ(console_text("txrestore version " TX_VERSION "\n"
                         "Quorv1 restored REG_DWORD 7\n"
                         "Quorv3 restored missing\n" +
                         rest +
                         "6 instances: 2 restored, 1 unchanged, 1 absent, 2 "
                         "blocked, 0 failed\n"),
            run.run.out);
  EXPECT_EQ("", run.run.err);
  EXPECT_EQ(1, run.run.exit_status);
  seed[0].values = {dword_value(kValueName, 7)};
  seed[1].values = {};
  EXPECT_EQ(describe(seed), describe(read_registry()));
  std::remove(backup.c_str());
}

// A file that is not such a backup, wherever the fault is, even after
// sections that would restore: refused whole, nothing written, every key
// it names exported the same to the byte.
TEST(RestoreRefusal, NothingWrittenAndTheLineSaid) {
  const RegistryImage seed{{instance_key(1), {dword_value(kValueName, 0)}},
                           {instance_key(2), {dword_value(kValueName, 0)}}};
  const std::string head = "Windows Registry Editor Version 5.00\r\n" +
                           section(1, "dword:00000007") +
                           section(2, "dword:00000007");
  const std::string run_key =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  struct Case {
    std::string file;
    std::string error;  // after "txrestore: FILE"
  };
  const std::vector<Case> cases{
      {utf16(head + "\r\n[HKEY_LOCAL_MACHINE\\" + run_key +
             "]\r\n\"Updater\"=\"C:\\\\Users\\\\Public\\\\x.exe\"\r\n"),
       " line 9: the key \"[HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Microsoft\\\\"
       "Windows\\\\C\"... is not one that txcheck --backup saves"},
      {utf16(head + "\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\"
                    "Services\\Quorv2\\Parameters\\Evil]\r\n\"Start\"="
                    "dword:00000002\r\n"),
       " line 9: the key \"[HKEY_LOCAL_MACHINE\\\\SYSTEM\\\\CurrentControlSet"
       "\\\\Ser\"... is not one that txcheck --backup saves"},
      {utf16(head + "\"ImagePath\"=\"x\"\r\n"),
       " line 8: the value \"ImagePath\" is not ReportTxEarly: a whole key "
       "that reg export saved holds other values too, and only what txcheck "
       "--backup saved is put back"},
      {utf16(head + "\r\n[-" + kKey + "2\\Parameters]\r\n"),
       " line 9: \"[-HKEY_LOCAL_MACHINE\\\\SYSTEM\\\\CurrentControlSet\\\\Se\""
       "... deletes a key, which a backup never does"},
      {utf16(head).substr(0, utf16(head).size() - 10),
       " line 7: dword: takes eight hex digits and nothing after them"},
      {"", " line 1: the file is empty"},
  };
  const std::string backup = scratch_path("refused.reg");
  const std::vector<std::string> keys{instance_key(1), instance_key(2),
                                      run_key};
  for (const Case &c : cases) {
    seed_registry(seed);
    write_file(backup, c.file);
    const std::string before = export_keys(keys);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{backup},
          std::vector<std::string>{"--check", backup}}) {
      const CheckRun run = run_restore(args);
      EXPECT_EQ(2, run.run.exit_status) << c.error;
      EXPECT_EQ("", run.run.out) << c.error;
      EXPECT_EQ(console_text("txrestore: " + backup + c.error + "\n"),
                run.run.err);
      EXPECT_EQ("", run.changes) << c.error;
    }
    EXPECT_EQ(before, export_keys(keys)) << c.error;
  }
  std::remove(backup.c_str());
}

// Only --help (or /?, as on Windows), --version and [--check] FILE are
// taken; a file that cannot be read is said with the system's reason.
TEST(RestoreOptions, HelpVersionUsageAndUnreadable) {
  seed_registry({});
  for (const std::vector<std::string> &args :
       std::vector<std::vector<std::string>>{{},
                                             {"--check"},
                                             {""},
                                             {"--force", "a.reg"},
                                             {"a.reg", "b.reg"},
                                             {"--check", "a.reg", "b.reg"},
                                             {"--help", "--version"},
                                             {"/?", "a.reg"}}) {
    const CheckRun run = run_restore(args);
    EXPECT_EQ(2, run.run.exit_status);
    EXPECT_EQ("", run.run.out);
    EXPECT_NE(std::string::npos, run.run.err.find("usage: txrestore"));
  }
  const CheckRun version = run_restore({"--version"});
  EXPECT_EQ(console_text("txrestore version " TX_VERSION "\n"),
            version.run.out);
  const CheckRun help = run_restore({"--help"});
  EXPECT_EQ(0, help.run.exit_status);
  EXPECT_EQ(0U, help.run.out.find(
                    "usage: txrestore [--help | --version | [--check] FILE]"));
  const CheckRun windows_help = run_restore({"/?"});
  EXPECT_EQ(0, windows_help.run.exit_status);
  EXPECT_EQ(help.run.out, windows_help.run.out);
  EXPECT_EQ("", help.run.err + version.run.err + windows_help.run.err);
  const std::string missing = scratch_path("no such backup.reg");
  const CheckRun unreadable = run_restore({missing});
  EXPECT_EQ(2, unreadable.run.exit_status);
  EXPECT_EQ(0U,
            unreadable.run.err.find("txrestore: cannot read " + missing + ": "))
      << unreadable.run.err;
}

}  // namespace
