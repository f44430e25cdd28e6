// Each instance outcome said once: its word, its letter in a host's map,
// its colours on the html page and its line in --help, for every format.
#ifndef TXREPORT_OUTCOMES_H
#define TXREPORT_OUTCOMES_H

#include <string>
#include <string_view>

#include "texts/check.h"
#include "txreport/transcript.h"

struct OutcomeFacts {
  InstanceOutcome outcome;
  int check_state;  // the txcheck state (a CheckState) it is, or kNoCheck
  const char *word;
  char letter;
  const char *background;  // its cell on the html page
  const char *colour;
  const char *help;  // its line in --help; "\n" goes on a line below
};
constexpr int kNoCheck = -1;

// In the order that --help and the page's legend give them: what txreset
// tells, then what txcheck finds. A check state's word is txcheck's own.
inline constexpr OutcomeFacts kOutcomeFacts[] = {
    {InstanceOutcome::kReset, kNoCheck, "reset", 'R', "#1a9641", "#fff",
     "value deleted and written again"},
    {InstanceOutcome::kWritten, kNoCheck, "written", 'W', "#a6d96a", "#000",
     "value was absent and is now written"},
    {InstanceOutcome::kNotOpened, kNoCheck, "not-opened", '.', "#e0e0e0",
     "#333", "no key, or no full access to it"},
    {InstanceOutcome::kLost, kNoCheck, "lost", 'L', "#b2182b", "#fff",
     "value deleted, then the write failed: set it again"},
    {InstanceOutcome::kWriteFailed, kNoCheck, "write-failed", 'F', "#f46d43",
     "#000", "key opened, value not written"},
    {InstanceOutcome::kUnknown, kNoCheck, "unknown", '?', "#fee08b", "#000",
     "the log ends before this instance"},
    {InstanceOutcome::kFoundOk, kCheckOk, kCheckWords[kCheckOk], 'o', "#1a9641",
     "#fff", "the value is REG_DWORD 0"},
    {InstanceOutcome::kFoundAbsent, kCheckAbsent, kCheckWords[kCheckAbsent],
     '-', "#e0e0e0", "#333", "no key: the instance is not installed"},
    {InstanceOutcome::kFoundNeedsReset, kCheckNeedsReset,
     kCheckWords[kCheckNeedsReset], 'N', "#abd9e9", "#000",
     "txreset can set it"},
    {InstanceOutcome::kFoundBlocked, kCheckBlocked, kCheckWords[kCheckBlocked],
     'B', "#d7191c", "#fff",
     "it needs a reset, but the key does not open with\nfull access"},
    {InstanceOutcome::kFoundUnreadable, kCheckUnreadable,
     kCheckWords[kCheckUnreadable], 'U', "#878787", "#fff",
     "the key or the value cannot be read"},
};

// The row of an outcome.
constexpr const OutcomeFacts &facts_of(InstanceOutcome outcome) {
  for (const OutcomeFacts &facts : kOutcomeFacts) {
    if (facts.outcome == outcome) {
      return facts;
    }
  }
  return kOutcomeFacts[0];  // every outcome has a row: see below
}

// The outcome that stands for what a check found, by its CheckState.
constexpr InstanceOutcome found_outcome(int check_state) {
  for (const OutcomeFacts &facts : kOutcomeFacts) {
    if (facts.check_state == check_state) {
      return facts.outcome;
    }
  }
  return InstanceOutcome::kUnknown;
}

// Every outcome has one row, and every check state an outcome whose word
// is its own.
constexpr bool each_said_once() {
  for (const OutcomeFacts &facts : kOutcomeFacts) {
    if (&facts_of(facts.outcome) != &facts) {
      return false;
    }
  }
  for (int state = 0; state < kCheckStateCount; ++state) {
    if (std::string_view(facts_of(found_outcome(state)).word) !=
        kCheckWords[state]) {
      return false;
    }
  }
  return sizeof kOutcomeFacts / sizeof kOutcomeFacts[0] ==
         static_cast<std::size_t>(InstanceOutcome::kFoundUnreadable) + 1;
}
static_assert(each_said_once(),
              "an outcome or a check state is not in the table once");

// An outcome's word, and its letter: one column of a host's map.
constexpr const char *outcome_word(InstanceOutcome outcome) {
  return facts_of(outcome).word;
}
constexpr char outcome_letter(InstanceOutcome outcome) {
  return facts_of(outcome).letter;
}

// The --help lines of the outcomes that txreset tells (`checked` false) or
// that txcheck finds (true).
std::string outcome_help(bool checked);

#endif
