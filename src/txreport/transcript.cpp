#include "txreport/transcript.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "texts/registry.h"
#include "txreport/log_reading.h"
#include "txreport/outcomes.h"

namespace {

constexpr char kCutNote[] = " (killed, or still running?)";

// How to keep a transcript by hand: txreset writes only to standard error,
// which cmd saves as it was written, and PowerShell's 2> as UTF-16.
constexpr char kByHand[] = "txreset.exe 2> HOST.log";

void add_problem(HostReport &report, const std::string &text) {
  report.problem += (report.problem.empty() ? "" : "; ") + text;
}

// A transcript's verdict, where no check comes after it.
HostReport judge_transcript(const std::string &host, const Reading &reading,
                            ExpectMask expect) {
  HostReport report{host, HostStatus::kOk, reading.outcomes, "", "", {}};
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
                       ExpectMask expect, const Reading *reset,
                       const char *what = "check") {
  HostReport report{host, HostStatus::kOk, {}, "", "", {}};
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
    add_problem(report,
                std::string(reset == nullptr ? what : "check after txreset") +
                    (check.lines < 0    ? " ends inside its first line"
                     : check.lines == 0 ? " ends before instance 0"
                                        : " ends after instance " +
                                              std::to_string(check.lines - 1)) +
                    kCutNote);
    if (report.status == HostStatus::kOk) {
      report.status = HostStatus::kIncomplete;
    }
  }
  return report;
}

// What txrestore wrote, and the check after it, where there is one, which
// judges the instances as a check alone does. A refused backup, or an
// instance not restored, fails the host; so does an instance restored (or
// unchanged) that the check after does not find as txrestore left it.
HostReport judge_restore(const std::string &host, const RestoreReading &restore,
                         const CheckReading *after, ExpectMask expect) {
  HostReport report =
      after == nullptr
          ? HostReport{host, HostStatus::kOk, {}, "", "", {}}
          : judge_check(host, *after, expect, nullptr, "check after txrestore");
  std::string failures;
  const auto fail = [&failures](const std::string &text) {
    failures += (failures.empty() ? "" : "; ") + text;
  };
  if (!restore.refusal.empty()) {
    fail("restore refused: " + restore.refusal);
  }
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    const auto i = static_cast<std::size_t>(instance);
    const int state = restore.states[i];
    if (state == kNotInBackup || (state == kRestoreDone && restore.checking)) {
      continue;  // under --check, nothing was written
    }
    std::string said = kRestoreWords[state];
    said += " ";
    said += restore.said[i];
    std::string problem = "instance " + std::to_string(instance);
    if (state != kRestoreDone && state != kRestoreUnchanged) {
      problem += " not restored: ";
      problem += said;
      fail(problem);
    } else if (after != nullptr && instance < after->lines) {
      // A value as txrestore left it, in the words txcheck finds it in,
      // perhaps followed by why the key does not open with full access.
      const std::string &found = after->found[i];
      if (found != restore.said[i] &&
          !starts_with(found, restore.said[i] + "; ")) {
        problem += ": txrestore ";
        problem += said;
        problem += ", the check after finds ";
        problem += kCheckWords[after->states[i]];
        problem += ": ";
        problem += found;
        fail(problem);
      }
    }
  }
  std::string cut;
  if (!restore.complete) {
    cut = restore.lines < 0 ? "restore ends inside its first line"
          : restore.last < 0
              ? "restore ends after its first line"
              : "restore ends after instance " + std::to_string(restore.last);
  } else if (after == nullptr) {
    cut = "no check after txrestore";
  }
  if (!cut.empty()) {
    add_problem(report, cut + kCutNote);
    if (report.status == HostStatus::kOk) {
      report.status = HostStatus::kIncomplete;
    }
  }
  if (!failures.empty()) {
    report.problem =
        failures + (report.problem.empty() ? "" : "; ") + report.problem;
    report.status = HostStatus::kFailed;
  }
  return report;
}

// The programs' output from `at` on: what txrestore wrote and a check, or a
// transcript, or a check, a transcript and a check, or their starts.
HostReport read_output(const std::string &host, std::string_view text,
                       std::size_t at, ExpectMask expect) {
  const std::string_view check_start = "txcheck";
  const std::string_view restore_start = "txrestore";
  const bool check_first =
      starts_with(text.substr(at), check_start) ||
      (at < text.size() && starts_with(check_start, text.substr(at)));
  if (!check_first && at < text.size() &&
      (starts_with(text.substr(at), restore_start) ||
       starts_with(restore_start, text.substr(at)))) {
    const RestoreReading restore = read_restore(text, at);
    if (restore.wrong) {
      return unreadable_host(host, wrong_line(text, restore.end));
    }
    if (!restore.complete || restore.end == text.size()) {
      return judge_restore(host, restore, nullptr, expect);
    }
    const CheckReading after = read_check(text, restore.end);
    if (after.wrong || after.end < text.size()) {
      return unreadable_host(host, wrong_line(text, after.end));
    }
    return judge_restore(host, restore, &after, expect);
  }
  if (!check_first) {
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
    case HostStatus::kStale:
      return "stale";
    case HostStatus::kMissing:
      return "missing";
    case HostStatus::kUnreadable:
      break;
  }
  return "unreadable";
}

HostReport read_transcript(const std::string &host, const std::string &start,
                           ExpectMask expect) {
  const std::string_view text = start;
  if (text.empty()) {
    return unreadable_host(
        host, std::string("empty file: txreset writes to standard error; keep "
                          "its transcript with ") +
                  kByHand + " (2>&1 for a combined log)");
  }
  if (looks_like_utf16(text.substr(0, std::min(text.find('\n'), kLineMax)))) {
    return unreadable_host(
        host, std::string("UTF-16 text (PowerShell's 2> writes it): for a "
                          "readable log run cmd /c \"") +
                  kByHand + "\"");
  }
  std::size_t at = 0;
  if (starts_with(text, kUtf8Bom)) {
    at = kUtf8Bom.size();
  } else if (starts_with(kUtf8Bom, text)) {
    at = text.size();  // cut inside the byte order mark
  }
  // The script's lines last say what it could not do: the host failed,
  // and no program was cut short, since the script went on. Those before
  // the programs' output say what the run did otherwise.
  const ScriptLines last = script_lines_ending(text, at, kScriptLinesMax);
  const ScriptLines first = script_lines_from(text.substr(0, last.start), at,
                                              kScriptLinesMax - last.count);
  HostReport report =
      first.end == last.start && last.count > 0
          ? HostReport{host, HostStatus::kFailed, {}, "", "", {}}
          : read_output(host, text.substr(0, last.start), first.end, expect);
  if (last.count > 0 && report.status != HostStatus::kUnreadable) {
    report.status = HostStatus::kFailed;
    for (std::size_t cut = report.problem.find(kCutNote);
         cut != std::string::npos; cut = report.problem.find(kCutNote)) {
      report.problem.erase(cut, std::strlen(kCutNote));
    }
  }
  std::string lines = first.texts;
  lines += (lines.empty() || last.texts.empty() ? "" : "; ") + last.texts;
  if (!lines.empty()) {
    report.problem =
        lines + (report.problem.empty() ? "" : "; ") + report.problem;
  }
  return report;
}

HostReport unreadable_host(const std::string &host,
                           const std::string &problem) {
  return {host, HostStatus::kUnreadable, {}, problem, "", {}};
}

std::string_view host_name(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? file_name
                                                   : file_name.substr(0, dot);
}
