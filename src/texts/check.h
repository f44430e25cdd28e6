// What txcheck writes: its first line and the word for each state it finds
// an instance in. txreport reads its output against the same texts.
#ifndef TEXTS_CHECK_H
#define TEXTS_CHECK_H

#include <cstddef>

#include "tx_version.h"

// The states, in the order of the summary line.
enum CheckState : int {
  kCheckOk,          // REG_DWORD 0
  kCheckAbsent,      // no key: the instance is not installed
  kCheckNeedsReset,  // anything else, and the key opens with full access
  kCheckBlocked,     // needs a reset, but the key does not open so
  kCheckUnreadable,  // the key or the value cannot be read
  kCheckStateCount
};

constexpr const char *kCheckWords[kCheckStateCount] = {
    "ok", "absent", "needs-reset", "blocked", "unreadable"};

constexpr char kCheckTitle[] = "txcheck version " TX_VERSION "\n";

// The last line: the instance count, then how many are in each state, with
// its word, in the order above.
constexpr char kCheckSummaryFormat[] =
    "%d instances: %d %s, %d %s, %d %s, %d %s, %d %s\n";
static_assert(kCheckStateCount == 5, "the summary names each state");

// No line txcheck writes is longer, its line break included.
constexpr std::size_t kCheckLineMax = 1024;

#endif
