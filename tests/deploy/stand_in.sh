# Sourced by the tests of the Ansible collection on stand-in Windows hosts
# (windows_stand_in/), once they have set $work: their failures, Ansible's
# settings, a host's registry, what a play left on a host, and a free port.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export ANSIBLE_LOCAL_TEMP=$work/tmp XDG_CACHE_HOME=$work/cache
export ANSIBLE_NOCOLOR=1 ANSIBLE_FORCE_COLOR=0
key='SYSTEM\CurrentControlSet\Services\Quorv'
value=$'value 4 07000000- ReportTxEarly\n'
# A host's registry in the emulated registry's file format, where Quorv1
# holds 7 in a key that opens with full access ("rw") or whose writes fail
# ("wf"); with its parent keys, as the emulated registry writes it back, so
# that a run that changes nothing leaves the same bytes.
seed_registry() { # HOST_DIR [rw|wf]
  printf 'key rw %s\n' SYSTEM 'SYSTEM\CurrentControlSet' \
    'SYSTEM\CurrentControlSet\Services' "${key}1" >"$1/registry"
  printf 'key %s %s\n%s' "${2:-rw}" "${key}1\\Parameters" "$value" >>"$1/registry"
}
# What a play left on a host: any file but its registry and the link to the
# Wine prefix's Windows folder, and any folder that win_tempfile made.
left_on() { # HOST_DIR
  (cd "$1" && find . ! -type d ! -path ./registry ! -path ./C:/windows \
    -o -path './C:/*/ansible.*')
}
# A TCP port of 127.0.0.1 where nothing listens.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
