#include "txreset/reset_instance.h"

#include <cstdio>
#include <limits>

#include "texts/messages.h"
#include "txreset/platform.h"

namespace {

// The instance number goes between these two pieces of the key path.
constexpr char kKeyPathBase[] = "SYSTEM\\CurrentControlSet\\Services\\Quorv";
constexpr char kKeyPathSuffix[] = "\\Parameters";
constexpr char kValueName[] = "ReportTxEarly";

// The longest text "%d" writes for an int: all its digits and a sign.
constexpr int kIntTextMax = std::numeric_limits<int>::digits10 + 2;

}  // namespace

int reset_instance(int instance) {
  // Room for the whole path of any int instance number and its terminator.
  char instance_key_path[sizeof kKeyPathBase - 1 + kIntTextMax +
                         sizeof kKeyPathSuffix];
  std::snprintf(instance_key_path, sizeof instance_key_path, "%s%d%s",
                kKeyPathBase, instance, kKeyPathSuffix);

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, instance_key_path, 0, KEY_ALL_ACCESS,
                    &key) != ERROR_SUCCESS) {
    std::fputs(kFailedMessage, stderr);
    return 0;
  }
  std::fputs(kOpenedMessage, stderr);

  // A value that was not there is no failure: the write below creates it.
  if (RegDeleteValueA(key, kValueName) == ERROR_SUCCESS) {
    std::fputs(kDeletedMessage, stderr);
  }

  DWORD zero = 0;
  const LONG written =
      RegSetValueExA(key, kValueName, 0, REG_DWORD,
                     reinterpret_cast<const BYTE *>(&zero), sizeof zero);
  std::fputs(written == ERROR_SUCCESS ? kResetMessage : kFailedMessage, stderr);
  RegCloseKey(key);
  return written == ERROR_SUCCESS ? 1 : 0;
}
