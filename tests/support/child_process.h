#ifndef TXRESET_TESTS_NATIVE_CHILD_PROCESS_H
#define TXRESET_TESTS_NATIVE_CHILD_PROCESS_H

#include <string>
#include <vector>

#include "program_harness.h"

// How a child runs besides its arguments.
struct ChildOptions {
  // "NAME=value" entries added to the test's own environment.
  std::vector<std::string> environment;
  std::string cwd;                  // empty: the test's own
  std::string input = "/dev/null";  // standard input
  // As the user nobody, so that file permissions apply although the tests
  // may run as root.
  bool as_nobody = false;
  // No file written larger than this many bytes, as on a disk that fills
  // up; 0 for no limit.
  long file_size_limit = 0;
};

// Runs `program` with `args`, and what it writes on standard output and
// standard error captured.
ProgramRun run_child(const std::string &program,
                     const std::vector<std::string> &args,
                     const ChildOptions &options = {});

#endif
