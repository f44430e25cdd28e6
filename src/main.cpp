// txreset: forces "ReportTxEarly" to REG_DWORD 0 in the Parameters key of
// service instances Quorv0 to Quorv15, telling each stage on standard error.
#include <cstdio>

#include "platform/platform.h"
#include "reset_instance.h"

namespace {

constexpr int kInstanceCount = 16;

constexpr char kTitle[] = "Tarnel Utility Program       version 1.30(R)\n";
constexpr char kNotice[] = "Copyright (C) Tarnel. All rights reserved.\n\n";
constexpr char kDone[] = "The change is done!\n\n";
constexpr char kCheck[] = "Check the registry please!\n\n";

}  // namespace

// Arguments are ignored: the program has no options.
int main() {
  // Each message must reach the console the moment it is written.
  std::setvbuf(stderr, nullptr, _IONBF, 0);

  std::fputs(kTitle, stderr);
  std::fputs(kNotice, stderr);
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    std::fputs(reset_instance(instance) != 0 ? kDone : kCheck, stderr);
  }
  ExitProcess(0);
}
