#!/usr/bin/env bash
# txreport's Debian package as Debian's own tools see it: lintian passes,
# with its warnings as failures but for those the package overrides; dpkg
# installs it into a scratch root that holds the packages it depends on as
# this system has them; the installed files verify, and the installed
# program shows its help and reports on transcripts.
# Usage: check_deb.sh DEB VERSION WORK_DIR
set -uo pipefail
deb=$1 version=$2 work=$3
failures=0
check() { # DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
rm -rf "$work"
mkdir -p "$work/root/var/lib/dpkg/info" "$work/reports"
root=$work/root program=$work/root/usr/bin/txreport

check "lintian passes" lintian --fail-on error,warning --display-info "$deb"
check "the package's version is $version" [ "$(dpkg-deb -f "$deb" Version)" = "$version" ]

arch=$(dpkg-deb -f "$deb" Architecture)
depends=$(dpkg-deb -f "$deb" Depends | tr , '\n' | sed "s/ *(.*//; s/^ *//; s/\$/:$arch/")
dpkg-query -s $depends >"$root/var/lib/dpkg/status"
for package in $depends; do : >"$root/var/lib/dpkg/info/$package.list"; done
check "dpkg installs it beside its dependencies: $(echo $depends)" \
  dpkg --root="$root" --log=/dev/null -i "$deb"
check "dpkg verifies the installed files" dpkg --root="$root" --verify txreport
check "the man page is txreport $version's" \
  zgrep -q "^\.TH TXREPORT \"1\" \".*\" \"txreport $version\"" "$root/usr/share/man/man1/txreport.1.gz"
help=$("$program" --help)
check "the installed txreport --help: $(head -n 1 <<<"$help")" \
  [ "$(head -n 1 <<<"$help")" = "Usage: txreport [--format table|csv|jsonl] [--expect LIST] [--] PATH..." ]

transcript() { # MAP: R reset, L lost (deleted, not written), . no key
  local map=$1 n
  printf 'Tarnel Utility Program       version 1.30(R)\nCopyright (C) Tarnel. All rights reserved.\n\n'
  for ((n = 0; n < 16; n++)); do
    case ${map:n:1} in
    R) printf 'Open Key sucessfully!\n\nDelete Key now.\n\nReset the correct Key value.\n\nThe change is done!\n\n' ;;
    L) printf 'Open Key sucessfully!\n\nDelete Key now.\n\nProgram Fails!\nCheck the registry please!\n\n' ;;
    .) printf 'Program Fails!\nCheck the registry please!\n\n' ;;
    esac
  done
}
transcript .R.............. >"$work/reports/web01.log"
transcript .RL............. >"$work/reports/web02.log"
report=$("$program" --expect 1 "$work/reports")
check "the installed txreport reports, exit status 1" [ $? -eq 1 ]
echo "$report"
check "the report is as expected" [ "$report" = "HOST   STATUS      INSTANCES 0-15    PROBLEM
web01  ok          .R..............
web02  failed      .RL.............  instance 2 lost (value deleted, none written)
2 hosts: 1 ok, 1 failed, 0 incomplete, 0 unreadable" ]

echo "$failures failed checks"
exit $((failures != 0))
