// The program as a process: banner, sixteen attempts with their verdicts,
// exit status 0, nothing on standard output, and the registry afterwards.
#include <gtest/gtest.h>

#include "program_harness.h"
#include "sweep_scenarios.h"

namespace {

class Sweep : public testing::TestWithParam<SweepScenario> {};

TEST_P(Sweep, WritesTheTranscriptAndLeavesTheRegistryAsExpected) {
  const SweepScenario &scenario = GetParam();
  if (!harness_can_seed(scenario.seed)) {
    GTEST_SKIP() << "this registry cannot be made to fail a write";
  }
  seed_registry(scenario.seed);
  ASSERT_EQ(describe(scenario.seed), describe(read_registry()))
      << "the registry was not seeded as asked";

  const ProgramRun run = run_program(scenario.args);

  EXPECT_EQ(console_text(sweep_transcript(scenario.outcomes)), run.err);
  EXPECT_EQ("", run.out);
  EXPECT_EQ(0, run.exit_status);
  EXPECT_EQ(describe(scenario.after), describe(read_registry()));
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, Sweep, testing::ValuesIn(sweep_scenarios()),
    [](const testing::TestParamInfo<SweepScenario> &param) {
      return param.param.name;
    });

}  // namespace
