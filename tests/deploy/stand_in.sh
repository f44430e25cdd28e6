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
# The hosts' Windows side: a 64-bit Wine prefix made for the test, whose cmd
# runs the startup script; the bundle's programs ($work/bundle/x64), each
# program.c, which starts the Linux build of its name ($work/native) on the
# host's emulated registry. Exported for the stand-in modules; the prefix's
# server is stopped on exit.
stand_in=$source_dir/tests/deploy/windows_stand_in
start_stand_in_wine() { # WINE64_LOADER MINGW64_CC PROGRAM...
  local loader=$1 cc=$2 program launch=Z:$stand_in/native_program.sh
  shift 2
  mkdir -p "$work/bundle/x64" "$work/native"
  export WINEPREFIX=$work/wine WINELOADER=$loader WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8 \
    TXRESET_STAND_IN_LAUNCH=${launch//\//\\} TXRESET_STAND_IN_PROGRAMS=$work/native
  trap 'for prefix in "$work"/wine*/; do "$source_dir/tests/support/wine_prefix.sh" stop "$prefix"; done' EXIT
  "$source_dir/tests/support/wine_prefix.sh" start "$WINEPREFIX" win64 "$loader"
  # Its server writes the registry files out as it ends, for the hosts'
  # prefixes to copy; the next command starts another.
  "$source_dir/tests/support/wine_prefix.sh" stop "$WINEPREFIX"
  "$cc" -std=c11 -O2 -Wall -Wextra -Werror -o "$work/program.exe" "$stand_in/program.c"
  for program in "$@"; do
    cp "$work/program.exe" "$work/bundle/x64/$(basename "${program%_emulated}").exe"
    ln -s "$program" "$work/native/$(basename "${program%_emulated}")"
  done
}
# HOST_DIR/C: as drive C: of PREFIX, by default the test's own; another
# prefix is made from it for the host, sharing its Windows folder, so that
# each host of a fleet has its own drive C:.
stand_in_drive() { # HOST_DIR [PREFIX]
  local prefix=${2:-$WINEPREFIX}
  mkdir -p "$1/C:"
  ln -sfn "$work/wine/drive_c/windows" "$1/C:/windows"
  if [ "$prefix" != "$WINEPREFIX" ] && [ ! -d "$prefix" ]; then
    mkdir -p "$prefix/dosdevices"
    cp -p "$WINEPREFIX"/*.reg "$WINEPREFIX/.update-timestamp" "$prefix/"
    ln -s / "$prefix/dosdevices/z:"
  fi
  ln -sfn "$1/C:" "$prefix/dosdevices/c:"
}
# The collection as released, less the programs, installed offline in
# $work/collections.
install_collection() { # VERSION
  local tarball
  mkdir -p "$work/collections"
  tarball=$(SOURCE_DATE_EPOCH=0 "$source_dir/scripts/release" --collection "$1" "$work") &&
    ansible-galaxy collection install --offline -p "$work/collections" "$tarball"
}
