/* A Windows program of the stand-in host (x86\ and x64\ of the test's
 * bundle): Wine starts a Linux program without waiting for it and loses its
 * exit status, so this one starts TXRESET_STAND_IN_LAUNCH (native_program.sh,
 * as a Windows path) with a status file, its own name and its arguments, and
 * ends when that file appears, with the status it holds. Wine gives the
 * Linux program standard input and output, not standard error: that comes
 * back in the file STATUS.err, which goes to this program's standard error
 * once the Linux program has ended. */
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

enum { PATH_SIZE = 4096 };

static wchar_t launch[PATH_SIZE], status[PATH_SIZE], self[PATH_SIZE], done[PATH_SIZE];
static wchar_t errors[PATH_SIZE];
static wchar_t line[32768];

int main(void) {
  if (!GetEnvironmentVariableW(L"TXRESET_STAND_IN_LAUNCH", launch, PATH_SIZE) ||
      !GetEnvironmentVariableW(L"TXRESET_STAND_IN_STATUS", status, PATH_SIZE) ||
      !GetModuleFileNameW(NULL, self, PATH_SIZE)) {
    fputs("stand-in program: no TXRESET_STAND_IN_LAUNCH or TXRESET_STAND_IN_STATUS\n", stderr);
    return 9009;
  }
  wchar_t *name = wcsrchr(self, L'\\') ? wcsrchr(self, L'\\') + 1 : self;
  wchar_t *dot = wcsrchr(name, L'.');
  if (dot) *dot = 0;
  /* The arguments: the command line after the program's own name. */
  const wchar_t *rest = GetCommandLineW();
  if (*rest == L'"') {
    rest = wcschr(rest + 1, L'"') ? wcschr(rest + 1, L'"') + 1 : L"";
  } else {
    while (*rest && *rest != L' ' && *rest != L'\t') rest++;
  }
  swprintf(done, PATH_SIZE, L"%ls\\%lu", status, GetCurrentProcessId());
  swprintf(errors, PATH_SIZE, L"%ls.err", done);
  swprintf(line, 32768, L"\"%ls\" \"%ls\" %ls%ls", launch, done, name, rest);
  STARTUPINFOW start;
  ZeroMemory(&start, sizeof start);
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process;
  if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &start, &process)) {
    fwprintf(stderr, L"stand-in program: cannot start %ls\n", launch);
    return 9009;
  }
  for (int waited = 0; waited < 60000; waited += 10) {
    FILE *file = _wfopen(done, L"r");
    int code;
    if (file) {
      int read = fscanf(file, "%d", &code);
      fclose(file);
      DeleteFileW(done);
      FILE *text = _wfopen(errors, L"rb");
      char buffer[4096];
      size_t size;
      while (text && (size = fread(buffer, 1, sizeof buffer, text)) > 0) {
        DWORD written;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), buffer, (DWORD)size, &written, NULL);
      }
      if (text) fclose(text);
      DeleteFileW(errors);
      return read == 1 ? code : 9009;
    }
    Sleep(10);
  }
  fwprintf(stderr, L"stand-in program: %ls did not end\n", name);
  return 9009;
}
