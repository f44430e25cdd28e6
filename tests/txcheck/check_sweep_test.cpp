// txcheck as a process on every scenario's registry: what it finds, proof
// that it changed nothing, and what it finds again after txreset ran. Then
// its options. Natively on the emulated registry, under Wine on Wine's.
#include <gtest/gtest.h>

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
  const CheckRun before = run_check({});
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
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, CheckCycle, testing::ValuesIn(sweep_scenarios()),
    [](const testing::TestParamInfo<SweepScenario> &param) {
      return param.param.name;
    });

// Only --help and --version, alone, are taken; anything else is a usage
// error that checks nothing.
TEST(CheckOptions, HelpVersionOrAUsageError) {
  seed_registry({{instance_key(1), {dword_value(kValueName, 7)}}});
  const std::vector<std::vector<std::string>> refused{
      {"-v"}, {"/?"}, {""}, {"--help", "--version"}, {"--version", "x"}};
  for (const auto &args : refused) {
    const CheckRun check = run_check(args);
    EXPECT_EQ(2, check.run.exit_status) << args[0];
    EXPECT_EQ("", check.run.out) << args[0];
    EXPECT_NE(std::string::npos, check.run.err.find("usage: txcheck"));
  }
  const CheckRun version = run_check({"--version"});
  EXPECT_EQ(console_text("txcheck version 1.30\n"), version.run.out);
  const CheckRun help = run_check({"--help"});
  EXPECT_EQ(0, help.run.exit_status);
  EXPECT_EQ(0U, help.run.out.find("usage: txcheck [--help | --version]"));
  EXPECT_NE(std::string::npos,
            help.run.out.find("SYSTEM\\CurrentControlSet\\Services\\Quorv<n>"
                              "\\Parameters"));
  EXPECT_EQ("", help.run.err + version.run.err);
}

}  // namespace
