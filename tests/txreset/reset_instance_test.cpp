// One reset_instance call against the emulated registry: what it writes, what
// it returns, the registry calls it makes, and what it leaves behind.
#include "txreset/reset_instance.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

#include "emulated_registry.h"
#include "expected_output.h"

namespace {

constexpr int kInstance = 3;

struct Fault {
  RegOp op;
  LONG status;
};

struct ResetCase {
  const char *name;
  RegistryImage seed;
  std::optional<Fault> fault;
  Outcome outcome;
  std::vector<RegOp> calls;
  RegistryImage after;
};

const std::vector<RegOp> kOpenOnly{RegOp::kOpen};
const std::vector<RegOp> kAllFour{RegOp::kOpen, RegOp::kDeleteValue,
                                  RegOp::kSetValue, RegOp::kClose};

RegKey key_with(std::vector<RegValue> values, bool read_only = false) {
  return {instance_key(kInstance), std::move(values), read_only};
}

RegKey key_holding(DWORD number) {
  return key_with({dword_value(kValueName, number)});
}

const RegValue kSibling = string_value("ReportTxLate", "keep");

const std::vector<ResetCase> kCases{
    {"KeyMissing",
     {{instance_key(kInstance + 1), {dword_value(kValueName, 7)}}},
     std::nullopt,
     kOpenFails,
     kOpenOnly,
     {{instance_key(kInstance + 1), {dword_value(kValueName, 7)}}}},
    {"KeyReadOnly",
     {key_with({dword_value(kValueName, 7)}, true)},
     std::nullopt,
     kOpenFails,
     kOpenOnly,
     {key_holding(7)}},
    {"OpenFailsOtherwise",
     {key_holding(7)},
     Fault{RegOp::kOpen, ERROR_INVALID_PARAMETER},
     kOpenFails,
     kOpenOnly,
     {key_holding(7)}},
    {"ValueAbsent",
     {key_with({kSibling})},
     std::nullopt,
     kResetNoValue,
     kAllFour,
     {key_with({kSibling, dword_value(kValueName, 0)})}},
    {"ValueString",
     {key_with({string_value(kValueName, "on"), kSibling})},
     std::nullopt,
     kResetAfterDelete,
     kAllFour,
     {key_with({dword_value(kValueName, 0), kSibling})}},
    {"ValueDwordSeven",
     {key_holding(7)},
     std::nullopt,
     kResetAfterDelete,
     kAllFour,
     {key_holding(0)}},
    {"ValueAlreadyZero",
     {key_holding(0)},
     std::nullopt,
     kResetAfterDelete,
     kAllFour,
     {key_holding(0)}},
    {"ValueBinary",
     {key_with({binary_value(kValueName, {9, 9})})},
     std::nullopt,
     kResetAfterDelete,
     kAllFour,
     {key_holding(0)}},
    {"DeleteFailsButWriteSucceeds",
     {key_holding(7)},
     Fault{RegOp::kDeleteValue, ERROR_ACCESS_DENIED},
     kResetNoValue,
     kAllFour,
     {key_holding(0)}},
    {"WriteFailsAfterDelete",
     {key_with({dword_value(kValueName, 7), kSibling})},
     Fault{RegOp::kSetValue, ERROR_WRITE_FAULT},
     kWriteFailsAfterDelete,
     kAllFour,
     {key_with({kSibling})}},
    {"WriteFailsValueAbsent",
     {key_with({})},
     Fault{RegOp::kSetValue, ERROR_ACCESS_DENIED},
     kWriteFailsNoValue,
     kAllFour,
     {key_with({})}},
    {"CloseFailureIsIgnored",
     {key_holding(7)},
     Fault{RegOp::kClose, ERROR_INVALID_HANDLE},
     kResetAfterDelete,
     kAllFour,
     {key_holding(0)}},
};

void PrintTo(const ResetCase &c, std::ostream *out) { *out << c.name; }

class ResetInstance : public testing::TestWithParam<ResetCase> {};

TEST_P(ResetInstance, WritesReturnsCallsAndLeaves) {
  const ResetCase &c = GetParam();
  emulated_registry_load(c.seed);
  if (c.fault) {
    emulated_registry_fail_next(c.fault->op, c.fault->status);
  }

  testing::internal::CaptureStderr();
  const int result = reset_instance(kInstance);
  EXPECT_EQ(c.outcome.stages, testing::internal::GetCapturedStderr());
  EXPECT_EQ(c.outcome.result, result);
  EXPECT_EQ(describe(c.after), describe(emulated_registry_image()));
  EXPECT_EQ(0, emulated_registry_open_handles());

  const std::vector<RegCall> &calls = emulated_registry_calls();
  std::vector<RegOp> ops;
  ops.reserve(calls.size());
  for (const RegCall &call : calls) {
    ops.push_back(call.op);
  }
  ASSERT_EQ(c.calls, ops);

  const RegCall &open = calls[0];
  EXPECT_EQ(HKEY_LOCAL_MACHINE, open.key);
  EXPECT_EQ(instance_key(kInstance), open.name);
  EXPECT_EQ(0U, open.options);
  EXPECT_EQ(0xF003FU, open.access);
  for (std::size_t at = 1; at < calls.size(); ++at) {
    EXPECT_EQ(open.opened, calls[at].key) << "call " << at;
  }
  if (calls.size() == kAllFour.size()) {
    EXPECT_EQ(kValueName, calls[1].name);
    const RegCall &set = calls[2];
    EXPECT_EQ(kValueName, set.name);
    EXPECT_EQ(0U, set.options);
    EXPECT_EQ(4U, set.access);
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0}), set.data);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ResetInstance, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ResetCase> &param) {
                           return param.param.name;
                         });

// The number is appended whole, with no sign for these, no padding, and
// room for the longest int.
TEST(ResetInstanceKeyPath, IsBuiltWholeForEveryInstanceNumber) {
  const std::vector<std::pair<int, std::string>> paths{
      {0, "SYSTEM\\CurrentControlSet\\Services\\Quorv0\\Parameters"},
      {9, "SYSTEM\\CurrentControlSet\\Services\\Quorv9\\Parameters"},
      {10, "SYSTEM\\CurrentControlSet\\Services\\Quorv10\\Parameters"},
      {15, "SYSTEM\\CurrentControlSet\\Services\\Quorv15\\Parameters"},
      {INT_MAX,
       "SYSTEM\\CurrentControlSet\\Services\\Quorv2147483647\\Parameters"},
      {INT_MIN,
       "SYSTEM\\CurrentControlSet\\Services\\Quorv-2147483648\\Parameters"},
  };
  for (const auto &[instance, path] : paths) {
    emulated_registry_load({{path, {}}});
    testing::internal::CaptureStderr();
    EXPECT_EQ(1, reset_instance(instance)) << path;
    testing::internal::GetCapturedStderr();
    ASSERT_FALSE(emulated_registry_calls().empty());
    EXPECT_EQ(path, emulated_registry_calls()[0].name);
  }
}

}  // namespace
