#!/usr/bin/env bash
# Whether this machine runs 32-bit x86 programs, found by starting one:
# Wine's 32-bit loader, which every 32-bit Windows program under Wine needs,
# in a 32-bit prefix and under WOW64 alike. Some kernels have no IA-32
# emulation at all (booted with ia32_emulation=0, some sandboxes and guests).
#   ia32_probe.sh probe LOADER ANSWER   asks once, writes the answer to ANSWER
#   ia32_probe.sh run ANSWER COMMAND... runs COMMAND where 32-bit programs
#                                        run, else says why and exits 77,
#                                        which CTest counts as skipped
# Only the kernel's refusal, or a loader that is not there to try, skips: a
# loader that starts and then fails proves the kernel runs 32-bit code, so
# the suites run and fail as they should.
set -uo pipefail
readonly no_ia32="this kernel runs no 32-bit programs"

case ${1:-} in
probe)
  loader=$2 answer=$3
  if [ ! -e "$loader" ]; then
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
  printf '%s\n' "$reason" >"$answer"
  if [ -z "$reason" ]; then
    echo "32-bit programs run here: the 32-bit and WOW64 suites will run"
  else
    echo "The 32-bit and WOW64 suites will be skipped: $reason"
  fi
  ;;
run)
  answer=$2
  shift 2
  if [ ! -f "$answer" ]; then
    echo "no answer in $answer: run the wine.ia32.probe test first" >&2
    exit 1
  fi
  reason=$(<"$answer")
  if [ -n "$reason" ]; then
    echo "Skipped: $reason"
    exit 77
  fi
  exec "$@"
  ;;
*)
  echo "usage: $0 probe LOADER ANSWER | run ANSWER COMMAND..." >&2
  exit 2
  ;;
esac
