// What an end-to-end test needs from the platform it runs on: a registry to
// seed and read back, and the program run as a child process on it.
#ifndef TXRESET_TESTS_PROGRAM_HARNESS_H
#define TXRESET_TESTS_PROGRAM_HARNESS_H

#include <string>
#include <vector>

#include "registry_image.h"

struct ProgramRun {
  std::string out;
  std::string err;
  int exit_status;
};

// Makes the instance keys (everything under Services\Quorv*) exactly `image`.
void seed_registry(const RegistryImage &image);

// Whether seed_registry can make a key whose writes fail (RegKey::writes_fail):
// the emulated registry can, a real one cannot.
bool harness_fails_writes();

// Every key and value under Services\Quorv*, as the registry holds them now.
RegistryImage read_registry();

// Runs the program on the registry as seeded, with these arguments.
ProgramRun run_program(const std::vector<std::string> &args);

// `text` with each line break as the program's console writes it.
std::string console_text(const std::string &text);

#endif
