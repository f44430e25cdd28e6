// Judging one host from its log: a txreset transcript, a txcheck check, a
// check, a transcript and a check, as the rollout recipes write, or what
// txrestore wrote and a check, as a restore does. Reading the log's parts
// is log_reading.h's.
//
// A transcript is the banner, then one record per instance 0 to 15, each
// line exactly as txreset writes it (texts/messages.h): under 2 KiB in all.
// A check is its first line, a line per instance and a summary, as txcheck
// writes them (texts/check.h); so is what txrestore writes, a line per
// instance of the backup (texts/restore.h), unless it refuses the backup in
// "txrestore: " lines. The Group Policy scripts (deploy/gpo/) add lines of
// their own, "NAME.cmd: TEXT": before the programs' output, what the run
// did otherwise (the build it took, that there was nothing to put back);
// last, what it could not do. The reader takes the start of a file, matches
// it against what the programs can write, and stops at the first line that
// cannot belong there, so a wrong or huge file costs no more than its start.
#ifndef TXREPORT_TRANSCRIPT_H
#define TXREPORT_TRANSCRIPT_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "texts/check.h"
#include "texts/messages.h"
#include "texts/restore.h"

// A script's line is at most this long, without its line break: a path
// and a few words. A log holds at most so many of them.
constexpr std::size_t kScriptLineMax = 512;
constexpr std::size_t kScriptLinesMax = 4;

// How much of a file the reader needs: a whole transcript with CR LF line
// breaks and a byte order mark, and a line after it as far as a problem
// quotes one (kLineMax), in the first, or the lines of txrestore's refusal;
// and two checks of the longest lines, or txrestore's output and a check,
// with CR LF line breaks; and the scripts' lines.
constexpr std::size_t kTranscriptPartMax = 4096;
constexpr std::size_t kLogLines = static_cast<std::size_t>(kInstanceCount) + 2;
constexpr std::size_t kTranscriptReadMax =
    kTranscriptPartMax + kLogLines * (kRestoreLineMax + 1) +
    kLogLines * (kCheckLineMax + 1) + kScriptLinesMax * (kScriptLineMax + 2);

// How an instance ended, as the transcript says it.
enum class InstanceOutcome {
  kUnknown,      // the transcript ends before its record does
  kReset,        // value deleted and written again
  kWritten,      // value was absent and is now written
  kNotOpened,    // no key, or no full access to it
  kLost,         // value deleted, then the write failed
  kWriteFailed,  // key opened, value not written
  // What a check found, where the last word on an instance is a check's:
  kFoundOk,          // REG_DWORD 0
  kFoundAbsent,      // no key
  kFoundNeedsReset,  // txreset can set it
  kFoundBlocked,     // needs a reset, but no full access to the key
  kFoundUnreadable   // the key or the value cannot be read
};

using InstanceOutcomes = std::array<InstanceOutcome, kInstanceCount>;

// kStale: the log was written before --since, whatever it says; kMissing:
// a host on the --hosts list without a log.
enum class HostStatus {
  kOk,
  kNeedsReset,
  kFailed,
  kIncomplete,
  kUnreadable,
  kStale,
  kMissing
};
constexpr int kStatusCount = 7;

// "ok", "needs-reset", "failed", "incomplete", "unreadable", "stale",
// "missing".
const char *status_word(HostStatus status);

struct HostReport {
  std::string host;
  HostStatus status = HostStatus::kUnreadable;
  InstanceOutcomes outcomes{};
  std::string problem;  // one line; empty when ok
  std::string written;  // when the log was written, ISO 8601 UTC, or ""
  HostStatus found = HostStatus::kUnreadable;  // kStale: what the log says
};

// A bit per instance that must end reset or written.
using ExpectMask = unsigned;

// The verdict on a log file that starts with `start`: the whole file, or
// its first kTranscriptReadMax bytes, past which nothing changes the
// verdict. Where a check comes last, it decides; where a script's line
// does, the host failed. The scripts' lines open its problem.
HostReport read_transcript(const std::string &host, const std::string &start,
                           ExpectMask expect);

// A host that could not be read at all.
HostReport unreadable_host(const std::string &host, const std::string &problem);

// The host a transcript file stands for: its name without the last
// extension ("web01.log" is "web01", "a.b.log" is "a.b", ".log" stays): the
// start of `file_name`.
std::string_view host_name(std::string_view file_name);

#endif
