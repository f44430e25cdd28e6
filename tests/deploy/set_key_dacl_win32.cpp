// For the GPO script's test: gives each key named after the SDDL (paths
// under HKEY_LOCAL_MACHINE, in the native view) that access control list,
// so that a key can be made to grant only reading, and opened up again.
//   set_key_dacl.exe SDDL KEY...
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <cstdio>

int main(int argc, char **argv) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (argc < 3 || !ConvertStringSecurityDescriptorToSecurityDescriptorA(
                      argv[1], SDDL_REVISION_1, &descriptor, nullptr)) {
    std::fputs("usage: set_key_dacl SDDL KEY...\n", stderr);
    return 2;
  }
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[i], 0,
                                WRITE_DAC | KEY_WOW64_64KEY, &key);
    if (status == ERROR_SUCCESS) {
      status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
      RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "set_key_dacl: %s: error %ld\n", argv[i],
                   static_cast<long>(status));
      ++failures;
    }
  }
  LocalFree(descriptor);
  return failures == 0 ? 0 : 1;
}
