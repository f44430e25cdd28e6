// The Windows entry: arguments arrive as UTF-16 through wmain (-municode)
// and go on as UTF-8.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "txreport/txreport.h"
#include "txreport/wide_text.h"

// The C runtime expands wildcards in arguments (txreport logs\*.log), as
// other console tools do.
extern "C" {
int _dowildcard = -1;
}

int wmain(int argc, wchar_t **argv) {
  // The report is the same bytes as on any other platform, lines ending in
  // LF: the console, jq and spreadsheet programs all read them, and a
  // report saved on one system compares equal to one made on another.
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(utf8_text(argv[i]));
  }
  return txreport(args);
}
