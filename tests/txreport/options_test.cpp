// The command line: accepted forms, and usage errors with their messages.
#include "txreport/options.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

struct Accepted {
  std::vector<std::string> args;
  ReportFormat format;
  ExpectMask expect;
  std::vector<std::string> paths;
};

TEST(Options, AcceptsEachForm) {
  const std::vector<Accepted> cases{
      {{"logs"}, ReportFormat::kTable, 0, {"logs"}},
      {{"--format", "csv", "a", "b"}, ReportFormat::kCsv, 0, {"a", "b"}},
      {{"a", "--format=jsonl", "b"}, ReportFormat::kJsonl, 0, {"a", "b"}},
      {{"--format", "html", "a"}, ReportFormat::kHtml, 0, {"a"}},
      {{"--format=csv", "--format", "table", "a"},
       ReportFormat::kTable,
       0,
       {"a"}},
      {{"--expect", "0,15", "a"}, ReportFormat::kTable, 0x8001, {"a"}},
      {{"--expect=3,3,07", "--expect", "1", "a"},
       ReportFormat::kTable,
       0x8a,
       {"a"}},
      {{"--", "--help", "-x", "a"},
       ReportFormat::kTable,
       0,
       {"--help", "-x", "a"}},
      {{"-", ""}, ReportFormat::kTable, 0, {"-", ""}},
      {{"--", "/?"}, ReportFormat::kTable, 0, {"/?"}},
      {{"/", "/h"}, ReportFormat::kTable, 0, {"/", "/h"}},
  };
  for (const Accepted &c : cases) {
    Options options;
    std::string error;
    ASSERT_TRUE(parse_options(c.args, options, error)) << error;
    EXPECT_EQ(c.format, options.format) << c.args[0];
    EXPECT_EQ(c.expect, options.expect) << c.args[0];
    EXPECT_EQ(c.paths, options.paths) << c.args[0];
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.version);
  }
}

// --help, and /? as on Windows, and --version need no path.
TEST(Options, HelpAndVersionNeedNoPath) {
  const std::vector<std::tuple<std::vector<std::string>, bool, bool>> cases{
      {{"--help"}, true, false},
      {{"-h"}, true, false},
      {{"/?"}, true, false},
      {{"a", "/?"}, true, false},
      {{"--version"}, false, true},
      {{"--format", "csv", "--version"}, false, true},
  };
  for (const auto &[args, help, version] : cases) {
    Options options;
    std::string error;
    ASSERT_TRUE(parse_options(args, options, error)) << args.back();
    EXPECT_EQ(help, options.help) << args.back();
    EXPECT_EQ(version, options.version) << args.back();
  }
}

TEST(Options, RefusesWithAMessage) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{}, "no PATH given"},
      {{"--format", "csv"}, "no PATH given"},
      {{"-x", "a"}, "unknown option \"-x\""},
      {{"-?", "a"}, "unknown option \"-?\""},
      {{"--version=1", "a"}, "unknown option \"--version=1\""},
      {{"--formats=csv", "a"}, "unknown option \"--formats=csv\""},
      {{"a", "--format"}, "--format needs a value: table, csv, jsonl or html"},
      {{"--format=xml", "a"},
       "unknown format \"xml\": use table, csv, jsonl or html"},
      {{"--format", "\x1B[2J", "a"},
       "unknown format \"\\x1B[2J\": use table, csv, jsonl or html"},
      {{"a", "--expect"},
       "--expect needs a list of instance numbers, such as 0,3,7"},
      {{"a", "--hosts"}, "--hosts needs a file: the hosts, a name a line"},
      {{"--hosts=", "a"}, "--hosts needs a file: the hosts, a name a line"},
      {{"a", "--since"},
       "--since takes a UTC time, YYYY-MM-DDTHH:MM:SSZ or YYYY-MM-DD, "
       "not \"\""}};
  for (const auto &[args, message] : cases) {
    Options options;
    std::string error;
    EXPECT_FALSE(parse_options(args, options, error)) << message;
    EXPECT_EQ(message, error);
  }
}

TEST(Options, ExpectTakesOnlyInstanceNumbers) {
  for (const std::string list : {"", "16", "-1", "1,,2", "1,", ",1", "a", " 1",
                                 "1 ", "100", "0x1", "1;2", "+1", "1.0"}) {
    Options options;
    std::string error;
    EXPECT_FALSE(parse_options({"--expect", list, "a"}, options, error))
        << list;
    EXPECT_EQ(
        "--expect takes instance numbers 0 to 15 separated by commas, "
        "not \"" +
            list + "\"",
        error);
  }
}

TEST(Options, TakesAHostsFileAndATime) {
  Options options;
  std::string error;
  ASSERT_TRUE(parse_options({"--hosts", "ou.txt", "--since=2026-12-08", "a"},
                            options, error))
      << error;
  EXPECT_EQ("ou.txt", options.hosts_file);
  EXPECT_TRUE(options.since_given);
  EXPECT_EQ(1796688000, options.since);
  EXPECT_EQ(std::vector<std::string>{"a"}, options.paths);
}

// Times as --since takes them and as the reports give them, both ways.
TEST(Times, ReadAndWriteUtc) {
  const std::vector<std::pair<std::string, long long>> times{
      {"1970-01-01T00:00:00Z", 0},
      {"2026-12-08T14:03:11Z", 1796738591},
      {"2000-02-29T23:59:59Z", 951868799},
      {"1969-12-31T23:59:59Z", -1},
      {"2100-03-01T00:00:00Z", 4107542400}};
  for (const auto &[text, seconds] : times) {
    long long read = 0;
    EXPECT_TRUE(parse_utc_time(text, read)) << text;
    EXPECT_EQ(seconds, read) << text;
    EXPECT_EQ(text, utc_time_text(seconds));
  }
  long long midnight = 0;
  EXPECT_TRUE(parse_utc_time("2026-12-08", midnight));
  EXPECT_EQ(1796688000, midnight);
  for (const std::string text :
       {"", "2026-12-08T14:03:11", "2026-12-08 14:03:11Z", "2026-12-8",
        "2026-13-01", "2026-00-10", "2026-02-29", "2100-02-29", "2026-04-31",
        "2026-12-08T24:00:00Z", "2026-12-08T14:60:00Z", "2026-12-08T14:03:60Z",
        "2026-12-08T14:03:11+01:00", "2026-12-08t14:03:11z", "+026-12-08",
        "2026-12-08T14:03:1Z"}) {
    long long read = 0;
    EXPECT_FALSE(parse_utc_time(text, read)) << text;
  }
}

// What a hosts file may hold, and what it may not.
TEST(HostList, ReadsNamesAndRefusesWhatIsNoName) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> lists{
      {"web01\nweb02\n", {"web01", "web02"}},
      {"\xEF\xBB\xBFWEB01\r\n\r\n  # a comment\r\n\tdb \r\nweb01",
       {"WEB01", "db"}},
      {"# only comments\n\n", {}},
      {"\"WEB01\"\r\n\"DB01\"\r\n\"\"\"\n", {"WEB01", "DB01", "\""}},
      {"", {}},
      {"caf\xC3\xA9\nCAF\xC3\xA9\nCAF\xC3\x89\n",
       {"caf\xC3\xA9", "CAF\xC3\x89"}},
      {std::string(255, 'a'), {std::string(255, 'a')}}};
  for (const auto &[bytes, names] : lists) {
    std::vector<std::string> read;
    std::string error;
    EXPECT_TRUE(read_host_list(bytes, read, error)) << error;
    EXPECT_EQ(names, read) << bytes;
  }
  const std::vector<std::pair<std::string, std::string>> refused{
      {"\xFF\xFEw\0e\0b\0",
       "UTF-16 text: write it as ASCII (Set-Content "
       "-Encoding ascii)"},
      {"a\n" + std::string(256, 'b'), "line 2: longer than 255 bytes"},
      {"web 01\n", "line 1: not a printable name without spaces: \"web 01\""},
      {"a\nb\x1B[2J\n",
       "line 2: not a printable name without spaces: "
       "\"b\\x1B[2J\""},
      {std::string("w\0e\0b\0\n", 7),
       "line 1: not a printable name without spaces: \"w\\x00e\\x00b\\x00\""},
      {"caf\xE9\n",
       "line 1: not a printable name without spaces: "
       "\"caf\\xE9\""},
      {"z\xE2\x80\xAEz\n",
       "line 1: not a printable name without spaces: "
       "\"z\\xE2\\x80\\xAEz\""}};
  for (const auto &[bytes, message] : refused) {
    std::vector<std::string> read;
    std::string error;
    EXPECT_FALSE(read_host_list(bytes, read, error)) << message;
    EXPECT_EQ(message, error);
  }
  std::string many;
  for (std::size_t line = 0; line <= kHostLinesMax; ++line) {
    many += "#\n";
  }
  std::vector<std::string> read;
  std::string error;
  EXPECT_FALSE(read_host_list(many, read, error));
  EXPECT_EQ("more than 262144 lines", error);
  EXPECT_EQ("web01", fold_case("WeB01"));
  EXPECT_EQ("caf\xC3\x89", fold_case("CAF\xC3\x89"));  // ASCII only
}

}  // namespace
