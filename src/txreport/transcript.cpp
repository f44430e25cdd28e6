#include "txreport/transcript.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "texts/escape.h"

namespace {

// A record as txreset writes it: its messages, in order.
struct Shape {
  InstanceOutcome outcome;
  const char *messages[5];  // nullptr after the last
};

constexpr Shape kBanner{InstanceOutcome::kUnknown,
                        {kTitleMessage, kNoticeMessage}};

// Every record an instance can leave. None is the start of another, so
// exactly one of them fits a whole record.
constexpr Shape kRecords[] = {
    {InstanceOutcome::kReset,
     {kOpenedMessage, kDeletedMessage, kResetMessage, kDoneMessage}},
    {InstanceOutcome::kWritten, {kOpenedMessage, kResetMessage, kDoneMessage}},
    {InstanceOutcome::kNotOpened, {kFailedMessage, kCheckMessage}},
    {InstanceOutcome::kLost,
     {kOpenedMessage, kDeletedMessage, kFailedMessage, kCheckMessage}},
    {InstanceOutcome::kWriteFailed,
     {kOpenedMessage, kFailedMessage, kCheckMessage}},
};

// No line txreset writes comes near this; only this much of a longer line
// is looked at.
constexpr std::size_t kLineMax = 256;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The most a transcript can take, with CR LF for every line break.
constexpr std::size_t kTranscriptMax =
    kUtf8Bom.size() +
    2 * (sizeof kTitleMessage + sizeof kNoticeMessage +
         kInstanceCount * (sizeof kOpenedMessage + sizeof kDeletedMessage +
                           sizeof kResetMessage + sizeof kDoneMessage));
static_assert(kTranscriptMax + kLineMax + 1 <= kTranscriptReadMax,
              "a transcript and the first wrong line after it are read");

// How much of a wrong line its problem text quotes.
constexpr std::size_t kQuoteMax = 40;

// How far a shape agrees with the text from `at` on.
struct Fit {
  std::size_t end = 0;  // where the text stops agreeing, or ends
  bool whole = false;   // the record is all there
};

// A line break may be CR LF. A text that lacks only line breaks at its end
// still holds the whole record: tools that trim a saved output's trailing
// line breaks leave transcripts so.
Fit fit(std::string_view text, std::size_t at, const Shape &shape) {
  for (std::size_t m = 0; shape.messages[m] != nullptr; ++m) {
    const bool last = shape.messages[m + 1] == nullptr;
    for (const char *expected = shape.messages[m]; *expected != '\0';
         ++expected) {
      if (at < text.size() && text[at] == '\r' &&
          (at + 1 == text.size() ||
           (*expected == '\n' && text[at + 1] == '\n'))) {
        ++at;  // the CR of CR LF, or of a text cut between the two
      }
      if (at == text.size()) {
        return {at,
                last && std::strspn(expected, "\n") == std::strlen(expected)};
      }
      if (text[at] != *expected) {
        return {at, false};
      }
      ++at;
    }
  }
  return {at, true};
}

// A message's line, without its line breaks.
std::string_view line_of(const char *message) {
  return {message, std::strcspn(message, "\n")};
}

// UTF-16 starts with its byte order mark or, for text that is mostly ASCII,
// has every other byte NUL.
bool looks_like_utf16(std::string_view text) {
  if (text.size() < 2) {
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
  for (std::size_t i = 0; i < text.size(); ++i) {
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
std::string quoted_start(std::string_view text, bool more) {
  std::string quoted = "\"";
  const std::size_t shown = std::min(text.size(), kQuoteMax);
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
  if (more || shown < text.size()) {
    quoted += "...";
  }
  return quoted;
}

// The problem with the line that holds byte `at`: the first line that
// cannot belong to a transcript.
std::string wrong_line(std::string_view text, std::size_t at) {
  const std::size_t start = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;
  const std::string_view before = text.substr(0, start);
  const std::string number =
      std::to_string(std::count(before.begin(), before.end(), '\n') + 1);
  std::string_view line = text.substr(start, text.find('\n', start) - start);
  const bool longer = line.size() > kLineMax;
  line = line.substr(0, kLineMax);
  if (start == 0 && line.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    line.remove_prefix(kUtf8Bom.size());
  }
  if (line.find('\0') != std::string_view::npos) {
    return "contains NUL bytes at line " + number;
  }
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  return "line " + number + ": unexpected " + quoted_start(line, longer);
}

// What the text says, as far as it goes.
struct Reading {
  InstanceOutcomes outcomes{};
  int records = -1;       // whole records; -1 while the banner is not whole
  bool deleted = false;   // the record cut short deleted its value, wrote none
  bool complete = false;  // all sixteen records, and nothing after them
  std::string problem;    // not a transcript: why
};

Reading read_records(std::string_view text) {
  Reading reading;
  if (text.empty()) {
    reading.problem = "empty file";
    return reading;
  }
  if (looks_like_utf16(text.substr(0, std::min(text.find('\n'), kLineMax)))) {
    reading.problem =
        "UTF-16 text (PowerShell's 2> writes it): run txreset through cmd /c "
        "to get a readable log";
    return reading;
  }
  std::size_t at = 0;
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    at = kUtf8Bom.size();
  } else if (kUtf8Bom.substr(0, text.size()) == text) {
    return reading;  // cut inside the byte order mark
  }
  const Fit banner = fit(text, at, kBanner);
  at = banner.end;
  if (banner.whole) {
    reading.records = 0;
  }
  while (banner.whole && reading.records < kInstanceCount && at < text.size()) {
    Fit furthest;
    for (const Shape &shape : kRecords) {
      const Fit record = fit(text, at, shape);
      if (record.whole) {
        reading.outcomes[static_cast<std::size_t>(reading.records++)] =
            shape.outcome;
        furthest = record;
        break;
      }
      furthest.end = std::max(furthest.end, record.end);
    }
    if (!furthest.whole) {
      // Its delete line is there, whole if not its line break, and no write.
      const std::string_view cut = text.substr(at);
      reading.deleted =
          cut.find(line_of(kDeletedMessage)) != std::string_view::npos &&
          cut.find(line_of(kResetMessage)) == std::string_view::npos;
    }
    at = furthest.end;
    if (!furthest.whole) {
      break;
    }
  }
  if (at < text.size()) {
    reading.problem = wrong_line(text, at);
  }
  reading.complete = reading.records == kInstanceCount;
  return reading;
}

}  // namespace

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

HostReport read_transcript(const std::string &host, const std::string &start,
                           ExpectMask expect) {
  const Reading reading = read_records(start);
  if (!reading.problem.empty()) {
    return unreadable_host(host, reading.problem);
  }
  HostReport report{host, HostStatus::kOk, reading.outcomes, ""};
  const auto add = [&report](const std::string &text) {
    report.problem += (report.problem.empty() ? "" : "; ") + text;
  };
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    const InstanceOutcome outcome =
        reading.outcomes[static_cast<std::size_t>(instance)];
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
  if (!reading.complete) {
    if (reading.records < 0) {
      add("transcript ends inside the banner");
    } else if (reading.records == 0) {
      add("transcript ends before instance 0");
    } else {
      add("transcript ends after instance " +
          std::to_string(reading.records - 1));
    }
    report.problem += " (killed, or still running?)";
    if (reading.deleted) {
      // txreset stopped between the delete and the write: as good as lost.
      add("instance " + std::to_string(reading.records) +
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

std::string_view host_name(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? file_name
                                                   : file_name.substr(0, dot);
}
