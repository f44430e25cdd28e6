// The program as shipped for Linux, where there is no registry: every
// instance fails, whatever the command line says.
#include <gtest/gtest.h>

#include "child_process.h"
#include "expected_output.h"

namespace {

TEST(ShippedProgram, FindsNoInstanceKeyWhateverTheArguments) {
  const std::vector<std::vector<std::string>> command_lines{
      {}, {"/?"}, {"--help", "-x", "", "Quorv1", "a b"}};
  for (const auto &args : command_lines) {
    const ProgramRun run = run_child(TXRESET_PROGRAM, args);
    EXPECT_EQ(sweep_transcript({}), run.err);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0, run.exit_status);
  }
}

}  // namespace
