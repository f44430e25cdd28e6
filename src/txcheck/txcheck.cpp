// txcheck: tells, without changing anything, whether "ReportTxEarly" is
// REG_DWORD 0 in the Parameters key of service instances Quorv0 to Quorv15:
// a line per instance on standard output, then a summary as the last line.
#include "txcheck/txcheck.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "texts/check.h"
#include "texts/messages.h"
#include "texts/registry.h"
#include "txcheck/check_instance.h"
#include "txcheck/save_file.h"

namespace {

// Exit statuses.
constexpr UINT kAllGood = 0;    // no instance needs a reset, blocked or not
constexpr UINT kNeedsWork = 1;  // one does, or cannot be read
constexpr UINT kCannotRun = 2;  // a usage error, or no output written

constexpr char kUsageLine[] =
    "usage: txcheck [--help | --version | --backup FILE]\n";

constexpr char kUsage[] =
    "%s"
    "\n"
    "Reads the value %s in HKEY_LOCAL_MACHINE\\%s%s<n>%s\n"
    "for n = 0 to %d and changes nothing. A line per instance tells one of:\n"
    "  ok           the value is REG_DWORD 0\n"
    "  absent       there is no such key: the instance is not installed\n"
    "  needs-reset  the value is missing or something else, and txreset can\n"
    "               open the key with full access to set it\n"
    "  blocked      it needs a reset, but the key does not open with full\n"
    "               access, so txreset would fail there\n"
    "  unreadable   the key or the value cannot be read\n"
    "then what it found. The last line counts each state.\n"
    "\n"
    "--backup FILE also saves, in FILE, what txreset would replace: a\n"
    "registry file with the value exactly as found in each key that txreset\n"
    "can change, or a line that deletes it where it was missing. FILE is\n"
    "written whole or not at all. To put the values back after txreset,\n"
    "run as an administrator:\n"
    "  txrestore FILE\n"
    "which puts back what FILE saved and nothing else.\n"
    "\n"
    "Exit status: 0 when no instance needs a reset, is blocked or is\n"
    "unreadable; 1 otherwise; 2 for a usage error, or when standard output\n"
    "or FILE cannot be written.\n";

// Ends the program once standard output holds all that was written to it.
[[noreturn]] void finish(UINT status) {
  if (std::fflush(stdout) != 0) {
    std::fputs("txcheck: cannot write to standard output\n", stderr);
    ExitProcess(kCannotRun);
  }
  ExitProcess(status);
}

// Says on standard error that the backup could not be saved, and why, and
// ends the program once standard output holds the check. The name is shown
// as given, but for control characters, which show as '?'.
[[noreturn]] void backup_failed(const char *path, const char *reason) {
  std::fputs("txcheck: cannot write ", stderr);
  for (; *path != '\0'; ++path) {
    const auto octet = static_cast<unsigned char>(*path);
    std::fputc(octet < 0x20 || octet == 0x7F ? '?' : octet, stderr);
  }
  std::fputs(": ", stderr);
  std::fputs(reason, stderr);
  std::fputs("\n", stderr);
  finish(kCannotRun);
}

}  // namespace

void txcheck(int argc, char **argv) {
  // All the output in one buffer, written at the end: the C runtime would
  // write an unbuffered console or device a byte at a time.
  static char output[4096];
  std::setvbuf(stdout, output, _IOFBF, sizeof output);
  // /? as Windows programs take it.
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 ||
                    std::strcmp(argv[1], "/?") == 0)) {
    char usage[sizeof kUsageLine + sizeof kUsage + 128];
    std::snprintf(usage, sizeof usage, kUsage, kUsageLine, kSettingValueName,
                  kServicesKeyPath, kServiceName, kParametersKeyPath,
                  kInstanceCount - 1);
    std::fputs(usage, stdout);
    finish(kAllGood);
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fputs(kCheckTitle, stdout);
    finish(kAllGood);
  }
  const char *backup_path = nullptr;
  if (argc == 3 && std::strcmp(argv[1], "--backup") == 0 &&
      argv[2][0] != '\0') {
    backup_path = argv[2];
  } else if (argc > 1) {
    std::fputs(
        "txcheck: takes no arguments but --help, --version or "
        "--backup FILE\n",
        stderr);
    std::fputs(kUsageLine, stderr);
    ExitProcess(kCannotRun);
  }

  RegFile backup{};
  if (backup_path != nullptr) {
    reg_file_begin(backup);
  }
  std::fputs(kCheckTitle, stdout);
  int counts[kCheckStateCount] = {};
  for (int instance = 0; instance < kInstanceCount; ++instance) {
    ++counts[check_instance(instance,
                            backup_path != nullptr ? &backup : nullptr)];
  }
  char summary[128];
  std::snprintf(summary, sizeof summary, kCheckSummaryFormat, kInstanceCount,
                counts[0], kCheckWords[0], counts[1], kCheckWords[1], counts[2],
                kCheckWords[2], counts[3], kCheckWords[3], counts[4],
                kCheckWords[4]);
  std::fputs(summary, stdout);
  const int needing_work = counts[kCheckNeedsReset] + counts[kCheckBlocked] +
                           counts[kCheckUnreadable];
  if (backup_path != nullptr) {
    char reason[kSaveReasonSize];
    if (backup.out_of_memory) {
      describe_error(reason, sizeof reason, ERROR_NOT_ENOUGH_MEMORY);
    }
    if (backup.out_of_memory ||
        !save_file(backup_path, backup.bytes, backup.size, reason)) {
      backup_failed(backup_path, reason);
    }
  }
  finish(needing_work == 0 ? kAllGood : kNeedsWork);
}
