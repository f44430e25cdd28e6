// txcheck as a process on every scenario's registry: what it finds, saving
// a backup, proof that it changed nothing, what it finds again after
// txreset ran, and the registry as it was once the backup is imported.
// Then its options, and a backup that cannot be saved. Natively on the
// emulated registry, under Wine on Wine's with its own reg and regedit.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "program_harness.h"
#include "sweep_scenarios.h"

namespace {

class CheckCycle : public testing::TestWithParam<SweepScenario> {};

TEST_P(CheckCycle, ChecksChangingNothingThenFindsWhatTxresetDid) {
  const SweepScenario &scenario = GetParam();
  if (!harness_can_seed(scenario.seed)) {
    GTEST_SKIP() << "this registry cannot be made to fail a write";
  }
  seed_registry(scenario.seed);
  const std::string backup = scratch_path("backup.reg");
  const CheckRun before = run_check({"--backup", backup});
  EXPECT_EQ(console_text(check_transcript(scenario.check)), before.run.out);
  EXPECT_EQ("", before.run.err);
  EXPECT_EQ(check_status(scenario.check), before.run.exit_status);
  EXPECT_EQ("", before.changes);
  EXPECT_EQ(describe(scenario.seed), describe(read_registry()));

  // What txreset reset or wrote is ok now; what it lost or could not write
  // is missing; anything else, blocked and absent included, is as it was.
  run_program(scenario.args);
  std::map<int, std::string> found;
  for (int instance = 0; instance < 16; ++instance) {
    const auto outcome = scenario.outcomes.find(instance);
    const auto said = scenario.check.find(instance);
    if (outcome != scenario.outcomes.end() && outcome->second.result == 1) {
      found[instance] = "ok REG_DWORD 0";
    } else if (outcome != scenario.outcomes.end() &&
               outcome->second.word != kOpenFails.word) {
      found[instance] = "needs-reset missing";
    } else if (said != scenario.check.end()) {
      found[instance] = said->second;
    }
  }
  const CheckRun after = run_check({});
  EXPECT_EQ(console_text(check_transcript(found)), after.run.out);
  EXPECT_EQ(check_status(found), after.run.exit_status);
  EXPECT_EQ("", after.changes);

  // Each importer puts back every value as it was, after its own txreset.
  std::ifstream file(backup, std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(file)),
                          std::istreambuf_iterator<char>());
  EXPECT_EQ(0U, saved.find(std::string("\xFF\xFEW\0i\0n\0", 8)));
  for (const std::string &importer : registry_importers()) {
    const ProgramRun import = import_registry_file(importer, backup);
    EXPECT_EQ(0, import.exit_status) << importer << ": " << import.err;
    EXPECT_EQ(describe_ignoring_value_case(scenario.seed),
              describe_ignoring_value_case(read_registry()))
        << importer;
    run_program({});
  }
  std::remove(backup.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, CheckCycle, testing::ValuesIn(sweep_scenarios()),
    [](const testing::TestParamInfo<SweepScenario> &param) {
      return param.param.name;
    });

// Only --help (or /?, as on Windows) and --version, alone, are taken;
// anything else is a usage error that checks nothing.
TEST(CheckOptions, HelpVersionOrAUsageError) {
  seed_registry({{instance_key(1), {dword_value(kValueName, 7)}}});
  const std::vector<std::vector<std::string>> refused{
      {"-v"},
      {"-?"},
      {"/?", "x"},
      {""},
      {"--backup"},
      {"--backup", ""},
      {"--help", "--version"},
      {"--version", "x"},
      {"--backup", "a.reg", "x"},
      {"x", "--backup", "a.reg"}};
  for (const auto &args : refused) {
    const CheckRun check = run_check(args);
    EXPECT_EQ(2, check.run.exit_status) << args[0];
    EXPECT_EQ("", check.run.out) << args[0];
    EXPECT_NE(std::string::npos, check.run.err.find("usage: txcheck"));
  }
  const CheckRun version = run_check({"--version"});
  EXPECT_EQ(console_text("txcheck version " TX_VERSION "\n"), version.run.out);
  const CheckRun help = run_check({"--help"});
  EXPECT_EQ(0, help.run.exit_status);
  EXPECT_EQ(0U, help.run.out.find(
                    "usage: txcheck [--help | --version | --backup FILE]"));
  EXPECT_NE(std::string::npos, help.run.out.find("txrestore FILE"));
  EXPECT_NE(std::string::npos,
            help.run.out.find("SYSTEM\\CurrentControlSet\\Services\\Quorv<n>"
                              "\\Parameters"));
  const CheckRun windows_help = run_check({"/?"});
  EXPECT_EQ(0, windows_help.run.exit_status);
  EXPECT_EQ(help.run.out, windows_help.run.out);
  EXPECT_EQ("", help.run.err + version.run.err + windows_help.run.err);
}

// A backup that cannot be saved: the check as ever, then exit status 2 and
// a message that names the file, and nothing left in its folder.
TEST(CheckBackup, NotSavedSaysWhyAndLeavesNothing) {
  seed_registry({{instance_key(1), {dword_value(kValueName, 7)}}});
  const std::filesystem::path folder = scratch_path("backups");
  std::filesystem::create_directories(folder / "a folder.reg");
  const std::vector<std::string> unsavable{
      (folder / "missing" / "x.reg").string(),  // no such folder
      (folder / "a folder.reg").string(),       // a folder in the way
  };
  for (const std::string &path : unsavable) {
    const CheckRun check = run_check({"--backup", path});
    EXPECT_EQ(2, check.run.exit_status) << path;
    EXPECT_EQ(console_text(check_transcript({{1, "needs-reset REG_DWORD 7"}})),
              check.run.out);
    EXPECT_EQ(0U, check.run.err.find("txcheck: cannot write " + path + ": "))
        << check.run.err;
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(folder),
                               std::filesystem::directory_iterator()));
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
