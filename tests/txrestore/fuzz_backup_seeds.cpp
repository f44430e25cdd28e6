// The fuzz target's first inputs: backups as txcheck --backup writes them,
// made with its own writer, one file each in the folder named.
//   fuzz_backup_seeds FOLDER
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "texts/messages.h"
#include "texts/registry.h"
#include "txcheck/reg_file.h"

namespace {

constexpr DWORD kDeletes = 0xDE1E7E;  // not a type: the value was missing

// Notes that txcheck writes where it cannot save an instance.
constexpr char kBlockedNote[] =
    "not saved: Quorv2 blocked REG_DWORD 7; full access: Access denied. "
    "(error 5)";
constexpr char kUnreadableNote[] =
    "not saved: Quorv4 unreadable value: The data is invalid. (error 13)";

struct Entry {
  int instance;  // -1: a comment
  DWORD type;    // or kDeletes
  std::vector<BYTE> data;
  const char *comment;
};

struct Seed {
  const char *name;
  bool lf_only;  // the line ends made LF, as an editor may save it
  std::vector<Entry> entries;
};

// A string's bytes as the registry holds them: UTF-16LE, with `units` code
// units, the terminators given among them.
std::vector<BYTE> utf16(std::initializer_list<unsigned> units) {
  std::vector<BYTE> bytes;
  for (const unsigned unit : units) {
    bytes.push_back(static_cast<BYTE>(unit & 0xFFU));
    bytes.push_back(static_cast<BYTE>(unit >> 8U));
  }
  return bytes;
}

std::vector<BYTE> counting(std::size_t size) {
  std::vector<BYTE> bytes(size);
  for (std::size_t at = 0; at < size; ++at) {
    bytes[at] = static_cast<BYTE>(at * 7U);
  }
  return bytes;
}

std::vector<Seed> seeds() {
  std::vector<Seed> list{
      {"empty", false, {}},
      {"only-notes",
       false,
       {{-1, 0, {}, kBlockedNote}, {-1, 0, {}, kUnreadableNote}}},
      {"strings",
       false,
       {{0, REG_SZ, utf16({'0', 0}), nullptr},
        {2, REG_SZ, utf16({'a', '\\', '"', 'b', 0}), nullptr},
        {4, REG_EXPAND_SZ, utf16({'%', 'x', '%', 0}), nullptr},
        {6, REG_MULTI_SZ, utf16({'a', 0, 'b', 0, 0}), nullptr},
        {7, REG_SZ, utf16({'a', 'b'}), nullptr},
        {8, REG_SZ, utf16({0xE9, 0x4E2D, 0}), nullptr},
        {9, REG_SZ, utf16({0xD83D, 0xDE00, 0}), nullptr},
        {10, REG_SZ, {}, nullptr}}},
      {"binary",
       false,
       {{9, REG_BINARY, counting(200), nullptr},
        {10, REG_QWORD, counting(8), nullptr},
        {11, REG_NONE, {}, nullptr},
        {12, REG_DWORD, counting(3), nullptr},
        {13, 0xFFFFFFFFU, {1}, nullptr},
        {14, 5, counting(4), nullptr},
        {15, REG_BINARY, {}, nullptr}}},
  };
  const std::vector<Entry> typical{
      {1, REG_DWORD, {7, 0, 0, 0}, nullptr},
      {-1, 0, {}, kBlockedNote},
      {3, kDeletes, {}, nullptr},
      {5, REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, nullptr}};
  list.push_back({"typical", false, typical});
  list.push_back({"typical-lf", true, typical});
  Seed all{"all-instances", false, {}};
  for (int instance = kInstanceCount - 1; instance >= 0; --instance) {
    all.entries.push_back(
        instance % 2 == 0
            ? Entry{instance, kDeletes, {}, nullptr}
            : Entry{instance, REG_DWORD, {BYTE(instance), 0, 0, 0}, nullptr});
  }
  list.push_back(all);
  return list;
}

bool write_seed(const std::string &folder, const Seed &seed) {
  RegFile file{};
  reg_file_begin(file);
  for (const Entry &entry : seed.entries) {
    char path[kInstanceKeyPathSize];
    format_instance_key_path(path, entry.instance);
    if (entry.instance < 0) {
      reg_file_comment(file, entry.comment);
    } else if (entry.type == kDeletes) {
      reg_file_deletion(file, path, kSettingValueName);
    } else {
      reg_file_section(file, path, kSettingValueName, entry.type,
                       entry.data.data(),
                       static_cast<DWORD>(entry.data.size()));
    }
  }
  std::vector<BYTE> bytes(file.bytes, file.bytes + file.size);
  reg_file_free(file);
  if (seed.lf_only) {
    std::vector<BYTE> lf;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
      if (bytes[at] != '\r' || bytes[at + 1] != 0) {
        lf.insert(lf.end(), {bytes[at], bytes[at + 1]});
      }
    }
    bytes = lf;
  }
  const std::string name = folder + "/" + seed.name + ".reg";
  std::FILE *out = std::fopen(name.c_str(), "wb");
  const bool written =
      out != nullptr &&
      std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out == nullptr || std::fclose(out) != 0 || !written) {
    std::perror(name.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fputs("usage: fuzz_backup_seeds FOLDER\n", stderr);
    return 2;
  }
  if (mkdir(argv[1], 0755) != 0 && errno != EEXIST) {
    std::perror(argv[1]);
    return 1;
  }
  for (const Seed &seed : seeds()) {
    if (!write_seed(argv[1], seed)) {
      return 1;
    }
  }
  return 0;
}
