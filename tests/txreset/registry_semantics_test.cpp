// The registry behaviour that the program and its tests rely on. Natively
// this checks the emulated registry; under Wine the same checks hold the
// emulation to a real implementation.
#include <gtest/gtest.h>

#include "program_harness.h"

namespace {

const std::string kKey = instance_key(3);

HKEY open_or_null(const std::string &path, REGSAM access, LONG expected) {
  HKEY key = nullptr;
  EXPECT_EQ(expected,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key))
      << path;
  return key;
}

TEST(RegistrySemantics, MissingKeyIsNotFound) {
  seed_registry({{instance_key(1), {}}});
  open_or_null(kKey, KEY_ALL_ACCESS, ERROR_FILE_NOT_FOUND);
}

TEST(RegistrySemantics, ReadOnlyKeyOpensOnlyForReading) {
  seed_registry({{kKey, {dword_value(kValueName, 7)}, true}});
  open_or_null(kKey, KEY_ALL_ACCESS, ERROR_ACCESS_DENIED);
  HKEY key = open_or_null(kKey, KEY_READ, ERROR_SUCCESS);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(key, kValueName.c_str()));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(describe({{kKey, {dword_value(kValueName, 7)}}}),
            describe(read_registry()));
}

TEST(RegistrySemantics, NamesCompareWithoutCaseAndSetReplacesAnyType) {
  seed_registry({{kKey, {string_value(kValueName, "on")}}});
  std::string lower = kKey;
  for (char &c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  HKEY key = open_or_null(lower, KEY_ALL_ACCESS, ERROR_SUCCESS);
  const BYTE data[4] = {5, 0, 0, 0};
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "REPORTTXEARLY", 0, REG_DWORD,
                                          data, sizeof data));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  // The value keeps the name it was created with.
  EXPECT_EQ(describe({{kKey, {dword_value(kValueName, 5)}}}),
            describe(read_registry()));

  key = open_or_null(kKey, KEY_ALL_ACCESS, ERROR_SUCCESS);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "reporttxearly"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, kValueName.c_str()));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(describe({{kKey, {}}}), describe(read_registry()));
}

TEST(RegistrySemantics, ClosedHandleIsInvalid) {
  seed_registry({{kKey, {}}});
  HKEY key = open_or_null(kKey, KEY_ALL_ACCESS, ERROR_SUCCESS);
  ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  const BYTE data[4] = {};
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteValueA(key, kValueName.c_str()));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegSetValueExA(key, kValueName.c_str(), 0,
                                                 REG_DWORD, data, sizeof data));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
  EXPECT_EQ(describe({{kKey, {}}}), describe(read_registry()));
}

}  // namespace
