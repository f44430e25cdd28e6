#!/usr/bin/env bash
# Runs the signed x64 txreset.exe and txrestore.exe of a release and the
# unsigned builds under Wine's 64-bit loader, in the same prefix and
# registry state, and checks that each pair prints the same and exits
# alike.
# Usage: check_signed_runs.sh LOADER SIGNED_DIR BUILD_DIR
# SIGNED_DIR holds the signed programs; BUILD_DIR the unsigned ones, and
# txcheck.exe, which saves the backup that txrestore.exe puts back.
set -uo pipefail
loader=$1 signed=$2 built=$3
export WINELOADER=$loader
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
run() { # EXE NAME [ARGUMENT...]: stdout, stderr and exit status in NAME
  local exe=$1 name=$2
  shift 2
  "$loader" "$exe" "$@" </dev/null >"$out/$name" 2>&1
  echo "exit status $?" >>"$out/$name"
}
same() { # PROGRAM WORD: both runs' output, which must hold WORD
  cat "$out/signed-$1"
  if ! grep -q "$2" "$out/unsigned-$1"; then
    echo "FAIL: the unsigned $1.exe did not print \"$2\":"
    cat "$out/unsigned-$1"
    failures=$((failures + 1))
  elif ! diff "$out/unsigned-$1" "$out/signed-$1"; then
    echo "FAIL: the signed $1.exe prints something else"
    failures=$((failures + 1))
  else
    echo "ok: the signed and the unsigned $1.exe print the same"
  fi
}

# One instance with the value and one without, whatever the suite left,
# and a backup of them. The first run of txreset.exe leaves every instance
# it can change as later runs leave it, so the two runs compared start from
# the same registry; each run of txrestore.exe puts the backup back over
# that same state.
key='HKLM\SYSTEM\CurrentControlSet\Services\Quorv'
{ "$loader" reg add "${key}1\Parameters" /v ReportTxEarly /t REG_DWORD /d 7 /f &&
  "$loader" reg add "${key}3\Parameters" /f; } >/dev/null 2>&1 ||
  { echo "FAIL: cannot add instance keys to Wine's registry"; exit 1; }
backup=Z:$out/before.reg
backup=${backup//\//\\}
run "$built/txcheck.exe" backup --backup "$backup"
[ -s "$out/before.reg" ] || { cat "$out/backup"; echo "FAIL: txcheck.exe saved no backup"; exit 1; }

run "$built/txreset.exe" settle
run "$built/txreset.exe" unsigned-txreset
run "$signed/txreset.exe" signed-txreset
same txreset 'The change is done!'

run "$built/txrestore.exe" unsigned-txrestore "$backup"
run "$built/txreset.exe" settle
run "$signed/txrestore.exe" signed-txrestore "$backup"
same txrestore 'Quorv1 restored REG_DWORD 7'
exit $((failures != 0))
