// The report on standard output, a host at a time, in three formats. Every
// text is valid UTF-8 whatever bytes a host name holds.
#ifndef TXREPORT_REPORT_H
#define TXREPORT_REPORT_H

#include <array>
#include <cstddef>
#include <string>

#include "txreport/transcript.h"

// kHtml: the page of report_html.h, which the functions below leave out.
enum class ReportFormat { kTable, kCsv, kJsonl, kHtml };

// Hosts so far in each status, indexed by HostStatus.
using StatusCounts = std::array<int, kStatusCount>;

// The sixteen outcome letters of a host, instance 0 first.
std::string instance_map(const HostReport &report);

// `text` safe to show on a terminal: control characters, DEL, C1 controls,
// characters that reorder or hide text (is_hidden_format) and bytes that
// are not UTF-8 become \xNN, byte by byte.
std::string terminal_text(const std::string &text);

// A host name as the table and CSV show it: terminal_text, and the
// backslash of a \xNN already in the name as \x5C, so that two names never
// show alike.
std::string host_text(const std::string &host);

// Columns that terminal_text output takes, a code point each.
std::size_t display_width(const std::string &text);

// The host column's width for these hosts' names (header included), capped
// so that one long name does not push every row to the right.
std::size_t host_column_width(std::size_t widest_name);

// Each function gives whole lines, each ending in "\n"; "" when the format
// has nothing there.
std::string report_header(ReportFormat format, std::size_t host_width);
std::string report_host(ReportFormat format, const HostReport &report,
                        std::size_t host_width);
// `unlisted`: how many hosts reported are not on the --hosts list, or
// kNoHostList without one.
constexpr int kNoHostList = -1;
std::string report_footer(ReportFormat format, const StatusCounts &counts,
                          int unlisted);

// The count of hosts in each status, as the table's last line says it,
// without its line break.
std::string summary_text(const StatusCounts &counts, int unlisted);

// A host that is on the --hosts list and has no log.
HostReport missing_host(const std::string &host);

// One CSV field, quoted when it holds a comma, quote, CR or LF.
std::string csv_field(const std::string &text);

// A host's CSV field: host_text, with a ' before a first character that
// would make a spreadsheet program take the field for a formula.
std::string csv_host(const std::string &host);

// A JSON string literal: quote, backslash and control characters escaped,
// bytes that are not UTF-8 turned into U+FFFD.
std::string json_string(const std::string &text);

// A host's JSON string: json_string of the name with its bytes that are not
// UTF-8, and the backslash of a \xNN already in it, as \xNN.
std::string json_host(const std::string &host);

#endif
