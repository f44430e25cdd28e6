#!/usr/bin/env bash
# txreport's .deb through Debian's own tools: lintian, its warnings failing
# but for the package's overrides; dpkg, installing it into a scratch root
# that holds its dependencies as this system has them; then the installed
# program's help and a report on a transcript.
# Usage: check_deb.sh DEB WORK_DIR VERSION
set -uo pipefail
deb=$1 work=$2 version=$3 failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
root=$work/root program=$work/root/usr/bin/txreport
rm -rf "$work" && mkdir -p "$root/var/lib/dpkg/info" "$work/reports"

lintian --fail-on error,warning --display-info "$deb" || fail "lintian"
arch=$(dpkg-deb -f "$deb" Architecture)
depends=$(dpkg-deb -f "$deb" Depends | tr , '\n' | sed "s/ *(.*//; s/^ *//; s/\$/:$arch/")
dpkg-query -s $depends >"$root/var/lib/dpkg/status"
dpkg --root="$root" --log=/dev/null -i "$deb" || fail "dpkg -i beside $(echo $depends)"
dpkg --root="$root" --verify txreport || fail "dpkg --verify"
help=$("$program" --help | head -n 1)
echo "$help"
[ "$help" = "Usage: txreport [--format table|csv|jsonl|html] [--expect LIST]" ] ||
  fail "the installed txreport's --help"

# Instance 1 lost: deleted, then the write failed; no other instance key.
{
  printf 'Tarnel Utility Program       version %s(R)\nCopyright (C) Tarnel. All rights reserved.\n\n' "$version"
  for n in {0..15}; do
    [ "$n" -ne 1 ] || printf 'Open Key sucessfully!\n\nDelete Key now.\n\n'
    printf 'Program Fails!\nCheck the registry please!\n\n'
  done
} >"$work/reports/web01.log"
report=$("$program" "$work/reports")
status=$?
echo "$report"
[ $status -eq 1 ] && [ "$report" = "HOST   STATUS       INSTANCES 0-15    PROBLEM
web01  failed       .L..............  instance 1 lost (value deleted, none written)
1 host: 0 ok, 0 needs-reset, 1 failed, 0 incomplete, 0 unreadable, 0 stale, 0 missing" ] || fail "the installed txreport's report"

echo "$failures failed checks"
exit $((failures != 0))
