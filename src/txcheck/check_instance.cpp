#include "txcheck/check_instance.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/registry_value.h"
#include "texts/check.h"
#include "texts/describe.h"
#include "texts/registry.h"

// Each line is made in a buffer and written whole with fputs: printf on a
// stream would bring in the C runtime's stream locks, one more import.
namespace {

constexpr std::size_t kFoundSize = kValueTextSize;
constexpr std::size_t kReasonSize = kErrorTextSize;

// An instance's line, as put_line writes it, into `line`, and then `end`.
constexpr std::size_t kLineSize = 32 + kFoundSize + kReasonSize;
static_assert(kLineSize <= kCheckLineMax, "txreport reads lines so long");

void format_line(char (&line)[kLineSize], int instance, int state,
                 const char *found, const char *separator, const char *reason,
                 const char *end) {
  std::snprintf(line, sizeof line, "%s%d %s %s%s%s%s", kServiceName, instance,
                kCheckWords[state], found, separator, reason, end);
}

// Writes the instance's line and gives back its state.
int put_line(int instance, int state, const char *found,
             const char *separator = "", const char *reason = "") {
  char line[kLineSize];
  format_line(line, instance, state, found, separator, reason, "\n");
  std::fputs(line, stdout);
  return state;
}

// Says in the backup why an instance is not in it: what its line says, with
// the reason the key does not open with full access where that is why.
void note_not_saved(RegFile *backup, int instance, int state, const char *found,
                    const char *separator = "", const char *reason = "") {
  if (backup != nullptr) {
    char line[kLineSize];
    format_line(line, instance, state, found, separator, reason, "");
    char note[sizeof "not saved: " + kLineSize];
    std::snprintf(note, sizeof note, "not saved: %s", line);
    reg_file_comment(*backup, note);
  }
}

}  // namespace

int check_instance(int instance, RegFile *backup) {
  char path[kInstanceKeyPathSize];
  format_instance_key_path(path, instance);
  char reason[kReasonSize];

  HKEY key = nullptr;
  LONG status =
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_FILE_NOT_FOUND) {
    return put_line(instance, kCheckAbsent, "no key");
  }
  if (status != ERROR_SUCCESS) {
    describe_error(reason, sizeof reason, status);
    note_not_saved(backup, instance, kCheckUnreadable, "key", ": ", reason);
    return put_line(instance, kCheckUnreadable, "key", ": ", reason);
  }

  DWORD type = REG_NONE;
  BYTE data[kDataShown] = {};
  DWORD size = sizeof data;
  status =
      RegQueryValueExA(key, kSettingValueName, nullptr, &type, data, &size);
  // What a backup saves: the value exactly, or nothing where it is missing.
  DWORD saved_type = REG_NONE;
  BYTE *saved = nullptr;
  DWORD saved_size = 0;
  LONG saved_status = ERROR_FILE_NOT_FOUND;
  if (backup != nullptr) {
    saved_status = read_value_exactly(key, saved_type, saved, saved_size);
  }
  RegCloseKey(key);
  char found[kFoundSize] = "missing";
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    describe_value(found, type, data, size, status == ERROR_SUCCESS);
  } else if (status != ERROR_FILE_NOT_FOUND) {
    describe_error(reason, sizeof reason, status);
    note_not_saved(backup, instance, kCheckUnreadable, "value", ": ", reason);
    std::free(saved);
    return put_line(instance, kCheckUnreadable, "value", ": ", reason);
  }
  const bool ok = status == ERROR_SUCCESS && type == REG_DWORD && size == 4 &&
                  (data[0] | data[1] | data[2] | data[3]) == 0;

  // Whether txreset could open the key: opened, and let go at once. A
  // backup needs to know for every instance, since it saves only what an
  // import can put back.
  bool full_access = false;
  if (!ok || backup != nullptr) {
    status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key);
    full_access = status == ERROR_SUCCESS;
    if (full_access) {
      RegCloseKey(key);
    } else {
      describe_error(reason, sizeof reason, status);
    }
  }
  const int state = ok            ? kCheckOk
                    : full_access ? kCheckNeedsReset
                                  : kCheckBlocked;
  if (backup != nullptr && !full_access) {
    note_not_saved(backup, instance, state, found, "; full access: ", reason);
  } else if (backup != nullptr && saved_status != ERROR_SUCCESS &&
             saved_status != ERROR_FILE_NOT_FOUND) {
    describe_error(reason, sizeof reason, saved_status);
    note_not_saved(backup, instance, state, "value", ": ", reason);
  } else if (backup != nullptr && saved_status == ERROR_FILE_NOT_FOUND) {
    reg_file_deletion(*backup, path, kSettingValueName);
  } else if (backup != nullptr) {
    reg_file_section(*backup, path, kSettingValueName, saved_type, saved,
                     saved_size);
  }
  std::free(saved);
  return state == kCheckBlocked
             ? put_line(instance, state, found, "; full access: ", reason)
             : put_line(instance, state, found);
}
