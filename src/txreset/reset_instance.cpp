#include "txreset/reset_instance.h"

#include <cstdio>

#include "platform/platform.h"
#include "texts/messages.h"
#include "texts/registry.h"

int reset_instance(int instance) {
  char instance_key_path[kInstanceKeyPathSize];
  format_instance_key_path(instance_key_path, instance);

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, instance_key_path, 0, KEY_ALL_ACCESS,
                    &key) != ERROR_SUCCESS) {
    std::fputs(kFailedMessage, stderr);
    return 0;
  }
  std::fputs(kOpenedMessage, stderr);

  // A value that was not there is no failure: the write below creates it.
  if (RegDeleteValueA(key, kSettingValueName) == ERROR_SUCCESS) {
    std::fputs(kDeletedMessage, stderr);
  }

  DWORD zero = 0;
  const LONG written =
      RegSetValueExA(key, kSettingValueName, 0, REG_DWORD,
                     reinterpret_cast<const BYTE *>(&zero), sizeof zero);
  std::fputs(written == ERROR_SUCCESS ? kResetMessage : kFailedMessage, stderr);
  RegCloseKey(key);
  return written == ERROR_SUCCESS ? 1 : 0;
}
