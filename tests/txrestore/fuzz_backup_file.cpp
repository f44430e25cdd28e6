// libFuzzer's target for the reading of a backup: whatever the bytes, the
// file is either refused whole, with a line and a reason and no value, or
// read as instance sections of the one value, each instance once, in the
// file's order; and what was read, written again as txcheck --backup
// writes it, reads back the same. A broken rule aborts, which libFuzzer
// reports as a crash with the input that did it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "texts/registry.h"
#include "txcheck/reg_file.h"
#include "txrestore/backup_file.h"

namespace {

void require(bool holds, const char *rule) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", rule);
    std::abort();
  }
}

// The rules every answer keeps, and for a file read, those of its values.
void check_answer(bool read, const Backup &backup) {
  if (!read) {
    require(backup.count == 0, "a refused file gives no value");
    require(backup.error_line >= 1, "a refusal names a line from 1");
    const void *end = std::memchr(backup.error, '\0', sizeof backup.error);
    require(end != nullptr && end != backup.error,
            "a refusal gives a reason, ended within its room");
    const auto length =
        static_cast<std::size_t>(static_cast<const char *>(end) - backup.error);
    for (std::size_t at = 0; at < length; ++at) {
      require(backup.error[at] >= 0x20 && backup.error[at] < 0x7F,
              "the reason is printable ASCII");
    }
    return;
  }
  require(backup.count >= 0 && backup.count <= kInstanceCount,
          "at most one value an instance");
  bool seen[kInstanceCount] = {};
  for (int at = 0; at < backup.count; ++at) {
    const BackupValue &value = backup.values[at];
    require(value.instance >= 0 && value.instance < kInstanceCount,
            "instances are 0 to 15");
    require(!seen[value.instance], "each instance once");
    seen[value.instance] = true;
    require(value.line >= 1, "lines count from 1");
    require(at == 0 || value.line > backup.values[at - 1].line,
            "values in the file's order");
    if (!value.deletes) {
      require(value.data != nullptr, "a value has its bytes");
      require(
          value.data[value.size] == 0xFF && value.data[value.size + 1] == 0xFF,
          "a value's bytes are followed by two 0xFF bytes");
    }
  }
}

// Each value of `backup` written again, in its order, as txcheck writes it.
void write_again(const Backup &backup, RegFile &file) {
  reg_file_begin(file);
  for (int at = 0; at < backup.count; ++at) {
    const BackupValue &value = backup.values[at];
    char path[kInstanceKeyPathSize];
    format_instance_key_path(path, value.instance);
    if (value.deletes) {
      reg_file_deletion(file, path, kSettingValueName);
    } else {
      reg_file_section(file, path, kSettingValueName, value.type, value.data,
                       value.size);
    }
  }
}

bool same_values(const Backup &first, const Backup &second) {
  if (first.count != second.count) {
    return false;
  }
  for (int at = 0; at < first.count; ++at) {
    const BackupValue &a = first.values[at];
    const BackupValue &b = second.values[at];
    if (a.instance != b.instance || a.deletes != b.deletes) {
      return false;
    }
    if (!a.deletes &&
        (a.type != b.type || a.size != b.size ||
         (a.size != 0 && std::memcmp(a.data, b.data, a.size) != 0))) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes,
                                      std::size_t size) {
  Backup backup{};
  const bool read = parse_backup(bytes, size, backup);
  check_answer(read, backup);
  if (read) {
    RegFile file{};
    write_again(backup, file);
    require(!file.out_of_memory, "the values are written again");
    Backup again{};
    const bool read_again = parse_backup(file.bytes, file.size, again);
    if (!read_again) {
      std::fprintf(stderr, "line %d: %s\n", again.error_line, again.error);
    }
    require(read_again, "what txcheck writes is read");
    check_answer(read_again, again);
    require(same_values(backup, again), "written again, it reads the same");
    backup_free(again);
    reg_file_free(file);
  }
  backup_free(backup);
  return 0;
}
