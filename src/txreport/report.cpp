#include "txreport/report.h"

#include <string_view>

#include "texts/escape.h"
#include "texts/messages.h"
#include "txreport/outcomes.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::size_t kHostWidthMax = 32;
constexpr std::size_t kStatusWidth = 11;  // "needs-reset"
constexpr char kHostHeading[] = "HOST";

// The map's heading, with the instances it shows.
std::string map_heading() {
  return "INSTANCES 0-" + std::to_string(kInstanceCount - 1);
}

// Whether the text at `at` reads as one of the \xNN escapes below.
bool reads_as_escape(const std::string &text, std::size_t at) {
  constexpr std::string_view kDigits = kHexDigits;
  return text.compare(at, 2, "\\x") == 0 && text.size() - at >= 4 &&
         kDigits.find(text[at + 2]) != std::string_view::npos &&
         kDigits.find(text[at + 3]) != std::string_view::npos;
}

// `text` with some of its bytes as \xNN: each byte that is not part of
// well-formed UTF-8; with `terminal`, each byte of a character that a
// terminal acts on or that hides text; with `unique`, the backslash of text
// that reads as such an escape (\x5C), so that no two texts come out alike.
std::string escaped(const std::string &text, bool terminal, bool unique) {
  std::string shown;
  for (std::size_t at = 0; at < text.size();) {
    char32_t code_point = 0;
    const std::size_t length = utf8_sequence(text, at, code_point);
    const bool escape = length == 0 ||
                        (terminal && (is_control(code_point) ||
                                      is_hidden_format(code_point))) ||
                        (unique && reads_as_escape(text, at));
    if (!escape) {
      shown.append(text, at, length);
      at += length;
      continue;
    }
    for (const std::size_t end = at + (length == 0 ? 1 : length); at < end;
         ++at) {
      append_hex(shown, static_cast<unsigned char>(text[at]), "\\x");
    }
  }
  return shown;
}

std::string padded(const std::string &text, std::size_t width) {
  const std::size_t used = display_width(text);
  return used >= width ? text : text + std::string(width - used, ' ');
}

std::string table_row(const std::string &host, const std::string &status,
                      const std::string &map, const std::string &problem,
                      std::size_t host_width) {
  std::string row = padded(host, host_width) + "  " +
                    padded(status, kStatusWidth) + "  " +
                    padded(map, kInstanceCount);
  if (!problem.empty()) {
    row += "  " + terminal_text(problem);
  }
  // Nothing trails the last column.
  row.erase(row.find_last_not_of(' ') + 1);
  return row + "\n";
}

}  // namespace

std::string instance_map(const HostReport &report) {
  std::string map;
  for (const InstanceOutcome outcome : report.outcomes) {
    map += outcome_letter(outcome);
  }
  return map;
}

std::string terminal_text(const std::string &text) {
  return escaped(text, true, false);
}

std::string host_text(const std::string &host) {
  return escaped(host, true, true);
}

std::size_t display_width(const std::string &text) {
  std::size_t width = 0;
  for (const char byte : text) {
    if ((static_cast<unsigned char>(byte) & 0xC0U) != 0x80U) {
      ++width;
    }
  }
  return width;
}

std::size_t host_column_width(std::size_t widest_name) {
  const std::size_t width =
      widest_name < kHostWidthMax ? widest_name : kHostWidthMax;
  return width < sizeof kHostHeading - 1 ? sizeof kHostHeading - 1 : width;
}

std::string report_header(ReportFormat format, std::size_t host_width) {
  switch (format) {
    case ReportFormat::kTable:
      return table_row(kHostHeading, "STATUS", map_heading(), "PROBLEM",
                       host_width);
    case ReportFormat::kCsv:
      return "host,instance,outcome\n";
    case ReportFormat::kJsonl:
    case ReportFormat::kHtml:
      break;
  }
  return "";
}

std::string report_host(ReportFormat format, const HostReport &report,
                        std::size_t host_width) {
  switch (format) {
    case ReportFormat::kTable:
      return table_row(host_text(report.host), status_word(report.status),
                       instance_map(report), report.problem, host_width);
    case ReportFormat::kCsv: {
      const std::string host = csv_host(report.host);
      // A host without outcomes has one row. A stale host's rows give
      // what its log says.
      if (report.status == HostStatus::kUnreadable ||
          report.status == HostStatus::kMissing) {
        return host + ",," + status_word(report.status) + "\n";
      }
      std::string rows;
      for (int instance = 0; instance < kInstanceCount; ++instance) {
        rows +=
            host + "," + std::to_string(instance) + "," +
            outcome_word(report.outcomes[static_cast<std::size_t>(instance)]) +
            "\n";
      }
      return rows;
    }
    case ReportFormat::kHtml:
      return "";
    case ReportFormat::kJsonl:
      break;
  }
  std::string line = "{\"host\":" + json_host(report.host) + ",\"status\":\"" +
                     status_word(report.status) + "\"";
  if (report.status == HostStatus::kStale) {
    line += ",\"found\":\"" + std::string(status_word(report.found)) + "\"";
  }
  line += ",\"instances\":[";
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    line += instance == 0 ? "\"" : ",\"";
    line += outcome_word(report.outcomes[static_cast<std::size_t>(instance)]);
    line += '"';
  }
  line += "],\"problem\":";
  line += report.problem.empty() ? "null" : json_string(report.problem);
  line += ",\"written\":";
  line += report.written.empty() ? "null" : "\"" + report.written + "\"";
  return line + "}\n";
}

std::string report_footer(ReportFormat format, const StatusCounts &counts,
                          int unlisted) {
  return format == ReportFormat::kTable ? summary_text(counts, unlisted) + "\n"
                                        : "";
}

HostReport missing_host(const std::string &host) {
  HostReport report;
  report.host = host;
  report.status = HostStatus::kMissing;
  report.problem = "no log from this host";
  return report;
}

std::string summary_text(const StatusCounts &counts, int unlisted) {
  int hosts = 0;
  for (const int count : counts) {
    hosts += count;
  }
  std::string summary =
      std::to_string(hosts) + (hosts == 1 ? " host:" : " hosts:");
  for (int status = 0; status < kStatusCount; ++status) {
    summary += (status == 0 ? " " : ", ") +
               std::to_string(counts[static_cast<std::size_t>(status)]) + " " +
               status_word(static_cast<HostStatus>(status));
  }
  if (unlisted != kNoHostList) {
    summary += "; " + std::to_string(unlisted) + " not on the list";
  }
  return summary;
}

std::string csv_field(const std::string &text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  return quoted + "\"";
}

std::string csv_host(const std::string &host) {
  std::string field = host_text(host);
  // What spreadsheet programs take for the start of a formula, made text
  // as the common advice against CSV injection has it.
  if (!field.empty() &&
      std::string("=+-@\t\r").find(field.front()) != std::string::npos) {
    field.insert(0, 1, '\'');
  }
  return csv_field(field);
}

std::string json_host(const std::string &host) {
  return json_string(escaped(host, false, true));
}

std::string json_string(const std::string &text) {
  std::string literal = "\"";
  for (std::size_t at = 0; at < text.size();) {
    char32_t code_point = 0;
    const std::size_t length = utf8_sequence(text, at, code_point);
    if (length == 0) {
      literal += kReplacement;
      ++at;
      continue;
    }
    if (code_point == '"' || code_point == '\\') {
      literal += '\\';
      literal += text[at];
    } else if (is_control(code_point)) {
      append_hex(literal, static_cast<unsigned char>(code_point), "\\u00");
    } else {
      literal.append(text, at, length);
    }
    at += length;
  }
  return literal + "\"";
}
