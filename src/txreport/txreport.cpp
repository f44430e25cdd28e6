#include "txreport/txreport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "txreport/files.h"
#include "txreport/options.h"
#include "txreport/report.h"
#include "txreport/transcript.h"

namespace {

constexpr int kAllOk = 0;
constexpr int kNotAllOk = 1;
constexpr int kUsageError = 2;

constexpr char kHelpHint[] = "Try 'txreport --help' for more information.\n";

// A host to report on: a file to read, or a problem already known.
struct Source {
  std::string path;
  std::string host;
  std::string problem;
};

// The hosts a PATH argument stands for. Only their names are kept; each
// file is read when its turn comes.
void add_sources(const std::string &arg, std::vector<Source> &sources) {
  int error = 0;
  switch (path_kind(arg, error)) {
    case PathKind::kFile:
      sources.push_back({arg, host_name(file_name_of(arg)), ""});
      return;
    case PathKind::kMissing:
      sources.push_back({"", arg, "no such file or folder"});
      return;
    case PathKind::kError:
      sources.push_back(
          {"", arg, std::string("cannot open: ") + std::strerror(error)});
      return;
    case PathKind::kFolder:
      break;
  }
  std::vector<std::string> names;
  if (!list_folder(arg, names, error)) {
    sources.push_back(
        {"", arg, std::string("cannot read folder: ") + std::strerror(error)});
    return;
  }
  // Byte order: std::string compares its chars as unsigned.
  std::sort(names.begin(), names.end());
  for (const std::string &name : names) {
    sources.push_back({path_in_folder(arg, name), host_name(name), ""});
  }
}

HostReport read_host(const Source &source, ExpectMask expect) {
  if (!source.problem.empty()) {
    return unreadable_host(source.host, source.problem);
  }
  std::FILE *file = open_file(source.path);
  if (file == nullptr) {
    return unreadable_host(source.host,
                           std::string("cannot open: ") + std::strerror(errno));
  }
  TranscriptScan scan;
  scan_file(scan, file);
  std::fclose(file);
  return judge_scan(source.host, scan, expect);
}

// A usage error: what is wrong, and where to read more.
void refuse(const std::string &error) {
  const std::string message = "txreport: " + error + "\n" + kHelpHint;
  std::fputs(message.c_str(), stderr);
}

void write_out(const std::string &text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int txreport(const std::vector<std::string> &args) {
  Options options;
  std::string error;
  if (!parse_options(args, options, error)) {
    refuse(error);
    return kUsageError;
  }
  if (options.help) {
    std::fputs(usage_text(), stdout);
    return std::fflush(stdout) == 0 ? kAllOk : kUsageError;
  }

  std::vector<Source> sources;
  for (const std::string &path : options.paths) {
    add_sources(path, sources);
  }
  if (sources.empty()) {
    refuse("no transcript file found");
    return kUsageError;
  }

  std::size_t widest = 0;
  for (const Source &source : sources) {
    widest = std::max(widest, display_width(terminal_text(source.host)));
  }
  const std::size_t host_width = host_column_width(widest);

  // A host's report goes out as soon as its file is read.
  write_out(report_header(options.format, host_width));
  StatusCounts counts{};
  for (const Source &source : sources) {
    const HostReport report = read_host(source, options.expect);
    ++counts[static_cast<std::size_t>(report.status)];
    write_out(report_host(options.format, report, host_width));
  }
  write_out(report_footer(options.format, counts));

  // A verdict that did not reach its reader must not pass for one.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    const std::string message =
        std::string("txreport: cannot write the report: ") +
        std::strerror(errno) + "\n";
    std::fputs(message.c_str(), stderr);
    return kUsageError;
  }
  return counts[static_cast<std::size_t>(HostStatus::kOk)] ==
                 static_cast<int>(sources.size())
             ? kAllOk
             : kNotAllOk;
}
