#!/usr/bin/env bash
# The Ansible collection and the playbooks that use it from the bundle:
# their syntax and ansible-lint, then the report play for real over
# transcripts that txreset wrote on staged registries, with txreport found on
# PATH as its package installs it. It must pass over a fleet that is all ok,
# and fail, still showing the table, over one where a value was lost.
# Then the collection, built by scripts/release --collection, installed
# offline with ansible-galaxy and linted with the production profile. Its
# rollout over WinRM to a closed port finds the host unreachable, which
# needs the controller's WinRM library, and, with no txreport on the
# controller, its report says how to install it. Its
# rollout playbook, run from a folder where its logs go to reports/, on one
# host whose Windows modules and shell are stand-ins (windows_stand_in/):
# the startup script runs under Wine's cmd in a 64-bit prefix made for the
# test, from the account's temporary folder, whose path has a space, and
# its programs are stand-ins that run txcheck, txreset and txrestore as
# built on the emulated registry. The calls that reach the host are
# counted: at most 4 for a host that needs nothing, 5 for its first reset.
# under --check it changes nothing and only checks; the first run keeps the
# backup, resets and counts the host changed; the second only checks and
# does not, and keeps the backup as it was. Then its restore playbook: under
# --check it names the host and changes nothing; a backup with a section
# added on the controller is refused, the host fails, naming the refusal,
# and nothing changes; a run puts the registry back as it was before the
# first run, byte for byte, and counts the host changed; a second run does
# not. With only the x86 programs on the controller, the rollout and the
# restore run them where the host has WOW64, the log saying so, and the
# host fails where it has none, with the script's message. Last, a host whose only finding is an instance that
# txreset cannot change is reported, not reset or changed; and where the
# first reset's backup cannot be fetched, the host fails, naming where the
# backup stays on the host, in the run's folder. Every play stages its files in
# a new folder that win_tempfile made in the account's own temporary folder,
# asked for no other place, and leaves nothing on the host, failed or not.
# Usage: check_ansible.sh SOURCE_DIR txreset_emulated txcheck_emulated
#                         txrestore_emulated txreport WORK_DIR VERSION
#                         WINE64_LOADER MINGW64_CC
set -euo pipefail
source_dir=$1 txreset=$2 txcheck=$3 txrestore=$4 txreport=$5 work=$6 version=$7
wine_loader=$8 mingw_cc=$9
playbook=$source_dir/deploy/ansible/txreset.yml
restore=$source_dir/deploy/ansible/txreset-restore.yml
collections=$work/collections
source "$source_dir/tests/deploy/stand_in.sh"

rm -rf "$work"
mkdir -p "$work/fleet-ok" "$work/fleet-lost"

ansible-playbook --syntax-check \
  -i "$source_dir/deploy/ansible/inventory.example.yml" "$playbook" "$restore" ||
  fail "syntax check"
(cd "$source_dir" && ANSIBLE_COLLECTIONS_PATH=deploy/ansible/collections \
  ansible-lint --offline --nocolor deploy/ansible) ||
  fail "ansible-lint"

# Transcripts from the program itself, on registries in the emulated
# registry's file format ("wf": the key opens but its writes fail).
transcript() { # REGISTRY_LINES LOG
  printf '%s' "$1" >"$2.registry"
  TXRESET_EMULATED_REGISTRY=$2.registry "$txreset" 2>"$2"
  rm "$2.registry"
}
transcript "key rw ${key}1\\Parameters"$'\n'"$value" "$work/fleet-ok/web01.log"
transcript "" "$work/fleet-ok/web02.log"
cp "$work/fleet-ok/"*.log "$work/fleet-lost/"
transcript "key wf ${key}2\\Parameters"$'\n'"$value" "$work/fleet-lost/web03.log"

# Extra variables go as JSON, which keeps a path with spaces whole.
report_play() { # FLEET_DIR
  PATH=$(dirname "$txreport"):$PATH ansible-playbook -i localhost, "$playbook" \
    -e "$(jq -n --arg reports "$1" '{txreset_reports_dir: $reports}')" 2>&1
}
status=0
output=$(report_play "$work/fleet-ok") || status=$?
echo "$output"
[ "$status" -eq 0 ] || fail "the report play failed over an ok fleet ($status)"
grep -q '2 hosts: 2 ok, 0 needs-reset, 0 failed' <<<"$output" || fail "no table for the ok fleet"

status=0
output=$(report_play "$work/fleet-lost") || status=$?
echo "$output"
[ "$status" -ne 0 ] || fail "the report play passed over a fleet with a lost value"
grep -q 'web03 .*failed .*\.\.L\.\.\.\.\.\.\.\.\.\.\.\.\.' <<<"$output" ||
  fail "the table does not show web03's lost value"
grep -q 'txreport found hosts that are not ok' <<<"$output" ||
  fail "the play did not fail on txreport's verdict"

# The collection as released, less the programs, installed offline.
install_collection "$version" || fail "the collection does not build or install"
ANSIBLE_COLLECTIONS_PATH=$collections ansible-playbook --syntax-check \
  tarnel.txreset.rollout tarnel.txreset.restore || fail "the collection's syntax check"
# Out of reach of the source's git, which would have ansible-lint skip the
# files under build/ as ignored.
(cd "$collections/ansible_collections/tarnel/txreset" && GIT_CEILING_DIRECTORIES=$work \
  ANSIBLE_COLLECTIONS_PATH=$collections ansible-lint --offline --nocolor --profile production) ||
  fail "ansible-lint's production profile on the installed collection"

# The installed rollout from a controller with no txreport, over WinRM to a
# port that nobody listens on: the host is unreachable for want of an
# answer, not of the controller's WinRM library (python3-winrm). Then, with
# no host, the report says how to install txreport, naming the release's
# package.
port=$(free_port)
printf '%s\n' '[txreset_targets]' "silent ansible_host=127.0.0.1 ansible_port=$port \
ansible_connection=winrm ansible_winrm_scheme=http ansible_winrm_transport=ntlm \
ansible_user=deploy ansible_password=unused ansible_winrm_connection_timeout=5" \
  >"$work/winrm-inventory"
missing=txreport
! command -v txreport >/dev/null || missing=txreport-not-installed
without_txreport() { # INVENTORY
  (cd "$work" && timeout 120 env ANSIBLE_COLLECTIONS_PATH="$collections" \
    ansible-playbook -i "$1" tarnel.txreset.rollout -e "$(jq -n --arg p "$missing" \
      --arg r "$work/winrm-reports" '{txreport_program: $p, txreset_reports_dir: $r}')" 2>&1)
}
output=$(without_txreport "$work/winrm-inventory") || true
echo "$output"
grep -Eq '^silent +: .* failed=1 ' <<<"$output" && grep -q '"msg": "silent cannot be reached: ' <<<"$output" ||
  fail "the WinRM host does not fail as one that cannot be reached"
if grep -q 'winrm or requests is not installed' <<<"$output"; then
  fail "the controller cannot load the WinRM connection (apt install python3-winrm)"
else
  grep -q 'UNREACHABLE!.*Connection refused' <<<"$output" ||
    fail "the WinRM host is not unreachable for a refused connection"
fi
output=$(without_txreport localhost,) || true
echo "$output"
grep -qxF "fatal: [localhost]: FAILED! => {\"changed\": false, \"msg\": \"$missing is not \
installed on the controller: install txreport_${version}_amd64.deb from the release \
(sudo apt install ./txreport_${version}_amd64.deb)\"}" <<<"$output" ||
  fail "the report does not say how to install txreport"

# The collection's playbooks, on one host: its drive C: is $host/C:, with
# the prefix's Windows folder, and its programs start the Linux builds.
host=$work/web01 tempfiles=$work/tempfiles.jsonl calls=$work/calls
mkdir -p "$host"
start_stand_in_wine "$wine_loader" "$mingw_cc" "$txcheck" "$txreset" "$txrestore"
stand_in_drive "$host"
printf '%s\n' '[txreset_targets]' \
  'web01 ansible_connection=local ansible_shell_type=ansible.windows.stand_in' >"$work/inventory"
seed_registry "$host"
# What the host's registry holds, each key and value: type, bytes and name.
# The emulated registry also notes which values were written through the
# wide functions ("wide" for "value"), which Windows does not keep.
held() { sed 's/^wide /value /' "$host/registry"; }
# From $work, where the logs and backups go by default, to reports/.
on_stand_in() { # COMMAND...
  cd "$work" && PATH=$(dirname "$txreport"):$PATH TXRESET_STAND_IN_HOST=$host \
    TXRESET_STAND_IN_TEMPFILES=$tempfiles TXRESET_STAND_IN_CALLS=$calls \
    ANSIBLE_COLLECTIONS_PATH=$collections:$stand_in "$@" 2>&1
}
whole_play() { # PLAYBOOK ANSIBLE-PLAYBOOK-OPTIONS...
  on_stand_in ansible-playbook -i "$work/inventory" "$@" \
    -e "$(jq -n --arg work "$work" '{txreset_programs_dir: "\($work)/bundle"}')"
}
# The stand-ins put a file only in a folder that win_tempfile made, so that
# a play that passes on them stages nothing anywhere else.
output=$(on_stand_in ansible -i "$work/inventory" web01 -m ansible.windows.win_copy -a "$(
  jq -n --arg src "$txcheck" '{src: $src, dest: "C:\\Windows\\Temp\\txcheck-x64.exe"}')") || true
grep -q 'is not in a folder that win_tempfile made' <<<"$output" ||
  fail "the stand-in win_copy copies outside the folders that win_tempfile made: $output"
# Runs the playbook, checks that it passes (but for the report where web01's
# row is "failed"; where the row is "-", that web01 fails, which ends a
# restore before its report), web01's changed count, its row in the report,
# that the play made one folder on the host with win_tempfile, asking for
# no place, under a name not made before, and left nothing on the host;
# leaves the registry from before in $registry, web01's log in $log (its
# line ends as on Linux), its number of checks and transcripts in $checks
# and $transcripts, and the number of calls that reached the host in
# $reached, which it prints.
plays=0
play_run() { # DESCRIPTION CHANGED ROW PLAYBOOK OPTIONS...
  local what=$1 changed=$2 row=$3 status=0
  shift 3
  registry=$(held)
  : >"$calls"
  output=$(whole_play "$@") || status=$?
  echo "$output"
  reached=$(wc -l <"$calls")
  echo "$what: $reached calls reached web01: $(sort "$calls" | uniq -c | xargs)"
  if [ "$row" = - ]; then
    grep -Eq "^web01 +: .* failed=1 " <<<"$output" || fail "$what: web01 did not fail"
  else
    [ "$status" -eq 0 ] || [ "$row" = failed ] || fail "$what: the playbook failed ($status)"
    grep -q "\"web01  $row" <<<"$output" || fail "$what: the report does not show web01 $row"
  fi
  grep -Eq "^web01 +: ok=[0-9]+ +changed=$changed " <<<"$output" ||
    fail "$what: web01 is not counted changed=$changed"
  plays=$((plays + 1))
  [ "$(jq -s "length == $plays and all(.asked == null)
               and (map(.path) | unique | length) == $plays" "$tempfiles")" = true ] ||
    fail "$what: not one new folder from win_tempfile in the account's own temporary folder"
  local left
  left=$(left_on "$host")
  [ -z "$left" ] || fail "$what: left on the host: $left"
  log=$(tr -d '\r' <"$work/reports/web01.log")
  checks=$(grep -c '^txcheck version ' <<<"$log" || true)
  transcripts=$(grep -c '^Tarnel Utility Program ' <<<"$log" || true)
}
play_run "under --check" 0 "needs-reset  -N--------------" tarnel.txreset.rollout --check
grep -q 'Hosts that a run would change: web01"' <<<"$output" ||
  fail "under --check the report does not say that web01 would change"
[ "$checks $transcripts" = "1 0" ] || fail "under --check the log is not one check"
[ "$reached" -le 4 ] || fail "under --check $reached calls reached web01, not 4 at most"
[ "$(held)" = "$registry" ] || fail "--check changed the registry"
grep -qx 'Quorv1 needs-reset REG_DWORD 7' <<<"$log" || fail "--check did not find Quorv1"
[ ! -e "$work/reports/web01.reg" ] || fail "under --check a backup was kept"
original=$(held)
play_run "the first run" 1 "ok           -R--------------" tarnel.txreset.rollout
iconv -f UTF-16 -t UTF-8 "$work/reports/web01.reg" | grep -qx $'"ReportTxEarly"=dword:00000007\r' ||
  fail "the first run kept no backup of Quorv1's value"
cp "$work/reports/web01.reg" "$work/first-backup.reg"
[ "$reached" -le 5 ] || fail "the first run took $reached calls to web01, not 5 at most"
[ "$checks $transcripts" = "2 1" ] || fail "the first run's log is not check, transcript, check"
[ "$(tail -n 1 <<<"$log")" = '16 instances: 1 ok, 15 absent, 0 needs-reset, 0 blocked, 0 unreadable' ] ||
  fail "the first run's last check does not find Quorv1 ok"
play_run "the second run" 0 "ok           -o--------------" tarnel.txreset.rollout
[ "$checks $transcripts" = "1 0" ] || fail "the second run's log is not one check"
[ "$(held)" = "$registry" ] || fail "the second run changed the registry"
cmp "$work/reports/web01.reg" "$work/first-backup.reg" || fail "the second run replaced the backup"
[ "$reached" -le 4 ] || fail "the second run took $reached calls to web01, not 4 at most"

play_run "the restore under --check" 0 "ok           -o--------------" tarnel.txreset.restore --check
grep -q 'A run would restore web01 from' <<<"$output" || fail "under --check the restore does not name web01"
[ "$(held)" = "$registry" ] || fail "the restore under --check changed the registry"
# A backup on the controller with a key added that txcheck --backup never
# saves: refused whole, and the host fails.
iconv -f UTF-8 -t UTF-16LE >>"$work/reports/web01.reg" <<<$'\r
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\r
"Updater"="C:\\\\Users\\\\Public\\\\updater.exe"\r'
play_run "a restore from a backup with a key added" 0 - tarnel.txreset.restore
grep -Eq 'txrestore refused .*/reports/web01\.reg and wrote nothing: txrestore: .*backup\.reg line [0-9]+: ' \
  <<<"$output" || fail "the restore from a backup with a key added does not name the refusal"
[ "$(held)" = "$registry" ] || fail "a backup with a key added changed the registry"
cp "$work/first-backup.reg" "$work/reports/web01.reg"
play_run "the restore" 1 "needs-reset  -N--------------" tarnel.txreset.restore
[ "$(held)" = "$original" ] || fail "the restore did not put the registry back as it was"
[ "$(head -n 2 <<<"$log") $checks" = "txrestore version $version"$'\nQuorv1 restored REG_DWORD 7 1' ] ||
  fail "the restore's log is not what txrestore wrote, then a check"
play_run "the restore again" 0 "needs-reset  -N--------------" tarnel.txreset.restore

# Only the x86 programs on the controller: on a host that runs 32-bit
# programs (C:\Windows\SysWOW64 is there, as in a 64-bit prefix) the
# rollout and the restore run them, each log opening with the script's line
# that says so; on one that runs none, the host fails with the script's
# message, naming the missing x64 program, and nothing changes.
mv "$work/bundle/x64" "$work/bundle/x86"
play_run "a run with only the x86 programs" 1 "ok           -R--------------" tarnel.txreset.rollout
[ "$(head -n 1 <<<"$log")" = 'txreset-startup.cmd: x64\txcheck.exe is missing: running x86\ under WOW64' ] ||
  fail "the run with only the x86 programs does not say that it runs them"
play_run "a restore with only the x86 programs" 1 "needs-reset  -N--------------" tarnel.txreset.restore
[ "$(head -n 1 <<<"$log")" = 'txreset-startup.cmd: x64\txrestore.exe is missing: running x86\ under WOW64' ] ||
  fail "the restore with only the x86 programs does not say that it runs them"
[ "$(held)" = "$original" ] || fail "the restore with only the x86 programs did not put the registry back"
mv "$WINEPREFIX/drive_c/windows/syswow64" "$work/syswow64"
play_run "a run with only the x86 programs on a host without WOW64" 0 - tarnel.txreset.rollout
grep -Fq '"msg": "txreset-startup.cmd: C:\\Users\\ansible deploy\\AppData\\Local\\Temp\\ansible.' <<<"$output" &&
  grep -Fq '\\x64\\txcheck.exe is missing"' <<<"$output" ||
  fail "the run with only the x86 programs on a host without WOW64 does not fail with the script's message"
[ "$(held)" = "$registry" ] || fail "the run on a host without WOW64 changed the registry"
mv "$work/syswow64" "$WINEPREFIX/drive_c/windows/syswow64"
mv "$work/bundle/x86" "$work/bundle/x64"

# Only a key that txreset cannot open: reported, and nothing run or changed.
sed -i 's/^key rw \(.*Quorv1.Parameters\)$/key ro \1/' "$host/registry"
play_run "a run where the key grants only reading" 0 failed tarnel.txreset.rollout
[ "$checks $transcripts" = "1 0" ] || fail "txreset ran where the key grants only reading"

# A first reset whose backup cannot be fetched: the host fails, naming the
# backup in the run's folder, which stays on the host with it; the
# controller keeps none.
printf '%s\n' "$original" >"$host/registry"
rm "$work/reports/web01.reg"
output=$(TXRESET_STAND_IN_UNFETCHABLE=backup.reg whole_play tarnel.txreset.rollout) || true
echo "$output"
staged=$(jq -rs 'last.path' "$tempfiles")
grep -Fq "\"msg\": \"the backup of web01 could not be fetched to $work/reports/web01.reg: it stays \
on the host as ${staged//\\/\\\\}\\\\backup.reg\"" <<<"$output" &&
  grep -Eq "^web01 +: .* changed=1 .* failed=1 " <<<"$output" ||
  fail "a backup that cannot be fetched does not fail the host, naming where it is"
iconv -f UTF-16 -t UTF-8 "$host/${staged//\\//}/backup.reg" | grep -qx $'"ReportTxEarly"=dword:00000007\r' ||
  fail "the backup that could not be fetched is not left on the host"
[ ! -e "$work/reports/web01.reg" ] || fail "the controller keeps a backup that could not be fetched"

[ "$failures" -eq 0 ] && echo "ok: the Ansible collection and playbooks"
exit $((failures != 0))
