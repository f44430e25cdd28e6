// txreset: forces "ReportTxEarly" to REG_DWORD 0 in the Parameters key of
// service instances Quorv0 to Quorv15, telling each stage on standard error.
#include <cstdio>

#include "platform/platform.h"
#include "texts/messages.h"
#include "txreset/reset_instance.h"

// Arguments are ignored: the program has no options.
int main() {
  // Each message must reach the console the moment it is written.
  std::setvbuf(stderr, nullptr, _IONBF, 0);

  std::fputs(kTitleMessage, stderr);
  std::fputs(kNoticeMessage, stderr);
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    std::fputs(reset_instance(instance) != 0 ? kDoneMessage : kCheckMessage,
               stderr);
  }
  ExitProcess(0);
}
