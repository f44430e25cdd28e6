#!/usr/bin/env bash
# The Ansible playbook: its syntax and ansible-lint's production profile,
# then the report play for real over transcripts that txreset wrote on
# staged registries, with txreport found on PATH as its package installs
# it. It must pass over a fleet that is all ok, and fail, still showing the
# table, over one where a value was lost.
# Usage: check_ansible.sh SOURCE_DIR txreset_emulated txreport WORK_DIR
set -euo pipefail
source_dir=$1 txreset=$2 txreport=$3 work=$4
playbook=$source_dir/deploy/ansible/txreset.yml
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work/fleet-ok" "$work/fleet-lost"
export ANSIBLE_LOCAL_TEMP=$work/tmp XDG_CACHE_HOME=$work/cache
export ANSIBLE_NOCOLOR=1 ANSIBLE_FORCE_COLOR=0

ansible-playbook --syntax-check \
  -i "$source_dir/deploy/ansible/inventory.example.yml" "$playbook" ||
  fail "syntax check"
(cd "$source_dir" && ansible-lint --offline --nocolor deploy/ansible) ||
  fail "ansible-lint"

# Transcripts from the program itself, on registries in the emulated
# registry's file format ("wf": the key opens but its writes fail).
transcript() { # REGISTRY_LINES LOG
  printf '%s' "$1" >"$2.registry"
  TXRESET_EMULATED_REGISTRY=$2.registry "$txreset" 2>"$2"
  rm "$2.registry"
}
key='SYSTEM\CurrentControlSet\Services\Quorv'
value=$'value 4 07000000- ReportTxEarly\n'
transcript "key rw ${key}1\\Parameters"$'\n'"$value" "$work/fleet-ok/web01.log"
transcript "" "$work/fleet-ok/web02.log"
cp "$work/fleet-ok/"*.log "$work/fleet-lost/"
transcript "key wf ${key}2\\Parameters"$'\n'"$value" "$work/fleet-lost/web03.log"

report_play() { # FLEET_DIR
  PATH=$(dirname "$txreport"):$PATH ansible-playbook -i localhost, "$playbook" \
    -e "txreset_reports_dir=$1" 2>&1
}
status=0
output=$(report_play "$work/fleet-ok") || status=$?
echo "$output"
[ "$status" -eq 0 ] || fail "the report play failed over an ok fleet ($status)"
grep -q '2 hosts: 2 ok, 0 failed' <<<"$output" || fail "no table for the ok fleet"

status=0
output=$(report_play "$work/fleet-lost") || status=$?
echo "$output"
[ "$status" -ne 0 ] || fail "the report play passed over a fleet with a lost value"
grep -q 'web03 .*failed .*\.\.L\.\.\.\.\.\.\.\.\.\.\.\.\.' <<<"$output" ||
  fail "the table does not show web03's lost value"
grep -q 'txreport found hosts that are not ok' <<<"$output" ||
  fail "the play did not fail on txreport's verdict"

[ "$failures" -eq 0 ] && echo "ok: the Ansible playbook"
exit $((failures != 0))
