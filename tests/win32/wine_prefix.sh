#!/usr/bin/env bash
# The Wine prefix that the Win32 tests run in, made anew for each test run
# inside the build tree, never the user's own.
#   wine_prefix.sh start PREFIX ARCH   ARCH is win32 or win64
#   wine_prefix.sh stop PREFIX
# Its wineserver is kept running from start to stop: Wine holds key security
# descriptors in the server's memory only, so a read-only key would lose its
# DACL if the server ended between seeding and checking.
set -euo pipefail
action=$1 prefix=$2
export WINEPREFIX=$prefix WINEDEBUG=-all
# Skip the Mono and Gecko installs: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

case $action in
start)
  export WINEARCH=$3
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
  mkdir -p "$prefix"
  # Wine's background processes keep the standard handles they inherit; none
  # of them may hold CTest's pipes open.
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot -i </dev/null >"$prefix.log" 2>&1
  echo "Wine $(wine --version) prefix ready: $prefix ($WINEARCH)"
  ;;
stop)
  wineserver -k 2>/dev/null || true
  ;;
*)
  echo "usage: $0 start PREFIX win32|win64 | stop PREFIX" >&2
  exit 2
  ;;
esac
