#!/usr/bin/env bash
# Checks that txreport.exe imports only from KERNEL32.dll and msvcrt.dll,
# and only functions reviewed as present in Windows 2000 (32-bit build) and
# Windows XP x64 (64-bit build). A new import fails here until someone has
# checked it: the C++ runtime pulls in threads support that imports newer
# functions as soon as an exception can be thrown.
# Usage: check_imports.sh OBJDUMP txreport.exe
set -uo pipefail
objdump=$1 exe=$2

reviewed="
KERNEL32.dll DeleteCriticalSection EnterCriticalSection FindClose
  FindFirstFileW FindNextFileW FreeLibrary GetFileAttributesW GetLastError
  GetModuleHandleA GetProcAddress GetStartupInfoW InitializeCriticalSection
  LeaveCriticalSection LoadLibraryA MultiByteToWideChar
  SetUnhandledExceptionFilter Sleep TlsGetValue VirtualProtect VirtualQuery
  WideCharToMultiByte __C_specific_handler
msvcrt.dll __iob_func __p__commode __p__fmode __p__wcmdln __set_app_type
  __setusermatherr __wgetmainargs __winitenv _amsg_exit _cexit _commode
  _errno _fileno _fmode _initterm _iob _onexit _setmode _wcmdln _wfopen abort
  calloc exit fclose ferror fflush fprintf fputc fputs fread free fwrite
  malloc memchr memcmp memcpy memmove signal strerror strlen strncmp vfprintf
  wcslen"
allowed=$(awk '{ for (i = 1; i <= NF; i++) {
                   if ($i ~ /\.dll$/) dll = $i; else print dll, $i } }' \
          <<<"$reviewed" | sort)

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }
imports=$(awk '/DLL Name:/ { dll = $3; next }
               /^(There is|The |PE File)/ { dll = "" }
               dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
                 print dll, $3 }' <<<"$headers" | sort)
if [ -z "$imports" ]; then
  echo "FAIL: no imports found in $exe"
  exit 1
fi
unknown=$(comm -23 <(echo "$imports") <(echo "$allowed"))
if [ -n "$unknown" ]; then
  echo "FAIL: imports not reviewed for Windows 2000 / XP x64:"
  echo "$unknown"
  exit 1
fi
echo "ok: $(wc -l <<<"$imports") imports, all reviewed"
