// Whole runs of the program: a registry to start from, the command line, how
// each instance ends, and the registry expected afterwards. The same table
// runs natively on the emulated registry and under Wine on a real one.
#ifndef TXRESET_TESTS_SWEEP_SCENARIOS_H
#define TXRESET_TESTS_SWEEP_SCENARIOS_H

#include <map>
#include <string>
#include <vector>

#include "expected_output.h"
#include "registry_image.h"

struct SweepScenario {
  std::string name;
  RegistryImage seed;
  std::vector<std::string> args;
  std::map<int, Outcome> outcomes;  // instances not named find no key
  RegistryImage after;
};

const std::vector<SweepScenario> &sweep_scenarios();

#endif
