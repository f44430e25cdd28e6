#include "sweep_scenarios.h"

#include <ostream>

namespace {

RegKey instance_with(int instance, std::vector<RegValue> values,
                     bool read_only = false) {
  return {instance_key(instance), std::move(values), read_only};
}

RegKey failing_writes(int instance, std::vector<RegValue> values) {
  RegKey key = instance_with(instance, std::move(values));
  key.writes_fail = true;
  return key;
}

RegKey no_access(int instance) {
  RegKey key = instance_with(instance, {});
  key.no_access = true;
  return key;
}

RegKey reset_key(int instance) {
  return instance_with(instance, {dword_value(kValueName, 0)});
}

RegistryImage gaps_seed() {
  return {instance_with(1, {string_value(kValueName, "yes")}),
          instance_with(3, {}),
          instance_with(12, {dword_value(kValueName, 7)})};
}

const std::map<int, std::string> kGapsCheck{{1, "needs-reset REG_SZ \"yes\""},
                                            {3, "needs-reset missing"},
                                            {12, "needs-reset REG_DWORD 7"}};

const std::map<int, Outcome> kGapsOutcomes{
    {1, kResetAfterDelete}, {3, kResetNoValue}, {12, kResetAfterDelete}};

RegistryImage every_instance(bool reset) {
  RegistryImage image;
  for (int instance = 0; instance < 16; ++instance) {
    image.push_back(
        reset ? reset_key(instance)
              : instance_with(instance, {dword_value(kValueName, 1)}));
  }
  return image;
}

// A value of each shape that txcheck tells apart, one an instance from 0.
const std::vector<std::pair<RegValue, std::string>> kShapes{
    {string_value(kValueName, "1"), "needs-reset REG_SZ \"1\""},
    {dword_value(kValueName, 7), "needs-reset REG_DWORD 7"},
    {dword_value(kValueName, 0), "ok REG_DWORD 0"},
    {binary_value(kValueName, {1, 2, 3, 4, 5, 6}),
     "needs-reset REG_BINARY 6 bytes"},
    {binary_value(kValueName, {}), "needs-reset REG_BINARY 0 bytes"},
    // Names compare without regard to case: this is the same value.
    {dword_value("reporttxearly", 3), "needs-reset REG_DWORD 3"},
    {{kValueName, REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0}},
     "needs-reset REG_QWORD 0"},
    {{kValueName, REG_EXPAND_SZ, {'%', 'X', '%', 0}},
     "needs-reset REG_EXPAND_SZ \"%X%\""},
    {{kValueName, REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
     "needs-reset REG_MULTI_SZ \"a\\x00b\""},
    // Bytes that could act on a terminal or break the line reach neither.
    {string_value(kValueName, "\x1B[2J\x7F\"\\\r\n"),
     "needs-reset REG_SZ \"\\x1B[2J\\x7F\\\"\\\\\\x0D\\x0A\""},
    // Too long to be shown.
    {string_value(kValueName, std::string(70, 'x')),
     "needs-reset REG_SZ 71 bytes"},
    {{kValueName, 5, {0, 0, 0, 0}}, "needs-reset REG_DWORD_BIG_ENDIAN 4 bytes"},
    {{kValueName, 0x1234, {0, 0}}, "needs-reset type 4660 2 bytes"},
};

SweepScenario every_shape() {
  SweepScenario scenario{"AnyTypeIsReplaced", {}, {}, {}, {}, {}};
  for (int instance = 0; instance < static_cast<int>(kShapes.size());
       ++instance) {
    const auto &[value, line] = kShapes[static_cast<std::size_t>(instance)];
    scenario.seed.push_back(instance_with(instance, {value}));
    scenario.check[instance] = line;
    scenario.outcomes[instance] = kResetAfterDelete;
    scenario.after.push_back(reset_key(instance));
  }
  // Key paths compare without regard to case too.
  scenario.seed[5].path =
      "system\\currentcontrolset\\services\\quorv5\\parameters";
  return scenario;
}

// Values that only their bytes describe, each to come back from a backup
// exactly: strings in the wide form that an ANSI reading loses, types and
// sizes that no text form holds, and a value far longer than a line.
RegValue wide(DWORD type, std::vector<BYTE> data) {
  return {kValueName, type, std::move(data), true};
}

const std::vector<std::pair<RegValue, std::string>> kExactShapes{
    {wide(REG_SZ, {0x2D, 0x4E, 0xE9, 0, 0, 0}),
     "needs-reset REG_SZ \"?\\xE9\""},
    {wide(REG_SZ, {'"', 0, '\\', 0, 0xE9, 0, 0x2D, 0x4E, 0, 0}),
     "needs-reset REG_SZ \"\\\"\\\\\\xE9?\""},
    {wide(REG_SZ, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}), "needs-reset REG_SZ \"??\""},
    {wide(REG_MULTI_SZ, {0x2D, 0x4E, 0, 0, 'A', 0, 0, 0, 0, 0}),
     "needs-reset REG_MULTI_SZ \"?\\x00A\""},
    {{kValueName, REG_NONE, {}}, "needs-reset REG_NONE 0 bytes"},
    {{kValueName, 12, {1, 2, 3}}, "needs-reset type 12 3 bytes"},
    {{kValueName, REG_DWORD, {7, 0}}, "needs-reset REG_DWORD 2 bytes"},
    // Zero, but not the 4-byte REG_DWORD 0 that txreset writes.
    {{kValueName, REG_DWORD, std::vector<BYTE>(8, 0)},
     "needs-reset REG_DWORD 8 bytes"},
    {binary_value(kValueName, std::vector<BYTE>(300000, 0xA5)),
     "needs-reset REG_BINARY 300000 bytes"},
};

SweepScenario exact_shapes() {
  SweepScenario scenario{"ValuesComeBackExactly", {}, {}, {}, {}, {}};
  for (int instance = 0; instance < static_cast<int>(kExactShapes.size());
       ++instance) {
    const auto &[value, line] =
        kExactShapes[static_cast<std::size_t>(instance)];
    scenario.seed.push_back(instance_with(instance, {value}));
    scenario.check[instance] = line;
    scenario.outcomes[instance] = kResetAfterDelete;
    scenario.after.push_back(reset_key(instance));
  }
  return scenario;
}

std::vector<SweepScenario> make_scenarios() {
  const std::string services = kServicesKey + "\\";
  std::map<int, Outcome> all_reset;
  std::map<int, std::string> all_one;
  for (int instance = 0; instance < 16; ++instance) {
    all_reset[instance] = kResetAfterDelete;
    all_one[instance] = "needs-reset REG_DWORD 1";
  }
  return {
      {"NoInstanceKeys", {}, {}, {}, {}, {}},
      {"Gaps",
       gaps_seed(),
       kGapsCheck,
       {},
       kGapsOutcomes,
       {reset_key(1), reset_key(3), reset_key(12)}},
      {"ArgumentsAreIgnored",
       gaps_seed(),
       kGapsCheck,
       {"/?", "--help", "-v", "", "Quorv3", "two words", "\"quoted\""},
       kGapsOutcomes,
       {reset_key(1), reset_key(3), reset_key(12)}},
      every_shape(),
      exact_shapes(),
      {"AlreadyZero",
       {reset_key(0), reset_key(15)},
       {{0, "ok REG_DWORD 0"}, {15, "ok REG_DWORD 0"}},
       {},
       {{0, kResetAfterDelete}, {15, kResetAfterDelete}},
       {reset_key(0), reset_key(15)}},
      // A key that does not open with full access is left alone, whatever
      // it holds; one that does not open at all cannot even be read.
      {"RestrictedKeysAreLeftAlone",
       {instance_with(6, {dword_value(kValueName, 7)}, true),
        instance_with(7, {dword_value(kValueName, 7)}),
        instance_with(8, {dword_value(kValueName, 0)}, true), no_access(9)},
       {{6, "blocked REG_DWORD 7; full access: " + kAccessDeniedText},
        {7, "needs-reset REG_DWORD 7"},
        {8, "ok REG_DWORD 0"},
        {9, "unreadable key: " + kAccessDeniedText}},
       {},
       {{6, kOpenFails},
        {7, kResetAfterDelete},
        {8, kOpenFails},
        {9, kOpenFails}},
       {instance_with(6, {dword_value(kValueName, 7)}), reset_key(7),
        reset_key(8), instance_with(9, {})}},
      {"OtherValuesAndKeysAreUntouched",
       {instance_with(
            2, {dword_value("ReportTxLate", 1), string_value("Name", "second"),
                dword_value(kValueName, 9)}),
        {services + "Quorv2", {dword_value(kValueName, 5)}},
        {instance_key(2) + "\\Inner", {dword_value(kValueName, 6)}},
        {services + "Quorv", {dword_value(kValueName, 4)}},
        {services + "Quorv02\\Parameters", {dword_value(kValueName, 3)}}},
       {{2, "needs-reset REG_DWORD 9"}},
       {},
       {{2, kResetAfterDelete}},
       {instance_with(
            2, {dword_value("ReportTxLate", 1), string_value("Name", "second"),
                dword_value(kValueName, 0)}),
        {services + "Quorv2", {dword_value(kValueName, 5)}},
        {instance_key(2) + "\\Inner", {dword_value(kValueName, 6)}},
        {services + "Quorv", {dword_value(kValueName, 4)}},
        {services + "Quorv02\\Parameters", {dword_value(kValueName, 3)}}}},
      {"InstanceSixteenIsNeverTried",
       {instance_with(15, {dword_value(kValueName, 7)}),
        instance_with(16, {dword_value(kValueName, 7)}), instance_with(17, {})},
       {{15, "needs-reset REG_DWORD 7"}},
       {},
       {{15, kResetAfterDelete}},
       {reset_key(15), instance_with(16, {dword_value(kValueName, 7)}),
        instance_with(17, {})}},
      // The sweep goes on past failed writes; a value deleted before its
      // write failed stays deleted.
      {"WritesFail",
       {failing_writes(4, {dword_value(kValueName, 7)}), failing_writes(5, {}),
        instance_with(6, {dword_value(kValueName, 7)})},
       {{4, "needs-reset REG_DWORD 7"},
        {5, "needs-reset missing"},
        {6, "needs-reset REG_DWORD 7"}},
       {},
       {{4, kWriteFailsAfterDelete},
        {5, kWriteFailsNoValue},
        {6, kResetAfterDelete}},
       {instance_with(4, {}), instance_with(5, {}), reset_key(6)}},
      {"EveryInstanceSucceeds",
       every_instance(false),
       all_one,
       {},
       all_reset,
       every_instance(true)},
  };
}

}  // namespace

const std::vector<SweepScenario> &sweep_scenarios() {
  static const std::vector<SweepScenario> scenarios = make_scenarios();
  return scenarios;
}

void PrintTo(const SweepScenario &scenario, std::ostream *out) {
  *out << scenario.name;
}
