#!/usr/bin/env bash
# The collection's rollout in waves, on a fleet of five stand-in hosts
# (windows_stand_in/), each a folder with its own emulated registry, where
# the modules and the shell learn their host from the host's variables. The
# waves are web01, then web02, then web03 to web05. Where all is well, every
# wave runs, each host is changed and the run passes; under --check no
# registry changes and the report names every host as one a run would
# change. Where web02's key fails its writes, txreset loses its value: web02
# fails, the third wave never starts (its registries are the same bytes and
# it has no logs), the report names web02 failed and the third wave's hosts
# missing, and the run fails. In waves of 1, 2 and 2 hosts, where half of a
# wave may fail, the rollout goes on past web02 and the run fails at the
# end. Where the first host cannot be reached, no registry changes and the
# report names every host missing. Every play
# stages its files in one new folder per host that win_tempfile made, and
# leaves nothing on any host.
# Usage: check_ansible_waves.sh SOURCE_DIR txreset_emulated txcheck_emulated
#                               txreport WORK_DIR
set -euo pipefail
source_dir=$1 txreset=$2 txcheck=$3 txreport=$4 work=$5
source "$source_dir/tests/deploy/stand_in.sh"
hosts=(web01 web02 web03 web04 web05)
collections=$source_dir/deploy/ansible/collections:$source_dir/tests/deploy/windows_stand_in

rm -rf "$work"
mkdir -p "$work/bundle/x64"
cp "$txcheck" "$work/bundle/x64/txcheck.exe"
cp "$txreset" "$work/bundle/x64/txreset.exe"
# Each host's folder is fleet/HOST; the modules learn it from the
# environment that the host's interpreter is started with, the shell from
# txreset_stand_in_host. Each host's win_tempfile notes its folders in
# fleet/HOST.jsonl.
jq -n --arg fleet "$work/fleet" --args '{txreset_targets: {
  hosts: (reduce $ARGS.positional[] as $host ({}; .[$host] = {})),
  vars: {
    ansible_connection: "local",
    ansible_shell_type: "ansible.windows.stand_in",
    txreset_stand_in_host: "\($fleet)/{{ inventory_hostname }}",
    ansible_python_interpreter: ("/usr/bin/env"
      + " TXRESET_STAND_IN_HOST={{ txreset_stand_in_host | quote }}"
      + " TXRESET_STAND_IN_TEMPFILES={{ (txreset_stand_in_host ~ \".jsonl\") | quote }}"
      + " {{ ansible_playbook_python | quote }}")}}}' "${hosts[@]}" >"$work/inventory.yml"

# Runs the rollout on a new fleet, where HOST_WF's key fails its writes, and
# checks its exit status, that each of CHANGED is counted changed, that each
# of UNREACHED keeps its registry's bytes and has no log, that the report
# has each of LINES, and that every host reached had one new folder from
# win_tempfile, asking for no place, and has nothing left on it.
fleet_case() { # DESCRIPTION STATUS HOST_WF CHANGED UNREACHED LINES OPTIONS...
  local what=$1 expected=$2 wf=$3 changed=$4 unreached=$5 lines=$6 status=0 host line
  shift 6
  rm -rf "$work/fleet" "$work/reports"
  for host in "${hosts[@]}"; do
    mkdir -p "$work/fleet/$host"
    seed_registry "$work/fleet/$host" "$([ "$host" = "$wf" ] && echo wf || echo rw)"
    cp "$work/fleet/$host/registry" "$work/fleet/$host.seed"
  done
  output=$(cd "$work" && PATH=$(dirname "$txreport"):$PATH \
    ANSIBLE_COLLECTIONS_PATH=$collections ansible-playbook -i "$work/inventory.yml" tarnel.txreset.rollout "$@" -e "$(
      jq -n --arg work "$work" '{txreset_programs_dir: "\($work)/bundle", txreset_build: "x64"}')" 2>&1) ||
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
    grep -Eq -- "$line" <<<"$output" || fail "$what: no line matches $line"
  done <<<"$lines"
  for host in "${hosts[@]}"; do
    [ ! -e "$work/fleet/$host.jsonl" ] || [ "$(jq -s 'length == 1 and all(.asked == null)' \
      "$work/fleet/$host.jsonl")" = true ] ||
      fail "$what: not one new folder from win_tempfile in $host's own temporary folder"
    [ -z "$(left_on "$work/fleet/$host")" ] || fail "$what: left on $host: $(left_on "$work/fleet/$host")"
  done
}

summary='"[0-9] hosts?: '
fleet_case "a fleet where all is well" passes - "${hosts[*]}" "" "\
^PLAY \[.*in waves\]( |\*)*$
${summary}5 ok, 0 needs-reset, 0 failed, 0 incomplete, 0 unreadable, 0 stale, 0 missing"
[ "$(grep -c '^PLAY \[.*in waves\]' <<<"$output")" -eq 3 ] || fail "the fleet where all is well did not run in three waves"

fleet_case "under --check" passes web02 "" "" "\
\"Hosts that a run would change: web01, web02, web03, web04, web05\"" --check
for host in "${hosts[@]}"; do
  cmp -s "$work/fleet/$host/registry" "$work/fleet/$host.seed" || fail "--check changed $host's registry"
done

fleet_case "a write that fails in the second wave" fails web02 web01 "web03 web04 web05" "\
^fatal: \[web02\]: FAILED! => .*txreset ran on web02, and the check after it does not find ok what the check before found needs-reset: Quorv1 needs-reset missing
\"web01 +ok +-R--------------
\"web02 +failed +-L--------------
\"web03 +missing
\"web05 +missing
${summary}1 ok, 0 needs-reset, 1 failed, 0 incomplete, 0 unreadable, 0 stale, 3 missing"
! grep -Eq '^web0[345] ' <<<"$output" || fail "the third wave ran after web02 failed"

fleet_case "a failure that txreset_max_fail_percentage lets pass" fails web02 "web01 web03 web04 web05" "" "\
^PLAY \[.*in waves\]( |\*)*$
\"web02 +failed +-L--------------
${summary}4 ok, 0 needs-reset, 1 failed, 0 incomplete, 0 unreadable, 0 stale, 0 missing
txreport found hosts that are not ok" \
  -e '{"txreset_waves": [1, 2, "100%"], "txreset_max_fail_percentage": 50}'

# web01 over SSH to a port of 127.0.0.1 where nothing listens.
jq -n --argjson port "$(free_port)" '{txreset_targets: {hosts: {web01: {
  ansible_connection: "ssh", ansible_host: "127.0.0.1", ansible_port: $port}}}}' \
  >"$work/unreachable.yml"
fleet_case "a first host that cannot be reached" fails - "" "${hosts[*]}" "\
web01 cannot be reached: 
\"web01 +missing
${summary}0 ok, 0 needs-reset, 0 failed, 0 incomplete, 0 unreadable, 0 stale, 5 missing" \
  -i "$work/unreachable.yml"

[ "$failures" -eq 0 ] && echo "ok: the rollout in waves"
exit $((failures != 0))
