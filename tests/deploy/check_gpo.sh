#!/usr/bin/env bash
# The GPO scripts for real, under Wine's cmd in the 64-bit test prefix, over
# two boots and a restore: a local folder stands for the SYSVOL copy of the
# scripts with the x64 builds (and no x86 ones: the script must pick x64
# here), another for the log share. Keys are seeded for instances 1 (value
# 7), 3 (no value), 5 (a string), 6 (already 0) and 7 (7, in a key that
# grants only reading: blocked).
# - First boot: the backup is saved, and holds what txreset replaces; the
#   log holds a check that finds 1, 3 and 5 in need of a reset, txreset's
#   transcript, and a check that finds them ok; txreport reads the outcomes
#   back. The script exits 0, although the last check exits 1 (blocked).
# - Second boot: the log holds only a check, txreset does not run although
#   an instance is blocked, `reg export` of the instance keys is the same to
#   the byte before and after, and the backup is not replaced.
# - Restore, with reg.exe and again (after a third boot) with regedit where
#   reg.exe is missing: `reg export` of the instance keys is the one from
#   before the first boot, byte for byte, and the log holds a check.
# - With txcheck.exe missing, the log says so and txreport names it.
# Usage: check_gpo.sh LOADER GPO_DIR x64/txreset.exe x64/txcheck.exe
#                     txreport.exe set_key_dacl.exe WORK_DIR VERSION
# The environment names the prefix (WINEPREFIX) and the loader (WINELOADER).
set -euo pipefail
loader=$1 gpo=$2 reset=$3 check=$4 txreport=$5 set_key_dacl=$6 work=$7
check_title="txcheck version $8"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
windows_path() { local path=Z:$1; echo "${path//\//\\}"; }
wine() { "$loader" "$@"; }

rm -rf "$work"
mkdir -p "$work/sysvol/x64" "$work/share"
cp "$gpo"/*.cmd "$work/sysvol/"
cp "$reset" "$check" "$work/sysvol/x64/"

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
  (cd "$work" && wine cmd /c "sysvol\\$1" share)
}
# The seeded keys as `reg export` writes them, one after another.
export_keys() {
  local n
  for n in "${seeded[@]}"; do
    wine reg export "$services\\Quorv$n" "$(windows_path "$work/export.reg")" /y >/dev/null
    cat "$work/export.reg"
  done
}
# The log of this machine, with its line ends checked and taken off.
read_log() {
  local logs=("$work"/share/*.log)
  [ ${#logs[@]} -eq 1 ] && [ -f "${logs[0]}" ] || fail "expected one log: ${logs[*]}"
  [ -z "$(ls -A "$work/share/partial")" ] || fail "a log was left in partial/"
  grep -qv $'\r$' "${logs[0]}" && fail "a line of the log has no CRLF end"
  tr -d '\r' <"${logs[0]}"
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
# As other Windows console tools do, txreport expands a wildcard itself.
[ "$(wine "$txreport" --format csv "$share\\*.log" || true)" = \
  "$(wine "$txreport" --format csv "$share" || true)" ] &&
  echo "ok: txreport expands share\\*.log" || fail "txreport on share\\*.log reads another set"

# Restore, with reg.exe; then, after a boot has reset again, with regedit
# where reg.exe is missing.
reg_exe=$WINEPREFIX/drive_c/windows/system32/reg.exe
for importer in reg regedit; do
  [ "$importer" = reg ] || {
    boot txreset-startup.cmd
    mv "$reg_exe" "$reg_exe.hidden"
  }
  status=0
  boot txreset-restore.cmd || status=$?
  [ "$importer" = reg ] || mv "$reg_exe.hidden" "$reg_exe"
  [ "$status" -eq 0 ] || fail "the restore with $importer exited $status"
  export_keys >"$work/restored.reg"
  cmp "$work/pristine.reg" "$work/restored.reg" &&
    echo "ok: after the restore with $importer, reg export is the one from before the first boot" ||
    fail "the restore with $importer did not put the keys back as they were"
  log=$(read_log)
  [ "$(head -n 1 <<<"$log")" = "$check_title" ] && [ "$(tail -n 1 <<<"$log")" = "$(summary 1 3)" ] ||
    fail "the log after the restore with $importer is not a check of the values put back:"$'\n'"$log"
done
report_gives needs-reset needs-reset needs-reset ok blocked

# The check missing: the log says so, and the report names it.
rm "$work/sysvol/x64/txcheck.exe"
boot txreset-startup.cmd || fail "the startup script exited $? without txcheck.exe"
status=0
csv=$(wine "$txreport" --format csv "$share") || status=$?
[ "$status" -eq 1 ] || fail "txreport exited $status on a log of a missing program"
grep -q "^$host,,unreadable" <<<"$csv" || fail "txreport gave:"$'\n'"$csv"
grep -q 'txcheck.exe is missing' "$work/share/$host.log" || fail "the log does not say txcheck.exe is missing"
wine "$txreport" "$share" || true

wine "$set_key_dacl" 'D:(A;;KA;;;WD)' "$blocked"
[ "$failures" -eq 0 ] && echo "ok: the GPO scripts under Wine's cmd, over two boots and a restore"
exit $((failures != 0))
