// The command line: txreport [--format table|csv|jsonl|html] [--expect LIST]
// [--] PATH..., or txreport --help (or /?), or txreport --version.
#ifndef TXREPORT_OPTIONS_H
#define TXREPORT_OPTIONS_H

#include <string>
#include <vector>

#include "txreport/report.h"
#include "txreport/transcript.h"

struct Options {
  ReportFormat format = ReportFormat::kTable;
  ExpectMask expect = 0;
  bool help = false;
  bool version = false;
  std::vector<std::string> paths;
};

// Reads the arguments after the program name, options and paths in any
// order until "--". On a usage error gives false with a one-line message,
// safe for a terminal, in `error`.
bool parse_options(const std::vector<std::string> &args, Options &options,
                   std::string &error);

// What --help prints.
std::string usage_text();

// What --version prints.
std::string version_text();

#endif
