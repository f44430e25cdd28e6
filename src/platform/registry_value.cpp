#include "platform/registry_value.h"

#include <cstdlib>

LONG read_value_exactly(HKEY key, DWORD &type, BYTE *&data, DWORD &size) {
  data = nullptr;
  for (DWORD room = 256;; room = size) {
    // A byte more than any size asked for, so that an empty value is not
    // an allocation of nothing.
    auto *grown = static_cast<BYTE *>(std::realloc(data, room + 1U));
    if (grown == nullptr) {
      std::free(data);
      data = nullptr;
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    data = grown;
    size = room;
    const LONG status = RegQueryValueExW(key, kSettingValueNameW.data(),
                                         nullptr, &type, data, &size);
    if (status != ERROR_MORE_DATA) {
      if (status != ERROR_SUCCESS) {
        std::free(data);
        data = nullptr;
      }
      return status;
    }
  }
}
