#!/usr/bin/env bash
# Where ia32-probe sends the 32-bit suites, with stand-ins for Wine's
# loader and for scripts/guest and scripts/guest-image: here where the
# loader starts; into the guest where the kernel refuses it and a guest can
# run, each step as it should go there; skipped, with both reasons, where
# no guest can run either.
# Usage: check_probe.sh SCRIPTS_DIR
set -uo pipefail
unset TXRESET_WINE32
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$1/ia32-probe" "$work/"
probe=$work/ia32-probe answer=$work/answer
failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }
stand_in() { # NAME EXIT: records its arguments in NAME.args
  printf '#!/bin/sh\necho "$@" >"%s"\nexit %s\n' "$work/$1.args" "$2" >"$work/$1"
  chmod +x "$work/$1"
}
printf '\177ELF\1not an i386 program' >"$work/refused" && chmod +x "$work/refused"
printf '#!/bin/sh\necho "wine-8.0"\n' >"$work/starts" && chmod +x "$work/starts"
stand_in guest 0
stand_in guest-image 0

"$probe" probe "$work/starts" "$answer" guest >/dev/null
[ -z "$(cat "$answer")" ] || fail "a loader that starts gave: $(cat "$answer")"
[ "$("$probe" run "$answer" win32 suite echo here)" = here ] || fail "the suite did not run here"
"$probe" guest start "$answer" >/dev/null && [ ! -f "$work/guest.args" ] ||
  fail "a guest was started where none is needed"

TXRESET_WINE32=guest "$probe" probe "$work/starts" "$answer" guest >/dev/null
grep -qx "in a qemu guest: TXRESET_WINE32=guest" "$answer" ||
  fail "TXRESET_WINE32=guest gave: $(cat "$answer")"
"$probe" probe "$work/refused" "$answer" guest >/dev/null
grep -qx "in a qemu guest: this kernel runs no 32-bit programs ($work/refused: Exec format error)" \
  "$answer" || fail "a refused loader gave: $(cat "$answer")"
"$probe" guest start "$answer" >/dev/null || fail "the guest did not start"
[ -f "$work/guest-image.args" ] || fail "the guest started without making or finding the image"
grep -qx -- "start --session $work/guest-session --share $work --timeout 3000" "$work/guest.args" ||
  fail "the guest started as '$(cat "$work/guest.args")'"
rm -f "$work/guest.args"
for step in start stop; do
  "$probe" run "$answer" win64 $step false >/dev/null || fail "$step failed"
done
[ ! -f "$work/guest.args" ] || fail "a suite's start or stop step used the guest"
WINEPREFIX=/p TXRESET_TEST_EXPECT_WOW64=1 LC_ALL=C.UTF-8 \
  "$probe" run "$answer" win64 suite wine t.exe >/dev/null
args=$(cat "$work/guest.args" 2>/dev/null)
for part in "run --session $work/guest-session --wine-prefix win64 --timeout 540" \
  "--env WINEPREFIX" "--env TXRESET_TEST_EXPECT_WOW64" "--env LC_ALL" "-- wine t.exe"; do
  [[ $args == *"$part"* ]] || fail "the suite went to the guest as '$args', without '$part'"
done
"$probe" guest stop "$answer" >/dev/null
grep -qx -- "stop --session $work/guest-session" "$work/guest.args" || fail "the guest was not stopped"

printf '#!/bin/sh\necho "qemu-system-x86_64 is not installed"\nexit 1\n' >"$work/guest"
"$probe" probe "$work/refused" "$answer" guest >/dev/null
grep -q "Exec format error); no qemu guest either: qemu-system-x86_64 is not installed" \
  "$answer" || fail "no guest gave: $(cat "$answer")"
"$probe" run "$answer" win32 suite true >/dev/null
[ $? -eq 77 ] || fail "the suite was not skipped where no guest can run"

# Without the guest argument (scripts/run), the answer is as before.
TXRESET_WINE32=guest "$probe" probe "$work/starts" "$answer" >/dev/null
[ -z "$(cat "$answer")" ] || fail "scripts/run's probe gave: $(cat "$answer")"

[ "$failures" -eq 0 ] && echo "PASS: the 32-bit suites run here, in the guest, or are skipped, as they should"
