// Every whole-program scenario, read back: txreset's transcript, given to
// txreport, must tell each instance's outcome as it happened.
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

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RoundTrip, testing::ValuesIn(sweep_scenarios()),
    [](const testing::TestParamInfo<SweepScenario> &param) {
      return param.param.name;
    });

}  // namespace
