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

// How many names of one folder are held at once. A folder is read in name
// order by passes over its listing, each taking the next kBatch names, so
// memory stays the same whatever the number of hosts; a pass costs little
// beside reading the files.
constexpr std::size_t kBatch = 1024;

// The next names of a folder: the kBatch smallest that come after `after`,
// kept as a max-heap while a pass goes on.
struct Batch {
  bool first = true;
  std::string after;
  std::vector<std::string> names;
};

void take_into_batch(void *context, const std::string &name) {
  Batch &batch = *static_cast<Batch *>(context);
  if (!batch.first && !(batch.after < name)) {
    return;
  }
  if (batch.names.size() < kBatch) {
    batch.names.push_back(name);
    std::push_heap(batch.names.begin(), batch.names.end());
  } else if (name < batch.names.front()) {
    std::pop_heap(batch.names.begin(), batch.names.end());
    batch.names.back() = name;
    std::push_heap(batch.names.begin(), batch.names.end());
  }
}

// What the hosts need before the first is reported: how many there are,
// and how wide the widest name is.
struct Survey {
  int hosts = 0;
  std::size_t widest = 0;
};

void survey_host(Survey &survey, const std::string &host) {
  ++survey.hosts;
  survey.widest = std::max(survey.widest, display_width(terminal_text(host)));
}

void survey_name(void *context, const std::string &name) {
  survey_host(*static_cast<Survey *>(context), host_name(name));
}

using SourceHandler = void (*)(void *context, const Source &source);

// Calls `handle` for each host that a PATH argument stands for, in order: a
// file, a folder's files in byte order of their names, or the argument
// itself when it cannot be read. Each file is read when its turn comes.
void for_each_source(const std::string &arg, SourceHandler handle,
                     void *context) {
  int error = 0;
  switch (path_kind(arg, error)) {
    case PathKind::kFile:
      handle(context, {arg, host_name(file_name_of(arg)), ""});
      return;
    case PathKind::kMissing:
      handle(context, {"", arg, "no such file or folder"});
      return;
    case PathKind::kError:
      handle(context,
             {"", arg, std::string("cannot open: ") + std::strerror(error)});
      return;
    case PathKind::kFolder:
      break;
  }
  Batch batch;
  for (;;) {
    batch.names.clear();
    if (!list_folder(arg, take_into_batch, &batch, error)) {
      handle(context,
             {"", arg,
              std::string("cannot read folder: ") + std::strerror(error)});
      return;
    }
    // Byte order: std::string compares its chars as unsigned.
    std::sort_heap(batch.names.begin(), batch.names.end());
    for (const std::string &name : batch.names) {
      handle(context, {path_in_folder(arg, name), host_name(name), ""});
    }
    if (batch.names.size() < kBatch) {
      return;
    }
    batch.first = false;
    batch.after = batch.names.back();
  }
}

// The hosts an argument stands for, counted without reading them.
void survey_arg(const std::string &arg, Survey &survey) {
  int error = 0;
  const PathKind kind = path_kind(arg, error);
  if (kind == PathKind::kFolder &&
      list_folder(arg, survey_name, &survey, error)) {
    return;
  }
  survey_host(survey,
              kind == PathKind::kFile ? host_name(file_name_of(arg)) : arg);
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

// Where the report stands while the hosts go by.
struct Reporting {
  const Options &options;
  std::size_t host_width;
  StatusCounts counts;
};

// A host's report goes out as soon as its file is read.
void report_source(void *context, const Source &source) {
  Reporting &reporting = *static_cast<Reporting *>(context);
  const HostReport report = read_host(source, reporting.options.expect);
  ++reporting.counts[static_cast<std::size_t>(report.status)];
  write_out(
      report_host(reporting.options.format, report, reporting.host_width));
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

  Survey survey;
  for (const std::string &path : options.paths) {
    survey_arg(path, survey);
  }
  if (survey.hosts == 0) {
    refuse("no transcript file found");
    return kUsageError;
  }

  Reporting reporting{options, host_column_width(survey.widest), {}};
  write_out(report_header(options.format, reporting.host_width));
  for (const std::string &path : options.paths) {
    for_each_source(path, report_source, &reporting);
  }
  const StatusCounts &counts = reporting.counts;
  write_out(report_footer(options.format, counts));

  // A verdict that did not reach its reader must not pass for one.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    const std::string message =
        std::string("txreport: cannot write the report: ") +
        std::strerror(errno) + "\n";
    std::fputs(message.c_str(), stderr);
    return kUsageError;
  }
  int hosts = 0;
  for (const int count : counts) {
    hosts += count;
  }
  return counts[static_cast<std::size_t>(HostStatus::kOk)] == hosts ? kAllOk
                                                                    : kNotAllOk;
}
