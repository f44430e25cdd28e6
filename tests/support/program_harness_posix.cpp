// Natively the registry is the emulated one: the test seeds it in its own
// process, hands it to the child in a file, and takes it back from there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <utility>

#include "child_process.h"
#include "emulated_registry.h"
#include "program_harness.h"

std::string scratch_path(const std::string &name) {
  return testing::TempDir() + "txreset-" + std::to_string(getpid()) + "-" +
         name;
}

std::vector<std::string> registry_importers() { return {}; }

ProgramRun import_registry_file(const std::string &importer,
                                const std::string & /*file*/) {
  ADD_FAILURE() << "no " << importer << " here";
  return {"", "", -1};
}

bool harness_fails_writes() { return true; }

void seed_registry(const RegistryImage &image) {
  emulated_registry_load(image);
}

RegistryImage read_registry() {
  RegistryImage image = emulated_registry_image();
  image.erase(std::remove_if(image.begin(), image.end(),
                             [](const RegKey &key) {
                               return !starts_with_ignoring_case(
                                   key.path, kInstanceKeyStem);
                             }),
              image.end());
  return image;
}

namespace {

// Runs `program` built on the emulated registry, on the registry as seeded,
// and takes the registry back as it left it.
ProgramRun run_emulated(const char *program,
                        const std::vector<std::string> &args,
                        std::vector<std::string> environment = {}) {
  const std::string registry_file = scratch_path("registry");
  if (!save_image_file(registry_file, emulated_registry_image())) {
    ADD_FAILURE() << "cannot write " << registry_file;
  }
  ChildOptions options;
  options.environment = std::move(environment);
  options.environment.push_back(std::string(kRegistryFileVariable) + "=" +
                                registry_file);
  ProgramRun run = run_child(program, args, options);
  RegistryImage after;
  if (!load_image_file(registry_file, after)) {
    ADD_FAILURE() << "the program left no registry in " << registry_file;
  }
  emulated_registry_load(after);
  std::remove(registry_file.c_str());
  return run;
}

}  // namespace

ProgramRun run_program(const std::vector<std::string> &args) {
  return run_emulated(TXRESET_EMULATED_PROGRAM, args);
}

namespace {

// A run of `program`, and each call it made that is not an open, a query or
// a close.
CheckRun watched_run(const char *program,
                     const std::vector<std::string> &args) {
  const std::string calls_file = scratch_path("calls");
  CheckRun check{
      run_emulated(program, args,
                   {std::string(kCallsFileVariable) + "=" + calls_file}),
      ""};
  std::ifstream calls(calls_file);
  if (!calls) {
    check.changes = "the program left no record of its calls";
  }
  for (std::string call; std::getline(calls, call);) {
    const std::string op = call.substr(0, call.find(' '));
    if (op != "open" && op != "query" && op != "close") {
      check.changes += call + "\n";
    }
  }
  std::remove(calls_file.c_str());
  return check;
}

}  // namespace

CheckRun run_check(const std::vector<std::string> &args) {
  return watched_run(TXCHECK_EMULATED_PROGRAM, args);
}

CheckRun run_restore(const std::vector<std::string> &args) {
  return watched_run(TXRESTORE_EMULATED_PROGRAM, args);
}

std::string export_keys(const std::vector<std::string> & /*keys*/) {
  return describe(emulated_registry_image());
}

std::string console_text(const std::string &text) { return text; }
