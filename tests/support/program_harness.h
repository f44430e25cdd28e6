// What an end-to-end test needs from the platform it runs on: a registry to
// seed and read back, and the programs run as child processes on it.
#ifndef TXRESET_TESTS_PROGRAM_HARNESS_H
#define TXRESET_TESTS_PROGRAM_HARNESS_H

#include <algorithm>
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

// Whether seed_registry can make `image` as it is: false for an image with a
// key whose writes fail, where the registry cannot make one.
inline bool harness_can_seed(const RegistryImage &image) {
  return harness_fails_writes() ||
         std::none_of(image.begin(), image.end(),
                      [](const RegKey &key) { return key.writes_fail; });
}

// Every key and value under Services\Quorv*, as the registry holds them now.
RegistryImage read_registry();

// Runs txreset on the registry as seeded, with these arguments.
ProgramRun run_program(const std::vector<std::string> &args);

// A txcheck run, and anything that shows it changed the registry: natively,
// each call in the emulated registry's record that is not an open, a query
// or a close; under Wine, the keys before and after when they differ, or
// when the registry signalled a change below Services. Empty when nothing
// does.
struct CheckRun {
  ProgramRun run;
  std::string changes;
};

// Runs txcheck on the registry as seeded, with these arguments.
CheckRun run_check(const std::vector<std::string> &args);

// Runs txrestore so, with what shows that it changed the registry.
CheckRun run_restore(const std::vector<std::string> &args);

// The keys under HKEY_LOCAL_MACHINE named, as the registry's own export
// gives them, one after another: under Wine, `reg export` of each, byte
// for byte; natively, the emulated registry's whole picture.
std::string export_keys(const std::vector<std::string> &keys);

// A path for a scratch file, which this test and the programs it runs both
// take; nothing is made there.
std::string scratch_path(const std::string &name);

// The commands that put a registry file back, each followed by the file's
// name when run: `reg import` and `regedit /s` on Windows; none natively.
std::vector<std::string> registry_importers();
ProgramRun import_registry_file(const std::string &importer,
                                const std::string &file);

// `text` with each line break as the program's console writes it.
std::string console_text(const std::string &text);

#endif
