#!/usr/bin/env bash
# Makes releases with scripts/release from two copies of the sources and
# checks them as an administrator would: the unsigned zips, and txreport's
# .debs, are the same to the byte, every checksum holds, and a release
# signed with a throwaway CA verifies, loses its signature back to the
# unsigned bytes, and fails once tampered with. Bad signing keys are
# refused with no dist/ left behind.
# Usage: check_release.sh SOURCE_DIR WORK_DIR BUILT_X64_EXE VERSION
# Leaves the unpacked signed bundle in WORK_DIR/signed for
# check_signed_runs.sh, and the .deb as WORK_DIR/txreport.deb for
# check_deb.sh.
set -uo pipefail
src=$1 work=$2 built=$3 version=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() { # DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
not() { ! "$@" >/dev/null 2>&1; }
sums_hold() { (cd "$1" && sha256sum --quiet -c SHA256SUMS); }
crlf_only() { not grep -v $'\r$' "$1"; }

rm -rf "$work"
mkdir -p "$work"
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct) || exit 1
unset TXRESET_SIGN_PKCS12 TXRESET_SIGN_PASSWORD_FILE TXRESET_SIGN_TIMESTAMP_URL
zip_name=txreset-$version-windows.zip
deb_name=txreport_${version}_amd64.deb

# The sources as git sees them, committed or not: tracked files and new
# ones that are not ignored.
copy_sources() {
  mkdir -p "$1"
  git -C "$src" ls-files -z --cached --others --exclude-standard |
    tar -C "$src" --null -T - --ignore-failed-read -cf - | tar -C "$1" -xf -
}
a=$work/a b=$work/elsewhere-with-a-longer-name
copy_sources "$a" && copy_sources "$b" || exit 1

release() { # COPY [VARIABLE=VALUE...]: stderr in COPY.err
  local copy=$1
  shift
  env "$@" "$copy/scripts/release" >/dev/null 2>"$copy.err"
}
for copy in "$a" "$b"; do
  release "$copy" || {
    cat "$copy.err"
    echo "FAIL: scripts/release failed in $copy"
    exit 1
  }
done

for file in "$zip_name" "$deb_name"; do
  stat -c '%n: %s bytes' "$a/dist/$file" "$b/dist/$file"
  sha256sum "$a/dist/$file" "$b/dist/$file"
  check "$file: the same bytes from both folders" \
    cmp "$a/dist/$file" "$b/dist/$file"
done
check "dist/SHA256SUMS lists the zip and the .deb" \
  [ "$(cut -c67- "$a/dist/SHA256SUMS")" = "$zip_name"$'\n'"$deb_name" ]
check "dist/SHA256SUMS checks them" sums_hold "$a/dist"
cp "$a/dist/$deb_name" "$work/txreport.deb"

# What a bundle must hold, in this order, each file summed.
expected=(README.txt SHA256SUMS)
while IFS= read -r file; do expected+=("$file"); done < <(
  cd "$a" && find deploy -type f)
expected+=(x64/txcheck.exe x64/txreport.exe x64/txreset.exe)
expected+=(x86/txcheck.exe x86/txreport.exe x86/txreset.exe)
expected_list=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)

check_bundle() { # ZIP FOLDER: unpacks ZIP into FOLDER and checks it
  local zip=$1 dir=$2
  rm -rf "$dir"
  unzip -q "$zip" -d "$dir" || { fail "cannot unpack $zip"; return; }
  check "$zip holds the expected files in order" \
    [ "$(unzip -Z1 "$zip")" = "$expected_list" ]
  check "SHA256SUMS lists every other file of the bundle" \
    [ "$(cut -c67- "$dir/SHA256SUMS")" = "$(grep -vx SHA256SUMS <<<"$expected_list")" ]
  check "sha256sum -c passes in the unpacked bundle" sums_hold "$dir"
  check "README.txt has CRLF line ends" crlf_only "$dir/README.txt"
}

check_bundle "$a/dist/$zip_name" "$work/unsigned"
check "x64/txreset.exe is the build under test" cmp "$built" "$work/unsigned/x64/txreset.exe"
check "README.txt says the programs are not signed" \
  grep -q 'not signed' "$work/unsigned/README.txt"
check "README.txt says how to install $deb_name" \
  grep -qF "apt install ./$deb_name" "$work/unsigned/README.txt"

# A throwaway CA, one key, and certificates for it: one to sign with, one
# expired, one for TLS servers and one with no extended key usage.
pki=$work/pki
mkdir -p "$pki"
(
  set -e
  cd "$pki"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt \
    -days 30 -subj "/CN=txreset test CA" \
    -addext basicConstraints=critical,CA:true \
    -addext keyUsage=critical,keyCertSign 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
    -subj "/CN=txreset test signer" 2>/dev/null
  printf '%s\n' '[ca]' 'default_ca = test_ca' '[test_ca]' \
    'database = index.txt' 'new_certs_dir = .' 'serial = serial' \
    'default_md = sha256' 'policy = any' 'unique_subject = no' '[any]' \
    'commonName = supplied' >ca.cnf
  touch index.txt
  echo 01 >serial
  issue() { # NAME EXTENSIONS VALIDITY...
    local name=$1
    printf '%s\n' "$2" keyUsage=digitalSignature >"$name.ext"
    shift 2
    openssl ca -batch -config ca.cnf -cert ca.crt -keyfile ca.key \
      -in signer.csr -out "$name.crt" -notext -extfile "$name.ext" "$@" 2>/dev/null
    openssl pkcs12 -export -in "$name.crt" -inkey signer.key \
      -certfile ca.crt -out "$name.pfx" -passout pass:
  }
  issue expired extendedKeyUsage=codeSigning \
    -startdate 20200101000000Z -enddate 20210101000000Z
  issue server extendedKeyUsage=serverAuth -days 30
  issue noeku '' -days 30
  issue signer extendedKeyUsage=codeSigning -days 30
  echo 'correct horse' >password.txt
  echo 'wrong horse' >wrong.txt
  openssl pkcs12 -export -in signer.crt -inkey signer.key -certfile ca.crt \
    -out signer.pfx -passout file:password.txt
) || { echo "FAIL: cannot make the test certificates"; exit 1; }

# Refusals: each fails at once, says why on stderr, and leaves no dist/
# and no temporary folder.
refused() { # STATUS MESSAGE
  [ "$1" -ne 0 ] && grep -qF -- "$2" "$b.err" && [ ! -e "$b/dist" ] &&
    [ -z "$(find "$b/build" -maxdepth 1 -name 'release.*')" ]
}
rm -rf "$b/dist"
while IFS='|' read -r what pfx password message; do
  release "$b" "TXRESET_SIGN_PKCS12=$pki/$pfx" \
    ${password:+"TXRESET_SIGN_PASSWORD_FILE=$pki/$password"}
  status=$?
  echo "$what: exit $status: $(cat "$b.err")"
  check "$what: refused with \"$message\", no dist/ left" \
    refused "$status" "$message"
done <<'EOF'
missing key|absent.pfx||cannot read the signing key
missing password file|signer.pfx|absent.txt|cannot read the password file
no password given|signer.pfx||it has a password
wrong password|signer.pfx|wrong.txt|wrong password
expired certificate|expired.pfx||expired on 2021-01-01
not for code signing|server.pfx||is not for code signing (extended key usage: TLS Web Server Authentication
no extended key usage|noeku.pfx||is not for code signing (extended key usage: none
EOF

# A signed release.
verifies() {
  osslsigncode verify -CAfile "$pki/ca.crt" -in "$1" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; false; }
}
if release "$a" "TXRESET_SIGN_PKCS12=$pki/signer.pfx" \
  "TXRESET_SIGN_PASSWORD_FILE=$pki/password.txt"; then
  check_bundle "$a/dist/$zip_name" "$work/signed"
  check "README.txt names the signer and says there is no time stamp" \
    grep -qz 'CN=txreset test signer.*not time-stamped' "$work/signed/README.txt"
  osslsigncode verify -CAfile "$pki/ca.crt" -in "$work/signed/x64/txreset.exe"
  for program in "${expected[@]}"; do
    [[ $program == *.exe ]] || continue
    check "$program: the signature verifies" verifies "$work/signed/$program"
    rm -f "$work/stripped.exe"
    osslsigncode remove-signature -in "$work/signed/$program" \
      -out "$work/stripped.exe" >/dev/null
    check "$program: without its signature it is the unsigned build" \
      cmp "$work/stripped.exe" "$work/unsigned/$program"
  done
  # One byte of code changed, past the headers.
  tampered=$work/tampered.exe
  cp "$work/signed/x64/txreset.exe" "$tampered"
  byte=$(od -An -tu1 -j 1100 -N 1 "$tampered")
  printf "\\$(printf %03o $(((byte + 1) % 256)))" |
    dd of="$tampered" bs=1 seek=1100 conv=notrunc status=none
  check "a tampered signed file fails verification" not verifies "$tampered"
else
  cat "$a.err"
  fail "the signed release failed"
fi

echo "$failures failed checks"
exit $((failures != 0))
