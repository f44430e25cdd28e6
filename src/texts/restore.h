// What txrestore writes: its first line, the word for each way an instance
// of the backup ends, and the summary. txreport reads its output against
// the same texts.
#ifndef TEXTS_RESTORE_H
#define TEXTS_RESTORE_H

#include <cstddef>

#include "tx_version.h"

// The outcomes, in the order of the summary line.
enum RestoreState : int {
  kRestoreDone,       // now holds what the backup saved: it was written
  kRestoreUnchanged,  // already held it: nothing was written
  kRestoreAbsent,     // the key is gone: left alone, never made again
  kRestoreBlocked,    // the key does not open for writing: left alone
  kRestoreFailed,     // the write failed, or the value cannot be read
  kRestoreStateCount
};

// A run's words; under --check the first is kRestoreWouldWord, since
// nothing is written.
constexpr const char *kRestoreWords[kRestoreStateCount] = {
    "restored", "unchanged", "absent", "blocked", "failed"};
constexpr char kRestoreWouldWord[] = "would-restore";

constexpr char kRestoreTitle[] = "txrestore version " TX_VERSION "\n";

// The last line: the instances in the backup, then how many are in each
// state, with its word, in the order above.
constexpr char kRestoreSummaryFormat[] =
    "%d instances: %d %s, %d %s, %d %s, %d %s, %d %s\n";
static_assert(kRestoreStateCount == 5, "the summary names each state");

// No line txrestore writes on standard output is longer, its line break
// included: txreport reads lines so long.
constexpr std::size_t kRestoreLineMax = 1536;

// How a refusal of the whole file starts, on standard error, before the
// file's name: "txrestore: FILE line N: what is wrong".
constexpr char kRestorePrefix[] = "txrestore: ";

#endif
