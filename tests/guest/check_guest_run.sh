#!/usr/bin/env bash
# scripts/guest, where the 32-bit suites run in the guest, in the guest
# they ran in, after them: a command sees the shared build tree at its own
# path, the variables passed and 32-bit programs that start; what it writes
# there reaches the host; the next command finds the same guest; the image
# is left as it was; and a command that hangs is ended at its time limit,
# with the guest, its output printed, as a failure. (The suites show that a
# status comes back: 0 when they pass, and not when they fail.)
# Usage: check_guest_run.sh SCRIPTS_DIR IA32_ANSWER
set -uo pipefail
scripts=$(realpath "$1") answer=$2
case $(cat "$answer" 2>/dev/null) in
"in a qemu guest: "*) ;;
*) echo "Skipped: the 32-bit suites do not run in a qemu guest here" && exit 77 ;;
esac
image=$("$scripts/guest-image" find) || { echo "FAIL: no current guest image"; exit 1; }
build=$(realpath "$(dirname "$answer")")
session=$build/guest-session
shared=$build/guest-run
rm -rf "$shared" && mkdir "$shared"
failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }
in_guest() { (cd "$shared" && "$scripts/guest" run --session "$session" "$@" 2>&1); }

echo "a note from the host" >"$shared/note"
export TXRESET_TEST_WORDS="two words, 'quoted' and \$dollar"
before=$(stat -c '%s %Y' "$image/rootfs.ext4")
output=$(in_guest --env TXRESET_TEST_WORDS -- sh -c 'printf "%s|%s|%s\n" "$(cat note)" "$TXRESET_TEST_WORDS" "$PWD"
    /lib/ld-linux.so.2 --version >/dev/null && echo "32-bit programs run"
    echo from the guest >written; echo kept >/tmp/mark')
echo "$output"
grep -qxF "a note from the host|$TXRESET_TEST_WORDS|$shared" <<<"$output" ||
  fail "the shared folder, the variable or the current folder did not reach the guest"
grep -qx "32-bit programs run" <<<"$output" || fail "the guest's kernel ran no 32-bit program"
[ "$(cat "$shared/written" 2>/dev/null)" = "from the guest" ] ||
  fail "what the guest wrote in the shared folder did not reach the host"
[ "$(in_guest -- cat /tmp/mark)" = kept ] || fail "the second command found another guest"

output=$(in_guest --timeout 5 -- sh -c 'echo "before the hang"; sleep 1000')
status=$?
echo "$output"
[ "$status" -ne 0 ] || fail "a command that hung counted as passed"
grep -qx "before the hang" <<<"$output" || fail "the hung command's output was not printed"
grep -q "had not finished after 5 s" <<<"$output" || fail "the time limit was not named"
in_guest -- true >/dev/null && fail "a command ran after the guest was ended"
[ "$(stat -c '%s %Y' "$image/rootfs.ext4")" = "$before" ] || fail "the run changed the image"
rm -rf "$shared"

[ "$failures" -eq 0 ] && echo "PASS: the guest runs commands as asked, and ends one that hangs"
