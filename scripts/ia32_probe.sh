#!/usr/bin/env bash
# Where 32-bit x86 programs run: Wine's 32-bit loader, which every 32-bit
# Windows program under Wine needs, in a 32-bit prefix and under WOW64 alike.
# Some kernels have no IA-32 emulation at all (booted with ia32_emulation=0,
# some sandboxes and guests); there, they run in a qemu guest whose kernel
# has it (scripts/guest), and only where no guest can run either are the
# 32-bit suites skipped.
#   ia32_probe.sh probe LOADER ANSWER [guest]
#                                        finds out once, writes the answer to
#                                        ANSWER: an empty line (here), or why
#                                        not; with guest, "in a qemu guest:
#                                        WHY" where a guest can run them
#   ia32_probe.sh guest start|stop ANSWER
#                                        where the answer says the guest,
#                                        boots the one guest that both suites
#                                        run in (making its image first if
#                                        need be), or powers it off; else
#                                        does nothing
#   ia32_probe.sh run ANSWER ARCH STEP COMMAND...
#                                        runs one step (start, suite or stop)
#                                        of the Wine suite in an ARCH prefix
#                                        where the answer says; exits 77,
#                                        which CTest counts as skipped, where
#                                        32-bit programs run nowhere
# Only the kernel's refusal, or a loader that is not there to try, counts as
# no 32-bit support: a loader that starts and then fails proves the kernel
# runs 32-bit code, so the suites run and fail as they should.
# TXRESET_WINE32=guest runs them in the guest even where the kernel could.
set -uo pipefail
readonly no_ia32="this kernel runs no 32-bit programs"
readonly in_guest="in a qemu guest: "
scripts=$(dirname "${BASH_SOURCE[0]}")

answer() { # ANSWER_FILE: what the probe found
  [ -f "$1" ] || { echo "no answer in $1: run the wine.ia32.probe test first" >&2 && return 1; }
  cat "$1"
}
session() { echo "$(dirname "$1")/guest-session"; }

case ${1:-} in
probe)
  loader=$2 answer=$3 guest=${4:-}
  if [ -n "$guest" ] && [ "${TXRESET_WINE32:-}" = guest ]; then
    reason="TXRESET_WINE32=guest"
  elif [ ! -e "$loader" ]; then
    reason="cannot tell: $loader is missing (wine32:i386 is not installed), counted as: $no_ia32"
  else
    output=$("$loader" --version 2>&1 </dev/null)
    status=$?
    if [ "$status" -ne 126 ] && [ "$status" -ne 127 ]; then
      reason=""
    elif grep -q 'Exec format error' <<<"$output"; then
      reason="$no_ia32 ($loader: Exec format error)"
    else
      reason="cannot tell: $loader did not start ($(tail -n 1 <<<"$output")), counted as: $no_ia32"
    fi
  fi
  if [ -n "$reason" ] && [ -n "$guest" ]; then
    if why_not=$("$scripts/guest" check); then
      reason="$in_guest$reason"
    else
      reason="$reason; no qemu guest either: $why_not"
    fi
  fi
  printf '%s\n' "$reason" >"$answer"
  case $reason in
  "") echo "32-bit programs run here: the 32-bit and WOW64 suites will run" ;;
  "$in_guest"*) echo "The 32-bit and WOW64 suites will run $reason" ;;
  *) echo "The 32-bit and WOW64 suites will be skipped: $reason" ;;
  esac
  ;;
guest)
  action=$2 answer=$3
  reason=$(answer "$answer") || exit 1
  case $reason in
  "$in_guest"*) ;;
  *) echo "No qemu guest is needed: ${reason:-32-bit programs run here}" && exit 0 ;;
  esac
  # The build tree is shared at its own path, for the whole session.
  case $action in
  start) "$scripts/guest-image" >/dev/null &&
    exec "$scripts/guest" start --session "$(session "$answer")" \
      --share "$(dirname "$answer")" --timeout 3000 ;;
  stop) exec "$scripts/guest" stop --session "$(session "$answer")" ;;
  *) echo "usage: $0 guest start|stop ANSWER" >&2 && exit 2 ;;
  esac
  ;;
run)
  answer=$2 arch=$3 step=$4
  shift 4
  reason=$(answer "$answer") || exit 1
  case $reason in
  "") exec "$@" ;;
  "$in_guest"*) ;;
  *) echo "Skipped: $reason" && exit 77 ;;
  esac
  # In the guest: the prefixes are those kept in its image, and a suite's
  # wineserver ends with it; the suite's environment (WINEPREFIX,
  # WINEDEBUG, ...) goes along. A guest that hangs is ended before CTest's
  # own time limit, with its console printed.
  echo "Runs $reason"
  [ "$step" = suite ] || exit 0
  envs=()
  for name in $(compgen -e); do
    case $name in WINE* | TXRESET_TEST_*) envs+=(--env "$name") ;; esac
  done
  exec "$scripts/guest" run --session "$(session "$answer")" --wine-prefix "$arch" \
    --timeout 540 "${envs[@]}" -- "$@"
  ;;
*)
  echo "usage: $0 probe LOADER ANSWER [guest] | guest start|stop ANSWER | run ANSWER ARCH STEP COMMAND..." >&2
  exit 2
  ;;
esac
