// The built program on folders of files: hosts in order, exit statuses,
// files and folders it cannot read, and output jq accepts for any name.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "child_process.h"
#include "expected_output.h"

namespace {

using ChildRun = ProgramRun;

void write_file(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Runs `program` in folder `cwd` with standard input from `input`; as the
// user nobody when asked, so that permissions apply.
ChildRun run(const std::string &program, const std::vector<std::string> &args,
             const std::string &cwd, const std::string &input = "/dev/null",
             bool as_nobody = false) {
  ChildOptions options;
  options.cwd = cwd;
  options.input = input;
  options.as_nobody = as_nobody;
  return run_child(program, args, options);
}

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/txreport-cli-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
    chmod(dir_.c_str(), 0755);
  }
  void TearDown() override {
    EXPECT_EQ(0, run("/bin/rm", {"-rf", dir_}, "/").exit_status);
  }
  // Runs txreport in the test's folder, where the paths below are.
  ChildRun txreport(const std::vector<std::string> &args,
                    bool as_nobody = false) const {
    return run(TXREPORT_PROGRAM, args, dir_, "/dev/null", as_nobody);
  }
  std::string path(const std::string &name) const { return dir_ + "/" + name; }
  std::string make_folder(const std::string &name) const {
    mkdir(path(name).c_str(), 0755);
    return name;
  }
  const std::string &dir() const { return dir_; }

 private:
  std::string dir_;
};

const std::string kGood = sweep_transcript({{1, kResetAfterDelete}});
const std::string kLost = sweep_transcript({{2, kWriteFailsAfterDelete}});

TEST_F(Cli, ReportsFoldersInNameOrderAndSaysWhetherAllIsWell) {
  const std::string logs = make_folder("logs");
  write_file(path("logs/web02.log"), kLost);
  write_file(path("logs/db.log"), kGood.substr(0, 30));
  write_file(path("logs/web01.log"), kGood);
  write_file(path("logs/Z.txt"), "");
  write_file(path("logs/web01.reg"), "a backup, not a log");
  write_file(path("logs/web03.REG"), "nor this");
  make_folder("logs/subfolder.log");
  write_file(path("logs/subfolder.log/inner.log"), kGood);
  ASSERT_EQ(0, symlink("nowhere", path("logs/ghost.log").c_str()));
  write_file(path("first.log"), kGood);

  const ChildRun all = txreport({"first.log", logs, "missing"});
  EXPECT_EQ(1, all.exit_status);
  EXPECT_EQ("", all.err);
  EXPECT_EQ(
      "HOST     STATUS       INSTANCES 0-15    PROBLEM\n"
      "first    ok           .R..............\n"
      "Z        unreadable   ????????????????  empty file: txreset writes to "
      "standard error; keep its transcript with txreset.exe 2> HOST.log (2>&1 "
      "for a combined log)\n"
      "db       incomplete   ????????????????  transcript ends inside the "
      "banner (killed, or still running?)\n"
      "ghost    unreadable   ????????????????  cannot open: No such file or "
      "directory\n"
      "web01    ok           .R..............\n"
      "web02    failed       ..L.............  instance 2 lost (value "
      "deleted, none written)\n"
      "missing  unreadable   ????????????????  no such file or folder\n"
      "7 hosts: 2 ok, 0 needs-reset, 1 failed, 1 incomplete, 3 unreadable, "
      "0 stale, 0 missing\n",
      all.out);

  const ChildRun good = txreport({"--format=csv", "logs/web01.log"});
  EXPECT_EQ(0, good.exit_status);
  EXPECT_EQ(0U, good.out.find("host,instance,outcome\nweb01,0,not-opened\n"
                              "web01,1,reset\n"));
  EXPECT_EQ(1, txreport({"--expect", "1,2", "logs/web01.log"}).exit_status);
}

TEST_F(Cli, RefusesUsageErrorsAndEmptyFolders) {
  const std::string empty = make_folder("empty");
  make_folder("empty/only-a-folder");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{}, "txreport: no PATH given\n"},
      {{"--expect", "16", empty},
       "txreport: --expect takes instance numbers "
       "0 to 15 separated by commas, not \"16\"\n"},
      {{"--format", "xml", empty},
       "txreport: unknown format \"xml\": use table, csv, jsonl or html\n"},
      {{empty, empty}, "txreport: no transcript file found\n"}};
  for (const auto &[args, message] : cases) {
    const ChildRun refused = txreport(args);
    EXPECT_EQ(2, refused.exit_status) << message;
    EXPECT_EQ(message + "Try 'txreport --help' for more information.\n",
              refused.err);
    EXPECT_EQ("", refused.out);
  }
  const ChildRun help = txreport({"--help"});
  EXPECT_EQ(0, help.exit_status);
  for (const std::vector<std::string> &args :
       std::vector<std::vector<std::string>>{{"/?"}, {"logs", "/?"}}) {
    const ChildRun same = txreport(args);
    EXPECT_EQ(0, same.exit_status) << args.back();
    EXPECT_EQ(help.out, same.out) << args.back();
  }
  const ChildRun version = txreport({"--version"});
  EXPECT_EQ(0, version.exit_status);
  EXPECT_EQ("txreport version " TX_VERSION "\n", version.out);
  EXPECT_EQ("", help.err + version.err);
  EXPECT_NE(std::string::npos,
            help.out.find("  --help, /?       show this text\n"
                          "  --version        show the version\n"));
  EXPECT_NE(std::string::npos, help.out.find("Exit status: 0 every host ok"));
  EXPECT_NE(std::string::npos, help.out.find("  L  lost "));
  EXPECT_NE(std::string::npos,
            help.out.find("each of its\ninstances 0 to 15. A PATH that"));
  EXPECT_NE(std::string::npos,
            help.out.find("  ?  unknown       the log ends before this "
                          "instance\nand as the last check finds them"));
  EXPECT_NE(std::string::npos,
            help.out.find("  B  blocked       it needs a reset, but the key "
                          "does not open with\n                   full "
                          "access\n  U  unreadable "));
}

TEST_F(Cli, ReportsWhatItMayNotRead) {
  make_folder("locked");
  write_file(path("locked/web01.log"), kGood);
  chmod(path("locked").c_str(), 0);
  write_file(path("secret.log"), kGood);
  chmod(path("secret.log").c_str(), 0);

  const ChildRun denied =
      txreport({"--format", "jsonl", "locked", "secret.log"}, geteuid() == 0);
  chmod(path("locked").c_str(), 0755);
  if (denied.exit_status == 126 || denied.exit_status == 127) {
    GTEST_SKIP() << "cannot run " << TXREPORT_PROGRAM << " as nobody";
  }
  std::string unknowns = "\"unknown\"";
  for (int instance = 1; instance < 16; ++instance) {
    unknowns += ",\"unknown\"";
  }
  EXPECT_EQ(1, denied.exit_status);
  EXPECT_EQ("{\"host\":\"locked\",\"status\":\"unreadable\",\"instances\":[" +
                unknowns +
                "],\"problem\":\"cannot read folder: Permission denied\","
                "\"written\":null}\n"
                "{\"host\":\"secret\",\"status\":\"unreadable\","
                "\"instances\":[" +
                unknowns +
                "],\"problem\":\"cannot open: Permission denied\","
                "\"written\":null}\n",
            denied.out);
}

TEST_F(Cli, KeepsAnyHostNameParseable) {
  make_folder("names");
  const std::vector<std::pair<std::string, std::string>> names{
      {"a\"quote\\back", "a\"quote\\back"},
      {"b\\xFF", "b\\x5CxFF"},           // in name order
      {"bad\xFE\xFF", "bad\\xFE\\xFF"},  // each name its own host
      {"bad\xFF\xFE", "bad\\xFF\\xFE"},
      {"comma,1", "comma,1"},
      {"ctl\x01\x1B[2J\x7F", "ctl\x01\x1B[2J\x7F"},
      {"new\nline", "new\nline"},
      {"utf\xC3\xA9", "utf\xC3\xA9"},
      {"zw\xE2\x80\x8B", "zw\xE2\x80\x8B"}};
  std::string hosts;
  for (const auto &[name, host] : names) {
    write_file(path("names/" + name + ".log"), kGood);
    hosts += host + '\0';
  }
  const ChildRun jsonl = txreport({"--format", "jsonl", "names"});
  EXPECT_EQ(0, jsonl.exit_status);
  write_file(path("report.jsonl"), jsonl.out);
  const ChildRun parsed = run(TXREPORT_JQ, {"-j", R"(.host + "\u0000")"}, dir(),
                              path("report.jsonl"));
  EXPECT_EQ(0, parsed.exit_status) << parsed.err;
  EXPECT_EQ(hosts, parsed.out);

  // The table and CSV show every name without a byte a terminal acts on.
  const ChildRun table = txreport({"names"});
  const ChildRun csv = txreport({"--format", "csv", "names"});
  for (const char c : table.out + csv.out) {
    EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int{c};
    EXPECT_NE('\x7F', c);
  }
  EXPECT_NE(std::string::npos, table.out.find("ctl\\x01\\x1B[2J\\x7F  ok"));
  EXPECT_NE(std::string::npos, table.out.find("zw\\xE2\\x80\\x8B      ok"));
  EXPECT_NE(std::string::npos, csv.out.find("\nnew\\x0Aline,0,not-opened\n"));
}

// A file reached twice is reported once; two files of one host are both
// reported, each saying so.
TEST_F(Cli, ReportsEachFileOnceAndEachHostOfTwoFiles) {
  make_folder("logs");
  write_file(path("logs/db.log"), kGood);
  write_file(path("logs/web01.log"), kGood);
  write_file(path("logs/web01.txt"), kLost);
  const ChildRun report =
      txreport({"logs", "logs/db.log", "./logs", dir() + "/logs/db.log"});
  EXPECT_EQ(1, report.exit_status);
  EXPECT_EQ(
      "HOST   STATUS       INSTANCES 0-15    PROBLEM\n"
      "db     ok           .R..............\n"
      "web01  failed       .R..............  host also reported from "
      "logs/web01.txt\n"
      "web01  failed       ..L.............  instance 2 lost (value deleted, "
      "none written); host also reported from logs/web01.log\n"
      "3 hosts: 1 ok, 0 needs-reset, 2 failed, 0 incomplete, 0 unreadable, "
      "0 stale, 0 missing\n",
      report.out);
}

void set_written(const std::string &path, long long seconds) {
  const timespec times[2] = {{static_cast<time_t>(seconds), 0},
                             {static_cast<time_t>(seconds), 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0)) << path;
}

// A fleet against its list, as Active Directory writes it: a host without
// a log is missing, a log from before --since is stale, a host not on the
// list is reported and counted.
TEST_F(Cli, AccountsForEveryListedHostAndOldLogs) {
  make_folder("logs");
  write_file(path("logs/DB.log"), kGood);
  set_written(path("logs/DB.log"), 1767225600);  // 2026-01-01T00:00:00Z
  write_file(path("logs/extra.log"), kLost);
  write_file(path("logs/web01.log"), kGood);
  set_written(path("logs/web01.log"), 1796724000);  // 2026-12-08T10:00:00Z
  write_file(path("hosts.txt"),
             "\xEF\xBB\xBF# OU=Servers\r\nweb01\r\ndb\r\nweb02\r\nWEB01\r\n");
  const std::vector<std::pair<std::vector<std::string>, std::string>> runs{
      {{"--hosts", "hosts.txt", "--since", "2026-12-01", "logs"},
       "HOST   STATUS       INSTANCES 0-15    PROBLEM\n"
       "DB     stale        .R..............  written 2026-01-01T00:00:00Z, "
       "found ok\n"
       "extra  failed       ..L.............  instance 2 lost (value deleted, "
       "none written)\n"
       "web01  ok           .R..............\n"
       "web02  missing      ????????????????  no log from this host\n"
       "4 hosts: 1 ok, 0 needs-reset, 1 failed, 0 incomplete, 0 unreadable, "
       "1 stale, 1 missing; 1 not on the list\n"},
      {{"--format=csv", "--hosts=hosts.txt", "logs/web01.log"},
       "host,instance,outcome\nweb01,0,not-opened\n"},
      {{"--format", "jsonl", "--since=2026-12-08T10:00:00Z", "logs/web01.log",
        "logs/DB.log"},
       "{\"host\":\"web01\",\"status\":\"ok\",\"instances\":["}};
  for (const auto &[args, start] : runs) {
    const ChildRun report = txreport(args);
    EXPECT_EQ(1, report.exit_status) << start;
    EXPECT_EQ("", report.err);
    EXPECT_EQ(0U, report.out.find(start)) << report.out;
  }
  const ChildRun jsonl = txreport(runs[2].first);
  EXPECT_NE(std::string::npos,
            jsonl.out.find("\"written\":\"2026-12-08T10:00:00Z\"}\n"
                           "{\"host\":\"DB\",\"status\":\"stale\","
                           "\"found\":\"ok\",\"instances\":["));
  EXPECT_NE(std::string::npos,
            txreport({"--format=csv", "--hosts", "hosts.txt", "logs"})
                .out.find("\nweb02,,missing\n"));
  // A list alone reports its hosts, all missing.
  const std::string empty = make_folder("empty");
  const ChildRun none = txreport({"--hosts", "hosts.txt", empty});
  EXPECT_EQ(1, none.exit_status);
  EXPECT_NE(std::string::npos,
            none.out.find("3 hosts: 0 ok, 0 needs-reset, 0 failed, "
                          "0 incomplete, 0 unreadable, 0 stale, 3 missing; "
                          "0 not on the list\n"));
  // A list of 100,000 read whole, far past the first read of the file: the
  // host on its last line is the one with a log.
  std::string many;
  for (int host = 1; host < 100000; ++host) {
    many += "host" + std::to_string(host) + "\r\n";
  }
  write_file(path("many.txt"), many + "WEB01\r\n");
  EXPECT_NE(std::string::npos,
            txreport({"--hosts", "many.txt", "logs/web01.log"})
                .out.find("\n100000 hosts: 1 ok, 0 needs-reset, 0 failed, "
                          "0 incomplete, 0 unreadable, 0 stale, 99999 missing; "
                          "0 not on the list\n"));
  // Every listed host reported, since the time given: all is well.
  write_file(path("one.txt"), "Web01\n");
  const ChildRun fresh = txreport(
      {"--hosts", "one.txt", "--since", "2026-12-08", "logs/web01.log"});
  EXPECT_EQ(0, fresh.exit_status) << fresh.out;
}

TEST_F(Cli, RefusesAHostsFileThatIsNoList) {
  write_file(path("log.log"), kGood);
  write_file(path("utf16.txt"), std::string("\xFF\xFEw\0e\0b\0", 8));
  write_file(path("long.txt"), "a\n" + std::string(300, 'b') + "\n");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--hosts", "nope.txt", "log.log"},
       "--hosts \"nope.txt\": cannot open: No such file or directory"},
      {{"--hosts", "utf16.txt", "log.log"},
       "--hosts \"utf16.txt\": UTF-16 text: write it as ASCII (Set-Content "
       "-Encoding ascii)"},
      {{"--hosts", "long.txt", "log.log"},
       "--hosts \"long.txt\": line 2: longer than 255 bytes"},
      {{"--since", "2026-12-08T14:03Z", "log.log"},
       "--since takes a UTC time, YYYY-MM-DDTHH:MM:SSZ or YYYY-MM-DD, not "
       "\"2026-12-08T14:03Z\""}};
  for (const auto &[args, message] : cases) {
    const ChildRun refused = txreport(args);
    EXPECT_EQ(2, refused.exit_status) << message;
    EXPECT_EQ("txreport: " + message +
                  "\nTry 'txreport --help' for more information.\n",
              refused.err);
    EXPECT_EQ("", refused.out);
  }
}

}  // namespace
