// Natively the registry is the emulated one: the test seeds it in its own
// process, hands it to the child in a file, and takes it back from there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "child_process.h"
#include "emulated_registry.h"
#include "program_harness.h"

namespace {

std::string scratch_file(const std::string &name) {
  return testing::TempDir() + "txreset-" + std::to_string(getpid()) + "-" +
         name;
}

}  // namespace

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

ProgramRun run_program(const std::vector<std::string> &args) {
  const std::string registry_file = scratch_file("registry");
  if (!save_image_file(registry_file, emulated_registry_image())) {
    ADD_FAILURE() << "cannot write " << registry_file;
  }
  ChildOptions options;
  options.environment = {std::string(kRegistryFileVariable) + "=" +
                         registry_file};
  ProgramRun run = run_child(TXRESET_EMULATED_PROGRAM, args, options);
  RegistryImage after;
  if (!load_image_file(registry_file, after)) {
    ADD_FAILURE() << "the program left no registry in " << registry_file;
  }
  emulated_registry_load(after);
  std::remove(registry_file.c_str());
  return run;
}

std::string console_text(const std::string &text) { return text; }
