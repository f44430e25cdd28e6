// One check_instance call against the emulated registry, for what only it
// can stage: calls that fail, and the exact calls made. Then a disk that
// fills up under a backup, as only a native run can stage it.
#include "txcheck/check_instance.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "child_process.h"
#include "emulated_registry.h"
#include "expected_output.h"

namespace {

struct Fault {
  RegOp op;
  LONG status;
};

struct CheckCase {
  const char *name;
  RegValue value;
  std::vector<Fault> faults;
  std::string line;
  int state;
  // Each call as its operation and, for an open, the access asked for.
  std::vector<std::pair<RegOp, DWORD>> calls;
};

constexpr DWORD kQuery = 0x1;
constexpr DWORD kAll = 0xF003F;

const std::vector<CheckCase> kCases{
    {"OkNeedsNoFullAccess",
     dword_value(kValueName, 0),
     {},
     "Quorv3 ok REG_DWORD 0\n",
     0,
     {{RegOp::kOpen, kQuery}, {RegOp::kQueryValue, 0}, {RegOp::kClose, 0}}},
    {"NeedsResetOpensForAllThenLetsGo",
     dword_value(kValueName, 7),
     {},
     "Quorv3 needs-reset REG_DWORD 7\n",
     2,
     {{RegOp::kOpen, kQuery},
      {RegOp::kQueryValue, 0},
      {RegOp::kClose, 0},
      {RegOp::kOpen, kAll},
      {RegOp::kClose, 0}}},
    {"KeyUnreadable",
     dword_value(kValueName, 0),
     {{RegOp::kOpen, ERROR_INVALID_PARAMETER}},
     "Quorv3 unreadable key: The parameter is incorrect. (error 87)\n",
     4,
     {{RegOp::kOpen, kQuery}}},
    {"ValueUnreadableWithAnErrorWithoutText",
     dword_value(kValueName, 0),
     {{RegOp::kQueryValue, 1234}},
     "Quorv3 unreadable value: (error 1234)\n",
     4,
     {{RegOp::kOpen, kQuery}, {RegOp::kQueryValue, 0}, {RegOp::kClose, 0}}},
};

class CheckInstance : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckInstance, WritesReturnsAndCalls) {
  const CheckCase &c = GetParam();
  emulated_registry_load({{instance_key(3), {c.value}}});
  for (const Fault &fault : c.faults) {
    emulated_registry_fail_next(fault.op, fault.status);
  }
  testing::internal::CaptureStdout();
  EXPECT_EQ(c.state, check_instance(3));
  EXPECT_EQ(c.line, testing::internal::GetCapturedStdout());
  EXPECT_EQ(0, emulated_registry_open_handles());
  std::vector<std::pair<RegOp, DWORD>> calls;
  for (const RegCall &call : emulated_registry_calls()) {
    calls.emplace_back(call.op, call.op == RegOp::kOpen ? call.access : 0);
  }
  EXPECT_EQ(c.calls, calls);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckInstance, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CheckCase> &param) {
                           return param.param.name;
                         });

// A disk that fills up during the write: exit status 2, the system's
// reason, and not even the file begun left behind.
TEST(CheckBackup, FullDiskLeavesNothing) {
  const std::filesystem::path folder = scratch_path("full");
  std::filesystem::create_directories(folder);
  const std::string registry = scratch_path("registry");
  // Its image is some 600 kB, the backup more than 1.8 MB.
  save_image_file(
      registry,
      {{instance_key(2),
        {binary_value(kValueName, std::vector<BYTE>(300000, 0xA5))}}});
  ChildOptions full_disk;
  full_disk.environment = {std::string(kRegistryFileVariable) + "=" + registry};
  full_disk.file_size_limit = 1000000;
  const std::string backup = (folder / "x.reg").string();
  const ProgramRun run =
      run_child(TXCHECK_EMULATED_PROGRAM, {"--backup", backup}, full_disk);
  EXPECT_EQ(2, run.exit_status);
  EXPECT_EQ("txcheck: cannot write " + backup + ": File too large\n", run.err);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  std::filesystem::remove_all(folder);
  std::remove(registry.c_str());
}

}  // namespace
