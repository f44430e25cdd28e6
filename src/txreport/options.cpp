#include "txreport/options.h"

#include <cstring>
#include <string>

#include "tx_version.h"
#include "txreport/outcomes.h"

namespace {

// The usage, in parts around the number of the last instance and the
// outcomes.
constexpr char kUsage[] =
    "Usage: txreport [--format table|csv|jsonl|html] [--expect LIST] [--] "
    "PATH...\n"
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
    "                   an unreadable host has one row, HOST,,unreadable\n"
    "  --format jsonl   a JSON object per host: host, status, instances\n"
    "                   (sixteen outcomes), problem (null when there is none)\n"
    "  --format html    one web page, for a browser: hosts by status, and a\n"
    "                   row per pattern of hosts and instances, not ok\n"
    "                   first, searchable; PAGE#host=NAME shows one host\n"
    "  --expect LIST    instances, such as 0,3,7, that must end reset or\n"
    "                   written; not-opened fails them, and so does absent\n"
    "                   in a check alone or after txrestore\n"
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
    "unreadable (none of these logs, or the file cannot be read). Where a\n"
    "check follows a transcript or txrestore, that check decides.\n"
    "\n"
    "Exit status: 0 every host ok, 1 some host not ok, 2 usage error, no\n"
    "file found, or the report could not be written.\n";

constexpr char kFormatOption[] = "--format";
constexpr char kExpectOption[] = "--expect";

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
