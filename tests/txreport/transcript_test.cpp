// Transcripts as bytes in, verdicts out: one table, read whole, from the
// start the reader takes of a file, and from a file.
#include "txreport/transcript.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "expected_output.h"
#include "txreport/files.h"
#include "txreport/report.h"

namespace {

struct TranscriptCase {
  std::string name;
  std::string bytes;
  ExpectMask expect;
  HostStatus status;
  std::string map;
  std::string problem;
};

void PrintTo(const TranscriptCase &c, std::ostream *out) { *out << c.name; }

std::string crlf(const std::string &text) {
  std::string converted;
  for (const char c : text) {
    converted += c == '\n' ? "\r\n" : std::string(1, c);
  }
  return converted;
}

std::string utf16(const std::string &text, bool little_endian) {
  std::string converted;
  for (const char c : text) {
    converted += little_endian ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return converted;
}

// The banner and the first `records` records of sweep_transcript(outcomes).
std::string first_records(const std::map<int, Outcome> &outcomes, int records) {
  std::string text = kBanner;
  for (int instance = 0; instance < records; ++instance) {
    const auto found = outcomes.find(instance);
    const Outcome &outcome =
        found == outcomes.end() ? kOpenFails : found->second;
    text += outcome.stages + (outcome.result != 0
                                  ? "The change is done!\n\n"
                                  : "Check the registry please!\n\n");
  }
  return text;
}

const std::map<int, Outcome> kEveryKind{{1, kResetAfterDelete},
                                        {3, kResetNoValue},
                                        {4, kWriteFailsNoValue},
                                        {6, kWriteFailsAfterDelete}};
const std::map<int, Outcome> kGood{{1, kResetAfterDelete}, {3, kResetNoValue}};
const std::string kNoKeys = sweep_transcript({});
const std::string kCut = " (killed, or still running?)";
const std::string kUtf16Problem =
    "UTF-16 text (PowerShell's 2> writes it): for a readable log run cmd /c "
    "\"txreset.exe 2> HOST.log\"";
const std::string kUnknownMap(16, '?');

// What txcheck says before and after txreset leaves kGood.
const std::map<int, std::string> kNeeds{{1, "needs-reset REG_DWORD 7"},
                                        {3, "needs-reset missing"}};
const std::map<int, std::string> kFixed{{1, "ok REG_DWORD 0"},
                                        {3, "ok REG_DWORD 0"}};

// What txrestore says as it puts kNeeds back, in the backup's order.
const std::vector<std::pair<int, std::string>> kRestored{
    {3, "restored missing"}, {1, "restored REG_DWORD 7"}};

// A line of the startup script, with a path to the script's folder as a
// domain's SYSVOL gives it.
std::string script_line() {
  const std::string b = "\\";
  return "txreset-startup.cmd: " + b + b + "corp.example.com" + b + "SYSVOL" +
         b + "corp.example.com" + b + "Policies" + b +
         "{31B2F340-016D-11D2-945F-00C04FB984F9}" + b + "Machine" + b +
         "Scripts" + b + "Startup" + b + "x64" + b + "txcheck.exe is missing";
}

// Every instance ending as `outcome`.
std::map<int, Outcome> every_instance(const Outcome &outcome) {
  std::map<int, Outcome> outcomes;
  for (int instance = 0; instance < 16; ++instance) {
    outcomes[instance] = outcome;
  }
  return outcomes;
}

// A check whose every line is as long as txcheck's lines can be.
std::string longest_check() {
  std::map<int, std::string> found;
  for (int instance = 0; instance < 16; ++instance) {
    const std::string start =
        "Quorv" + std::to_string(instance) + " needs-reset REG_SZ \"\"";
    found[instance] =
        "needs-reset REG_SZ \"" + std::string(1023 - start.size(), 'x') + "\"";
  }
  return check_transcript(found);
}

const std::string kRefusal =
    "txrestore: C:\\logs\\backup\\web01.reg line 9: the key "
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Run is not one that txcheck --backup "
    "saves\n";

// What the Group Policy scripts write of their own.
const std::string kFallback =
    "txreset-startup.cmd: x64\\txcheck.exe is missing: running x86\\ under "
    "WOW64";
const std::string kNoBackup =
    "txreset-restore.cmd: there is no backup C:\\logs\\backup\\web01.reg: "
    "nothing to put back";
const std::string kMissing =
    "txreset-restore.cmd: C:\\gpo\\x86\\txrestore.exe is missing";

std::vector<TranscriptCase> transcript_cases() {
  const std::string good = sweep_transcript(kGood);
  const std::string restored = restore_output(kRestored);
  const std::string half = good.substr(0, good.size() / 2);
  return {
      {"NoKeys", kNoKeys, 0, HostStatus::kOk, "................", ""},
      {"ResetAndWritten", good, 0, HostStatus::kOk, ".R.W............", ""},
      {"Crlf", crlf(good), 0, HostStatus::kOk, ".R.W............", ""},
      {"MixedLineEnds", crlf(half) + good.substr(half.size()), 0,
       HostStatus::kOk, ".R.W............", ""},
      {"Utf8Bom", "\xEF\xBB\xBF" + crlf(good), 0, HostStatus::kOk,
       ".R.W............", ""},
      {"ExpectMet", good, 0b1010, HostStatus::kOk, ".R.W............", ""},
      {"EveryKind", sweep_transcript(kEveryKind), 0, HostStatus::kFailed,
       ".R.WF.L.........",
       "instance 4 write failed (value not written); instance 6 lost (value "
       "deleted, none written)"},
      {"ExpectNotOpened", good, 0b100010, HostStatus::kFailed,
       ".R.W............", "instance 5 expected, not-opened"},
      {"CutAtRecordBoundary", first_records(kGood, 7), 0,
       HostStatus::kIncomplete, ".R.W...?????????",
       "transcript ends after instance 6" + kCut},
      {"CutMidLine", first_records(kGood, 7) + "Open Key suc", 0,
       HostStatus::kIncomplete, ".R.W...?????????",
       "transcript ends after instance 6" + kCut},
      {"CutBetweenCrAndLf", crlf(first_records(kGood, 2)) + "Program Fails!\r",
       0, HostStatus::kIncomplete, ".R??????????????",
       "transcript ends after instance 1" + kCut},
      {"CutAfterDelete",
       first_records(kGood, 7) + "Open Key sucessfully!\n\nDelete Key now.\n",
       0, HostStatus::kIncomplete, ".R.W...?????????",
       "transcript ends after instance 6" + kCut +
           "; instance 7 stopped after deleting its value"},
      // Once the value is written, a cut record says so no more: in its
      // last blank line, or before its verdict.
      {"CutBeforeFinalBlankLine",
       first_records(kGood, 2) + "Open Key sucessfully!\n\nDelete Key now.\n\n"
                                 "Reset the correct Key value.\n\n"
                                 "The change is done!\n",
       0, HostStatus::kIncomplete, ".RR?????????????",
       "transcript ends after instance 2" + kCut},
      {"CutAfterWrite",
       first_records(kGood, 2) + "Open Key sucessfully!\n\nDelete Key now.\n\n"
                                 "Reset the correct Key value.\n\n",
       0, HostStatus::kIncomplete, ".R??????????????",
       "transcript ends after instance 1" + kCut},
      {"CutBeforeDeleteLineBreak",
       first_records(kGood, 2) + "Open Key sucessfully!\r\n\r\nDelete Key now.",
       0, HostStatus::kIncomplete, ".R??????????????",
       "transcript ends after instance 1" + kCut +
           "; instance 2 stopped after deleting its value"},
      // Saved by a tool that trims trailing line breaks.
      {"NoFinalLineBreak", good.substr(0, good.size() - 1), 0, HostStatus::kOk,
       ".R.W............", ""},
      {"NoFinalLineBreaks", good.substr(0, good.size() - 2), 0, HostStatus::kOk,
       ".R.W............", ""},
      {"NoFinalCrlf", crlf(good).substr(0, crlf(good).size() - 2), 0,
       HostStatus::kOk, ".R.W............", ""},
      {"CutBeforeFirstRecord", kBanner, 0, HostStatus::kIncomplete, kUnknownMap,
       "transcript ends before instance 0" + kCut},
      {"CutInBanner", "Tarnel Utility Program    ", 0, HostStatus::kIncomplete,
       kUnknownMap, "transcript ends inside the banner" + kCut},
      {"CutInBom", "\xEF\xBB", 0, HostStatus::kIncomplete, kUnknownMap,
       "transcript ends inside the banner" + kCut},
      {"CutAfterCrInLine", "Tarnel\r", 0, HostStatus::kIncomplete, kUnknownMap,
       "transcript ends inside the banner" + kCut},
      // A failure before the cut is a failure, whatever came after it.
      {"LostThenCut", first_records({{2, kWriteFailsAfterDelete}}, 5), 0,
       HostStatus::kFailed, "..L..???????????",
       "instance 2 lost (value deleted, none written); transcript ends after "
       "instance 4" +
           kCut},
      {"ExpectedButCutBefore", first_records({}, 3), 0b10000,
       HostStatus::kIncomplete, "...?????????????",
       "transcript ends after instance 2" + kCut},
      {"Empty", "", 0, HostStatus::kUnreadable, kUnknownMap,
       "empty file: txreset writes to standard error; keep its transcript "
       "with txreset.exe 2> HOST.log (2>&1 for a combined log)"},
      {"TrailingText", kNoKeys + "x", 0, HostStatus::kUnreadable, kUnknownMap,
       "line 52: unexpected \"x\""},
      {"TrailingLineBreak", kNoKeys + "\r\n", 0, HostStatus::kUnreadable,
       kUnknownMap, "line 52: unexpected \"\""},
      {"TrailingCr", kNoKeys + "\r", 0, HostStatus::kUnreadable, kUnknownMap,
       "line 52: unexpected \"\""},
      {"RunAppendedTwice", kNoKeys + kNoKeys, 0, HostStatus::kUnreadable,
       kUnknownMap,
       "line 52: unexpected \"Tarnel Utility Program       version " TX_VERSION
       "(R)\""},
      {"WrongLine", first_records({}, 1) + "Foo bar baz\n", 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 7: unexpected \"Foo bar baz\""},
      {"CorrectedSpelling", first_records({}, 3) + "Open Key successfully!\n\n",
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 13: unexpected \"Open Key successfully!\""},
      {"OutOfOrder",
       first_records({}, 1) +
           "Open Key sucessfully!\n\nReset the correct Key value.\n\n"
           "Check the registry please!\n\n",
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 11: unexpected \"Check the registry please!\""},
      {"CutInWrongLine", first_records({}, 3) + "Open Key X", 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 13: unexpected \"Open Key X\""},
      {"ControlBytesEscaped",
       first_records({}, 1) + "\x1B[2J\"q\\\tProgram Fails!\rx\xC3\xA9\n", 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 7: unexpected "
       "\"\\x1B[2J\\\"q\\\\\\x09Program Fails!\\x0Dx\\xC3\\xA9\""},
      // A line not understood is quoted whole up to 512 bytes, after the
      // longest log that could come before it.
      {"LongLine", kBanner + std::string(100000, 'A') + "\n", 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 4: unexpected \"" + std::string(512, 'A') + "\"..."},
      // A script's line alone: what the script could not do.
      {"ScriptLine", crlf(script_line() + "\n"), 0, HostStatus::kFailed,
       kUnknownMap, script_line()},
      {"LineAtTheLimitAfterBom", "\xEF\xBB\xBF" + std::string(512, 'B'), 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 1: unexpected \"" + std::string(512, 'B') + "\""},
      {"LineAtTheLimitAfterTheLongestLog",
       "\xEF\xBB\xBF" +
           crlf(longest_check() +
                sweep_transcript(every_instance(kResetAfterDelete)) +
                longest_check() + std::string(512, 'C') + "\n" +
                std::string(100000, 'D')),
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 168: unexpected \"" + std::string(512, 'C') + "\""},
      {"NulBytes", first_records({}, 1) + "Program" + '\0' + " Fails!\n", 0,
       HostStatus::kUnreadable, kUnknownMap, "contains NUL bytes at line 7"},
      {"ZeroFilled", std::string(5000, '\0'), 0, HostStatus::kUnreadable,
       kUnknownMap, "contains NUL bytes at line 1"},
      {"Utf16LeBom", "\xFF\xFE" + utf16(crlf(kNoKeys), true), 0,
       HostStatus::kUnreadable, kUnknownMap, kUtf16Problem},
      {"Utf16BeBom", "\xFE\xFF" + utf16(kNoKeys, false), 0,
       HostStatus::kUnreadable, kUnknownMap, kUtf16Problem},
      {"Utf16LeNoBom", utf16(crlf(kNoKeys), true), 0, HostStatus::kUnreadable,
       kUnknownMap, kUtf16Problem},
      // Checks: alone, or before and after a transcript, where the last
      // decides.
      {"CheckAloneOk", check_transcript(kFixed), 0, HostStatus::kOk,
       "-o-o------------", ""},
      {"CheckAloneNeedsReset", crlf(check_transcript(kNeeds)), 0,
       HostStatus::kNeedsReset, "-N-N------------",
       "instance 1 needs-reset: REG_DWORD 7; instance 3 needs-reset: missing"},
      {"CheckAloneBlockedAndExpected",
       check_transcript({{2, "blocked REG_SZ \"\\x1B\"; full access: x"}}),
       0b100000, HostStatus::kFailed, "--B-------------",
       "instance 2 blocked: REG_SZ \"\\x1B\"; full access: x; instance 5 "
       "expected, absent"},
      {"CheckResetCheck",
       crlf(check_transcript(kNeeds) + good + check_transcript(kFixed)), 0b1010,
       HostStatus::kOk, "-R-W------------", ""},
      {"ResetNotConfirmed",
       check_transcript(kNeeds) + good +
           check_transcript(
               {{1, "ok REG_DWORD 0"}, {3, "needs-reset REG_DWORD 1"}}),
       0, HostStatus::kFailed, "-R-W------------",
       "instance 3: txreset written, the check after finds needs-reset: "
       "REG_DWORD 1"},
      {"NoCheckAfterReset", check_transcript(kNeeds) + good, 0,
       HostStatus::kIncomplete, ".R.W............",
       "no check after txreset" + kCut},
      {"CheckCut",
       check_transcript(kNeeds).substr(
           0, check_transcript(kNeeds).find("Quorv3") + 8),
       0, HostStatus::kIncomplete, "-N-?????????????",
       "check ends after instance 2" + kCut},
      {"CheckAfterResetCut",
       check_transcript(kNeeds) + good +
           "txcheck version " TX_VERSION "\nQuorv0 ab",
       0, HostStatus::kIncomplete, ".R.W............",
       "check after txreset ends before instance 0" + kCut},
      {"CheckSummaryWrong",
       check_transcript(kFixed).substr(
           0, check_transcript(kFixed).find("16 instances")) +
           "16 instances: all fine\n",
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 18: unexpected \"16 instances: all fine\""},
      {"CheckThenSomethingElse", check_transcript(kNeeds) + "x.cmd:x\n", 0,
       HostStatus::kUnreadable, kUnknownMap, "line 19: unexpected \"x.cmd:x\""},
      {"TranscriptThenCheck", good + check_transcript(kFixed), 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 60: unexpected \"txcheck version " TX_VERSION "\""},
      // What txrestore wrote, then a check, which judges the instances as
      // a check alone does; but a backup refused or an instance not
      // restored fails the host.
      {"RestoreThenCheck", crlf(restored + check_transcript(kNeeds)), 0,
       HostStatus::kNeedsReset, "-N-N------------",
       "instance 1 needs-reset: REG_DWORD 7; instance 3 needs-reset: missing"},
      {"RestoreOfNone", restore_output({}) + check_transcript(kFixed), 0,
       HostStatus::kOk, "-o-o------------", ""},
      {"RestoreNotDone",
       restore_output(
           {{1, "unchanged REG_DWORD 7"},
            {4, "absent no key"},
            {6, "blocked REG_DWORD 0; backup: REG_DWORD 7; write access: x"},
            {8, "failed REG_DWORD 0; backup: REG_DWORD 7; write: y"}}) +
           check_transcript({{1, "needs-reset REG_DWORD 7"},
                             {6, "blocked REG_DWORD 0; full access: x"},
                             {8, "ok REG_DWORD 0"}}),
       0, HostStatus::kFailed, "-N----B-o-------",
       "instance 4 not restored: absent no key; instance 6 not restored: "
       "blocked REG_DWORD 0; backup: REG_DWORD 7; write access: x; instance 8 "
       "not restored: failed REG_DWORD 0; backup: REG_DWORD 7; write: y; "
       "instance 6 blocked: REG_DWORD 0; full access: x"},
      {"RestoreNotConfirmed",
       restore_output(
           {{1, "restored REG_DWORD 7"}, {7, "unchanged REG_SZ \"\""}}) +
           check_transcript({{1, "ok REG_DWORD 0"},
                             {7, "blocked REG_SZ \"\"; full access: x"}}),
       0, HostStatus::kFailed, "-o-----B--------",
       "instance 1: txrestore restored REG_DWORD 7, the check after finds ok: "
       "REG_DWORD 0; instance 7 blocked: REG_SZ \"\"; full access: x"},
      // Under --check nothing was written: what would be is no failure,
      // and the check after judges; with nothing to write, only the
      // summary tells a check's output from a run's.
      {"RestoreChecked",
       restore_output({{1, "would-restore REG_DWORD 0; backup: REG_DWORD 7"},
                       {3, "unchanged missing"}},
                      true) +
           check_transcript(
               {{1, "ok REG_DWORD 0"}, {3, "needs-reset missing"}}),
       0, HostStatus::kNeedsReset, "-o-N------------",
       "instance 3 needs-reset: missing"},
      {"RestoreCheckedNothingToWrite",
       restore_output({{3, "unchanged missing"}}, true) +
           check_transcript({{3, "needs-reset missing"}}),
       0, HostStatus::kNeedsReset, "---N------------",
       "instance 3 needs-reset: missing"},
      {"RestoreWordsMixed",
       restore_output({{1, "restored REG_DWORD 7"},
                       {3, "would-restore REG_DWORD 0; backup: missing"}}) +
           check_transcript(kFixed),
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 3: unexpected \"Quorv3 would-restore REG_DWORD 0; backup: "
       "missing\""},
      {"RestoreExpectedAbsent", restored + check_transcript(kNeeds), 0b100000,
       HostStatus::kFailed, "-N-N------------", "instance 5 expected, absent"},
      {"RestoreRefused", crlf(kRefusal + check_transcript(kFixed)), 0,
       HostStatus::kFailed, "-o-o------------",
       "restore refused: C:\\logs\\backup\\web01.reg line 9: the key "
       "HKEY_LOCAL_MACHINE\\SOFTWARE\\Run is not one that txcheck --backup "
       "saves"},
      {"RestoreUnreadable",
       "txrestore: cannot read b\xC3\xA9.reg: x\ntxrestore: y\n" +
           check_transcript(kFixed),
       0, HostStatus::kFailed, "-o-o------------",
       "restore refused: cannot read b\xC3\xA9.reg: x; y"},
      {"RestoreRefusedNoCheck", kRefusal.substr(0, kRefusal.size() - 1), 0,
       HostStatus::kFailed, kUnknownMap,
       "restore refused: C:\\logs\\backup\\web01.reg line 9: the key "
       "HKEY_LOCAL_MACHINE\\SOFTWARE\\Run is not one that txcheck --backup "
       "saves; no check after txrestore" +
           kCut},
      {"RestoreNoCheckAfter", restored, 0, HostStatus::kIncomplete, kUnknownMap,
       "no check after txrestore" + kCut},
      {"RestoreCut", restored.substr(0, restored.find("Quorv1") + 9), 0,
       HostStatus::kIncomplete, kUnknownMap,
       "restore ends after instance 3" + kCut},
      {"RestoreCutAfterItsTitle", "txrestore version " TX_VERSION "\r\n", 0,
       HostStatus::kIncomplete, kUnknownMap,
       "restore ends after its first line" + kCut},
      {"RestoreCutInItsTitle", "txres", 0, HostStatus::kIncomplete, kUnknownMap,
       "restore ends inside its first line" + kCut},
      {"RestoreCutInItsSummary",
       restore_output({{4, "absent no key"}}).substr(0, 45), 0,
       HostStatus::kFailed, kUnknownMap,
       "instance 4 not restored: absent no key; restore ends after instance 4" +
           kCut},
      {"CheckAfterRestoreCut",
       restored + "txcheck version " TX_VERSION "\nQuorv0 ab", 0,
       HostStatus::kIncomplete, kUnknownMap,
       "check after txrestore ends before instance 0" + kCut},
      {"RestoreSummaryWrong",
       restored.substr(0, restored.find("2 instances")) +
           "2 instances: 1 restored, 1 unchanged, 0 absent, 0 blocked, 0 "
           "failed\n" +
           check_transcript(kNeeds),
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 4: unexpected \"2 instances: 1 restored, 1 unchanged, 0 absent, 0 "
       "blocked, 0 failed\""},
      {"RestoreInstanceTwice",
       restore_output({{1, "restored REG_DWORD 7"}, {1, "restored missing"}}),
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 3: unexpected \"Quorv1 restored missing\""},
      {"RestoreWouldRestoreSummedAsRestored",
       restore_output({{1, "would-restore REG_DWORD 0; backup: REG_DWORD 7"}}),
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 3: unexpected \"1 instances: 0 restored, 0 unchanged, 0 absent, 0 "
       "blocked, 0 failed\""},
      {"RestoreThenTranscript", restored + good, 0, HostStatus::kUnreadable,
       kUnknownMap,
       "line 5: unexpected \"Tarnel Utility Program       version " TX_VERSION
       "(R)\""},
      {"RefusalThenRestore", kRefusal + restored, 0, HostStatus::kUnreadable,
       kUnknownMap, "line 2: unexpected \"txrestore version " TX_VERSION "\""},
      {"RefusalWithNul",
       std::string("txrestore: a") + '\0' + "b\n" + check_transcript(kFixed), 0,
       HostStatus::kUnreadable, kUnknownMap, "contains NUL bytes at line 1"},
      // The Group Policy scripts' lines: before the programs' output, what
      // the run did otherwise, which the output then judges; last, what
      // the script could not do, which fails the host.
      {"ScriptNoteThenLog",
       kFallback + "\r\n" +
           crlf(check_transcript(kNeeds) + good + check_transcript(kFixed)),
       0, HostStatus::kOk, "-R-W------------", kFallback},
      {"NoBackupThenCheck",
       kFallback + "\n" + kNoBackup + "\n" + check_transcript(kNeeds), 0,
       HostStatus::kNeedsReset, "-N-N------------",
       kFallback + "; " + kNoBackup +
           "; instance 1 needs-reset: REG_DWORD 7; instance 3 needs-reset: "
           "missing"},
      {"ScriptLinesAlone", kFallback + "\n" + kMissing, 0, HostStatus::kFailed,
       kUnknownMap, kFallback + "; " + kMissing},
      {"CheckThenScriptLine",
       check_transcript(kNeeds) + "x.CMD: cannot save the backup b.reg\n", 0,
       HostStatus::kFailed, "-N-N------------",
       "x.CMD: cannot save the backup b.reg; instance 1 needs-reset: "
       "REG_DWORD 7; instance 3 needs-reset: missing"},
      {"RestoreThenScriptLine", restored + kMissing + "\r\n", 0,
       HostStatus::kFailed, kUnknownMap,
       kMissing + "; no check after txrestore"},
      {"ScriptLineLongest",
       "a.cmd: " + std::string(505, 'x') + "\n" + check_transcript(kFixed), 0,
       HostStatus::kOk, "-o-o------------", "a.cmd: " + std::string(505, 'x')},
      {"ScriptLineTooLong",
       "a.cmd: " + std::string(506, 'x') + "\n" + check_transcript(kFixed), 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 1: unexpected \"a.cmd: " + std::string(505, 'x') + "\"..."},
      {"NotAScriptLine", "a.bat: x\n" + check_transcript(kFixed), 0,
       HostStatus::kUnreadable, kUnknownMap, "line 1: unexpected \"a.bat: x\""},
      {"ScriptPathNotName", "C:\\a.cmd: x\n" + check_transcript(kFixed), 0,
       HostStatus::kUnreadable, kUnknownMap,
       "line 1: unexpected \"C:\\\\a.cmd: x\""},
      {"ScriptLineAmidOutput",
       check_transcript(kNeeds) + "a.cmd: x\n" + good +
           check_transcript(kFixed),
       0, HostStatus::kUnreadable, kUnknownMap,
       "line 19: unexpected \"a.cmd: x\""},
      {"FiveScriptLines",
       "a.cmd: 1\na.cmd: 2\na.cmd: 3\na.cmd: 4\na.cmd: 5\n" +
           check_transcript(kFixed),
       0, HostStatus::kUnreadable, kUnknownMap,
       "a.cmd: 1; a.cmd: 2; a.cmd: 3; a.cmd: 4; line 5: unexpected \"a.cmd: "
       "5\""},
  };
}

class Transcripts : public testing::TestWithParam<TranscriptCase> {};

TEST_P(Transcripts, GiveTheirVerdictFromTheStartOfTheFile) {
  const TranscriptCase &c = GetParam();
  const std::string file =
      testing::TempDir() + "transcript-" + std::to_string(getpid()) + ".log";
  std::ofstream(file, std::ios::binary) << c.bytes;
  const FileStart start = read_file_start(file, kTranscriptReadMax);
  std::remove(file.c_str());
  EXPECT_EQ("", start.problem);

  for (const std::string &bytes : {c.bytes, start.bytes}) {
    const HostReport report = read_transcript("host", bytes, c.expect);
    EXPECT_EQ(status_word(c.status), std::string(status_word(report.status)))
        << bytes.size() << " bytes";
    EXPECT_EQ(c.map, instance_map(report)) << bytes.size() << " bytes";
    EXPECT_EQ(c.problem, report.problem) << bytes.size() << " bytes";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Transcripts, testing::ValuesIn(transcript_cases()),
    [](const testing::TestParamInfo<TranscriptCase> &param) {
      return param.param.name;
    });

TEST(HostName, IsTheFileNameWithoutItsLastExtension) {
  const std::vector<std::pair<std::string, std::string>> names{
      {"web01.log", "web01"}, {"a.b.log", "a.b"},   {"web01", "web01"},
      {".log", ".log"},       {"x.", "x"},          {"", ""},
      {"db.1.txt", "db.1"},   {".web.log", ".web"}, {"é.log", "é"}};
  for (const auto &[file, host] : names) {
    EXPECT_EQ(host, host_name(file)) << file;
  }
}

}  // namespace
