#include "txreport/txreport.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>

#include "txreport/files.h"
#include "txreport/options.h"
#include "txreport/report.h"
#include "txreport/report_html.h"
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

// A backup that txcheck saved beside the logs, HOST.reg, as the rollout
// recipes keep them: not a host's log. The suffix in any case of ASCII.
bool is_backup(const std::string &name) {
  constexpr std::string_view kSuffix = ".reg";
  if (name.size() < kSuffix.size()) {
    return false;
  }
  for (std::size_t at = 0; at < kSuffix.size(); ++at) {
    char c = name[name.size() - kSuffix.size() + at];
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (c != kSuffix[at]) {
      return false;
    }
  }
  return true;
}

std::vector<Argument> look_at(const std::vector<std::string> &paths) {
  std::vector<Argument> arguments;
  for (const std::string &path : paths) {
    PathLookup lookup = look_up(path);
    Argument argument{path, lookup.kind, std::move(lookup.problem), {}};
    if (argument.kind == PathKind::kFolder) {
      FolderListing listing = list_folder(path);
      listing.names.erase(
          std::remove_if(listing.names.begin(), listing.names.end(), is_backup),
          listing.names.end());
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

// What the sources that share a host name come to: the same file reached
// twice (a folder given twice, or a folder and a file in it) is reported
// once, where it is first reached; different files (web01.log and
// web01.txt) are each reported, each saying where else the host is.
struct SameHosts {
  std::vector<bool> again;                   // by source: reported already
  std::map<std::size_t, std::string> notes;  // by source: "host also ..."
};

// A file as settle_host tells it from others: by what the system says it
// is or, when it cannot be looked at, by its path.
struct SameFile {
  std::size_t at = 0;  // in the sources
  std::string path;
  bool known = false;
  FileId id;
};

// Files of one host name, `run` as positions in `sources`, in order.
void settle_host(const std::vector<Argument> &arguments,
                 const std::vector<Source> &sources,
                 const std::vector<std::size_t> &run, SameHosts &same) {
  std::vector<SameFile> files;
  for (const std::size_t at : run) {
    SameFile file{at, path_of(arguments, sources[at]), false, {}};
    file.known = file_id(file.path, file.id);
    same.again[at] =
        std::any_of(files.begin(), files.end(), [&file](const SameFile &seen) {
          return seen.known == file.known &&
                 (file.known ? seen.id.volume == file.id.volume &&
                                   seen.id.index == file.id.index
                             : seen.path == file.path);
        });
    if (!same.again[at]) {
      files.push_back(std::move(file));
    }
  }
  for (const SameFile &file : files) {
    std::string others;
    for (const SameFile &other : files) {
      if (other.at != file.at) {
        others += (others.empty() ? "" : ", ") + host_text(other.path);
      }
    }
    if (!others.empty()) {
      same.notes[file.at] = "host also reported from " + others;
    }
  }
}

SameHosts settle_same_hosts(const std::vector<Argument> &arguments,
                            const std::vector<Source> &sources) {
  SameHosts same{std::vector<bool>(sources.size()), {}};
  std::vector<std::size_t> files;
  for (std::size_t at = 0; at < sources.size(); ++at) {
    if (is_file(arguments, sources[at])) {
      files.push_back(at);
    }
  }
  const auto host = [&](std::size_t at) {
    return host_of(arguments, sources[at]);
  };
  std::sort(files.begin(), files.end(), [&](std::size_t a, std::size_t b) {
    return host(a) != host(b) ? host(a) < host(b) : a < b;
  });
  for (auto first = files.begin(); first != files.end();) {
    const auto end = std::find_if(first, files.end(), [&](std::size_t at) {
      return host(at) != host(*first);
    });
    if (end - first > 1) {
      settle_host(arguments, sources, {first, end}, same);
    }
    first = end;
  }
  return same;
}

HostReport read_host(const std::vector<Argument> &arguments,
                     const Source &source, const std::string &note,
                     const Options &options) {
  const ExpectMask expect = options.expect;
  const std::string host(host_of(arguments, source));
  if (!is_file(arguments, source)) {
    return unreadable_host(host, arguments[source.arg].problem);
  }
  const FileStart start =
      read_file_start(path_of(arguments, source), kTranscriptReadMax);
  HostReport report = start.problem.empty()
                          ? read_transcript(host, start.bytes, expect)
                          : unreadable_host(host, start.problem);
  if (!note.empty()) {
    // Two transcripts for one host: neither can be taken for its verdict.
    report.problem += (report.problem.empty() ? "" : "; ") + note;
    if (report.status == HostStatus::kOk) {
      report.status = HostStatus::kFailed;
    }
  }
  if (start.written_known) {
    report.written = utc_time_text(start.written);
    // An old log does not tell how the host is now, whatever it says.
    if (options.since_given && start.written < options.since) {
      report.found = report.status;
      report.problem = "written " + report.written + ", found " +
                       status_word(report.found) +
                       (report.problem.empty() ? "" : "; " + report.problem);
      report.status = HostStatus::kStale;
    }
  }
  return report;
}

std::string quoted(const std::string &text) {
  return "\"" + terminal_text(text) + "\"";
}

// The names in the --hosts file, or false with a usage error.
bool read_hosts_file(const std::string &path, std::vector<std::string> &names,
                     std::string &error) {
  const FileStart start = read_file_start(path, kHostsFileMax + 1);
  const std::string where = "--hosts " + quoted(path) + ": ";
  if (!start.problem.empty()) {
    error = where + start.problem;
    return false;
  }
  if (start.bytes.size() > kHostsFileMax) {
    error = where + "longer than " + std::to_string(kHostsFileMax) + " bytes";
    return false;
  }
  if (!read_host_list(start.bytes, names, error)) {
    error = where + error;
    return false;
  }
  return true;
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
  if (options.help || options.version) {
    std::fputs((options.help ? usage_text() : version_text()).c_str(), stdout);
    return std::fflush(stdout) == 0 ? kAllOk : kUsageError;
  }

  std::vector<std::string> listed;
  if (!options.hosts_file.empty() &&
      !read_hosts_file(options.hosts_file, listed, error)) {
    refuse(error);
    return kUsageError;
  }
  // Each listed host by its name as Windows compares it, and whether a log
  // reported it.
  std::map<std::string, bool> reported;
  for (const std::string &name : listed) {
    reported[fold_case(name)] = false;
  }

  const std::vector<Argument> arguments = look_at(options.paths);
  const std::vector<Source> sources = sources_of(arguments);
  if (sources.empty() && listed.empty()) {
    refuse("no transcript file found");
    return kUsageError;
  }
  const SameHosts same = settle_same_hosts(arguments, sources);
  std::size_t widest = 0;
  for (std::size_t at = 0; at < sources.size(); ++at) {
    if (!same.again[at]) {
      const std::string host(host_of(arguments, sources[at]));
      widest = std::max(widest, display_width(host_text(host)));
    }
  }
  for (const std::string &name : listed) {
    widest = std::max(widest, display_width(host_text(name)));
  }

  // Each host's report goes out as soon as its file is read, but for the
  // html page, which sorts them.
  const std::size_t host_width = host_column_width(widest);
  StatusCounts counts{};
  int unlisted = options.hosts_file.empty() ? kNoHostList : 0;
  std::vector<HostReport> page;
  const auto report_on = [&](HostReport report) {
    ++counts[static_cast<std::size_t>(report.status)];
    if (options.format == ReportFormat::kHtml) {
      page.push_back(std::move(report));
    } else {
      write_out(report_host(options.format, report, host_width));
    }
  };
  write_out(report_header(options.format, host_width));
  for (std::size_t at = 0; at < sources.size(); ++at) {
    if (same.again[at]) {
      continue;
    }
    const auto note = same.notes.find(at);
    HostReport report =
        read_host(arguments, sources[at],
                  note == same.notes.end() ? "" : note->second, options);
    const auto listing = reported.find(fold_case(report.host));
    if (listing != reported.end()) {
      listing->second = true;
    } else if (unlisted != kNoHostList) {
      ++unlisted;
    }
    report_on(std::move(report));
  }
  // The listed hosts that no log stands for, in the list's order.
  for (const std::string &name : listed) {
    if (!reported[fold_case(name)]) {
      report_on(missing_host(name));
    }
  }
  if (options.format == ReportFormat::kHtml) {
    write_html_page(std::move(page), counts, unlisted, write_out);
  }
  write_out(report_footer(options.format, counts, unlisted));

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
