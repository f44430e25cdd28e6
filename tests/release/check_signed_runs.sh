#!/usr/bin/env bash
# Runs the signed x64 txreset.exe of a release and the unsigned build under
# Wine's 64-bit loader, in the same prefix and registry state, and checks
# that both print the same and exit alike.
# Usage: check_signed_runs.sh LOADER SIGNED_EXE UNSIGNED_EXE
set -uo pipefail
loader=$1 signed=$2 unsigned=$3
export WINELOADER=$loader
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
run() { # EXE NAME: stdout, stderr and exit status in NAME
  "$loader" "$1" </dev/null >"$out/$2" 2>&1
  echo "exit status $?" >>"$out/$2"
}

# One instance with the value and one without, whatever the suite left.
# The first run leaves every instance it can change as later runs leave
# it, so the two runs compared start from the same registry.
key='HKLM\SYSTEM\CurrentControlSet\Services\Quorv'
{ "$loader" reg add "${key}1\Parameters" /v ReportTxEarly /t REG_DWORD /d 7 /f &&
  "$loader" reg add "${key}3\Parameters" /f; } >/dev/null 2>&1 ||
  { echo "FAIL: cannot add instance keys to Wine's registry"; exit 1; }
run "$unsigned" settle
run "$unsigned" unsigned
run "$signed" signed

cat "$out/signed"
if ! grep -q 'The change is done!' "$out/unsigned"; then
  echo "FAIL: the unsigned build changed no instance:"
  cat "$out/unsigned"
  exit 1
elif ! diff "$out/unsigned" "$out/signed"; then
  echo "FAIL: the signed txreset.exe prints something else"
  exit 1
fi
echo "ok: the signed and the unsigned txreset.exe print the same"
