// What the program is expected to write, spelled out here rather than taken
// from the program, so that a changed text fails the tests.
#ifndef TXRESET_TESTS_EXPECTED_OUTPUT_H
#define TXRESET_TESTS_EXPECTED_OUTPUT_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tx_version.h"

// What one reset_instance call writes, the 1 or 0 it gives back, and the
// word that txreport gives that instance when it reads the transcript.
struct Outcome {
  std::string stages;
  int result = 0;
  std::string word;
};

inline const Outcome kOpenFails{"Program Fails!\n", 0, "not-opened"};
inline const Outcome kResetAfterDelete{
    "Open Key sucessfully!\n\nDelete Key now.\n\n"
    "Reset the correct Key value.\n\n",
    1, "reset"};
inline const Outcome kResetNoValue{
    "Open Key sucessfully!\n\nReset the correct Key value.\n\n", 1, "written"};
inline const Outcome kWriteFailsAfterDelete{
    "Open Key sucessfully!\n\nDelete Key now.\n\nProgram Fails!\n", 0, "lost"};
inline const Outcome kWriteFailsNoValue{
    "Open Key sucessfully!\n\nProgram Fails!\n", 0, "write-failed"};

inline const std::string kBanner =
    "Tarnel Utility Program       version " TX_VERSION
    "(R)\n"
    "Copyright (C) Tarnel. All rights reserved.\n\n";

// The whole output of a run in which the instances in `outcomes` end as
// given and every other one finds no key.
inline std::string sweep_transcript(const std::map<int, Outcome> &outcomes) {
  std::string text = kBanner;
  for (int instance = 0; instance < 16; ++instance) {
    const auto found = outcomes.find(instance);
    const Outcome &outcome =
        found == outcomes.end() ? kOpenFails : found->second;
    text += outcome.stages;
    text += outcome.result != 0 ? "The change is done!\n\n"
                                : "Check the registry please!\n\n";
  }
  return text;
}

// What txcheck writes, and the exit status it gives, when it finds each
// instance in `found` as given there ("needs-reset REG_DWORD 7") and every
// other one without a key.
inline std::string check_transcript(const std::map<int, std::string> &found) {
  std::string text = "txcheck version " TX_VERSION "\n";
  std::map<std::string, int> counts;
  for (int instance = 0; instance < 16; ++instance) {
    const auto line = found.find(instance);
    const std::string said =
        line == found.end() ? "absent no key" : line->second;
    ++counts[said.substr(0, said.find(' '))];
    text += "Quorv" + std::to_string(instance) + " " + said + "\n";
  }
  text += "16 instances:";
  for (const char *word :
       {"ok", "absent", "needs-reset", "blocked", "unreadable"}) {
    text += std::string(word == std::string("ok") ? " " : ", ") +
            std::to_string(counts[word]) + " " + word;
  }
  return text + "\n";
}

// What txrestore writes when it ends each instance in `lines` as given
// there ("restored REG_DWORD 7"), in that order, as the backup has them.
inline std::string restore_output(
    const std::vector<std::pair<int, std::string>> &lines,
    bool checking = false) {
  std::string text = "txrestore version " TX_VERSION "\n";
  std::map<std::string, int> counts;
  for (const auto &[instance, said] : lines) {
    ++counts[said.substr(0, said.find(' '))];
    text += "Quorv" + std::to_string(instance) + " " + said + "\n";
  }
  text += std::to_string(lines.size()) + " instances:";
  for (const char *word :
       {"restored", "unchanged", "absent", "blocked", "failed"}) {
    const bool first = word == std::string("restored");
    const std::string shown = first && checking ? "would-restore" : word;
    text += std::string(first ? " " : ", ") + std::to_string(counts[shown]) +
            " " + shown;
  }
  return text + "\n";
}

inline int check_status(const std::map<int, std::string> &found) {
  for (const auto &[instance, said] : found) {
    if (said.rfind("ok ", 0) != 0 && said.rfind("absent ", 0) != 0) {
      return 1;
    }
  }
  return 0;
}

// What txcheck tells of a key that denies it: the system's text and the code.
// Under Wine the text is Wine's own; natively the stand-in gives Windows'.
#ifdef _WIN32
inline const std::string kAccessDeniedText = "Access denied. (error 5)";
#else
inline const std::string kAccessDeniedText = "Access is denied. (error 5)";
#endif

#endif
