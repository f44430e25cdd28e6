#ifndef TXRESET_TESTS_NATIVE_CHILD_PROCESS_H
#define TXRESET_TESTS_NATIVE_CHILD_PROCESS_H

#include <string>
#include <vector>

#include "program_harness.h"

// Runs `program` with `args`, standard input closed, and what it writes on
// standard output and standard error captured; `environment` entries
// ("NAME=value") are added to the test's own.
ProgramRun run_child(const std::string &program,
                     const std::vector<std::string> &args,
                     const std::vector<std::string> &environment = {});

#endif
