#include <windows.h>

#include <cstdlib>

#include "platform/utf8_arguments.h"

char **utf8_arguments(int argc, wchar_t **argv) {
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
  return utf8;
}
