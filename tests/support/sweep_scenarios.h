// Whole runs of the programs: a registry to start from, what txcheck finds
// there, txreset's command line, how each instance ends, and the registry
// expected afterwards. The same table runs natively on the emulated registry
// and under Wine on a real one.
#ifndef TXRESET_TESTS_SWEEP_SCENARIOS_H
#define TXRESET_TESTS_SWEEP_SCENARIOS_H

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "expected_output.h"
#include "registry_image.h"

struct SweepScenario {
  std::string name;
  RegistryImage seed;
  // txcheck's line for each instance, after "Quorv<n> ": its state and what
  // it found, as "needs-reset REG_DWORD 7". Instances not named are absent.
  std::map<int, std::string> check;
  std::vector<std::string> args;
  std::map<int, Outcome> outcomes;  // instances not named find no key
  RegistryImage after;
};

const std::vector<SweepScenario> &sweep_scenarios();

// Names the scenario in test output instead of dumping its bytes.
void PrintTo(const SweepScenario &scenario, std::ostream *out);

#endif
