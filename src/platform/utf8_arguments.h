// The Windows entry of a program that takes file names: its arguments
// arrive as UTF-16 through wmain (-municode), so that a name keeps every
// character, and go on as UTF-8.
#ifndef PLATFORM_UTF8_ARGUMENTS_H
#define PLATFORM_UTF8_ARGUMENTS_H

#include <cwchar>

// The arguments in UTF-8, and a null pointer after them; kept until the
// process ends. Null where memory runs out.
char **utf8_arguments(int argc, wchar_t **argv);

#endif
