#include "txreport/transcript.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "texts/escape.h"
#include "texts/registry.h"
#include "txreport/outcomes.h"

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
static_assert(kTranscriptMax + kLineMax + 1 <= kTranscriptPartMax,
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

// What a transcript says, as far as it goes.
struct Reading {
  InstanceOutcomes outcomes{};
  int records = -1;       // whole records; -1 while the banner is not whole
  bool deleted = false;   // the record cut short deleted its value, wrote none
  bool complete = false;  // all sixteen records
  std::size_t end = 0;    // where the text stops agreeing with one, or ends
};

// The transcript that starts at `at`, up to where the text stops agreeing
// with one; what comes after is the caller's to judge.
Reading read_records(std::string_view text, std::size_t at) {
  Reading reading;
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
  reading.end = at;
  reading.complete = reading.records == kInstanceCount;
  return reading;
}

// What a check says, as far as it goes.
struct CheckReading {
  std::array<int, kInstanceCount> states{};       // a CheckState an instance
  std::array<std::string, kInstanceCount> found;  // what follows its word
  int lines = -1;  // instance lines; -1 while the first line is not whole
  bool complete = false;  // its summary read, and agreeing with its lines
  bool wrong = false;     // stopped at a line that cannot belong to a check
  std::size_t end = 0;    // where it stopped
};

// The line from `at`, without its line break.
struct Line {
  std::string_view text;
  std::size_t next = 0;  // where the next line starts
  bool whole = false;    // a line break ends it
};

Line line_at(std::string_view text, std::size_t at) {
  const std::size_t newline = text.find('\n', at);
  Line line{text.substr(at, newline - at),
            newline == std::string_view::npos ? text.size() : newline + 1,
            newline != std::string_view::npos};
  if (!line.text.empty() && line.text.back() == '\r') {
    line.text.remove_suffix(1);
  }
  return line;
}

bool starts_with(std::string_view whole, std::string_view prefix) {
  return whole.substr(0, prefix.size()) == prefix;
}

// "Quorv<n> WORD FOUND": the state of instance n and what it found, in
// printable ASCII as txcheck escapes it.
bool read_instance_line(std::string_view line, std::string_view start,
                        int &state, std::string &found) {
  if (!starts_with(line, start) || line.size() >= kCheckLineMax ||
      std::any_of(line.begin(), line.end(),
                  [](char c) { return c < 0x20 || c > 0x7E; })) {
    return false;
  }
  line.remove_prefix(start.size());
  for (state = 0; state < kCheckStateCount; ++state) {
    const std::string_view word = kCheckWords[state];
    if (starts_with(line, word) && line.size() > word.size() + 1 &&
        line[word.size()] == ' ') {
      found = line.substr(word.size() + 1);
      return true;
    }
  }
  return false;
}

// The check that starts at `at`.
CheckReading read_check(std::string_view text, std::size_t at) {
  CheckReading reading;
  std::array<int, kCheckStateCount> counts{};
  for (int index = -1; at < text.size(); ++index) {
    const Line line = line_at(text, at);
    std::string start;  // how the line must start
    bool fits = false;
    if (index < 0) {
      start = line_of(kCheckTitle);
      fits = line.whole && line.text == start;
    } else if (index < kInstanceCount) {
      start = std::string(kServiceName) + std::to_string(index) + " ";
      const auto i = static_cast<std::size_t>(index);
      fits =
          line.whole && read_instance_line(line.text, start, reading.states[i],
                                           reading.found[i]);
    } else {
      char summary[128];
      std::snprintf(summary, sizeof summary, kCheckSummaryFormat,
                    kInstanceCount, counts[0], kCheckWords[0], counts[1],
                    kCheckWords[1], counts[2], kCheckWords[2], counts[3],
                    kCheckWords[3], counts[4], kCheckWords[4]);
      start = line_of(summary);
      fits = line.text == start;  // the last line may lack its line break
    }
    if (!fits) {
      // Only the end of the text may cut a line, and only where it could
      // still become one.
      reading.wrong = line.whole || !(starts_with(start, line.text) ||
                                      starts_with(line.text, start));
      reading.end = reading.wrong ? at : text.size();
      return reading;
    }
    at = line.next;
    if (index == kInstanceCount) {
      reading.complete = true;
      break;
    }
    if (index >= 0) {
      ++counts[static_cast<std::size_t>(
          reading.states[static_cast<std::size_t>(index)])];
    }
    ++reading.lines;
  }
  reading.end = at;
  return reading;
}

constexpr char kCutNote[] = " (killed, or still running?)";

void add_problem(HostReport &report, const std::string &text) {
  report.problem += (report.problem.empty() ? "" : "; ") + text;
}

// A transcript's verdict, where no check comes after it.
HostReport judge_transcript(const std::string &host, const Reading &reading,
                            ExpectMask expect) {
  HostReport report{host, HostStatus::kOk, reading.outcomes, ""};
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    const InstanceOutcome outcome =
        reading.outcomes[static_cast<std::size_t>(instance)];
    const std::string name = "instance " + std::to_string(instance);
    if (outcome == InstanceOutcome::kLost) {
      add_problem(report, name + " lost (value deleted, none written)");
    } else if (outcome == InstanceOutcome::kWriteFailed) {
      add_problem(report, name + " write failed (value not written)");
    } else if ((expect & (1U << static_cast<unsigned>(instance))) != 0 &&
               outcome == InstanceOutcome::kNotOpened) {
      add_problem(report, name + " expected, " + outcome_word(outcome));
    }
  }
  if (!report.problem.empty()) {
    report.status = HostStatus::kFailed;
  }
  if (!reading.complete) {
    if (reading.records < 0) {
      add_problem(report, "transcript ends inside the banner");
    } else if (reading.records == 0) {
      add_problem(report, "transcript ends before instance 0");
    } else {
      add_problem(report, "transcript ends after instance " +
                              std::to_string(reading.records - 1));
    }
    report.problem += kCutNote;
    if (reading.deleted) {
      // txreset stopped between the delete and the write: as good as lost.
      add_problem(report, "instance " + std::to_string(reading.records) +
                              " stopped after deleting its value");
    }
    if (report.status == HostStatus::kOk) {
      report.status = HostStatus::kIncomplete;
    }
  }
  return report;
}

// A check's verdict: alone, or after the transcript `reset`. Ok when it
// finds nothing that needs a reset; an instance that txreset reset or
// wrote is a failure unless the check finds it ok.
HostReport judge_check(const std::string &host, const CheckReading &check,
                       ExpectMask expect, const Reading *reset) {
  HostReport report{host, HostStatus::kOk, {}, ""};
  bool needs_reset = false;
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    const auto i = static_cast<std::size_t>(instance);
    const InstanceOutcome done =
        reset == nullptr ? InstanceOutcome::kUnknown : reset->outcomes[i];
    if (instance >= check.lines) {
      report.outcomes[i] = done;  // the check ends before this instance
      continue;
    }
    const int state = check.states[i];
    const InstanceOutcome found = found_outcome(state);
    const bool changed =
        done == InstanceOutcome::kReset || done == InstanceOutcome::kWritten;
    // The map shows what txreset did, and the check where it did nothing.
    report.outcomes[i] = changed || done == InstanceOutcome::kLost ||
                                 done == InstanceOutcome::kWriteFailed
                             ? done
                             : found;
    const std::string name = "instance " + std::to_string(instance);
    const std::string finding =
        std::string(kCheckWords[state]) + ": " + check.found[i];
    const bool expected = (expect & (1U << static_cast<unsigned>(i))) != 0;
    std::string problem;
    if (reset != nullptr &&
        (changed ? state != kCheckOk
                 : state != kCheckOk && state != kCheckAbsent)) {
      problem = name + ": txreset ";
      problem += outcome_word(done);
      problem += ", the check after finds ";
      problem += finding;
    } else if (reset != nullptr && expected && !changed) {
      problem = name + " expected, ";
      problem += outcome_word(done);
    } else if (reset == nullptr &&
               (state == kCheckBlocked || state == kCheckUnreadable)) {
      problem = name + " ";
      problem += finding;
    } else if (reset == nullptr && expected && state == kCheckAbsent) {
      problem = name + " expected, ";
      problem += kCheckWords[state];
    }
    if (!problem.empty()) {
      add_problem(report, problem);
    }
    needs_reset = needs_reset || state == kCheckNeedsReset;
  }
  if (!report.problem.empty()) {
    report.status = HostStatus::kFailed;
  } else if (reset == nullptr && needs_reset && check.complete) {
    report.status = HostStatus::kNeedsReset;
    for (int instance = 0; instance < kInstanceCount; ++instance) {
      const auto i = static_cast<std::size_t>(instance);
      if (check.states[i] == kCheckNeedsReset) {
        std::string problem = "instance " + std::to_string(instance);
        problem += " ";
        problem += kCheckWords[kCheckNeedsReset];
        problem += ": ";
        problem += check.found[i];
        add_problem(report, problem);
      }
    }
  }
  if (!check.complete) {
    add_problem(
        report,
        std::string(reset == nullptr ? "check" : "check after txreset") +
            (check.lines < 0 ? " ends inside its first line"
             : check.lines == 0
                 ? " ends before instance 0"
                 : " ends after instance " + std::to_string(check.lines - 1)) +
            kCutNote);
    if (report.status == HostStatus::kOk) {
      report.status = HostStatus::kIncomplete;
    }
  }
  return report;
}

}  // namespace

const char *status_word(HostStatus status) {
  switch (status) {
    case HostStatus::kOk:
      return "ok";
    case HostStatus::kNeedsReset:
      return kCheckWords[kCheckNeedsReset];
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
  const std::string_view text = start;
  if (text.empty()) {
    return unreadable_host(host, "empty file");
  }
  if (looks_like_utf16(text.substr(0, std::min(text.find('\n'), kLineMax)))) {
    return unreadable_host(
        host,
        "UTF-16 text (PowerShell's 2> writes it): run txreset through cmd /c "
        "to get a readable log");
  }
  std::size_t at = 0;
  if (starts_with(text, kUtf8Bom)) {
    at = kUtf8Bom.size();
  } else if (starts_with(kUtf8Bom, text)) {
    at = text.size();  // cut inside the byte order mark
  }
  const std::string_view check_start = "txcheck";
  if (!starts_with(text.substr(at), check_start) &&
      !(at < text.size() && starts_with(check_start, text.substr(at)))) {
    const Reading reading = read_records(text, at);
    if (reading.end < text.size()) {
      return unreadable_host(host, wrong_line(text, reading.end));
    }
    return judge_transcript(host, reading, expect);
  }

  const CheckReading before = read_check(text, at);
  if (before.wrong) {
    return unreadable_host(host, wrong_line(text, before.end));
  }
  if (!before.complete || before.end == text.size()) {
    return judge_check(host, before, expect, nullptr);
  }
  const Reading reading = read_records(text, before.end);
  if (!reading.complete && reading.end < text.size()) {
    return unreadable_host(host, wrong_line(text, reading.end));
  }
  if (!reading.complete || reading.end == text.size()) {
    HostReport report = judge_transcript(host, reading, expect);
    if (reading.complete) {
      report.problem += std::string(report.problem.empty() ? "" : "; ") +
                        "no check after txreset" + kCutNote;
      report.status = report.status == HostStatus::kOk ? HostStatus::kIncomplete
                                                       : report.status;
    }
    return report;
  }
  const CheckReading after = read_check(text, reading.end);
  if (after.wrong || after.end < text.size()) {
    return unreadable_host(host, wrong_line(text, after.end));
  }
  return judge_check(host, after, expect, &reading);
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
