// The Windows entry: arguments arrive as UTF-16 through wmain (-municode),
// so that a backup file's name keeps every character, and go on as UTF-8.
#include <windows.h>

#include <cstdio>

#include "platform/utf8_arguments.h"
#include "txrestore/txrestore.h"

int wmain(int argc, wchar_t **argv) {
  char **utf8 = utf8_arguments(argc, argv);
  if (utf8 == nullptr) {
    std::fputs("txrestore: not enough memory for the arguments\n", stderr);
    ExitProcess(2);
  }
  txrestore(argc, utf8);
}
