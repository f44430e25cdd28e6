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
       "--expect needs a list of instance numbers, such as 0,3,7"}};
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

}  // namespace
