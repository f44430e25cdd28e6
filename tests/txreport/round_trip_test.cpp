// Every whole-program scenario, read back: txreset's transcript, given to
// txreport, must tell each instance's outcome as it happened; and the log
// of a restore after it, what txrestore wrote and a check, must tell each
// instance as the registry holds it again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "child_process.h"
#include "program_harness.h"
#include "sweep_scenarios.h"

namespace {

class RoundTrip : public testing::TestWithParam<SweepScenario> {};

TEST_P(RoundTrip, TxreportTellsEachOutcome) {
  const SweepScenario &scenario = GetParam();
  seed_registry(scenario.seed);
  const ProgramRun run = run_program(scenario.args);
  const std::string log = testing::TempDir() + scenario.name + "-" +
                          std::to_string(getpid()) + ".log";
  std::ofstream(log, std::ios::binary) << run.err;

  const ProgramRun report =
      run_child(TXREPORT_PROGRAM, {"--format", "csv", log});
  std::remove(log.c_str());

  const std::string host = scenario.name + "-" + std::to_string(getpid());
  std::string expected = "host,instance,outcome\n";
  bool any_failed = false;
  for (int instance = 0; instance < 16; ++instance) {
    const auto found = scenario.outcomes.find(instance);
    const Outcome &outcome =
        found == scenario.outcomes.end() ? kOpenFails : found->second;
    expected +=
        host + "," + std::to_string(instance) + "," + outcome.word + "\n";
    any_failed = any_failed || outcome.word == kWriteFailsAfterDelete.word ||
                 outcome.word == kWriteFailsNoValue.word;
  }
  EXPECT_EQ(expected, report.out);
  EXPECT_EQ(any_failed ? 1 : 0, report.exit_status) << report.err;
}

// txcheck --backup, txreset, then txrestore and txcheck into one log, as
// the restore script keeps it: the instances are as the scenario's first
// check found them; an instance not restored fails the host.
TEST_P(RoundTrip, TxreportReadsTheRestoreBack) {
  const SweepScenario &scenario = GetParam();
  seed_registry(scenario.seed);
  const std::string backup = scratch_path("round-trip.reg");
  ASSERT_NE(2, run_check({"--backup", backup}).run.exit_status);
  run_program({});
  const CheckRun restore = run_restore({backup});
  std::remove(backup.c_str());
  const std::string log = testing::TempDir() + scenario.name + "-" +
                          std::to_string(getpid()) + ".log";
  std::ofstream(log, std::ios::binary)
      << restore.run.out + restore.run.err + run_check({}).run.out;

  const ProgramRun csv = run_child(TXREPORT_PROGRAM, {"--format", "csv", log});
  const ProgramRun table = run_child(TXREPORT_PROGRAM, {log});
  std::remove(log.c_str());

  const std::string host = scenario.name + "-" + std::to_string(getpid());
  std::string expected = "host,instance,outcome\n";
  bool all_ok = restore.run.exit_status == 0;
  for (int instance = 0; instance < 16; ++instance) {
    const auto found = scenario.check.find(instance);
    const std::string word =
        found == scenario.check.end()
            ? "absent"
            : found->second.substr(0, found->second.find(' '));
    expected += host + "," + std::to_string(instance) + ",";
    expected += word + "\n";
    all_ok = all_ok && (word == "ok" || word == "absent");
  }
  EXPECT_EQ(expected, csv.out) << restore.run.out << restore.run.err;
  EXPECT_EQ(all_ok ? 0 : 1, csv.exit_status) << table.out;
  if (restore.run.exit_status != 0) {
    EXPECT_NE(std::string::npos, table.out.find("  failed  "));
    EXPECT_NE(std::string::npos, table.out.find(" not restored: failed "))
        << table.out;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RoundTrip, testing::ValuesIn(sweep_scenarios()),
    [](const testing::TestParamInfo<SweepScenario> &param) {
      return param.param.name;
    });

}  // namespace
