// Reading one host's txreset transcript and judging it.
//
// A transcript is read as a stream, a line at a time, against the exact
// texts txreset writes: the banner, then one record per instance 0 to 15.
// Only the line being read is held, in a fixed buffer, and the first line
// that cannot belong to a transcript ends the reading, so a wrong or huge
// file costs no more than a few hundred bytes of it.
#ifndef TXREPORT_TRANSCRIPT_H
#define TXREPORT_TRANSCRIPT_H

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>

#include "texts/messages.h"

// No line txreset writes comes near this; a longer one ends the reading.
constexpr std::size_t kLineMax = 256;

// How the transcript says an instance ended.
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

enum class ScanState {
  kReading,     // more may come
  kComplete,    // all sixteen records, and nothing after them
  kCut,         // the stream ended early, at a point a transcript can stop
  kUnreadable,  // not a transcript (problem says why); reading stopped
};

// Where the reading of one transcript is, and what it has found so far.
struct TranscriptScan {
  ScanState state = ScanState::kReading;
  InstanceOutcomes outcomes{};     // kUnknown until the record is read
  int records = 0;                 // complete records so far
  bool deleted_in_record = false;  // the record being read deleted its value
  std::string problem;             // why the file is unreadable

  unsigned long long bytes = 0;  // read so far
  unsigned long line_number = 1;
  char line[kLineMax]{};  // the current line, without its line break
  std::size_t line_length = 0;
  bool line_overflow = false;
  bool in_banner = true;
  int position = 0;         // lines of the banner or record read so far
  unsigned candidates = 0;  // record shapes the record read so far fits
};

// Feeds the next `size` bytes of the stream; returns false once the scan
// has a verdict and wants no more.
bool scan_bytes(TranscriptScan &scan, const char *data, std::size_t size);

// The stream has ended: settles the verdict.
void scan_end(TranscriptScan &scan);

// Reads `file` to its end, or until the verdict is clear, in fixed chunks.
void scan_file(TranscriptScan &scan, std::FILE *file);

enum class HostStatus { kOk, kFailed, kIncomplete, kUnreadable };
constexpr int kStatusCount = 4;

// "ok", "failed", "incomplete", "unreadable".
const char *status_word(HostStatus status);

struct HostReport {
  std::string host;
  HostStatus status = HostStatus::kUnreadable;
  InstanceOutcomes outcomes{};
  std::string problem;  // one line of plain ASCII; empty when ok
};

// A bit per instance that must end reset or written.
using ExpectMask = unsigned;

// The verdict on a finished scan.
HostReport judge_scan(const std::string &host, const TranscriptScan &scan,
                      ExpectMask expect);

// A host that could not be read at all.
HostReport unreadable_host(const std::string &host, const std::string &problem);

// The host a transcript file stands for: its name without the last
// extension ("web01.log" is "web01", "a.b.log" is "a.b", ".log" stays).
std::string host_name(const std::string &file_name);

#endif
