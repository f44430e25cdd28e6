#!/usr/bin/env bash
# Which cached guest image scripts/guest-image takes for current, without
# making one: a folder named like an image, with this script's recipe and
# the host index's candidate versions, is taken; one with another version
# of any package, another recipe, or a build never renamed into place is
# not.
# Usage: check_image_key.sh SCRIPTS_DIR
set -uo pipefail
scripts=$1
cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
export XDG_CACHE_HOME=$cache
failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }

# A small package list in the form the guest's dpkg gives it.
candidates=$(printf '%s\n' apt bash libc6 wine wine32:i386 | xargs apt-cache policy |
  awk '/^[^ ]/ { p = $1; sub(/:$/, "", p) } /^  Candidate:/ { print p, $2 }' |
  LC_ALL=C sort)
[ "$(wc -l <<<"$candidates")" -eq 5 ] || { echo "FAIL: no candidates in the apt index"; exit 1; }
image() { # NAME RECIPE PACKAGES: a made image, as far as the key goes
  mkdir -p "$cache/txreset/$1"
  printf '%s\n' "$2" >"$cache/txreset/$1/recipe"
  printf '%s\n' "$3" >"$cache/txreset/$1/packages.txt"
}
recipe=$(cat "$scripts/guest-image" "$scripts/guest-init" | sha256sum | cut -c1-64)
found() { "$scripts/guest-image" find 2>&1; }

[ -z "$(found)" ] || fail "an empty cache gave an image: $(found)"

image building.x1 "$recipe" "$candidates"
[ -z "$(found)" ] || fail "a build not renamed into place was taken: $(found)"

image guest-old "$recipe" "$(sed 's/^bash .*/bash 0.0-1/' <<<"$candidates")"
[ -z "$(found)" ] || fail "an image with another bash was taken: $(found)"

image guest-other "$(sha256sum <<<other | cut -c1-64)" "$candidates"
[ -z "$(found)" ] || fail "an image of another recipe was taken: $(found)"

image guest-current "$recipe" "$candidates"
[ "$(found)" = "$cache/txreset/guest-current" ] ||
  fail "the current image was not taken: '$(found)'"

[ "$failures" -eq 0 ] && echo "PASS: only a complete image of this recipe and these versions is taken"
