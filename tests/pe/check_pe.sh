#!/usr/bin/env bash
# Checks a built program (txreset.exe, txcheck.exe, txreport.exe or
# txrestore.exe) as a Windows loader and an administrator see it: a console program that
# imports only system DLLs present in the first Windows of its kind
# (Windows 2000 for i686, Windows XP x64 / Server 2003 x64 for x86_64), with
# ASLR and DEP on, a version resource and a manifest.
# VERSION is the project's, MAJOR.MINOR.
# Usage: check_pe.sh i686|x86_64 OBJDUMP WINDRES VERSION PROGRAM.exe
set -uo pipefail
arch=$1 objdump=$2 windres=$3 project_version=$4 exe=$5
major=${project_version%%.*} minor=${project_version#*.}
program=$(basename "$exe" .exe)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }
field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }

# What each kind of file must be, and the imports of either program that
# are known to be in the first Windows of that kind, each reviewed by hand:
# a new import fails here until someone has checked it.
case $arch in
i686)
  format=pei-i386 kind="PE32 for i386" oldest="Windows 2000" version=5.0
  manifest_arch=x86 high_entropy=no
  reviewed_imports="
ADVAPI32.dll RegCloseKey RegDeleteValueA RegOpenKeyExA RegSetValueExA
KERNEL32.dll CloseHandle CreateFileW DeleteCriticalSection DeleteFileW
  EnterCriticalSection ExitProcess FindClose FindFirstFileW FindNextFileW
  FormatMessageA FormatMessageW FreeLibrary GetCurrentProcessId GetFileAttributesW GetFileInformationByHandle
  GetFileSize GetLastError GetModuleHandleA GetModuleHandleW GetProcAddress
  GetStartupInfoA GetStartupInfoW InitializeCriticalSection IsDBCSLeadByteEx
  LeaveCriticalSection LoadLibraryA LocalFree MoveFileExW MultiByteToWideChar
  ReadFile SetUnhandledExceptionFilter Sleep TlsGetValue VirtualProtect
  VirtualQuery WideCharToMultiByte WriteFile
msvcrt.dll __getmainargs __initenv __mb_cur_max __p__acmdln __p__commode
  __p__fmode __p__wcmdln __set_app_type __setusermatherr __wgetmainargs
  __winitenv _amsg_exit _cexit _errno _fileno _initterm _iob _onexit _setmode
  abort atoi calloc exit ferror fflush fprintf fputc fputs free fwrite
  localeconv malloc memchr memcmp memcpy memmove memset realloc setlocale
  setvbuf signal strchr strcmp strcspn strerror strlen strncmp strspn
  vfprintf wcslen"
  ;;
x86_64)
  format=pei-x86-64 kind="PE32+ for x86-64" oldest="Windows XP x64" version=5.2
  manifest_arch=amd64 high_entropy=yes
  reviewed_imports="
ADVAPI32.dll RegCloseKey RegDeleteValueA RegOpenKeyExA RegSetValueExA
KERNEL32.dll CloseHandle CreateFileW DeleteCriticalSection DeleteFileW
  EnterCriticalSection ExitProcess FindClose FindFirstFileW FindNextFileW
  FormatMessageA FormatMessageW GetCurrentProcessId
  GetFileAttributesW GetFileInformationByHandle GetFileSize GetLastError
  GetModuleHandleA GetProcAddress GetStartupInfoA GetStartupInfoW
  InitializeCriticalSection IsDBCSLeadByteEx LeaveCriticalSection
  LoadLibraryA LocalFree MoveFileExW MultiByteToWideChar ReadFile
  SetUnhandledExceptionFilter Sleep TlsGetValue VirtualProtect VirtualQuery
  WideCharToMultiByte WriteFile __C_specific_handler
msvcrt.dll ___lc_codepage_func ___mb_cur_max_func __getmainargs __initenv
  __iob_func __set_app_type __setusermatherr __wgetmainargs __winitenv
  _acmdln _amsg_exit _cexit _commode _errno _fileno _fmode _initterm _onexit
  _setmode _wcmdln abort calloc exit ferror fflush fprintf fputc fputs free
  fwrite localeconv malloc memchr memcmp memcpy memmove memset realloc
  setvbuf signal strcmp strcspn strerror strlen strncmp strspn vfprintf
  wcslen"
  ;;
*)
  echo "usage: $0 i686|x86_64 OBJDUMP WINDRES VERSION PROGRAM.exe" >&2
  exit 2
  ;;
esac

# What each program must import to do its work, what it must not import,
# and how it describes itself.
forbidden_imports='^$' bound_functions=
case $program in
txreset)
  needed_imports="ADVAPI32.dll RegOpenKeyExA
ADVAPI32.dll RegDeleteValueA
ADVAPI32.dll RegSetValueExA
ADVAPI32.dll RegCloseKey"
  description="Resets ReportTxEarly"
  ;;
txcheck)
  # It binds its registry functions at run time (from KERNEL32.dll where
  # Windows has them there, else from ADVAPI32.dll), and names no other. A
  # backup is written to a file beside its own name, then moved over it.
  needed_imports="KERNEL32.dll GetModuleHandleA
KERNEL32.dll GetProcAddress
KERNEL32.dll LoadLibraryA
KERNEL32.dll FormatMessageA
KERNEL32.dll CreateFileW
KERNEL32.dll WriteFile
KERNEL32.dll MoveFileExW"
  forbidden_imports='^ADVAPI32\.dll '
  bound_functions="RegCloseKey RegOpenKeyExA RegQueryValueExA RegQueryValueExW"
  description="Tells whether ReportTxEarly needs a reset"
  ;;
txrestore)
  # Like txcheck, it binds its registry functions at run time and imports
  # none from ADVAPI32.dll. It reads the backup and writes no file.
  needed_imports="KERNEL32.dll GetModuleHandleA
KERNEL32.dll GetProcAddress
KERNEL32.dll LoadLibraryA
KERNEL32.dll FormatMessageA
KERNEL32.dll CreateFileW
KERNEL32.dll GetFileSize
KERNEL32.dll ReadFile"
  forbidden_imports='^ADVAPI32\.dll |^KERNEL32\.dll (WriteFile|MoveFileExW|DeleteFileW)$'
  bound_functions="RegCloseKey RegDeleteValueW RegOpenKeyExW RegQueryValueExW RegSetValueExW"
  description="Puts back ReportTxEarly"
  ;;
txreport)
  needed_imports="KERNEL32.dll FindFirstFileW
KERNEL32.dll FindNextFileW
KERNEL32.dll CreateFileW
KERNEL32.dll ReadFile
KERNEL32.dll FormatMessageW"
  description="Reports per host and instance"
  ;;
*)
  echo "FAIL: $program is not a program of this project"
  exit 1
  ;;
esac

# Header fields.
grep -q "file format $format\$" <<<"$headers" && pass "$kind" ||
  fail "not a $kind file"
[ "$(field Subsystem)" = 00000003 ] && pass "console subsystem" ||
  fail "subsystem is $(field Subsystem), not 3 (console)"
for field_kind in Subsystem OSystem; do
  found="$(field "Major${field_kind}Version").$(field "Minor${field_kind}Version")"
  [ "$found" = "$version" ] && pass "$field_kind version $found ($oldest)" ||
    fail "$field_kind version $found, not $version ($oldest)"
done
characteristics=$((16#$(field DllCharacteristics)))
((characteristics & 0x40)) && pass "DYNAMIC_BASE" || fail "DYNAMIC_BASE not set"
((characteristics & 0x100)) && pass "NX_COMPAT" || fail "NX_COMPAT not set"
if [ "$high_entropy" = yes ]; then
  ((characteristics & 0x20)) && pass "HIGH_ENTROPY_VA" ||
    fail "HIGH_ENTROPY_VA not set"
fi
grep -Eq '^ *[0-9]+ \.reloc ' < <("$objdump" -h "$exe") &&
  pass "relocations kept for ASLR" || fail "no .reloc section"
grep -q 'Time/Date.*Jan  1 00:00:00 1970' <<<"$headers" &&
  pass "no link time stamp" || fail "the header carries a link time stamp"

# Imports: every function must be on the reviewed list.
allowed=$(awk '{ for (i = 1; i <= NF; i++) {
                   if ($i ~ /\.dll$/) dll = $i; else print dll, $i } }' \
          <<<"$reviewed_imports" | sort)
imports=$(awk '/DLL Name:/ { dll = $3; next }
               /^(There is|The |PE File)/ { dll = "" }
               dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
                 print dll, $3 }' \
          <<<"$headers" | sort)
dlls=$(awk '{ print $1 }' <<<"$imports" | sort -u | tr '\n' ' ')
other_dlls=$(awk '{ print $1 }' <<<"$imports" | sort -u |
  grep -vxE 'ADVAPI32\.dll|KERNEL32\.dll|msvcrt\.dll')
[ -z "$other_dlls" ] && pass "imports only from $dlls" ||
  fail "imports from: $dlls"
unknown=$(comm -23 <(echo "$imports") <(echo "$allowed"))
[ -z "$unknown" ] && pass "$(wc -l <<<"$imports") imported functions, all in $oldest" ||
  fail "imports not known to be in $oldest:"$'\n'"$unknown"
while read -r dll call; do
  grep -qx "$dll $call" <<<"$imports" || fail "$call is not imported from $dll"
done <<<"$needed_imports"
forbidden=$(grep -E "$forbidden_imports" <<<"$imports")
[ -z "$forbidden" ] || fail "imports that it must not:"$'\n'"$forbidden"
if [ -n "$bound_functions" ]; then
  named=$(grep -aoE 'Reg[A-Z][A-Za-z]+' "$exe" | sort -u | tr '\n' ' ')
  [ "$named" = "$bound_functions " ] && pass "binds only $bound_functions" ||
    fail "names registry functions $named, not only $bound_functions"
fi

# Resources, as windres reads them back from the file.
resources=$("$windres" -J coff -O rc -i "$exe" 2>&1)
expect_resource() {
  grep -qF -- "$1" <<<"$resources" && pass "resource has $1" ||
    fail "resource lacks $1"
}
expect_resource "FILEVERSION $major, $minor, 0, 0"
expect_resource "PRODUCTVERSION $major, $minor, 0, 0"
expect_resource 'VALUE "ProductName", "Tarnel Utility Program"'
expect_resource "VALUE \"FileVersion\", \"$project_version\""
expect_resource "VALUE \"ProductVersion\", \"$project_version\""
expect_resource "version=\"\"$major.$minor.0.0\"\""
expect_resource "VALUE \"FileDescription\", \"$description"
expect_resource "VALUE \"OriginalFilename\", \"$program.exe\""
expect_resource "name=\"\"Tarnel.$program\"\""
expect_resource '1 24 /* RT_MANIFEST */'
expect_resource "processorArchitecture=\"\"$manifest_arch\"\""
expect_resource 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""'
for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
  4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
  8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  expect_resource "supportedOS Id=\"\"{$os}\"\""
done

echo "size: $(stat -c %s "$exe") bytes, $failures failed checks"
exit $((failures != 0))
