#!/usr/bin/env bash
# The GPO startup script for real, under Wine's cmd in the 64-bit test
# prefix: a local folder stands for the SYSVOL copy of the script with the
# x64 build (and no x86 one: the script must pick x64 here), another for
# the log share. With keys seeded for instances 1
# (value 7), 3 (no value) and 5 (a string), txreport.exe on the share must
# give exactly those outcomes; with the program missing, the log says so
# and txreport names it.
# Usage: check_gpo.sh LOADER STARTUP.cmd x64/txreset.exe txreport.exe WORK_DIR
# The environment names the prefix (WINEPREFIX) and the loader (WINELOADER).
set -euo pipefail
loader=$1 script=$2 x64=$3 txreport=$4 work=$5
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
windows_path() { local path=Z:$1; echo "${path//\//\\}"; }
wine() { "$loader" "$@"; }

rm -rf "$work"
mkdir -p "$work/sysvol/x64" "$work/share"
cp "$script" "$work/sysvol/"
cp "$x64" "$work/sysvol/x64/txreset.exe"

services='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services'
{
  printf 'REGEDIT4\r\n\r\n'
  for n in $(seq 0 17); do printf '[-%s\\Quorv%d]\r\n' "$services" "$n"; done
  printf '[%s\\Quorv1\\Parameters]\r\n"ReportTxEarly"=dword:00000007\r\n' "$services"
  printf '[%s\\Quorv3\\Parameters]\r\n' "$services"
  printf '[%s\\Quorv5\\Parameters]\r\n"ReportTxEarly"="yes"\r\n' "$services"
} >"$work/seed.reg"
wine regedit /s "$(windows_path "$work/seed.reg")"
wine reg query "$services\\Quorv5\\Parameters" /v ReportTxEarly | grep -q 'REG_SZ' ||
  fail "the registry was not seeded"

startup() {
  wine cmd /c "$(windows_path "$work/sysvol/txreset-startup.cmd")" \
    "$(windows_path "$work/share")"
}
report() { wine "$txreport" --format csv --expect 1,3,5 "$(windows_path "$work/share")"; }

# The program there: one whole log, in place, with the seeded outcomes.
startup || fail "the startup script exited $?"
logs=("$work"/share/*.log)
[ ${#logs[@]} -eq 1 ] && [ -f "${logs[0]}" ] || fail "expected one log: ${logs[*]}"
host=$(basename "${logs[0]}" .log)
[ -z "$(ls -A "$work/share/partial")" ] || fail "a log was left in partial/"
grep -q $'\r$' "${logs[0]}" || fail "the log has no CRLF line ends"
expected="host,instance,outcome"
for n in $(seq 0 15); do
  case $n in 1 | 5) word=reset ;; 3) word=written ;; *) word=not-opened ;; esac
  expected+=$'\n'"$host,$n,$word"
done
status=0
csv=$(report) || status=$?
[ "$status" -eq 0 ] || fail "txreport exited $status on a good log"
[ "$csv" = "$expected" ] && echo "ok: txreport gives the seeded outcomes" ||
  fail "txreport gave:"$'\n'"$csv"
# As other Windows console tools do, it expands a wildcard itself.
csv=$(wine "$txreport" --format csv "$(windows_path "$work/share")\\*.log") || true
[ "$csv" = "$expected" ] && echo "ok: txreport expands share\\*.log" ||
  fail "txreport on share\\*.log gave:"$'\n'"$csv"
wine reg query "$services\\Quorv5\\Parameters" /v ReportTxEarly |
  grep -q 'REG_DWORD *0x0' || fail "Quorv5 was not reset"
wine "$txreport" "$(windows_path "$work/share")" || true

# The program missing: the log says so, and the report names it.
rm "$work/sysvol/x64/txreset.exe"
startup || fail "the startup script exited $? without its program"
status=0
csv=$(report) || status=$?
[ "$status" -eq 1 ] || fail "txreport exited $status on a log of a missing program"
grep -q "^$host,,unreadable" <<<"$csv" || fail "txreport gave:"$'\n'"$csv"
wine "$txreport" "$(windows_path "$work/share")" || true

[ "$failures" -eq 0 ] && echo "ok: the startup script under Wine's cmd"
exit $((failures != 0))
