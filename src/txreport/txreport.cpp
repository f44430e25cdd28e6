#include "txreport/txreport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

#include "txreport/files.h"
#include "txreport/options.h"
#include "txreport/report.h"
#include "txreport/transcript.h"

namespace {

constexpr int kAllOk = 0;
constexpr int kNotAllOk = 1;
constexpr int kUsageError = 2;

constexpr char kHelpHint[] = "Try 'txreport --help' for more information.\n";

// A PATH argument as found, each looked at and listed once, before anything
// is reported: what is counted and measured is what is reported.
struct Argument {
  std::string path;
  PathKind kind = PathKind::kError;
  std::string problem;             // it cannot be read: it is reported so
  std::vector<std::string> names;  // a folder's files, in byte order
};

// A host to report on: the argument, or one file of its folder.
struct Source {
  std::size_t arg = 0;
  std::size_t name = 0;  // kItself: the argument
};
constexpr std::size_t kItself = static_cast<std::size_t>(-1);

std::vector<Argument> look_at(const std::vector<std::string> &paths) {
  std::vector<Argument> arguments;
  for (const std::string &path : paths) {
    PathLookup lookup = look_up(path);
    Argument argument{path, lookup.kind, std::move(lookup.problem), {}};
    if (argument.kind == PathKind::kFolder) {
      FolderListing listing = list_folder(path);
      argument.names = std::move(listing.names);
      argument.problem = std::move(listing.problem);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

// Every source, in the order of the arguments and their folders' names.
std::vector<Source> sources_of(const std::vector<Argument> &arguments) {
  std::size_t count = arguments.size();
  for (const Argument &argument : arguments) {
    count += argument.names.size();
  }
  std::vector<Source> sources;
  sources.reserve(count);
  for (std::size_t arg = 0; arg < arguments.size(); ++arg) {
    const Argument &argument = arguments[arg];
    if (argument.kind != PathKind::kFolder || !argument.problem.empty()) {
      sources.push_back({arg, kItself});
    }
    for (std::size_t name = 0; name < argument.names.size(); ++name) {
      sources.push_back({arg, name});
    }
  }
  return sources;
}

// Whether a source is a file to read, not an argument that cannot be read.
bool is_file(const std::vector<Argument> &arguments, const Source &source) {
  return source.name != kItself || arguments[source.arg].problem.empty();
}

std::string path_of(const std::vector<Argument> &arguments,
                    const Source &source) {
  const Argument &argument = arguments[source.arg];
  return source.name != kItself
             ? path_in_folder(argument.path, argument.names[source.name])
             : argument.path;
}

std::string_view host_of(const std::vector<Argument> &arguments,
                         const Source &source) {
  const Argument &argument = arguments[source.arg];
  if (source.name != kItself) {
    return host_name(argument.names[source.name]);
  }
  return is_file(arguments, source) ? host_name(file_name_of(argument.path))
                                    : argument.path;
}

HostReport read_host(const std::vector<Argument> &arguments,
                     const Source &source, ExpectMask expect) {
  const std::string host(host_of(arguments, source));
  if (!is_file(arguments, source)) {
    return unreadable_host(host, arguments[source.arg].problem);
  }
  const FileStart start =
      read_file_start(path_of(arguments, source), kTranscriptReadMax);
  return start.problem.empty() ? read_transcript(host, start.bytes, expect)
                               : unreadable_host(host, start.problem);
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

  const std::vector<Argument> arguments = look_at(options.paths);
  const std::vector<Source> sources = sources_of(arguments);
  if (sources.empty()) {
    refuse("no transcript file found");
    return kUsageError;
  }
  std::size_t widest = 0;
  for (const Source &source : sources) {
    const std::string host(host_of(arguments, source));
    widest = std::max(widest, display_width(host_text(host)));
  }

  // Each host's report goes out as soon as its file is read.
  const std::size_t host_width = host_column_width(widest);
  StatusCounts counts{};
  write_out(report_header(options.format, host_width));
  for (const Source &source : sources) {
    const HostReport report = read_host(arguments, source, options.expect);
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
  int hosts = 0;
  for (const int count : counts) {
    hosts += count;
  }
  return counts[static_cast<std::size_t>(HostStatus::kOk)] == hosts ? kAllOk
                                                                    : kNotAllOk;
}
