#include "txreport/report_html.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "txreport/outcomes.h"

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
};
static_assert(std::size(kStatusColours) == kStatusCount,
              "a colour for each host status");

// Up to this many ok hosts show open; more are folded into one line, which
// also spares the browser laying out their rows.
constexpr int kOpenOkHostsMax = 100;

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
    "td.p{white-space:normal}"
    "tr:nth-child(even) th{background:#f4f4f4}"
    "td[title]{padding:1px 0;text-align:center;font:bold 13px monospace}";

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
  return "<!DOCTYPE html>\n<html lang=en>\n<meta charset=utf-8>\n<title>" +
         title + "</title>\n<style>" + css + "</style>\n<h1>" + title +
         "</h1>\n";
}

// One status's share of the summary's bar.
std::string bar_part(const std::string &word, int hosts) {
  const std::string count = std::to_string(hosts);
  return "<span class=" + word + " style=\"flex:" + count + "\" title=\"" +
         count + " " + word + "\"></span>";
}

// The count of hosts in each status, as numbers and as a bar.
std::string summary(const StatusCounts &counts) {
  std::string numbers = "<ul>";
  std::string bar = "<div class=bar>";
  for (int status = 0; status < kStatusCount; ++status) {
    const std::string word = status_word(static_cast<HostStatus>(status));
    const int hosts = counts[static_cast<std::size_t>(status)];
    numbers += "<li><i class=" + word + "></i>";
    numbers += std::to_string(hosts) + " " + word;
    bar += hosts != 0 ? bar_part(word, hosts) : "";
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

// A host's row: name, status, an instance cell each, and the problem.
std::string row(const HostReport &report) {
  const std::string status = status_word(report.status);
  std::string line = "<tr><th>" + html_text(host_text(report.host)) +
                     "<td class=" + status + ">" + status;
  for (const InstanceOutcome outcome : report.outcomes) {
    line += outcome_cell("td", outcome);
  }
  if (!report.problem.empty()) {
    line += "<td class=p>" + html_text(terminal_text(report.problem));
  }
  return line + "\n";
}

// Writes the rows of hosts [first, last), in pieces of about kPieceSize,
// in tables of kTableRows under the column heads.
void write_rows(std::vector<HostReport>::const_iterator first,
                std::vector<HostReport>::const_iterator last,
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
                     void (*write)(const std::string &)) {
  // Hosts that are not ok first, then the ok ones, each in name order.
  const auto ok = [](const HostReport &report) {
    return report.status == HostStatus::kOk;
  };
  std::stable_sort(hosts.begin(), hosts.end(),
                   [&ok](const HostReport &a, const HostReport &b) {
                     return ok(a) != ok(b) ? ok(b) : a.host < b.host;
                   });
  const auto first_ok = std::find_if(hosts.begin(), hosts.end(), ok);
  const auto not_ok = static_cast<int>(first_ok - hosts.begin());
  const auto ok_hosts = static_cast<int>(hosts.end() - first_ok);

  write(page_head(not_ok + ok_hosts) + summary(counts) + legend());
  if (not_ok == 0) {
    write("<h2>Every host is ok</h2>\n");
  } else {
    write("<h2>" + count_text(not_ok, "host", "hosts") + " not ok</h2>\n");
    write_rows(hosts.begin(), first_ok, write);
  }
  if (ok_hosts != 0) {
    write(std::string("<details") +
          (ok_hosts <= kOpenOkHostsMax ? " open" : "") + "><summary>" +
          count_text(ok_hosts, "ok host", "ok hosts") + "</summary>\n");
    write_rows(first_ok, hosts.end(), write);
    write("</details>\n");
  }
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
