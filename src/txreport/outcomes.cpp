#include "txreport/outcomes.h"

std::string outcome_help(bool checked) {
  std::string help;
  for (const OutcomeFacts &facts : kOutcomeFacts) {
    if ((facts.check_state != kNoCheck) != checked) {
      continue;
    }
    std::string word = facts.word;
    word.resize(14, ' ');
    help += std::string("  ") + facts.letter + "  " + word;
    for (const char *c = facts.help; *c != '\0'; ++c) {
      help += *c == '\n' ? std::string("\n") + std::string(19, ' ')
                         : std::string(1, *c);
    }
    help += '\n';
  }
  return help;
}
