// The setting's value read exactly as the registry holds it, through the
// wide API, whatever its size: what txcheck saves and what txrestore
// compares and puts back.
#ifndef PLATFORM_REGISTRY_VALUE_H
#define PLATFORM_REGISTRY_VALUE_H

#include <array>
#include <cstddef>

#include "platform/platform.h"
#include "texts/registry.h"

// The value's name as the wide functions take it.
constexpr std::array<WCHAR, sizeof kSettingValueName> wide_value_name() {
  std::array<WCHAR, sizeof kSettingValueName> name{};
  for (std::size_t at = 0; at < name.size(); ++at) {
    name[at] = static_cast<unsigned char>(kSettingValueName[at]);
  }
  return name;
}
constexpr std::array<WCHAR, sizeof kSettingValueName> kSettingValueNameW =
    wide_value_name();

// Reads the value into storage that holds most values, and again into
// storage of the size the registry gives where it is longer (again where
// it grew meanwhile), so it is never cut. Returns the registry's status;
// on ERROR_SUCCESS `data` holds `size` bytes and is to be freed, else it
// is null.
LONG read_value_exactly(HKEY key, DWORD &type, BYTE *&data, DWORD &size);

#endif
