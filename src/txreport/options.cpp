#include "txreport/options.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "texts/escape.h"
#include "tx_version.h"
#include "txreport/outcomes.h"

namespace {

// The usage, in parts around the number of the last instance and the
// outcomes.
constexpr char kUsage[] =
    "Usage: txreport [--format table|csv|jsonl|html] [--expect LIST]\n"
    "                [--hosts FILE] [--since TIME] [--] PATH...\n"
    "\n"
    "Reads what txreset, txcheck and txrestore wrote, one file per host\n"
    "(the host is the file name without its extension, as in web01.log):\n"
    "a transcript of txreset, a check of txcheck, or a check, a transcript\n"
    "and a check, as the rollout recipes keep them, or what txrestore wrote\n"
    "and a check, as a restore keeps it. Reports on each host and each of its\n"
    "instances ";
constexpr char kUsageRest[] =
    ". A PATH that is a folder stands for the files\n"
    "directly in it, in name order, but for the backups that txcheck saves\n"
    "beside the logs (NAME.reg).\n"
    "\n"
    "  --format table   a line per host: host, status, instance map and\n"
    "                   problem, then a count of hosts by status (default)\n"
    "  --format csv     host,instance,outcome: a row per host and instance;\n"
    "                   an unreadable or missing host has one row,\n"
    "                   HOST,,unreadable or HOST,,missing; a stale host's\n"
    "                   rows give what its log says\n"
    "  --format jsonl   a JSON object per host: host, status, found (what a\n"
    "                   stale log says), instances (sixteen outcomes),\n"
    "                   problem (null when there is none), written (when\n"
    "                   the log was last written, UTC; null when missing)\n"
    "  --format html    one web page, for a browser: hosts by status, and a\n"
    "                   row per pattern of hosts and instances, not ok\n"
    "                   first, searchable; PAGE#host=NAME shows one host\n"
    "  --expect LIST    instances, such as 0,3,7, that must end reset or\n"
    "                   written; not-opened fails them, and so does absent\n"
    "                   in a check alone or after txrestore\n"
    "  --hosts FILE     the hosts that should have reported, a name a line\n"
    "                   (blank lines and # comments allowed), compared\n"
    "                   without regard to ASCII case: a listed host without\n"
    "                   a log is missing; the summary counts the hosts not\n"
    "                   on the list\n"
    "  --since TIME     a log last written before TIME is stale; TIME is\n"
    "                   UTC, YYYY-MM-DDTHH:MM:SSZ or YYYY-MM-DD (midnight)\n"
    "  --help, /?       show this text\n"
    "  --version        show the version\n"
    "\n"
    "Instance outcomes (map letter, word), as txreset tells them:\n";
constexpr char kUsageChecked[] =
    "and as the last check finds them, where txreset did not change them:\n";
constexpr char kUsageEnd[] =
    "\n"
    "Host status: ok; needs-reset (a check alone, or after txrestore, finds\n"
    "an instance to reset, none blocked or unreadable: a run would change\n"
    "the host); failed (an instance lost or write-failed, blocked or\n"
    "unreadable, reset or written but not ok in the check after, or expected\n"
    "and not-opened or absent; a backup txrestore refused, an instance it did\n"
    "not restore, or one the check after does not find as it left it; or\n"
    "another file gives the same host); incomplete (the log stops early);\n"
    "unreadable (none of these logs, or the file cannot be read); stale\n"
    "(written before --since, whatever it says); missing (on the --hosts\n"
    "list, without a log). Where a check follows a transcript or txrestore,\n"
    "that check decides.\n"
    "\n"
    "Exit status: 0 every host ok, 1 some host not ok, 2 usage error, no\n"
    "file found, or the report could not be written.\n";

constexpr char kFormatOption[] = "--format";
constexpr char kExpectOption[] = "--expect";
constexpr char kHostsOption[] = "--hosts";
constexpr char kSinceOption[] = "--since";

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
long long days_from_civil(long long year, long long month, long long day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long year_of_era = year - era * 400;
  const long long day_of_year =
      (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// The digits of `text` from `at`, `count` of them, as a number; -1 when
// one is not a digit.
long long digits_at(const std::string &text, std::size_t at,
                    std::size_t count) {
  long long number = 0;
  for (std::size_t end = at + count; at < end; ++at) {
    if (text[at] < '0' || text[at] > '9') {
      return -1;
    }
    number = number * 10 + (text[at] - '0');
  }
  return number;
}

// The instance numbers, as the texts say them.
std::string instance_range() {
  return "0 to " + std::to_string(kInstanceCount - 1);
}

// A comma list of instance numbers, added to `expect`.
bool parse_expect(const std::string &list, ExpectMask &expect) {
  ExpectMask mask = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma - start);
    if (item.empty() || item.size() > 2 ||
        item.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    unsigned instance = 0;
    for (const char digit : item) {
      instance = instance * 10 + static_cast<unsigned>(digit - '0');
    }
    if (instance >= kInstanceCount) {
      return false;
    }
    mask |= 1U << instance;
    if (comma == std::string::npos) {
      expect |= mask;
      return true;
    }
    start = comma + 1;
  }
}

std::string quoted(const std::string &text) {
  return "\"" + terminal_text(text) + "\"";
}

// Takes an option's value from "--name=value" or from the next argument.
bool option_value(const std::vector<std::string> &args, std::size_t &at,
                  const char *name, std::string &value) {
  const std::string &arg = args[at];
  const std::size_t name_length = std::strlen(name);
  if (arg.size() > name_length && arg[name_length] == '=') {
    value = arg.substr(name_length + 1);
    return true;
  }
  if (at + 1 == args.size()) {
    return false;
  }
  value = args[++at];
  return true;
}

bool is_option(const std::string &arg, const char *name) {
  const std::size_t name_length = std::strlen(name);
  return arg.compare(0, name_length, name) == 0 &&
         (arg.size() == name_length || arg[name_length] == '=');
}

}  // namespace

bool parse_options(const std::vector<std::string> &args, Options &options,
                   std::string &error) {
  bool options_end = false;
  for (std::size_t at = 0; at < args.size(); ++at) {
    const std::string &arg = args[at];
    std::string value;
    // /? as Windows programs take it.
    const bool windows_help = arg == "/?";
    if (options_end || ((arg.size() < 2 || arg[0] != '-') && !windows_help)) {
      options.paths.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help" || arg == "-h" || windows_help) {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (is_option(arg, kFormatOption)) {
      if (!option_value(args, at, kFormatOption, value)) {
        error = "--format needs a value: table, csv, jsonl or html";
        return false;
      }
      if (value == "table") {
        options.format = ReportFormat::kTable;
      } else if (value == "csv") {
        options.format = ReportFormat::kCsv;
      } else if (value == "jsonl") {
        options.format = ReportFormat::kJsonl;
      } else if (value == "html") {
        options.format = ReportFormat::kHtml;
      } else {
        error = "unknown format " + quoted(value) +
                ": use table, csv, jsonl or html";
        return false;
      }
    } else if (is_option(arg, kExpectOption)) {
      if (!option_value(args, at, kExpectOption, value)) {
        error = "--expect needs a list of instance numbers, such as 0,3,7";
        return false;
      }
      if (!parse_expect(value, options.expect)) {
        error = "--expect takes instance numbers " + instance_range() +
                " separated by commas, not " + quoted(value);
        return false;
      }
    } else if (is_option(arg, kHostsOption)) {
      if (!option_value(args, at, kHostsOption, value) || value.empty()) {
        error = "--hosts needs a file: the hosts, a name a line";
        return false;
      }
      options.hosts_file = value;
    } else if (is_option(arg, kSinceOption)) {
      if (!option_value(args, at, kSinceOption, value) ||
          !parse_utc_time(value, options.since)) {
        error =
            "--since takes a UTC time, YYYY-MM-DDTHH:MM:SSZ or "
            "YYYY-MM-DD, not " +
            quoted(value);
        return false;
      }
      options.since_given = true;
    } else {
      error = "unknown option " + quoted(arg);
      return false;
    }
  }
  if (options.paths.empty() && !options.help && !options.version) {
    error = "no PATH given";
    return false;
  }
  return true;
}

std::string usage_text() {
  return kUsage + instance_range() + kUsageRest + outcome_help(false) +
         kUsageChecked + outcome_help(true) + kUsageEnd;
}

std::string version_text() { return "txreport version " TX_VERSION "\n"; }

std::string fold_case(std::string name) {
  for (char &c : name) {
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return name;
}

bool read_host_list(const std::string &bytes, std::vector<std::string> &names,
                    std::string &error) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.compare(0, 2, "\xFF\xFE") == 0 ||
      bytes.compare(0, 2, "\xFE\xFF") == 0) {
    error = "UTF-16 text: write it as ASCII (Set-Content -Encoding ascii)";
    return false;
  }
  std::size_t start =
      bytes.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0
          ? kByteOrderMark.size()
          : 0;
  std::set<std::string> folded;  // the names so far, as compared
  for (std::size_t line = 1; start < bytes.size(); ++line) {
    const std::string where = "line " + std::to_string(line) + ": ";
    if (line > kHostLinesMax) {
      error = "more than " + std::to_string(kHostLinesMax) + " lines";
      return false;
    }
    std::size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end;
    std::string text = bytes.substr(start, end - start);
    start = end + 1;
    if (!text.empty() && text.back() == '\r') {
      text.pop_back();
    }
    if (text.size() > kHostLineMax) {
      error = where + "longer than " + std::to_string(kHostLineMax) + " bytes";
      return false;
    }
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') {
      continue;
    }
    text = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    // dsquery -o rdn quotes each name.
    if (text.size() > 2 && text.front() == '"' && text.back() == '"') {
      text = text.substr(1, text.size() - 2);
    }
    for (std::size_t at = 0; at < text.size();) {
      char32_t code_point = 0;
      const std::size_t length = utf8_sequence(text, at, code_point);
      if (length == 0 || is_control(code_point) ||
          is_hidden_format(code_point) || code_point == ' ' ||
          code_point == '\t') {
        error = where + "not a printable name without spaces: " + quoted(text);
        return false;
      }
      at += length;
    }
    if (folded.insert(fold_case(text)).second) {
      names.push_back(text);
    }
  }
  return true;
}

bool parse_utc_time(const std::string &text, long long &seconds) {
  // YYYY-MM-DD, then THH:MM:SSZ or nothing.
  if ((text.size() != 10 && text.size() != 20) || text[4] != '-' ||
      text[7] != '-') {
    return false;
  }
  const long long year = digits_at(text, 0, 4);
  const long long month = digits_at(text, 5, 2);
  const long long day = digits_at(text, 8, 2);
  long long hour = 0;
  long long minute = 0;
  long long second = 0;
  if (text.size() == 20) {
    if (text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
        text[19] != 'Z') {
      return false;
    }
    hour = digits_at(text, 11, 2);
    minute = digits_at(text, 14, 2);
    second = digits_at(text, 17, 2);
  }
  if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59) {
    return false;
  }
  const long long days = days_from_civil(year, month, day);
  const long long next_month = month == 12
                                   ? days_from_civil(year + 1, 1, 1)
                                   : days_from_civil(year, month + 1, 1);
  if (days >= next_month) {
    return false;
  }
  seconds = ((days * 24 + hour) * 60 + minute) * 60 + second;
  return true;
}

std::string utc_time_text(long long seconds) {
  constexpr long long kDay = 86400;
  long long days = seconds / kDay;
  long long rest = seconds % kDay;
  if (rest < 0) {
    rest += kDay;
    --days;
  }
  // The civil date of `days`, the inverse of days_from_civil.
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long day_of_era = days - era * 146097;
  const long long year_of_era = (day_of_era - day_of_era / 1460 +
                                 day_of_era / 36524 - day_of_era / 146096) /
                                365;
  const long long day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const long long shifted_month = (5 * day_of_year + 2) / 153;
  const long long day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  const long long month =
      shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  const long long year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  char text[160];  // room for any long long in each field
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                year, month, day, rest / 3600, rest / 60 % 60, rest % 60);
  return text;
}
