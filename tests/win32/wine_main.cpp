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

// The suite means to run once natively 32-bit and once under WOW64; make
// sure each prefix is what it is meant to be.
TEST(WinePrefix, RunsTheTestsAsIntended) {
  const char *arch = std::getenv("TXRESET_TEST_PREFIX_ARCH");
  ASSERT_NE(nullptr, arch) << "TXRESET_TEST_PREFIX_ARCH is not set";
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_EQ(std::string(arch) == "win64", wow64 != FALSE) << arch;
}
