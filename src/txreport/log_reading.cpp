#include "txreport/log_reading.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "texts/check.h"
#include "texts/escape.h"
#include "texts/messages.h"
#include "texts/registry.h"
#include "texts/restore.h"

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

// The most a transcript can take, with CR LF for every line break.
constexpr std::size_t kTranscriptMax =
    kUtf8Bom.size() +
    2 * (sizeof kTitleMessage + sizeof kNoticeMessage +
         kInstanceCount * (sizeof kOpenedMessage + sizeof kDeletedMessage +
                           sizeof kResetMessage + sizeof kDoneMessage));
static_assert(kTranscriptMax + kLineMax + 1 <= kTranscriptPartMax,
              "a transcript and the first wrong line after it are read");

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

// A line, quoted so that no byte of it can act on a terminal or break an
// output format: printable ASCII stays, with quote and backslash escaped as
// in a C string (a Windows path reads as C:\\Temp), and every other byte
// becomes \xNN; "..." after it where it is only the start of the line.
std::string quoted_line(std::string_view text, bool more) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
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
  return more ? quoted + "..." : quoted;
}

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

// Where the line at `at` does not fit: only the end of the text, at `size`,
// may cut a line, and only where it could still become `start`. Otherwise
// the reading is `wrong` there; `end` is where it stops.
void stop_at(const Line &line, std::string_view start, std::size_t at,
             std::size_t size, bool &wrong, std::size_t &end) {
  wrong = line.whole ||
          !(starts_with(start, line.text) || starts_with(line.text, start));
  end = wrong ? at : size;
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

// "Quorv<n> " at the start of `line`: the instance n, 0 to 15, written as
// the programs write it; -1 where the line does not start so.
int instance_of(std::string_view line, std::size_t &after) {
  const std::size_t at = std::strlen(kServiceName);
  const std::size_t space = line.find(' ', at);
  if (!starts_with(line, kServiceName) || space == std::string_view::npos) {
    return -1;
  }
  const std::string_view digits = line.substr(at, space - at);
  if (digits.empty() || digits.size() > 2 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos ||
      (digits.size() == 2 && digits[0] == '0')) {
    return -1;
  }
  int instance = 0;
  for (const char digit : digits) {
    instance = instance * 10 + (digit - '0');
  }
  after = space + 1;
  return instance < kInstanceCount ? instance : -1;
}

bool printable_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// "Quorv<n> WORD SAID" as txrestore writes it, for an instance that has no
// line yet.
bool read_restore_line(std::string_view line, RestoreReading &reading) {
  std::size_t after = 0;
  const int instance = instance_of(line, after);
  if (instance < 0 || line.size() >= kRestoreLineMax ||
      !printable_ascii(line) ||
      reading.states[static_cast<std::size_t>(instance)] != kNotInBackup) {
    return false;
  }
  line.remove_prefix(after);
  for (int state = 0; state < kRestoreStateCount; ++state) {
    // Under --check, what a run would write; a run's words are the same
    // in every line, and so are a check's.
    const bool would = state == kRestoreDone && reading.checking;
    std::string_view word = would ? kRestoreWouldWord : kRestoreWords[state];
    if (state == kRestoreDone && !reading.checking &&
        starts_with(line, kRestoreWouldWord) &&
        std::find(reading.states.begin(), reading.states.end(), kRestoreDone) ==
            reading.states.end()) {
      reading.checking = true;
      word = kRestoreWouldWord;
    }
    if (starts_with(line, word) && line.size() > word.size() + 1 &&
        line[word.size()] == ' ') {
      const auto i = static_cast<std::size_t>(instance);
      reading.states[i] = state;
      reading.said[i] = line.substr(word.size() + 1);
      reading.last = instance;
      return true;
    }
  }
  return false;
}

// The "txrestore: " lines of a refusal, from `at`: at most
// kTranscriptPartMax bytes of them, the last perhaps without its line
// break, up to the first line that is not one.
void read_refusal(std::string_view text, std::size_t at,
                  RestoreReading &reading) {
  const std::string_view prefix = kRestorePrefix;
  const std::size_t start = at;
  while (at < text.size()) {
    const Line line = line_at(text, at);
    if (!starts_with(line.text, prefix)) {
      break;
    }
    if (line.next - start > kTranscriptPartMax ||
        line.text.find('\0') != std::string_view::npos) {
      reading.wrong = true;
      break;
    }
    reading.refusal += (reading.refusal.empty() ? "" : "; ") +
                       std::string(line.text.substr(prefix.size()));
    at = line.next;
  }
  reading.complete = !reading.refusal.empty();
  reading.end = at;
}

// "NAME.cmd: TEXT", without its line break: a script's line, as a command
// script writes %~nx0 (a file name, in any case) before what it says.
bool is_script_line(std::string_view line) {
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  constexpr std::string_view kExtension = ".cmd";
  const std::size_t colon = line.find(": ");
  if (line.size() > kScriptLineMax || colon == std::string_view::npos ||
      colon <= kExtension.size() || colon + 2 == line.size() ||
      line.find('\0') != std::string_view::npos ||
      line.substr(0, colon).find_first_of(":\\/") != std::string_view::npos) {
    return false;
  }
  for (std::size_t i = 0; i < kExtension.size(); ++i) {
    const char c = line[colon - kExtension.size() + i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) !=
        kExtension[i]) {
      return false;
    }
  }
  return true;
}

void add_script_line(ScriptLines &lines, std::string_view line, bool before) {
  if (line.back() == '\r') {
    line.remove_suffix(1);
  }
  const std::string text(line);
  lines.texts = before ? text + (lines.texts.empty() ? "" : "; ") + lines.texts
                       : lines.texts + (lines.texts.empty() ? "" : "; ") + text;
  ++lines.count;
}

}  // namespace

ScriptLines script_lines_from(std::string_view text, std::size_t at,
                              std::size_t most) {
  ScriptLines lines{at, at, 0, ""};
  while (lines.count < most && lines.end < text.size()) {
    const Line line = line_at(text, lines.end);
    if (!line.whole || !is_script_line(line.text)) {
      break;
    }
    add_script_line(lines, line.text, false);
    lines.end = line.next;
  }
  return lines;
}

ScriptLines script_lines_ending(std::string_view text, std::size_t from,
                                std::size_t most) {
  ScriptLines lines{text.size(), text.size(), 0, ""};
  while (lines.count < most && lines.start > from) {
    // The line that ends at lines.start, its line break there or not.
    std::size_t end = lines.start;
    if (text[end - 1] == '\n') {
      --end;
    }
    const std::size_t newline =
        end == from ? std::string_view::npos : text.rfind('\n', end - 1);
    const std::size_t start =
        newline == std::string_view::npos || newline < from ? from
                                                            : newline + 1;
    const std::string_view raw = text.substr(start, end - start);
    if (raw.empty() || !is_script_line(raw)) {
      break;
    }
    add_script_line(lines, raw, true);
    lines.start = start;
  }
  return lines;
}

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
      stop_at(line, start, at, text.size(), reading.wrong, reading.end);
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

RestoreReading read_restore(std::string_view text, std::size_t at) {
  RestoreReading reading;
  reading.states.fill(kNotInBackup);
  if (starts_with(text.substr(at), kRestorePrefix)) {
    read_refusal(text, at, reading);
    return reading;
  }
  std::array<int, kRestoreStateCount> counts{};
  for (; at < text.size(); ++reading.lines) {
    const Line line = line_at(text, at);
    std::string start;  // how the line must start, where it is cut
    bool fits = false;
    if (reading.lines < 0) {
      start = line_of(kRestoreTitle);
      fits = line.whole && line.text == start;
      if (!line.whole && starts_with(kRestorePrefix, line.text)) {
        start = kRestorePrefix;  // a refusal's line, cut
      }
    } else if (line.whole && read_restore_line(line.text, reading)) {
      fits = true;
      ++counts[static_cast<std::size_t>(
          reading.states[static_cast<std::size_t>(reading.last)])];
    } else {
      // Under --check where nothing would be written, only the summary
      // tells: its first word is either.
      const auto summary_with = [&](const char *first) {
        char said[128];
        std::snprintf(said, sizeof said, kRestoreSummaryFormat, reading.lines,
                      counts[0], first, counts[1], kRestoreWords[1], counts[2],
                      kRestoreWords[2], counts[3], kRestoreWords[3], counts[4],
                      kRestoreWords[4]);
        return std::string(line_of(said));
      };
      const std::string summary =
          summary_with(reading.checking ? kRestoreWouldWord : kRestoreWords[0]);
      const std::string would_summary = summary_with(kRestoreWouldWord);
      start = summary;
      if (counts[0] == 0 && line.text == would_summary) {
        reading.checking = true;
        start = line.text;
      }
      if (line.text == start) {  // the last line may lack its line break
        reading.complete = true;
        reading.end = line.next;
        return reading;
      }
      if (starts_with(line.text, kServiceName) ||
          starts_with(kServiceName, line.text)) {
        start = line.text.substr(0, std::strlen(kServiceName));
      }
    }
    if (!fits) {
      stop_at(line, start, at, text.size(), reading.wrong, reading.end);
      return reading;
    }
    at = line.next;
  }
  reading.end = at;
  return reading;
}

std::string wrong_line(std::string_view text, std::size_t at) {
  const std::size_t start = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;
  const std::string_view before = text.substr(0, start);
  const std::string number =
      std::to_string(std::count(before.begin(), before.end(), '\n') + 1);
  std::string_view line = line_at(text, start).text;
  if (start == 0 && starts_with(line, kUtf8Bom)) {
    line.remove_prefix(kUtf8Bom.size());
  }
  const bool longer = line.size() > kLineMax;
  line = line.substr(0, kLineMax);
  if (line.find('\0') != std::string_view::npos) {
    return "contains NUL bytes at line " + number;
  }
  return "line " + number + ": unexpected " + quoted_line(line, longer);
}

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

bool starts_with(std::string_view whole, std::string_view prefix) {
  return whole.substr(0, prefix.size()) == prefix;
}
