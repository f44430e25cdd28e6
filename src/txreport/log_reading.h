// Reading one host's log: where a txreset transcript, a txcheck check and
// what txrestore wrote begin and end in it, and what each says, as far as
// it goes. Judging the host from that is transcript.cpp's.
#ifndef TXREPORT_LOG_READING_H
#define TXREPORT_LOG_READING_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "txreport/transcript.h"

// No line the programs write comes near this; only this much of a longer
// line is looked at. A line that cannot belong to a log is quoted whole up
// to this much, so that a script's line naming a program it cannot find
// keeps the program's path and name.
constexpr std::size_t kLineMax = 512;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

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
Reading read_records(std::string_view text, std::size_t at);

// What a check says, as far as it goes.
struct CheckReading {
  std::array<int, kInstanceCount> states{};       // a CheckState an instance
  std::array<std::string, kInstanceCount> found;  // what follows its word
  int lines = -1;  // instance lines; -1 while the first line is not whole
  bool complete = false;  // its summary read, and agreeing with its lines
  bool wrong = false;     // stopped at a line that cannot belong to a check
  std::size_t end = 0;    // where it stopped
};

// The check that starts at `at`.
CheckReading read_check(std::string_view text, std::size_t at);

// What txrestore wrote, as far as it goes: its output, or the lines of its
// refusal.
struct RestoreReading {
  // A RestoreState per instance, or kNotInBackup where it has no line.
  std::array<int, kInstanceCount> states{};
  std::array<std::string, kInstanceCount> said;  // what follows its word
  int last = -1;          // the instance of the last line read
  int lines = -1;         // instance lines; -1 while the first is not whole
  std::string refusal;    // its "txrestore: " lines, without that, by "; "
  bool checking = false;  // txrestore --check: "would-restore", not written
  bool complete = false;  // its summary, or its refusal, read
  bool wrong = false;     // stopped at a line that cannot belong there
  std::size_t end = 0;    // where it stopped
};
constexpr int kNotInBackup = -1;

// What txrestore wrote from `at` on.
RestoreReading read_restore(std::string_view text, std::size_t at);

// The lines a Group Policy script writes into a log, "NAME.cmd: TEXT",
// one after another: where they start and end, and their texts, in the
// order of the log, joined by "; ".
struct ScriptLines {
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t count = 0;
  std::string texts;
};

// At most `most` whole lines of a script's from `at` on.
ScriptLines script_lines_from(std::string_view text, std::size_t at,
                              std::size_t most);

// At most `most` lines of a script's that end `text` (the last perhaps
// without its line break), none of them before `from`.
ScriptLines script_lines_ending(std::string_view text, std::size_t from,
                                std::size_t most);

// The problem with the line that holds byte `at`: the first line that
// cannot belong to a log, quoted up to kLineMax bytes.
std::string wrong_line(std::string_view text, std::size_t at);

// UTF-16 starts with its byte order mark or, for text that is mostly ASCII,
// has every other byte NUL.
bool looks_like_utf16(std::string_view text);

bool starts_with(std::string_view whole, std::string_view prefix);

#endif
