#!/usr/bin/env bash
# The Wine prefix that the Win32 tests run in, made anew for each test run
# inside the build tree, never the user's own.
#   wine_prefix.sh start PREFIX ARCH LOADER   ARCH is win32 or win64; LOADER
#                                             is `wine`, or Wine's 64-bit
#                                             loader for 64-bit programs only
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
  loader=$4
  # Wine starts its helper programs through WINELOADER: it must be the one
  # given, never the 32-bit loader that Debian's `wine` would pick.
  [ "$loader" = wine ] || export WINELOADER=$loader
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
  mkdir -p "$prefix"
  # Wine's background processes keep the standard handles they inherit; none
  # of them may hold CTest's pipes open.
  wineserver -p </dev/null >/dev/null 2>&1
  "$loader" wineboot -i </dev/null >"$prefix.log" 2>&1
  echo "Wine $("$loader" --version) prefix ready: $prefix ($WINEARCH, $loader)"
  ;;
stop)
  wineserver -k 2>/dev/null || true
  ;;
*)
  echo "usage: $0 start PREFIX win32|win64 LOADER | stop PREFIX" >&2
  exit 2
  ;;
esac
