#include "txreport/transcript.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "texts/escape.h"

namespace {

// The lines txreset writes, without their line breaks.
constexpr char kTitle[] =
    "Tarnel Utility Program       version " TX_VERSION "(R)";
constexpr char kNotice[] = "Copyright (C) Tarnel. All rights reserved.";
constexpr char kOpened[] = "Open Key sucessfully!";
constexpr char kDeleted[] = "Delete Key now.";
constexpr char kWrote[] = "Reset the correct Key value.";
constexpr char kDone[] = "The change is done!";
constexpr char kFails[] = "Program Fails!";
constexpr char kCheck[] = "Check the registry please!";
constexpr char kGap[] = "";

constexpr const char *kBannerLines[] = {kTitle, kNotice, kGap};
constexpr int kBannerLength = 3;

// Every record an instance can leave. None is the start of another, so a
// record ends exactly when the lines read so far make up one of these.
struct RecordShape {
  InstanceOutcome outcome;
  int length;
  const char *lines[8];
};

constexpr RecordShape kShapes[] = {
    {InstanceOutcome::kReset,
     8,
     {kOpened, kGap, kDeleted, kGap, kWrote, kGap, kDone, kGap}},
    {InstanceOutcome::kWritten, 6, {kOpened, kGap, kWrote, kGap, kDone, kGap}},
    {InstanceOutcome::kNotOpened, 3, {kFails, kCheck, kGap}},
    {InstanceOutcome::kLost,
     7,
     {kOpened, kGap, kDeleted, kGap, kFails, kCheck, kGap}},
    {InstanceOutcome::kWriteFailed, 5, {kOpened, kGap, kFails, kCheck, kGap}},
};
constexpr int kShapeCount = sizeof kShapes / sizeof kShapes[0];
constexpr unsigned kAllShapes = (1U << kShapeCount) - 1U;

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr std::size_t kUtf8BomLength = sizeof kUtf8Bom - 1;

// How much of a wrong line its problem text quotes.
constexpr std::size_t kQuoteMax = 40;

// `text` is `expected` (whole) or the start of it.
bool fits(const char *expected, const char *text, std::size_t length,
          bool whole) {
  const std::size_t expected_length = std::strlen(expected);
  if (whole ? length != expected_length : length > expected_length) {
    return false;
  }
  return std::memcmp(expected, text, length) == 0;
}

// The record shapes that `text` can be the next line of.
unsigned fitting_shapes(const TranscriptScan &scan, const char *text,
                        std::size_t length, bool whole) {
  unsigned fitting = 0;
  for (int shape = 0; shape < kShapeCount; ++shape) {
    const unsigned bit = 1U << static_cast<unsigned>(shape);
    if ((scan.candidates & bit) != 0 && kShapes[shape].length > scan.position &&
        fits(kShapes[shape].lines[scan.position], text, length, whole)) {
      fitting |= bit;
    }
  }
  return fitting;
}

// `text` is a line that may come next, or (not whole) the start of one.
bool may_come_next(const TranscriptScan &scan, const char *text,
                   std::size_t length, bool whole) {
  if (scan.in_banner) {
    return fits(kBannerLines[scan.position], text, length, whole);
  }
  return scan.records < kInstanceCount &&
         fitting_shapes(scan, text, length, whole) != 0;
}

void take_line(TranscriptScan &scan, const char *text, std::size_t length) {
  if (scan.in_banner) {
    if (++scan.position == kBannerLength) {
      scan.in_banner = false;
      scan.position = 0;
      scan.candidates = kAllShapes;
    }
    return;
  }
  scan.candidates = fitting_shapes(scan, text, length, true);
  ++scan.position;
  if (fits(kDeleted, text, length, true)) {
    scan.deleted_in_record = true;
  }
  for (int shape = 0; shape < kShapeCount; ++shape) {
    if ((scan.candidates & (1U << static_cast<unsigned>(shape))) != 0 &&
        kShapes[shape].length == scan.position) {
      scan.outcomes[static_cast<std::size_t>(scan.records++)] =
          kShapes[shape].outcome;
      scan.position = 0;
      scan.candidates = kAllShapes;
      scan.deleted_in_record = false;
      return;
    }
  }
}

void stop_unreadable(TranscriptScan &scan, std::string problem) {
  scan.state = ScanState::kUnreadable;
  scan.problem = std::move(problem);
}

// UTF-16 starts with its byte order mark or, for text that is mostly ASCII,
// has every other byte NUL.
bool looks_like_utf16(const char *text, std::size_t length) {
  if (length < 2) {
    return false;
  }
  const auto first = static_cast<unsigned char>(text[0]);
  const auto second = static_cast<unsigned char>(text[1]);
  if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
    return true;
  }
  if ((first == 0) == (second == 0)) {
    return false;
  }
  const std::size_t nul_parity = first == 0 ? 0 : 1;
  for (std::size_t i = 0; i < length; ++i) {
    if ((text[i] == '\0') != (i % 2 == nul_parity)) {
      return false;
    }
  }
  return true;
}

// The start of a line, quoted so that no byte of it can act on a terminal
// or break an output format: printable ASCII stays, with quote and
// backslash escaped as in a C string (a Windows path reads as C:\\Temp),
// and every other byte becomes \xNN.
std::string quoted_start(const char *text, std::size_t length, bool more) {
  std::string quoted = "\"";
  const std::size_t shown = std::min(length, kQuoteMax);
  for (std::size_t i = 0; i < shown; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '"' || byte == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(byte);
    } else if (byte >= 0x20 && byte < 0x7F) {
      quoted += static_cast<char>(byte);
    } else {
      append_hex(quoted, byte, "\\x");
    }
  }
  quoted += '"';
  if (more || shown < length) {
    quoted += "...";
  }
  return quoted;
}

// The line in the buffer has ended: with a line break (whole), or with the
// stream. A stream may stop in the middle of a line that could come there.
void finish_line(TranscriptScan &scan, bool whole) {
  const char *text = scan.line;
  std::size_t length = scan.line_length;
  if (scan.line_number == 1) {
    if (looks_like_utf16(text, length)) {
      stop_unreadable(scan,
                      "UTF-16 text (PowerShell's 2> writes it): run txreset "
                      "through cmd /c to get a readable log");
      return;
    }
    if (length >= kUtf8BomLength &&
        std::memcmp(text, kUtf8Bom, kUtf8BomLength) == 0) {
      text += kUtf8BomLength;
      length -= kUtf8BomLength;
    } else if (!whole && length < kUtf8BomLength &&
               std::memcmp(text, kUtf8Bom, length) == 0) {
      return;  // cut inside the byte order mark
    }
  }
  if (std::memchr(text, '\0', length) != nullptr) {
    stop_unreadable(
        scan, "contains NUL bytes at line " + std::to_string(scan.line_number));
    return;
  }
  // A line break may be CR LF; a stream cut between the two ends in CR.
  const bool had_cr = length > 0 && text[length - 1] == '\r';
  const std::size_t content = had_cr ? length - 1 : length;
  if (!scan.line_overflow && may_come_next(scan, text, content, whole)) {
    if (whole) {
      take_line(scan, text, content);
    }
    return;
  }
  stop_unreadable(scan, "line " + std::to_string(scan.line_number) +
                            ": unexpected " +
                            quoted_start(text, content, scan.line_overflow));
}

}  // namespace

bool scan_bytes(TranscriptScan &scan, const char *data, std::size_t size) {
  for (std::size_t i = 0; i < size && scan.state == ScanState::kReading; ++i) {
    ++scan.bytes;
    if (data[i] == '\n') {
      finish_line(scan, true);
      scan.line_length = 0;
      ++scan.line_number;
    } else if (scan.line_length == kLineMax) {
      scan.line_overflow = true;
      finish_line(scan, false);
    } else {
      scan.line[scan.line_length++] = data[i];
    }
  }
  return scan.state == ScanState::kReading;
}

void scan_end(TranscriptScan &scan) {
  if (scan.state != ScanState::kReading) {
    return;
  }
  if (scan.bytes == 0) {
    stop_unreadable(scan, "empty file");
    return;
  }
  if (scan.line_length > 0) {
    finish_line(scan, false);
    if (scan.state != ScanState::kReading) {
      return;
    }
  }
  scan.state =
      scan.records == kInstanceCount ? ScanState::kComplete : ScanState::kCut;
}

void scan_file(TranscriptScan &scan, std::FILE *file) {
  char chunk[4096];
  for (;;) {
    errno = 0;
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    const int error = errno;
    if (got > 0 && !scan_bytes(scan, chunk, got)) {
      return;
    }
    if (got < sizeof chunk) {
      if (std::ferror(file) != 0) {
        stop_unreadable(scan,
                        std::string("cannot read: ") +
                            (error != 0 ? std::strerror(error) : "read error"));
      } else {
        scan_end(scan);
      }
      return;
    }
  }
}

const char *outcome_word(InstanceOutcome outcome) {
  switch (outcome) {
    case InstanceOutcome::kReset:
      return "reset";
    case InstanceOutcome::kWritten:
      return "written";
    case InstanceOutcome::kNotOpened:
      return "not-opened";
    case InstanceOutcome::kLost:
      return "lost";
    case InstanceOutcome::kWriteFailed:
      return "write-failed";
    case InstanceOutcome::kUnknown:
      break;
  }
  return "unknown";
}

char outcome_letter(InstanceOutcome outcome) {
  switch (outcome) {
    case InstanceOutcome::kReset:
      return 'R';
    case InstanceOutcome::kWritten:
      return 'W';
    case InstanceOutcome::kNotOpened:
      return '.';
    case InstanceOutcome::kLost:
      return 'L';
    case InstanceOutcome::kWriteFailed:
      return 'F';
    case InstanceOutcome::kUnknown:
      break;
  }
  return '?';
}

const char *status_word(HostStatus status) {
  switch (status) {
    case HostStatus::kOk:
      return "ok";
    case HostStatus::kFailed:
      return "failed";
    case HostStatus::kIncomplete:
      return "incomplete";
    case HostStatus::kUnreadable:
      break;
  }
  return "unreadable";
}

HostReport judge_scan(const std::string &host, const TranscriptScan &scan,
                      ExpectMask expect) {
  if (scan.state == ScanState::kUnreadable) {
    return unreadable_host(host, scan.problem);
  }
  HostReport report{host, HostStatus::kOk, scan.outcomes, ""};
  const auto add = [&report](const std::string &text) {
    report.problem += (report.problem.empty() ? "" : "; ") + text;
  };
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    const InstanceOutcome outcome =
        scan.outcomes[static_cast<std::size_t>(instance)];
    const std::string name = "instance " + std::to_string(instance);
    if (outcome == InstanceOutcome::kLost) {
      add(name + " lost (value deleted, none written)");
    } else if (outcome == InstanceOutcome::kWriteFailed) {
      add(name + " write failed (value not written)");
    } else if ((expect & (1U << static_cast<unsigned>(instance))) != 0 &&
               outcome == InstanceOutcome::kNotOpened) {
      add(name + " expected, " + outcome_word(outcome));
    }
  }
  if (!report.problem.empty()) {
    report.status = HostStatus::kFailed;
  }
  if (scan.state != ScanState::kComplete) {
    if (scan.in_banner) {
      add("transcript ends inside the banner");
    } else if (scan.records == 0) {
      add("transcript ends before instance 0");
    } else {
      add("transcript ends after instance " + std::to_string(scan.records - 1));
    }
    report.problem += " (killed, or still running?)";
    if (scan.deleted_in_record) {
      // txreset stopped between the delete and the write: as good as lost.
      add("instance " + std::to_string(scan.records) +
          " stopped after deleting its value");
    }
    if (report.status == HostStatus::kOk) {
      report.status = HostStatus::kIncomplete;
    }
  }
  return report;
}

HostReport unreadable_host(const std::string &host,
                           const std::string &problem) {
  return {host, HostStatus::kUnreadable, {}, problem};
}

std::string host_name(const std::string &file_name) {
  const std::size_t dot = file_name.rfind('.');
  return dot == std::string::npos || dot == 0 ? file_name
                                              : file_name.substr(0, dot);
}
