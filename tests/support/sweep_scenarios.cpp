#include "sweep_scenarios.h"

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

RegKey reset_key(int instance) {
  return instance_with(instance, {dword_value(kValueName, 0)});
}

RegistryImage gaps_seed() {
  return {instance_with(1, {string_value(kValueName, "yes")}),
          instance_with(3, {}),
          instance_with(12, {dword_value(kValueName, 7)})};
}

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

std::vector<SweepScenario> make_scenarios() {
  const std::string services = kServicesKey + "\\";
  std::map<int, Outcome> all_reset;
  for (int instance = 0; instance < 16; ++instance) {
    all_reset[instance] = kResetAfterDelete;
  }
  return {
      {"NoInstanceKeys", {}, {}, {}, {}},
      {"Gaps",
       gaps_seed(),
       {},
       kGapsOutcomes,
       {reset_key(1), reset_key(3), reset_key(12)}},
      {"ArgumentsAreIgnored",
       gaps_seed(),
       {"/?", "--help", "-v", "", "Quorv3", "two words", "\"quoted\""},
       kGapsOutcomes,
       {reset_key(1), reset_key(3), reset_key(12)}},
      {"AnyTypeIsReplaced",
       {instance_with(0, {string_value(kValueName, "1")}),
        instance_with(1, {dword_value(kValueName, 7)}),
        instance_with(2, {dword_value(kValueName, 0)}),
        instance_with(3, {binary_value(kValueName, {1, 2, 3, 4, 5, 6})}),
        instance_with(4, {binary_value(kValueName, {})}),
        // Names compare without regard to case: this is the same value.
        {"system\\currentcontrolset\\services\\quorv5\\parameters",
         {dword_value("reporttxearly", 3)}}},
       {},
       {{0, kResetAfterDelete},
        {1, kResetAfterDelete},
        {2, kResetAfterDelete},
        {3, kResetAfterDelete},
        {4, kResetAfterDelete},
        {5, kResetAfterDelete}},
       {reset_key(0), reset_key(1), reset_key(2), reset_key(3), reset_key(4),
        reset_key(5)}},
      {"ReadOnlyKeyIsLeftAlone",
       {instance_with(6, {dword_value(kValueName, 7)}, true),
        instance_with(7, {dword_value(kValueName, 7)})},
       {},
       {{6, kOpenFails}, {7, kResetAfterDelete}},
       {instance_with(6, {dword_value(kValueName, 7)}), reset_key(7)}},
      {"OtherValuesAndKeysAreUntouched",
       {instance_with(
            2, {dword_value("ReportTxLate", 1), string_value("Name", "second"),
                dword_value(kValueName, 9)}),
        {services + "Quorv2", {dword_value(kValueName, 5)}},
        {instance_key(2) + "\\Inner", {dword_value(kValueName, 6)}},
        {services + "Quorv", {dword_value(kValueName, 4)}},
        {services + "Quorv02\\Parameters", {dword_value(kValueName, 3)}}},
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
       {},
       {{15, kResetAfterDelete}},
       {reset_key(15), instance_with(16, {dword_value(kValueName, 7)}),
        instance_with(17, {})}},
      // The sweep goes on past failed writes; a value deleted before its
      // write failed stays deleted.
      {"WritesFail",
       {failing_writes(4, {dword_value(kValueName, 7)}), failing_writes(5, {}),
        instance_with(6, {dword_value(kValueName, 7)})},
       {},
       {{4, kWriteFailsAfterDelete},
        {5, kWriteFailsNoValue},
        {6, kResetAfterDelete}},
       {instance_with(4, {}), instance_with(5, {}), reset_key(6)}},
      {"EveryInstanceSucceeds",
       every_instance(false),
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
