#include "txreport/report_html.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <tuple>

#include "txreport/outcomes.h"
#include "txreport/report_html_script.h"

namespace {

// Colours of the page: a background and the text on it.
struct Colours {
  const char *background;
  const char *text;
};

// A host status's colours, indexed by HostStatus.
constexpr Colours kStatusColours[] = {
    {"#1a9641", "#fff"},  // ok
    {"#abd9e9", "#000"},  // needs-reset
    {"#b2182b", "#fff"},  // failed
    {"#fdae61", "#000"},  // incomplete
    {"#878787", "#fff"},  // unreadable
    {"#c2a5cf", "#000"},  // stale
    {"#542788", "#fff"},  // missing
};
static_assert(std::size(kStatusColours) == kStatusCount,
              "a colour for each host status");

// Up to this many rows of ok hosts show open; more are folded into one
// line, which also spares the browser laying out their rows.
constexpr int kOpenOkRowsMax = 100;

// A row of up to this many hosts shows their names; more are folded into
// the count of them, which opens on a click.
constexpr std::size_t kOpenNamesMax = 5;

// Rows are written in tables of this many, each in a block that the
// browser lays out only when it comes into view (it does not skip tables
// themselves), so that a fleet of many hosts that are not ok opens about as
// fast as one of a few.
constexpr int kTableRows = 100;

// What the page writes at a time.
constexpr std::size_t kPieceSize = std::size_t{64} * 1024;

constexpr char kStyle[] =
    "body{font:14px/1.4 sans-serif;margin:1em 1.5em;color:#222}"
    "h1{font-size:1.4em;margin:0 0 .3em}h2{font-size:1.1em;margin:1em 0 .3em}"
    "ul{list-style:none;padding:0;margin:.3em 0}"
    "li{display:inline-block;margin-right:1.2em}"
    "li i{display:inline-block;width:.9em;height:.9em;margin-right:.3em;"
    "vertical-align:-.1em}"
    "li b{font:bold 13px monospace;padding:0 .35em;margin-right:.3em}"
    ".bar{display:flex;height:1.4em;max-width:48em;border:1px solid #888}"
    ".bar span{min-width:2px}"
    "summary{cursor:pointer;font-weight:bold;margin:1em 0 .3em}"
    "table{border-spacing:1px;table-layout:fixed;width:100%;min-width:900px}"
    ".c{content-visibility:auto;contain-intrinsic-size:auto 2200px}"
    ".c+.c{margin-top:-1px}"
    "col:first-child{width:200px}col:nth-child(2){width:100px}"
    "col:nth-child(3){width:22px}"
    "th,td{padding:1px 5px;text-align:left;white-space:nowrap}"
    ".h{position:sticky;top:0;background:#fff}"
    ".h th{font-weight:normal;color:#555;border-bottom:1px solid #888}"
    ".h th.i{padding:1px 0;text-align:center;font-size:11px}"
    "tbody th{font-weight:normal;white-space:normal;overflow-wrap:anywhere}"
    "td.p{white-space:normal;overflow-wrap:anywhere}"
    "tr:nth-child(even) th{background:#f4f4f4}"
    "td[title]{padding:1px 0;text-align:center;font:bold 13px monospace}"
    "th summary{margin:0;font-weight:normal}"
    ".n{max-height:15em;overflow:auto;margin:0}.n li{display:block;margin:0}"
    "input{font:inherit;width:24em;padding:.2em .4em;margin:1em 1em 0 0}"
    "[aria-current]{background:#ffe066!important;outline:2px solid #222}"
    "[hidden]{display:none!important}";

// Only the page's own style and script act, the script by its hash, so
// that no handler or script in the page's text could run; nothing is
// fetched or sent.
constexpr char kPolicy[] =
    "default-src 'none';style-src 'unsafe-inline';base-uri 'none';"
    "form-action 'none';script-src 'sha256-";

// The page's script, kScript, is report_html.js, with the digest the policy
// names it by, kScriptDigest, worked out when the program is built: the
// search box, and the link to a host: report.html#host=NAME opens the page
// with that host shown and marked, #search=TEXT with TEXT searched for.
// Names are read and written as text only (textContent), never as markup.

void add_rule(std::string &css, const std::string &selector,
              const Colours &colours) {
  css += selector + "{background:" + colours.background +
         ";color:" + colours.text + "}";
}

// An instance's cell, or its key in the legend: its letter, titled with
// its word, which the style colours.
std::string outcome_cell(const char *tag, InstanceOutcome outcome) {
  return std::string("<") + tag + " title=" + outcome_word(outcome) + ">" +
         outcome_letter(outcome);
}

std::string count_text(int count, const char *one, const char *many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string page_head(int hosts) {
  std::string css = kStyle;
  // An instance cell's colours, by its outcome. Its letter and its title
  // (its word) make the page readable without colour too. Words and
  // letters are plain tokens, as in the other formats: they need neither
  // quotes nor escapes.
  for (const OutcomeFacts &facts : kOutcomeFacts) {
    add_rule(css, std::string("[title=\"") + facts.word + "\"]",
             {facts.background, facts.colour});
  }
  for (int status = 0; status < kStatusCount; ++status) {
    add_rule(css,
             std::string(".") + status_word(static_cast<HostStatus>(status)),
             kStatusColours[static_cast<std::size_t>(status)]);
  }
  const std::string title = "txreset on " + count_text(hosts, "host", "hosts");
  return std::string(
             "<!DOCTYPE html>\n<html lang=en>\n<meta charset=utf-8>\n"
             "<meta http-equiv=Content-Security-Policy content=\"") +
         kPolicy + kScriptDigest + "'\">\n<title>" + title +
         "</title>\n<style>" + css + "</style>\n<h1>" + title + "</h1>\n";
}

// One status's share of the summary's bar.
std::string bar_part(const std::string &word, int hosts) {
  const std::string count = std::to_string(hosts);
  return "<span class=" + word + " style=\"flex:" + count + "\" title=\"" +
         count + " " + word + "\"></span>";
}

// The count of hosts in each status, as numbers and as a bar.
std::string summary(const StatusCounts &counts, int unlisted) {
  std::string numbers = "<ul>";
  std::string bar = "<div class=bar>";
  for (int status = 0; status < kStatusCount; ++status) {
    const std::string word = status_word(static_cast<HostStatus>(status));
    const int hosts = counts[static_cast<std::size_t>(status)];
    numbers += "<li><i class=" + word + "></i>";
    numbers += std::to_string(hosts) + " " + word;
    bar += hosts != 0 ? bar_part(word, hosts) : "";
  }
  if (unlisted != kNoHostList) {
    numbers +=
        "<li>" + count_text(unlisted, "host", "hosts") + " not on the list";
  }
  return numbers + "</ul>\n" + bar + "</div>\n";
}

std::string legend() {
  std::string items = "<ul>";
  for (const OutcomeFacts &facts : kOutcomeFacts) {
    items += "<li>" + outcome_cell("b", facts.outcome) + "</b>" + facts.word;
  }
  return "<h2>Instances</h2>\n" + items + "</ul>\n";
}

// A table's start: its columns, the host's, the status's, one an instance
// and the problem's.
std::string table_start(const char *attributes) {
  return std::string("<table") + attributes +
         "><col><col><col span=" + std::to_string(kInstanceCount) + "><col>\n";
}

// The column heads, a table of their own that stays in view.
std::string table_head() {
  std::string head = table_start(" class=h") + "<thead><tr><th>Host<th>Status";
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    head += "<th class=i>" + std::to_string(instance);
  }
  return head + "<th>Problem</table>\n";
}

// Hosts of one status, instance map and problem, in name order: a row.
struct Group {
  std::vector<HostReport>::const_iterator first;
  std::vector<HostReport>::const_iterator last;

  [[nodiscard]] std::size_t size() const {
    return static_cast<std::size_t>(last - first);
  }
  [[nodiscard]] bool ok() const { return first->status == HostStatus::kOk; }
};

// The groups of `hosts`, which it sorts: problems first, then the groups of
// most hosts, then name order.
std::vector<Group> groups_of(std::vector<HostReport> &hosts) {
  const auto key = [](const HostReport &report) {
    return std::tie(report.status, report.found, report.outcomes,
                    report.problem);
  };
  std::sort(hosts.begin(), hosts.end(),
            [&key](const HostReport &a, const HostReport &b) {
              return key(a) != key(b) ? key(a) < key(b) : a.host < b.host;
            });
  std::vector<Group> groups;
  for (auto first = hosts.cbegin(); first != hosts.cend();) {
    const auto last = std::find_if(
        first, hosts.cend(),
        [&](const HostReport &report) { return key(report) != key(*first); });
    groups.push_back({first, last});
    first = last;
  }
  std::sort(groups.begin(), groups.end(), [](const Group &a, const Group &b) {
    if (a.ok() != b.ok()) {
      return b.ok();
    }
    return a.size() != b.size() ? a.size() > b.size()
                                : a.first->host < b.first->host;
  });
  return groups;
}

// When a host's log was written, as its name's title.
std::string written_title(const HostReport &report) {
  return report.written.empty() ? ""
                                : " title=\"written " + report.written + "\"";
}

// A group's hosts: the name of one, else their count and their names.
std::string hosts_cell(const Group &group) {
  if (group.size() == 1) {
    return "<th" + written_title(*group.first) + ">" +
           html_text(host_text(group.first->host));
  }
  std::string cell =
      std::string("<th><details") +
      (group.size() <= kOpenNamesMax ? " open" : "") + "><summary>" +
      count_text(static_cast<int>(group.size()), "host", "hosts") +
      "</summary><ul class=n>";
  for (auto report = group.first; report != group.last; ++report) {
    cell += "<li" + written_title(*report) + ">" +
            html_text(host_text(report->host));
  }
  return cell + "</ul></details>";
}

// A group's row: its hosts, status, an instance cell each, and the problem.
std::string row(const Group &group) {
  const HostReport &report = *group.first;
  const std::string status = status_word(report.status);
  std::string line =
      "<tr>" + hosts_cell(group) + "<td class=" + status + ">" + status;
  if (report.status == HostStatus::kStale) {
    line += std::string(" (found ") + status_word(report.found) + ")";
  }
  for (const InstanceOutcome outcome : report.outcomes) {
    line += outcome_cell("td", outcome);
  }
  if (!report.problem.empty()) {
    line += "<td class=p>" + html_text(terminal_text(report.problem));
  }
  return line + "\n";
}

// Writes the rows of groups [first, last), in pieces of about kPieceSize,
// in tables of kTableRows under the column heads.
void write_rows(std::vector<Group>::const_iterator first,
                std::vector<Group>::const_iterator last,
                void (*write)(const std::string &)) {
  std::string piece = "<div>" + table_head();
  for (int at = 0; first != last; ++first, ++at) {
    if (at % kTableRows == 0) {
      piece += at == 0 ? "<div class=c>" : "</table></div>\n<div class=c>";
      piece += table_start("");
    }
    piece += row(*first);
    if (piece.size() >= kPieceSize) {
      write(piece);
      piece.clear();
    }
  }
  write(piece + "</table></div>\n</div>\n");
}

}  // namespace

void write_html_page(std::vector<HostReport> hosts, const StatusCounts &counts,
                     int unlisted, void (*write)(const std::string &)) {
  const std::vector<Group> groups = groups_of(hosts);
  const auto first_ok =
      std::find_if(groups.begin(), groups.end(), std::mem_fn(&Group::ok));
  const auto not_ok = static_cast<int>(
      std::count_if(hosts.begin(), hosts.end(), [](const HostReport &report) {
        return report.status != HostStatus::kOk;
      }));
  const int ok_hosts = static_cast<int>(hosts.size()) - not_ok;

  write(page_head(static_cast<int>(hosts.size())) + summary(counts, unlisted) +
        legend() +
        "<input type=search id=find placeholder=\"Find hosts by name\" "
        "aria-label=\"Find hosts by name\" autocomplete=off>"
        "<span id=found role=status></span>\n");
  if (not_ok == 0) {
    write("<h2>Every host is ok</h2>\n");
  } else {
    write("<h2>" + count_text(not_ok, "host", "hosts") + " not ok</h2>\n");
    write_rows(groups.begin(), first_ok, write);
  }
  if (ok_hosts != 0) {
    write(std::string("<details") +
          (groups.end() - first_ok <= kOpenOkRowsMax ? " open" : "") +
          "><summary>" + count_text(ok_hosts, "ok host", "ok hosts") +
          "</summary>\n");
    write_rows(first_ok, groups.end(), write);
    write("</details>\n");
  }
  write(std::string("<script>") + kScript + "</script>\n");
}

std::string html_text(const std::string &text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}
