// The command line: txreport [--format table|csv|jsonl|html] [--expect LIST]
// [--hosts FILE] [--since TIME] [--] PATH..., or txreport --help (or /?), or
// txreport --version.
#ifndef TXREPORT_OPTIONS_H
#define TXREPORT_OPTIONS_H

#include <cstddef>
#include <string>
#include <vector>

#include "txreport/report.h"
#include "txreport/transcript.h"

struct Options {
  ReportFormat format = ReportFormat::kTable;
  ExpectMask expect = 0;
  bool help = false;
  bool version = false;
  std::string hosts_file;  // --hosts: "" when not given
  bool since_given = false;
  long long since = 0;  // --since, in seconds since 1970-01-01T00:00:00Z
  std::vector<std::string> paths;
};

// A hosts file: one name a line (or in double quotes, as dsquery -o rdn
// writes it), blank lines and # comments, LF or CR LF, ASCII or UTF-8 with
// or without a byte order mark. At most this many
// lines, each at most so many bytes; so at most kHostsFileMax bytes.
constexpr std::size_t kHostLineMax = 255;
constexpr std::size_t kHostLinesMax = 262144;
constexpr std::size_t kHostsFileMax = 3 + kHostLinesMax * (kHostLineMax + 2);

// The names in a hosts file's `bytes`, in order, each once as fold_case
// tells them. False with "line N: what is wrong" in `error` when a line is
// too long or not a printable name.
bool read_host_list(const std::string &bytes, std::vector<std::string> &names,
                    std::string &error);

// A host name as Windows compares computer names: ASCII letters folded to
// lower case, other bytes as they are.
std::string fold_case(std::string name);

// YYYY-MM-DDTHH:MM:SSZ, or YYYY-MM-DD for its midnight, as seconds since
// 1970-01-01T00:00:00Z. False for anything else.
bool parse_utc_time(const std::string &text, long long &seconds);

// Seconds since 1970-01-01T00:00:00Z as YYYY-MM-DDTHH:MM:SSZ.
std::string utc_time_text(long long seconds);

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
