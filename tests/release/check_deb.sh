#!/usr/bin/env bash
# txreport's Debian package as Debian's own tools see it: lintian passes,
# with its warnings as failures but for those the package overrides; dpkg
# installs it into a scratch root that holds the packages it depends on as
# this system has them; the installed files verify, and the installed
# program shows its help and reports on transcripts.
# Usage: check_deb.sh DEB WORK_DIR
set -uo pipefail
deb=$1 work=$2
failures=0
check() { # DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
rm -rf "$work"
root=$work/root program=$work/root/usr/bin/txreport
mkdir -p "$root/var/lib/dpkg/info" "$work/reports"

check "lintian passes" lintian --fail-on error,warning --display-info "$deb"

arch=$(dpkg-deb -f "$deb" Architecture)
depends=$(dpkg-deb -f "$deb" Depends | tr , '\n' | sed "s/ *(.*//; s/^ *//; s/\$/:$arch/")
dpkg-query -s $depends >"$root/var/lib/dpkg/status"
for package in $depends; do : >"$root/var/lib/dpkg/info/$package.list"; done
check "dpkg installs it beside its dependencies: $(echo $depends)" \
  dpkg --root="$root" --log=/dev/null -i "$deb"
check "dpkg verifies the installed files" dpkg --root="$root" --verify txreport
help=$("$program" --help | head -n 1)
check "the installed txreport --help: $help" \
  [ "$help" = "Usage: txreport [--format table|csv|jsonl] [--expect LIST] [--] PATH..." ]

# Two hosts: no instance key at all, and instance 1's value lost.
banner='Tarnel Utility Program       version 1.30(R)\nCopyright (C) Tarnel. All rights reserved.\n\n'
none='Program Fails!\nCheck the registry please!\n\n'
lost='Open Key sucessfully!\n\nDelete Key now.\n\nProgram Fails!\nCheck the registry please!\n\n'
{ printf "$banner"; for n in {0..15}; do printf "$none"; done; } >"$work/reports/web01.log"
{ printf "$banner$none$lost"; for n in {2..15}; do printf "$none"; done; } >"$work/reports/web02.log"
report=$("$program" "$work/reports")
check "the installed txreport reports, exit status 1" [ $? -eq 1 ]
echo "$report"
check "the report is as expected" [ "$report" = "HOST   STATUS      INSTANCES 0-15    PROBLEM
web01  ok          ................
web02  failed      .L..............  instance 1 lost (value deleted, none written)
2 hosts: 1 ok, 1 failed, 0 incomplete, 0 unreadable" ]

echo "$failures failed checks"
exit $((failures != 0))
