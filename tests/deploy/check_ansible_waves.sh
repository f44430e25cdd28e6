#!/usr/bin/env bash
# The collection's rollout in waves (web01, web02, then web03 to web05) on
# five stand-in hosts (windows_stand_in/), each with its own folder and
# emulated registry, case by case: whether the run passes, which hosts are
# changed, which keep their registry's bytes and get no log, what the report
# says, and that each host reached had one new win_tempfile folder and keeps
# nothing. Last, web01 out of reach beside a host whose name txreport would
# take for a comment: nothing changes, and the report says both.
# Usage: check_ansible_waves.sh SOURCE_DIR txreset_emulated txcheck_emulated
#                               txreport WORK_DIR WINE64_LOADER MINGW64_CC
#                               VERSION
set -euo pipefail
source_dir=$1 txreset=$2 txcheck=$3 txreport=$4 work=$5 wine_loader=$6 mingw_cc=$7
version=$8
source "$source_dir/tests/deploy/stand_in.sh"
hosts=(web01 web02 web03 web04 web05)
collections=$work/collections:$source_dir/tests/deploy/windows_stand_in

rm -rf "$work"
install_collection "$version" >/dev/null
start_stand_in_wine "$wine_loader" "$mingw_cc" "$txcheck" "$txreset"
export TXRESET_STAND_IN_CALLS=$work/calls
# Host HOST is fleet/HOST, whose drive C: is that of the Wine prefix
# wine-HOST: the modules learn both from the environment that its
# interpreter starts with, the shell from txreset_stand_in_host.
jq -n --arg fleet "$work/fleet" --arg work "$work" --args '{txreset_targets: {
  hosts: (reduce $ARGS.positional[] as $host ({}; .[$host] = {})),
  vars: {ansible_connection: "local", ansible_shell_type: "ansible.windows.stand_in",
    txreset_stand_in_host: "\($fleet)/{{ inventory_hostname }}",
    txreset_stand_in_prefix: "\($work)/wine-{{ inventory_hostname }}",
    ansible_python_interpreter: ("/usr/bin/env"
      + " TXRESET_STAND_IN_HOST={{ txreset_stand_in_host | quote }}"
      + " TXRESET_STAND_IN_TEMPFILES={{ (txreset_stand_in_host ~ \".jsonl\") | quote }}"
      + " WINEPREFIX={{ txreset_stand_in_prefix | quote }}"
      + " {{ ansible_playbook_python | quote }}")}}}' "${hosts[@]}" >"$work/inventory.yml"

# The rollout on a new fleet where HOST_WF's key fails its writes: its exit
# status, CHANGED counted changed, UNREACHED with the same registry bytes
# and no log, each of LINES (EREs) in the output, and on every host one
# win_tempfile folder (if any), asked for no place, and nothing left.
fleet_case() { # DESCRIPTION STATUS HOST_WF CHANGED UNREACHED LINES OPTIONS...
  local what=$1 expected=$2 wf=$3 changed=$4 unreached=$5 lines=$6 status=0 host line
  shift 6
  rm -rf "$work/fleet" "$work/reports"
  for host in "${hosts[@]}"; do
    mkdir -p "$work/fleet/$host"
    stand_in_drive "$work/fleet/$host" "$work/wine-$host"
    seed_registry "$work/fleet/$host" "$([ "$host" = "$wf" ] && echo wf || echo rw)"
    cp "$work/fleet/$host/registry" "$work/fleet/$host.seed"
  done
  output=$(cd "$work" && PATH=$(dirname "$txreport"):$PATH ANSIBLE_COLLECTIONS_PATH=$collections \
    ansible-playbook -i "$work/inventory.yml" tarnel.txreset.rollout "$@" -e "$(jq -n \
      --arg work "$work" '{txreset_programs_dir: "\($work)/bundle"}')" 2>&1) ||
    status=$?
  echo "$output"
  [ "$([ "$status" -eq 0 ] && echo passes || echo fails)" = "$expected" ] ||
    fail "$what: the run $expected not ($status)"
  for host in $changed; do
    grep -Eq "^$host +: ok=[0-9]+ +changed=1 " <<<"$output" || fail "$what: $host is not counted changed"
  done
  for host in $unreached; do
    cmp -s "$work/fleet/$host/registry" "$work/fleet/$host.seed" || fail "$what: $host's registry changed"
    [ ! -e "$work/reports/$host.log" ] || fail "$what: $host has a log"
  done
  while IFS= read -r line; do
    [ -z "$line" ] || grep -Eq -- "$line" <<<"$output" || fail "$what: no line matches $line"
  done <<<"$lines"
  for host in "${hosts[@]}"; do
    [ ! -e "$work/fleet/$host.jsonl" ] || [ "$(jq -s 'length == 1 and all(.asked == null)' \
      "$work/fleet/$host.jsonl")" = true ] ||
      fail "$what: not one new folder from win_tempfile in $host's own temporary folder"
    [ -z "$(left_on "$work/fleet/$host")" ] || fail "$what: left on $host: $(left_on "$work/fleet/$host")"
  done
}

fleet_case "a fleet where all is well" passes - "${hosts[*]}" "" \
  '"5 hosts: 5 ok, 0 needs-reset, 0 failed, .* 0 missing'
[ "$(grep -c '^PLAY \[.*in waves\]' <<<"$output")" -eq 3 ] || fail "all is well, and not three waves"

fleet_case "under --check" passes web02 "" "" \
  '"Hosts that a run would change: web01, web02, web03, web04, web05"' --check
for host in "${hosts[@]}"; do
  cmp -s "$work/fleet/$host/registry" "$work/fleet/$host.seed" || fail "--check changed $host's registry"
done

fleet_case "a write that fails in the second wave" fails web02 web01 "web03 web04 web05" '
^fatal: \[web02\]: FAILED! => .*"txreset ran on web02, .* found needs-reset: Quorv1 needs-reset missing"
"web01 +ok +-R-{14}"
"web02 +failed +-L-{14} .*"
"web03 +missing
"web05 +missing
"5 hosts: 1 ok, 0 needs-reset, 1 failed, .* 3 missing'
! grep -Eq '^web0[345] ' <<<"$output" || fail "the third wave ran after web02 failed"

fleet_case "a failure that txreset_max_fail_percentage lets pass" fails web02 "web01 web03 web04 web05" "" '
"web02 +failed +-L-{14} .*"
"5 hosts: 4 ok, 0 needs-reset, 1 failed, .* 0 missing
txreport found hosts that are not ok' \
  -e '{"txreset_waves": [1, 2, "100%"], "txreset_max_fail_percentage": 50}'

# Over SSH to a port of 127.0.0.1 where nothing listens.
jq -n --argjson port "$(free_port)" '{ansible_connection: "ssh", ansible_host: "127.0.0.1",
  ansible_port: $port} as $ssh | {txreset_targets: {hosts: {web01: $ssh, "#lab08": $ssh}}}' \
  >"$work/unreachable.yml"
fleet_case "a first host that cannot be reached" fails - "" "${hosts[*]}" '
"web01 cannot be reached: .*Connection refused
"web01 +missing
"5 hosts: 0 ok, 0 needs-reset, 0 failed, .* 5 missing
"txreport does not report #lab08 under the name that Ansible knows: ' -i "$work/unreachable.yml"

[ "$failures" -eq 0 ] && echo "ok: the rollout in waves"
exit $((failures != 0))
