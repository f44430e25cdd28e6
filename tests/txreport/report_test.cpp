// The output formats: quoting and escaping that keep them parseable and
// harmless whatever a host name holds, the table's layout, and the order
// and folding of the html page.
#include "txreport/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "txreport/report_html.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

HostReport host(const std::string &name, HostStatus status,
                const std::string &problem = "") {
  HostReport report{name, status, {}, problem, "", {}};
  if (status != HostStatus::kUnreadable) {
    report.outcomes.fill(InstanceOutcome::kNotOpened);
    report.outcomes[1] = InstanceOutcome::kReset;
    report.outcomes[2] = InstanceOutcome::kWritten;
  }
  return report;
}

TEST(Csv, QuotesFieldsThatNeedIt) {
  const Pairs fields{{"web01", "web01"},
                     {"a,b", "\"a,b\""},
                     {"say \"hi\"", "\"say \"\"hi\"\"\""},
                     {"a\nb", "\"a\nb\""},
                     {"a\rb", "\"a\rb\""},
                     {"", ""}};
  for (const auto &[text, field] : fields) {
    EXPECT_EQ(field, csv_field(text)) << text;
  }
}

TEST(Csv, GivesARowPerInstanceOrOneForAnUnreadableHost) {
  const std::string rows =
      report_host(ReportFormat::kCsv, host("we\"b,01", HostStatus::kOk), 0);
  EXPECT_EQ(0U, rows.find("\"we\"\"b,01\",0,not-opened\n"
                          "\"we\"\"b,01\",1,reset\n"
                          "\"we\"\"b,01\",2,written\n"
                          "\"we\"\"b,01\",3,not-opened\n"));
  EXPECT_EQ(16, std::count(rows.begin(), rows.end(), '\n'));
  EXPECT_EQ("db\\xFF,,unreadable\n",
            report_host(ReportFormat::kCsv,
                        host("db\xFF", HostStatus::kUnreadable, "x"), 0));
  EXPECT_EQ("'=web9,,missing\n",
            report_host(ReportFormat::kCsv, missing_host("=web9"), 0));
  HostReport stale = host("old", HostStatus::kStale, "written long ago");
  stale.found = HostStatus::kOk;
  EXPECT_EQ(0U, report_host(ReportFormat::kCsv, stale, 0)
                    .find("old,0,not-opened\nold,1,reset\n"));
  EXPECT_EQ("host,instance,outcome\n", report_header(ReportFormat::kCsv, 0));
}

// Nothing a spreadsheet takes for a formula, nothing a terminal acts on.
TEST(Csv, MakesHostsPlainText) {
  const Pairs hosts{{"web01", "web01"},
                    {"=cmd|'/c calc'!A1", "'=cmd|'/c calc'!A1"},
                    {"+1", "'+1"},
                    {"-2", "'-2"},
                    {"@SUM(A1)", "'@SUM(A1)"},
                    {"=a,b", "\"'=a,b\""},
                    {"a=b", "a=b"},
                    {"\tab", "\\x09ab"},
                    {"\r\n", "\\x0D\\x0A"},
                    {"ctl\x1B[2J\x7F", "ctl\\x1B[2J\\x7F"},
                    {"\xC2\x9B"
                     "31m",
                     "\\xC2\\x9B31m"},
                    {"rlo\xE2\x80\xAEgol\xE2\x80\xAC",
                     "rlo\\xE2\\x80\\xAEgol\\xE2\\x80\\xAC"}};
  for (const auto &[name, field] : hosts) {
    EXPECT_EQ(field, csv_host(name)) << field;
  }
}

TEST(Json, EscapesControlsAndRepairsUtf8) {
  const Pairs strings{
      {"plain", "\"plain\""},
      {"q\"b\\", "\"q\\\"b\\\\\""},
      {"\n\t\x01\x1F\x7F", "\"\\u000A\\u0009\\u0001\\u001F\\u007F\""},
      {"\xC2\x9B", "\"\\u009B\""},                           // C1 control
      {"\xC3\xA9\xE2\x82\xAC", "\"\xC3\xA9\xE2\x82\xAC\""},  // é€ stay
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},          // outside the BMP
      {"a\xFF", "\"a\xEF\xBF\xBD\""},
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},  // overlong "/"
      {"\xED\xA0\x80",
       "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // surrogate
      {"\xE2\x82", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},  // cut short
      {"\xF4\x90\x80\x80",
       "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // > U+10FFFF
  };
  for (const auto &[text, literal] : strings) {
    EXPECT_EQ(literal, json_string(text)) << literal;
  }
}

TEST(Json, GivesOneObjectPerHost) {
  EXPECT_EQ(
      "{\"host\":\"web01\",\"status\":\"failed\",\"instances\":["
      "\"not-opened\",\"reset\",\"written\",\"not-opened\","
      "\"not-opened\",\"not-opened\",\"not-opened\",\"not-opened\","
      "\"not-opened\",\"not-opened\",\"not-opened\",\"not-opened\","
      "\"not-opened\",\"not-opened\",\"not-opened\",\"not-opened\"],"
      "\"problem\":\"instance 0 expected, not-opened\",\"written\":null}\n",
      report_host(
          ReportFormat::kJsonl,
          host("web01", HostStatus::kFailed, "instance 0 expected, not-opened"),
          0));
  const std::string unreadable =
      report_host(ReportFormat::kJsonl,
                  host("x", HostStatus::kUnreadable, "empty file"), 0);
  EXPECT_NE(std::string::npos,
            unreadable.find("\"status\":\"unreadable\",\"instances\":["
                            "\"unknown\",\"unknown\","));
  EXPECT_NE(std::string::npos,
            report_host(ReportFormat::kJsonl, host("x", HostStatus::kOk), 0)
                .find("\"problem\":null,\"written\":null}"));
}

// When the log was written, on every host that has one; what a stale log
// says, beside its status; a missing host with outcomes unknown.
TEST(Jsonl, GivesWhenTheLogWasWrittenAndWhatAStaleOneSays) {
  HostReport fresh = host("a", HostStatus::kOk);
  fresh.written = "2026-12-08T14:03:11Z";
  HostReport stale = host("b", HostStatus::kStale, "written 2026-01-01");
  stale.written = "2026-01-01T00:00:00Z";
  stale.found = HostStatus::kNeedsReset;
  const std::vector<std::pair<HostReport, std::vector<std::string>>> cases{
      {fresh,
       {"{\"host\":\"a\",\"status\":\"ok\",\"instances\":[",
        ",\"problem\":null,\"written\":\"2026-12-08T14:03:11Z\"}\n"}},
      {stale,
       {"{\"host\":\"b\",\"status\":\"stale\",\"found\":\"needs-reset\","
        "\"instances\":[\"not-opened\",\"reset\",",
        "\"written\":\"2026-01-01T00:00:00Z\"}\n"}},
      {missing_host("Web09"),
       {"{\"host\":\"Web09\",\"status\":\"missing\",\"instances\":["
        "\"unknown\",\"unknown\",",
        "\"problem\":\"no log from this host\",\"written\":null}\n"}}};
  for (const auto &[report, parts] : cases) {
    const std::string line = report_host(ReportFormat::kJsonl, report, 0);
    EXPECT_EQ(0U, line.find(parts[0])) << line;
    EXPECT_EQ(line.size() - parts[1].size(), line.rfind(parts[1])) << line;
  }
}

TEST(Terminal, EscapesWhatATerminalWouldActOn) {
  const Pairs texts{
      {"web01", "web01"},
      {"\x1B]0;title\x07", "\\x1B]0;title\\x07"},
      {"\xC2\x9B"
       "31m",
       "\\xC2\\x9B31m"},
      {"a\x7F\xFF\xC3\xA9", "a\\x7F\\xFF\xC3\xA9"},
      {"\xE2\x80\xAEx\xE2\x80\xAC", "\\xE2\\x80\\xAEx\\xE2\\x80\\xAC"},
      {"\xE2\x81\xA6x\xE2\x81\xA9", "\\xE2\\x81\\xA6x\\xE2\\x81\\xA9"},
      {"\xEF\xBB\xBF\xD8\x9C", "\\xEF\\xBB\\xBF\\xD8\\x9C"},
      {"new\nline\r", "new\\x0Aline\\x0D"}};
  for (const auto &[text, safe] : texts) {
    EXPECT_EQ(safe, terminal_text(text)) << safe;
  }
}

// \xNN always stands for one byte, so no two names show alike.
TEST(Hosts, ShowDistinctNamesDistinctly) {
  const std::vector<std::tuple<std::string, std::string, std::string>> names{
      // name, host_text, json_host
      {"bad\xFF\xFE", "bad\\xFF\\xFE", "\"bad\\\\xFF\\\\xFE\""},
      {"bad\xFE\xFF", "bad\\xFE\\xFF", "\"bad\\\\xFE\\\\xFF\""},
      {"bad\\xFF", "bad\\x5CxFF", "\"bad\\\\x5CxFF\""},
      {"bad\\x5CxFF", "bad\\x5Cx5CxFF", "\"bad\\\\x5Cx5CxFF\""},
      {"C:\\logs\\xyz\\x1", "C:\\logs\\xyz\\x1", "\"C:\\\\logs\\\\xyz\\\\x1\""},
      {"\\xab", "\\xab", "\"\\\\xab\""},
      {"\\\x01", "\\\\x01", "\"\\\\\\u0001\""},
      {"zw\xE2\x80\x8B", "zw\\xE2\\x80\\x8B", "\"zw\xE2\x80\x8B\""},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "\"\xC3\xA9t\xC3\xA9\""}};
  for (const auto &[name, shown, json] : names) {
    EXPECT_EQ(shown, host_text(name)) << shown;
    EXPECT_EQ(json, json_host(name)) << json;
  }
}

TEST(Table, AlignsColumnsAndCountsHostsByStatus) {
  const std::size_t width =
      host_column_width(display_width("\xC3\xA9t\xC3\xA9"));
  EXPECT_EQ(4U, width);  // never narrower than its heading
  EXPECT_EQ(32U, host_column_width(300));
  EXPECT_EQ("HOST  STATUS       INSTANCES 0-15    PROBLEM\n",
            report_header(ReportFormat::kTable, width));
  EXPECT_EQ("\xC3\xA9t\xC3\xA9   ok           .RW.............\n",
            report_host(ReportFormat::kTable,
                        host("\xC3\xA9t\xC3\xA9", HostStatus::kOk), width));
  EXPECT_EQ("a\\x1B  unreadable   ????????????????  line 3: x\\x07\n",
            report_host(ReportFormat::kTable,
                        host("a\x1B", HostStatus::kUnreadable, "line 3: x\x07"),
                        width));
  const std::vector<std::tuple<StatusCounts, int, std::string>> summaries{
      {{1, 0, 1, 1, 1, 0, 0},
       kNoHostList,
       "4 hosts: 1 ok, 0 needs-reset, 1 failed, 1 incomplete, 1 unreadable, "
       "0 stale, 0 missing\n"},
      {{0, 0, 0, 1, 0, 0, 0},
       kNoHostList,
       "1 host: 0 ok, 0 needs-reset, 0 failed, 1 incomplete, 0 unreadable, "
       "0 stale, 0 missing\n"},
      {{2, 0, 0, 0, 0, 1, 3},
       2,
       "6 hosts: 2 ok, 0 needs-reset, 0 failed, 0 incomplete, 0 unreadable, "
       "1 stale, 3 missing; 2 not on the list\n"},
      {{1, 0, 0, 0, 0, 0, 0},
       0,
       "1 host: 1 ok, 0 needs-reset, 0 failed, 0 incomplete, 0 unreadable, "
       "0 stale, 0 missing; 0 not on the list\n"}};
  for (const auto &[counts, unlisted, line] : summaries) {
    EXPECT_EQ(line, report_footer(ReportFormat::kTable, counts, unlisted));
    EXPECT_EQ("", report_footer(ReportFormat::kCsv, counts, unlisted));
  }
}

TEST(Html, EscapesMarkupInTextAndAttributes) {
  const Pairs texts{
      {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
      {"a&b \"c\" 'd'", "a&amp;b &quot;c&quot; &#39;d&#39;"},
      {"&lt;", "&amp;lt;"}};
  for (const auto &[text, escaped] : texts) {
    EXPECT_EQ(escaped, html_text(text));
  }
}

std::string page;  // what write_html_page wrote
void collect(const std::string &text) { page += text; }

// Hosts not ok first, then the ok ones, each in name order; the ok ones
// folded away past a hundred rows; names and problems as the table shows
// them. Each ok host has a map of its own, so a row of its own.
TEST(Html, SortsHostsAndFoldsManyOkOnes) {
  for (const int ok_hosts : {100, 101}) {
    std::vector<HostReport> hosts{
        host("b", HostStatus::kFailed, "x<y"),
        host("\xE2\x80\xAEz\xE2\x80\xAC", HostStatus::kOk),
        host("a\xFF", HostStatus::kUnreadable)};
    for (int at = 1; at < ok_hosts; ++at) {
      hosts.push_back(host("ok" + std::to_string(at), HostStatus::kOk));
      int left = at;
      for (std::size_t digit = 4; digit < 9; ++digit, left /= 3) {
        hosts.back().outcomes.at(digit) =
            static_cast<InstanceOutcome>(left % 3);
      }
    }
    page.clear();
    write_html_page(hosts, {ok_hosts, 1, 0, 1}, kNoHostList, collect);
    const std::size_t first = page.find("<tr><th>a\\xFF<td class=unreadable>");
    const std::size_t second = page.find("<tr><th>b<td class=failed>");
    const std::size_t third = page.find("<tr><th>ok1<td class=ok>");
    const std::size_t last =
        page.find("<tr><th>\\xE2\\x80\\xAEz\\xE2\\x80\\xAC<td class=ok>");
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_LT(third, last);
    EXPECT_NE(std::string::npos, last);
    EXPECT_NE(std::string::npos, page.find("<td class=p>x&lt;y\n"));
    std::size_t rows = 0;
    for (std::size_t at = 0;
         (at = page.find("\n<tr>", at)) != std::string::npos;) {
      ++rows;
      ++at;
    }
    EXPECT_EQ(static_cast<std::size_t>(ok_hosts) + 2, rows);
    EXPECT_NE(std::string::npos,
              page.find(ok_hosts > 100 ? "<details><summary>101 ok hosts"
                                       : "<details open><summary>100 ok"));
  }
}

// Hosts of one status, map and problem share a row, which names them
// (folded past five); rows of problems first, then the most hosts.
TEST(Html, GroupsHostsOfOnePattern) {
  std::vector<HostReport> hosts{host("f2", HostStatus::kFailed, "x"),
                                host("e", HostStatus::kFailed, "y"),
                                host("f1", HostStatus::kFailed, "x")};
  for (int at = 6; at > 0; --at) {
    hosts.push_back(host("a" + std::to_string(at), HostStatus::kOk));
  }
  page.clear();
  write_html_page(hosts, {6, 0, 3, 0, 0}, kNoHostList, collect);
  const std::size_t pair = page.find(
      "<tr><th><details open><summary>2 hosts</summary><ul class=n><li>f1"
      "<li>f2</ul></details><td class=failed>");
  const std::size_t single = page.find("<tr><th>e<td class=failed>");
  const std::size_t ok = page.find(
      "<tr><th><details><summary>6 hosts</summary><ul class=n><li>a1<li>a2");
  EXPECT_LT(pair, single);
  EXPECT_LT(single, ok);
  EXPECT_NE(std::string::npos, ok);
  EXPECT_NE(std::string::npos, page.find("<h2>3 hosts not ok</h2>"));
}

// Missing hosts group like any others; a stale row shows what its log
// says; each name is titled with when its log was written; the summary
// counts the hosts not on the list.
TEST(Html, ShowsMissingAndStaleHostsAndWhenLogsWereWritten) {
  std::vector<HostReport> hosts{missing_host("m2"), missing_host("m1"),
                                host("s", HostStatus::kStale, "old"),
                                host("w", HostStatus::kOk)};
  hosts[2].found = HostStatus::kFailed;
  hosts[2].written = "2026-01-02T03:04:05Z";
  hosts[3].written = "2026-12-08T14:03:11Z";
  page.clear();
  write_html_page(hosts, {1, 0, 0, 0, 0, 1, 2}, 4, collect);
  for (const char *part :
       {"<li><i class=stale></i>1 stale<li><i class=missing></i>2 missing"
        "<li>4 hosts not on the list</ul>",
        "<tr><th><details open><summary>2 hosts</summary><ul class=n><li>m1"
        "<li>m2</ul></details><td class=missing>missing<td title=unknown>?",
        "<tr><th title=\"written 2026-01-02T03:04:05Z\">s<td class=stale>"
        "stale (found failed)<td",
        "<tr><th title=\"written 2026-12-08T14:03:11Z\">w<td class=ok>ok<td",
        "<h2>3 hosts not ok</h2>", ".missing{background:"}) {
    EXPECT_NE(std::string::npos, page.find(part)) << part;
  }
}

}  // namespace
