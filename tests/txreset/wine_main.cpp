// The Win32 tests create, change and delete keys under
// HKLM\SYSTEM\CurrentControlSet\Services: they run only under Wine, never on
// a real Windows machine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr ||
      GetProcAddress(ntdll, "wine_get_version") == nullptr) {
    std::fputs(
        "These tests change the registry under HKLM\\SYSTEM and run only "
        "under Wine; this is not Wine, so nothing was done.\n",
        stderr);
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// The 32-bit suite runs once natively and once under WOW64, the 64-bit one
// natively: make sure each prefix is what it is meant to be.
TEST(WinePrefix, RunsTheTestsAsIntended) {
  const char *expect_wow64 = std::getenv("TXRESET_TEST_EXPECT_WOW64");
  ASSERT_NE(nullptr, expect_wow64) << "TXRESET_TEST_EXPECT_WOW64 is not set";
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_EQ(std::string(expect_wow64) == "1", wow64 != FALSE)
      << "TXRESET_TEST_EXPECT_WOW64=" << expect_wow64 << ", pointers of "
      << sizeof(void *) << " bytes";
}
