// The Windows entry: arguments arrive as UTF-16 through wmain (-municode),
// so that a backup file's name keeps every character, and go on as UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "txcheck/txcheck.h"

int wmain(int argc, wchar_t **argv) {
  auto **utf8 = static_cast<char **>(
      std::calloc(static_cast<std::size_t>(argc) + 1, sizeof(char *)));
  for (int i = 0; utf8 != nullptr && i < argc; ++i) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0,
                                         nullptr, nullptr);
    utf8[i] = static_cast<char *>(std::malloc(static_cast<std::size_t>(size)));
    if (size == 0 || utf8[i] == nullptr) {
      utf8 = nullptr;
    } else {
      WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, utf8[i], size, nullptr,
                          nullptr);
    }
  }
  if (utf8 == nullptr) {
    std::fputs("txcheck: not enough memory for the arguments\n", stderr);
    ExitProcess(2);
  }
  txcheck(argc, utf8);
}
