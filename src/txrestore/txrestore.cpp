// txrestore: reads a backup that txcheck --backup saved, whole, refuses it
// whole unless it is exactly such a backup, and puts back each instance's
// value as saved: a line per instance on standard output, then a summary
// as the last line.
#include "txrestore/txrestore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "texts/registry.h"
#include "texts/restore.h"
#include "txrestore/backup_file.h"
#include "txrestore/load_file.h"
#include "txrestore/restore_value.h"

namespace {

// Exit statuses.
constexpr UINT kAllRestored = 0;  // every instance holds what the file says
constexpr UINT kNotRestored = 1;  // one does not (or, checking, would change)
constexpr UINT kCannotRun = 2;    // refused, unreadable, or a usage error

constexpr char kUsageLine[] =
    "usage: txrestore [--help | --version | [--check] FILE]\n";

constexpr char kUsage[] =
    "%s"
    "\n"
    "Puts back what txcheck --backup saved in FILE, and nothing else: the\n"
    "value %s in HKEY_LOCAL_MACHINE\\%s%s<n>%s\n"
    "of each instance n (0 to %d) that FILE holds, with exactly the type and\n"
    "bytes saved, or deleted where it was missing. FILE is read whole first;\n"
    "a file that is not exactly such a backup (another key or value, a key\n"
    "deletion, an instance twice, a bad hex list, another encoding, ...) is\n"
    "refused whole, and nothing is written. A key is never made: one that is\n"
    "gone is left alone. A line per instance tells one of:\n"
    "  restored   it was written, and now holds what FILE saved\n"
    "  unchanged  it held that already: nothing was written\n"
    "  absent     the key is gone\n"
    "  blocked    the key does not open for writing\n"
    "  failed     the write, or reading the value, failed\n"
    "then what the value holds now. The last line counts each.\n"
    "\n"
    "--check reads and compares, writes nothing, and says %s where a\n"
    "run would write.\n"
    "\n"
    "Exit status: 0 when every instance holds what FILE saved (with --check:\n"
    "already holds it); 1 when one was not restored (with --check: would be\n"
    "written, or cannot be); 2 when FILE is refused or cannot be read, for a\n"
    "usage error, or when standard output cannot be written.\n";

// Ends the program once standard output holds all that was written to it.
[[noreturn]] void finish(UINT status) {
  if (std::fflush(stdout) != 0) {
    std::fputs("txrestore: cannot write to standard output\n", stderr);
    ExitProcess(kCannotRun);
  }
  ExitProcess(status);
}

// Says on standard error what is wrong with FILE, after its name, and ends
// the program with nothing restored. The name is shown as given, but for
// control characters, which show as '?'.
[[noreturn]] void refuse(const char *path, const char *before,
                         const char *what) {
  std::fputs(kRestorePrefix, stderr);
  std::fputs(before, stderr);
  for (; *path != '\0'; ++path) {
    const auto octet = static_cast<unsigned char>(*path);
    std::fputc(octet < 0x20 || octet == 0x7F ? '?' : octet, stderr);
  }
  std::fputs(what, stderr);
  std::fputs("\n", stderr);
  ExitProcess(kCannotRun);
}

[[noreturn]] void usage_error() {
  std::fputs(
      "txrestore: takes --help, --version, or a backup FILE, with --check "
      "before it\n",
      stderr);
  std::fputs(kUsageLine, stderr);
  ExitProcess(kCannotRun);
}

}  // namespace

void txrestore(int argc, char **argv) {
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
                  kInstanceCount - 1, kRestoreWouldWord);
    std::fputs(usage, stdout);
    finish(kAllRestored);
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fputs(kRestoreTitle, stdout);
    finish(kAllRestored);
  }
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 + (check ? 1 : 0)) {
    usage_error();
  }
  const char *path = argv[argc - 1];
  if (path[0] == '\0' || (path[0] == '-' && path[1] == '-')) {
    usage_error();
  }

  BYTE *bytes = nullptr;
  std::size_t size = 0;
  char reason[kLoadReasonSize];
  if (!load_file(path, kBackupSizeMax, bytes, size, reason)) {
    char what[sizeof reason + 2];
    std::snprintf(what, sizeof what, ": %s", reason);
    refuse(path, "cannot read ", what);
  }
  // Every line is read before anything is written.
  static Backup backup;
  if (!parse_backup(bytes, size, backup)) {
    char what[kBackupErrorSize + 32];
    std::snprintf(what, sizeof what, " line %d: %s", backup.error_line,
                  backup.error);
    refuse(path, "", what);
  }
  std::free(bytes);

  std::fputs(kRestoreTitle, stdout);
  int counts[kRestoreStateCount] = {};
  for (int at = 0; at < backup.count; ++at) {
    ++counts[restore_value(backup.values[at], check)];
  }
  char summary[160];
  std::snprintf(summary, sizeof summary, kRestoreSummaryFormat, backup.count,
                counts[0], check ? kRestoreWouldWord : kRestoreWords[0],
                counts[1], kRestoreWords[1], counts[2], kRestoreWords[2],
                counts[3], kRestoreWords[3], counts[4], kRestoreWords[4]);
  std::fputs(summary, stdout);
  const bool all_there =
      counts[kRestoreUnchanged] + (check ? 0 : counts[kRestoreDone]) ==
      backup.count;
  finish(all_there ? kAllRestored : kNotRestored);
}
