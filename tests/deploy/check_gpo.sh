#!/usr/bin/env bash
# The GPO scripts for real, under Wine's cmd in the 64-bit test prefix, over
# two boots and a restore: a local folder stands for the SYSVOL copy of the
# scripts with one build, x64 or x86, in its folder (the x86 one alone: this
# AMD64 machine must run it under WOW64, each log opening with the script's
# line that says so), another for the log share. Keys are seeded for
# instances 1 (value 7), 3 (no value), 5 (a string), 6 (already 0) and 7
# (7, in a key that grants only reading: blocked).
# - First boot: the backup is saved, and holds what txreset replaces; the
#   log holds a check that finds 1, 3 and 5 in need of a reset, txreset's
#   transcript, and a check that finds them ok; txreport reads the outcomes
#   back. The script exits 0, although the last check exits 1 (blocked).
# - Second boot: the log holds only a check, txreset does not run although
#   an instance is blocked, `reg export` of the instance keys is the same to
#   the byte before and after, and the backup is not replaced.
# - Restore, with txrestore.exe: `reg export` of the instance keys is the
#   one from before the first boot, byte for byte; the log holds what
#   txrestore says and a check.
# - After a third boot, a restore of a backup with a Run value and a service
#   appended: txrestore refuses it whole, the script exits 1, `reg export`
#   of the instance keys and of the keys it names is the same to the byte
#   before and after, the log holds the refusal and a check, and txreport
#   reports the host failed, naming the refusal.
# - Without a backup, the restore exits 1, writes nothing, and its log says
#   there is nothing to put back, in the restore script's name, then holds
#   a check, which txreport shows with that line.
# - Without txrestore.exe or txcheck.exe, the log ends saying so, and
#   txreport reports the host failed, naming it. With the x64 build, the
#   program missing from x64\ sends the run to x86\ while the machine
#   has WOW64 (%SystemRoot%\SysWOW64), and not once that folder is hidden.
# Usage: check_gpo.sh LOADER GPO_DIR x64|x86 txreset.exe txcheck.exe
#                     txrestore.exe txreport.exe set_key_dacl.exe WORK_DIR
#                     VERSION IA32_PROBE LOADER32
# The environment names the prefix (WINEPREFIX) and the loader (WINELOADER).
# The x86 run exits 77 (skipped) where its programs are missing, or where
# IA32_PROBE finds that LOADER32 cannot start: this kernel runs no 32-bit
# programs.
set -euo pipefail
loader=$1 gpo=$2 build=$3 reset=$4 check=$5 restore=$6 txreport=$7
set_key_dacl=$8 work=$9 check_title="txcheck version ${10}"
restore_title="txrestore version ${10}" probe=${11} loader32=${12}
# Each failure is kept in a file too: read_log's run in $(...).
fail() { echo "FAIL: $*" >&2 && echo "$*" >>"$work/failures"; }
windows_path() { local path=Z:$1; echo "${path//\//\\}"; }
wine() { "$loader" "$@"; }

rm -rf "$work"
mkdir -p "$work/sysvol/$build" "$work/share"
if [ "$build" = x86 ]; then
  for program in "$reset" "$check" "$restore"; do
    [ -f "$program" ] || { echo "Skipped: $program is missing: build the win32 preset first" && exit 77; }
  done
  "$probe" probe "$loader32" "$work/ia32" >/dev/null
  reason=$(<"$work/ia32")
  [ -z "$reason" ] || { echo "Skipped: $reason" && exit 77; }
fi
cp "$gpo"/*.cmd "$work/sysvol/"
cp "$reset" "$check" "$restore" "$work/sysvol/$build/"
# The folder whose presence tells the scripts that the machine runs 32-bit
# programs, hidden for a while below; put back whatever happens.
wow64=$WINEPREFIX/drive_c/windows/syswow64
[ -d "$wow64" ] || fail "the prefix has no $wow64"
trap '[ ! -d "$wow64.hidden" ] || mv "$wow64.hidden" "$wow64"' EXIT

services='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services'
blocked='SYSTEM\CurrentControlSet\Services\Quorv7\Parameters'
seeded=(1 3 5 6 7)
wine "$set_key_dacl" 'D:(A;;KA;;;WD)' "$blocked" 2>/dev/null || true
{
  printf 'REGEDIT4\r\n\r\n'
  for n in $(seq 0 17); do printf '[-%s\\Quorv%d]\r\n' "$services" "$n"; done
  printf '[%s\\Quorv1\\Parameters]\r\n"ReportTxEarly"=dword:00000007\r\n' "$services"
  printf '[%s\\Quorv3\\Parameters]\r\n' "$services"
  printf '[%s\\Quorv5\\Parameters]\r\n"ReportTxEarly"="yes"\r\n' "$services"
  printf '[%s\\Quorv6\\Parameters]\r\n"ReportTxEarly"=dword:00000000\r\n' "$services"
  printf '[%s\\Quorv7\\Parameters]\r\n"ReportTxEarly"=dword:00000007\r\n' "$services"
} >"$work/seed.reg"
wine regedit /s "$(windows_path "$work/seed.reg")"
wine "$set_key_dacl" 'D:P(A;;KR;;;WD)' "$blocked"
wine reg query "$services\\Quorv5\\Parameters" /v ReportTxEarly | grep -q 'REG_SZ' ||
  fail "the registry was not seeded"

# From the work folder, with paths relative to it: cmd /c takes the quotes
# off a command line that begins with one and holds more, as a path with
# spaces in it would have.
boot() { # SCRIPT: runs it as the startup script runs
  ran=$1
  (cd "$work" && wine cmd /c "sysvol\\$1" share)
}
# The first line of the log of SCRIPT on this AMD64 machine, where x64\
# lacks PROGRAM and x86\ runs.
fallback() { # SCRIPT PROGRAM
  echo "$1: x64\\$2 is missing: running x86\\ under WOW64"
}
# The seeded keys as `reg export` writes them, one after another.
export_keys() {
  local n
  for n in "${seeded[@]}"; do
    wine reg export "$services\\Quorv$n" "$(windows_path "$work/export.reg")" /y >/dev/null
    cat "$work/export.reg"
  done
}
# The log of this machine, with its line ends checked and taken off, and,
# with the x86 build, its first line, which must say that x86\ runs in
# place of x64\, which lacks the first program the script looks for.
read_log() {
  local logs=("$work"/share/*.log) text first=txcheck.exe
  [ ${#logs[@]} -eq 1 ] && [ -f "${logs[0]}" ] || fail "expected one log: ${logs[*]}"
  [ -z "$(ls -A "$work/share/partial")" ] || fail "a log was left in partial/"
  grep -qv $'\r$' "${logs[0]}" && fail "a line of the log has no CRLF end"
  text=$(tr -d '\r' <"${logs[0]}")
  if [ "$build" = x86 ]; then
    [ "$ran" = txreset-startup.cmd ] || first=txrestore.exe
    [ "$(head -n 1 <<<"$text")" = "$(fallback "$ran" "$first")" ] ||
      fail "the log of $ran does not open with the x86 build's line: $(head -n 1 <<<"$text")"
    text=$(tail -n +2 <<<"$text")
  fi
  echo "$text"
}
summary() { # OK NEEDS-RESET
  echo "16 instances: $1 ok, 11 absent, $2 needs-reset, 1 blocked, 0 unreadable"
}
share=$(windows_path "$work/share")
# txreport.exe's CSV on the share must give these words to instances 1, 3,
# 5, 6 and 7, and "absent" to the others.
report_gives() { # WORD1 WORD3 WORD5 WORD6 WORD7
  local expected="host,instance,outcome" n word status=0 csv
  for n in $(seq 0 15); do
    case $n in 1) word=$1 ;; 3) word=$2 ;; 5) word=$3 ;; 6) word=$4 ;; 7) word=$5 ;; *) word=absent ;; esac
    expected+=$'\n'"$host,$n,$word"
  done
  csv=$(wine "$txreport" --format csv --expect 1,3,5 "$share") || status=$?
  [ "$csv" = "$expected" ] || fail "txreport exited $status and gave:"$'\n'"$csv"
  wine "$txreport" "$share" || true
}

export_keys >"$work/pristine.reg"

# First boot: check and save the backup, reset, check.
boot txreset-startup.cmd || fail "the startup script exited $? on the first boot"
log=$(read_log)
host=$(basename "$work"/share/*.log .log)
backup=$work/share/backup/$host.reg
echo "== the log of the first boot"
echo "$log"
[ "$(grep -c '^txcheck version ' <<<"$log")" -eq 2 ] || fail "the first boot's log does not hold two checks"
[ "$(grep -c '^Tarnel Utility Program' <<<"$log")" -eq 1 ] || fail "the first boot's log does not hold one transcript"
[ "$(head -n 1 <<<"$log")" = "$check_title" ] || fail "the log does not start with a check"
grep -qx 'Quorv1 needs-reset REG_DWORD 7' <<<"$log" || fail "the first check did not find Quorv1"
grep -qx 'Quorv5 needs-reset REG_SZ "yes"' <<<"$log" || fail "the first check did not find Quorv5"
grep -qx "$(summary 1 3)" <<<"$log" || fail "the first check's summary is wrong"
[ "$(tail -n 1 <<<"$log")" = "$(summary 4 0)" ] || fail "the second check did not find every instance ok"
wine reg query "$services\\Quorv5\\Parameters" /v ReportTxEarly |
  grep -q 'REG_DWORD *0x0' || fail "Quorv5 was not reset"
echo "== the backup"
iconv -f UTF-16 -t UTF-8 "$backup" | tr -d '\r' | tee "$work/backup.txt"
for line in '"ReportTxEarly"=dword:00000007' '"ReportTxEarly"=-' \
  '"ReportTxEarly"="yes"' '; not saved: Quorv7 blocked REG_DWORD 7; full access: '; do
  grep -qF "$line" "$work/backup.txt" || fail "the backup lacks $line"
done
cp "$backup" "$work/first-backup.reg"
report_gives reset written reset reset blocked

# Second boot: one check, nothing written, the backup kept.
export_keys >"$work/before.reg"
boot txreset-startup.cmd || fail "the startup script exited $? on the second boot"
export_keys >"$work/after.reg"
[ -s "$work/before.reg" ] && cmp "$work/before.reg" "$work/after.reg" &&
  echo "ok: reg export of the instance keys is the same after the second boot" ||
  fail "the second boot changed the registry"
cmp "$backup" "$work/first-backup.reg" || fail "the second boot replaced the backup"
log=$(read_log)
echo "== the log of the second boot"
echo "$log"
[ "$(head -n 1 <<<"$log")" = "$check_title" ] && [ "$(wc -l <<<"$log")" -eq 18 ] &&
  [ "$(tail -n 1 <<<"$log")" = "$(summary 4 0)" ] ||
  fail "the second boot's log is not a single check that finds all but the blocked one ok"
report_gives ok ok ok ok blocked
# With /stdout /check, the same check goes to standard output, with the x86
# build's line first, and nothing stays beside the script or on the share;
# arguments of another form are refused with exit status 2.
listed=$(ls -AR "$work/sysvol" "$work/share")
log=$(cd "$work" && wine cmd /c 'sysvol\txreset-startup.cmd' /stdout /check | tr -d '\r') ||
  fail "/stdout /check exited $?"
[ "$build" = x64 ] || log=$(tail -n +2 <<<"$log")
[ "$(head -n 1 <<<"$log") $(wc -l <<<"$log")" = "$check_title 18" ] &&
  [ "$(ls -AR "$work/sysvol" "$work/share")" = "$listed" ] ||
  fail "/stdout /check did not write one check to standard output, leaving nothing: $log"
for arguments in '/stdout /bogus' '/stdout /backup /check' '/stdout /restore /backup' \
  '/stdout /check /restore' '/stdout /restore /check /check'; do
  status=0
  # shellcheck disable=SC2086 # each word an argument
  (cd "$work" && wine cmd /c 'sysvol\txreset-startup.cmd' $arguments >/dev/null 2>&1) || status=$?
  [ "$status" -eq 2 ] || fail "txreset-startup.cmd $arguments exited $status, not 2"
done
# As other Windows console tools do, txreport expands a wildcard itself.
[ "$(wine "$txreport" --format csv "$share\\*.log" || true)" = \
  "$(wine "$txreport" --format csv "$share" || true)" ] &&
  echo "ok: txreport expands share\\*.log" || fail "txreport on share\\*.log reads another set"

# Restore, with txrestore.exe.
status=0
boot txreset-restore.cmd || status=$?
[ "$status" -eq 0 ] || fail "the restore exited $status"
export_keys >"$work/restored.reg"
cmp "$work/pristine.reg" "$work/restored.reg" &&
  echo "ok: after the restore, reg export is the one from before the first boot" ||
  fail "the restore did not put the keys back as they were"
log=$(read_log)
echo "== the log of the restore"
echo "$log"
{
  [ "$(head -n 1 <<<"$log")" = "$restore_title" ] &&
    grep -qx 'Quorv1 restored REG_DWORD 7' <<<"$log" &&
    grep -qx 'Quorv3 restored missing' <<<"$log" &&
    grep -qx 'Quorv5 restored REG_SZ "yes"' <<<"$log" &&
    grep -qx '[0-9]* instances: 3 restored, [0-9]* unchanged, 0 absent, 0 blocked, 0 failed' <<<"$log" &&
    [ "$(grep -c "^$check_title\$" <<<"$log")" -eq 1 ] &&
    [ "$(tail -n 1 <<<"$log")" = "$(summary 1 3)" ]
} || fail "the log of the restore is not what txrestore says and a check of the values put back"
report_gives needs-reset needs-reset needs-reset ok blocked

# A backup with more than txcheck saved, appended as regedit would read it:
# refused whole, nothing written. The keys it names are exported too.
boot txreset-startup.cmd || fail "the startup script exited $? on the third boot"
run_key='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
planted="$services\\TxresetPlanted"
printf '\r\n[%s]\r\n"TxresetPlanted"="C:\\\\planted.exe"\r\n\r\n[%s]\r\n"ImagePath"="C:\\\\planted.exe"\r\n"Start"=dword:00000002\r\n' \
  "$run_key" "$planted" | iconv -f UTF-8 -t UTF-16LE >>"$backup"
tampered_export() {
  local key
  export_keys
  for key in "$run_key" "$planted"; do
    rm -f "$work/export.reg"
    wine reg export "$key" "$(windows_path "$work/export.reg")" /y >/dev/null 2>&1 || echo "no $key"
    [ ! -f "$work/export.reg" ] || cat "$work/export.reg"
  done
}
tampered_export >"$work/before.reg"
status=0
boot txreset-restore.cmd || status=$?
[ "$status" -eq 1 ] || fail "the restore of a tampered backup exited $status"
tampered_export >"$work/after.reg"
cmp "$work/before.reg" "$work/after.reg" &&
  echo "ok: reg export of the instance keys and of the keys the tampering names is the same after its restore" ||
  fail "the restore of a tampered backup changed the registry"
if wine reg query "$run_key" /v TxresetPlanted >/dev/null 2>&1 ||
  wine reg query "$planted" >/dev/null 2>&1; then
  fail "the tampered backup's Run value or service was imported"
fi
log=$(read_log)
echo "== the log of the refused restore"
echo "$log"
refusal=$(head -n 1 <<<"$log")
refused="txrestore: share\\backup\\$host.reg line "
[[ $refusal == "$refused"[0-9]*': the key "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft'* ]] &&
  [ "$(sed -n 2p <<<"$log")" = "$check_title" ] && [ "$(wc -l <<<"$log")" -eq 19 ] &&
  [ "$(tail -n 1 <<<"$log")" = "$(summary 4 0)" ] ||
  fail "the log of the refused restore is not the refusal and a check"
status=0
table=$(wine "$txreport" "$share") || status=$?
echo "$table"
[ "$status" -eq 1 ] &&
  grep -F "restore refused: ${refusal#txrestore: }" <<<"$table" | grep -q "^$host  *failed " ||
  fail "txreport exited $status on the refused restore"

# No backup: the restore exits 1 and writes nothing to the registry; the
# log says, in the restore script's name, that there is nothing to put
# back, then holds a check, and txreport shows that line.
mv "$backup" "$work/tampered-backup.reg"
status=0
boot txreset-restore.cmd 2>"$work/stderr.txt" || status=$?
nothing="txreset-restore.cmd: there is no backup share\\backup\\$host.reg: nothing to put back"
log=$(read_log)
echo "== the log of the restore without a backup"
echo "$log"
[ "$status" -eq 1 ] && grep -qxF "$nothing" <(tr -d '\r' <"$work/stderr.txt") &&
  [ "$(head -n 1 <<<"$log")" = "$nothing" ] && [ "$(sed -n 2p <<<"$log")" = "$check_title" ] &&
  [ "$(wc -l <<<"$log")" -eq 19 ] && [ "$(tail -n 1 <<<"$log")" = "$(summary 4 0)" ] ||
  fail "the restore without a backup exited $status: $(cat "$work/stderr.txt")"
report_gives ok ok ok ok blocked
table=$(wine "$txreport" "$share") || true
grep "^$host  *failed " <<<"$table" | grep -qF "$nothing; instance 7 blocked" ||
  fail "txreport does not show that the restore had nothing to put back"
cp "$work/first-backup.reg" "$backup"

# SCRIPT without PROGRAM beside it exits STATUS, and the log ends with the
# script saying that PROGRAM of the build it took is missing, which
# txreport reports as the host failed. Where x64\ lacks it, that build is
# x86\ while this AMD64 machine runs 32-bit programs (WOW64 yes), which the
# log says first, and x64\ where it does not.
without() { # SCRIPT PROGRAM STATUS WOW64
  local took=x64 log status=0 lines=1 table
  if [ "$4" = yes ]; then took=x86; fi
  mv "$work/sysvol/$build/$2" "$work/$2"
  boot "$1" 2>/dev/null || status=$?
  mv "$work/$2" "$work/sysvol/$build/$2"
  log=$(read_log)
  echo "== the log of $1 without $build\\$2, WOW64 $4"
  echo "$log"
  if [ "$build" = x64 ] && [ "$4" = yes ]; then
    lines=2
    [ "$(head -n 1 <<<"$log")" = "$(fallback "$1" "$2")" ] || fail "the log does not say that x86\\ runs"
  fi
  [ "$status" -eq "$3" ] && [ "$(wc -l <<<"$log")" -eq $lines ] &&
    [[ $(tail -n 1 <<<"$log") == "$1: "*"\\sysvol\\$took\\$2 is missing" ]] ||
    fail "$1 without $build\\$2 exited $status"
  table=$(wine "$txreport" "$share") || true
  echo "$table"
  grep "^$host  *failed " <<<"$table" | grep -qF "\\sysvol\\$took\\$2 is missing" ||
    fail "txreport does not report the host failed"
}
without txreset-restore.cmd txrestore.exe 1 yes
tampered_export | cmp "$work/before.reg" - &&
  echo "ok: a restore without a backup or without txrestore.exe changes nothing" ||
  fail "a restore without a backup or without txrestore.exe changed the registry"
if [ "$build" = x64 ]; then
  mv "$wow64" "$wow64.hidden"
  without txreset-restore.cmd txrestore.exe 1 no
  without txreset-startup.cmd txcheck.exe 0 no
  mv "$wow64.hidden" "$wow64"
fi
without txreset-startup.cmd txcheck.exe 0 yes

wine "$set_key_dacl" 'D:(A;;KA;;;WD)' "$blocked"
wine reg delete "$run_key" /v TxresetPlanted /f >/dev/null 2>&1 || true
wine reg delete "$planted" /f >/dev/null 2>&1 || true
[ ! -s "$work/failures" ] && echo "ok: the GPO scripts with the $build build under Wine's cmd, over two boots and a restore"
[ ! -s "$work/failures" ]
