// Reading one host's txreset transcript and judging it.
//
// A transcript is the banner, then one record per instance 0 to 15, each
// line exactly as txreset writes it (texts/messages.h): under 2 KiB in all.
// The reader takes the start of a file, matches it against the records
// txreset can write, and stops at the first line that cannot belong to a
// transcript, so a wrong or huge file costs no more than its start.
#ifndef TXREPORT_TRANSCRIPT_H
#define TXREPORT_TRANSCRIPT_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "texts/messages.h"

// How much of a file the reader needs: a whole transcript, written with
// CR LF line breaks and a byte order mark, and the start of a line after it.
constexpr std::size_t kTranscriptReadMax = 4096;

// How an instance ended, as the transcript says it.
enum class InstanceOutcome {
  kUnknown,     // the transcript ends before its record does
  kReset,       // value deleted and written again
  kWritten,     // value was absent and is now written
  kNotOpened,   // no key, or no full access to it
  kLost,        // value deleted, then the write failed
  kWriteFailed  // key opened, value not written
};

using InstanceOutcomes = std::array<InstanceOutcome, kInstanceCount>;

// "reset", "written", "not-opened", "lost", "write-failed", "unknown".
const char *outcome_word(InstanceOutcome outcome);
// R, W, '.', L, F, '?': one column of a host's instance map.
char outcome_letter(InstanceOutcome outcome);

enum class HostStatus { kOk, kFailed, kIncomplete, kUnreadable };
constexpr int kStatusCount = 4;

// "ok", "failed", "incomplete", "unreadable".
const char *status_word(HostStatus status);

struct HostReport {
  std::string host;
  HostStatus status = HostStatus::kUnreadable;
  InstanceOutcomes outcomes{};
  std::string problem;  // one line; empty when ok
};

// A bit per instance that must end reset or written.
using ExpectMask = unsigned;

// The verdict on a transcript file that starts with `start`: the whole
// file, or its first kTranscriptReadMax bytes, past which nothing changes
// the verdict.
HostReport read_transcript(const std::string &host, const std::string &start,
                           ExpectMask expect);

// A host that could not be read at all.
HostReport unreadable_host(const std::string &host, const std::string &problem);

// The host a transcript file stands for: its name without the last
// extension ("web01.log" is "web01", "a.b.log" is "a.b", ".log" stays): the
// start of `file_name`.
std::string_view host_name(std::string_view file_name);

#endif
