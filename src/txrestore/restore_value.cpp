#include "txrestore/restore_value.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/registry_value.h"
#include "texts/describe.h"
#include "texts/registry.h"
#include "texts/restore.h"

namespace {

// The instance's key path, relative to HKEY_LOCAL_MACHINE, as the wide
// functions take it.
void wide_key_path(WCHAR (&wide)[kInstanceKeyPathSize], int instance) {
  char path[kInstanceKeyPathSize];
  format_instance_key_path(path, instance);
  for (std::size_t at = 0; at < sizeof path; ++at) {
    wide[at] = static_cast<unsigned char>(path[at]);
  }
}

// A value as the line shows it, as txcheck shows what it finds: strings
// as the ANSI functions would give them, each unit past U+00FF as '?'.
void describe(char (&text)[kValueTextSize], bool missing, DWORD type,
              const BYTE *data, DWORD size) {
  if (missing) {
    std::snprintf(text, sizeof text, "missing");
    return;
  }
  const bool strings =
      type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (!strings || size % 2 != 0) {
    describe_value(text, type, data, size, !strings);
    return;
  }
  BYTE ansi[kDataShown];
  for (DWORD at = 0; at < size && at / 2 < kDataShown; at += 2) {
    ansi[at / 2] = data[at + 1] == 0 ? data[at] : BYTE{'?'};
  }
  describe_value(text, type, ansi, size / 2, size / 2 <= kDataShown);
}

// What the key holds now: the value exactly, or that it is missing.
struct Found {
  LONG status;  // ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, or why not read
  DWORD type;
  BYTE *data;  // to be freed
  DWORD size;
};

Found read_now(HKEY key) {
  Found found{ERROR_SUCCESS, REG_NONE, nullptr, 0};
  found.status = read_value_exactly(key, found.type, found.data, found.size);
  return found;
}

bool holds(const Found &found, const BackupValue &saved) {
  if (saved.deletes) {
    return found.status == ERROR_FILE_NOT_FOUND;
  }
  return found.status == ERROR_SUCCESS && found.type == saved.type &&
         found.size == saved.size &&
         (saved.size == 0 ||
          std::memcmp(found.data, saved.data, saved.size) == 0);
}

// Writes the instance's line: its word, then what it holds now (`now`, or
// `what` and `reason` alone), then the backup's value and why it is not
// there, where given. Returns the state.
int put_line(const BackupValue &saved, int state, const char *word,
             const char *now, const char *why = nullptr,
             const char *reason = nullptr) {
  char line[64 + 2 * kValueTextSize + kErrorTextSize];
  static_assert(sizeof line <= kRestoreLineMax, "txreport reads lines so long");
  if (why == nullptr) {
    std::snprintf(line, sizeof line, "%s%d %s %s\n", kServiceName,
                  saved.instance, word, now);
  } else {
    char backup[kValueTextSize];
    describe(backup, saved.deletes, saved.type, saved.data, saved.size);
    std::snprintf(line, sizeof line, "%s%d %s %s; backup: %s%s%s%s\n",
                  kServiceName, saved.instance, word, now, backup,
                  *why != '\0' ? "; " : "", why,
                  reason == nullptr ? "" : reason);
  }
  std::fputs(line, stdout);
  return state;
}

int put_error(const BackupValue &saved, int state, const char *what,
              LONG status) {
  char reason[kErrorTextSize];
  describe_error(reason, sizeof reason, status);
  char line[64 + kErrorTextSize];
  static_assert(sizeof line <= kRestoreLineMax, "txreport reads lines so long");
  std::snprintf(line, sizeof line, "%s%d %s %s: %s\n", kServiceName,
                saved.instance, kRestoreWords[state], what, reason);
  std::fputs(line, stdout);
  return state;
}

}  // namespace

int restore_value(const BackupValue &saved, bool check) {
  WCHAR path[kInstanceKeyPathSize];
  wide_key_path(path, saved.instance);
  HKEY key = nullptr;
  const LONG write_access = RegOpenKeyExW(
      HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
  LONG status = write_access;
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    // Where it does not open for writing, it may still hold the value.
    status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key);
  }
  if (status == ERROR_FILE_NOT_FOUND) {
    return put_line(saved, kRestoreAbsent, kRestoreWords[kRestoreAbsent],
                    "no key");
  }
  if (status != ERROR_SUCCESS) {
    return put_error(saved, kRestoreBlocked, "key", status);
  }

  Found found = read_now(key);
  int state = kRestoreUnchanged;
  const char *word = kRestoreWords[kRestoreUnchanged];
  const char *why = nullptr;
  char reason[kErrorTextSize] = "";
  if (found.status != ERROR_SUCCESS && found.status != ERROR_FILE_NOT_FOUND) {
    RegCloseKey(key);
    return put_error(saved, kRestoreFailed, "value", found.status);
  }
  if (holds(found, saved)) {
    // Nothing to write.
  } else if (write_access != ERROR_SUCCESS) {
    state = kRestoreBlocked;
    word = kRestoreWords[state];
    why = "write access: ";
    describe_error(reason, sizeof reason, write_access);
  } else if (check) {
    state = kRestoreDone;
    word = kRestoreWouldWord;
    why = "";
  } else {
    status = saved.deletes ? RegDeleteValueW(key, kSettingValueNameW.data())
                           : RegSetValueExW(key, kSettingValueNameW.data(), 0,
                                            saved.type, saved.data, saved.size);
    std::free(found.data);
    found = read_now(key);
    state = kRestoreDone;
    if (status != ERROR_SUCCESS) {
      state = kRestoreFailed;
      why = "write: ";
      describe_error(reason, sizeof reason, status);
    } else if (!holds(found, saved)) {
      state = kRestoreFailed;
      why = "write: ";
      std::snprintf(reason, sizeof reason, "it reads back otherwise");
    }
    word = kRestoreWords[state];
  }
  RegCloseKey(key);
  char now[kValueTextSize];
  describe(now, found.status != ERROR_SUCCESS, found.type, found.data,
           found.size);
  std::free(found.data);
  return put_line(saved, state, word, now, why, reason);
}
