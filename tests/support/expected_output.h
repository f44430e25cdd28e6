// What the program is expected to write, spelled out here rather than taken
// from the program, so that a changed text fails the tests.
#ifndef TXRESET_TESTS_EXPECTED_OUTPUT_H
#define TXRESET_TESTS_EXPECTED_OUTPUT_H

#include <map>
#include <string>

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
    "Tarnel Utility Program       version 1.30(R)\n"
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

#endif
