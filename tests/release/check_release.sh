#!/usr/bin/env bash
# Makes releases with scripts/release from two copies of the sources and
# checks them as an administrator would: the unsigned zips, txreport's
# .debs, the Ansible collections and the SBOMs are the same to the byte,
# every checksum holds, the SBOM is valid CycloneDX 1.5 and names every
# program with its SHA-256 and what it links, each of the zip, the .deb and
# the collection carries the notices of all that its programs link, the
# collection installs offline and carries the zip's programs, and a release
# signed with a throwaway CA verifies, loses its signature back to the
# unsigned bytes, and fails once tampered with. Bad signing keys are
# refused with no dist/ left behind, and so are a version that is not the
# project's and a missing folder for the collection alone. The bundle's
# texts for Windows are CRLF (and those of deploy/gpo/ ASCII), and its
# collection folder is the collection as built, with its version.
# Usage: check_release.sh SOURCE_DIR WORK_DIR BUILT_X64_EXE VERSION
# Leaves the unpacked signed bundle in WORK_DIR/signed for
# check_signed_runs.sh, the .deb as WORK_DIR/txreport.deb for
# check_deb.sh, and the unsigned release as WORK_DIR/dist for the docs'
# commands (tests/docs/check_commands.py).
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
ascii() { not grep -qP '[^\x00-\x7F]' "$1"; }
# What every Notepad reads as written: ASCII, or UTF-8 with a byte-order mark.
notepad_reads() { ascii "$1" || [ "$(head -c 3 "$1" | od -An -tx1)" = " ef bb bf" ]; }

rm -rf "$work"
mkdir -p "$work"
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct) || exit 1
unset TXRESET_SIGN_PKCS12 TXRESET_SIGN_PASSWORD_FILE TXRESET_SIGN_TIMESTAMP_URL
zip_name=txreset-$version-windows.zip
deb_name=txreport_${version}_amd64.deb
collection_version=$(cut -d. -f1-3 <<<"$version.0.0")
collection_name=tarnel-txreset-$collection_version.tar.gz
sbom_name=txreset-$version.cdx.json

# The sources as git sees them, committed or not: tracked files and new
# ones that are not ignored; the second copy's files dated now, as a later
# checkout's are.
copy_sources() { # FOLDER [TAR-OPTION]
  mkdir -p "$1"
  git -C "$src" ls-files -z --cached --others --exclude-standard |
    tar -C "$src" --null -T - --ignore-failed-read -cf - | tar -C "$1" ${2:+"$2"} -xf -
}
a=$work/a b=$work/elsewhere-with-a-longer-name
copy_sources "$a" && sleep 1 && copy_sources "$b" --touch || exit 1

# The collection alone: a version that is not the project's, or no folder
# to write to, is refused on one line with exit status 2, and nothing is
# written.
mkdir -p "$work/collection-only"
while IFS='|' read -r what given folder message; do
  "$a/scripts/release" --collection "$given" "$work/$folder" >"$work/out" 2>"$work/err"
  status=$?
  echo "$what: exit $status: $(cat "$work/err")"
  check "$what: refused with \"$message\" on one line, exit status 2" \
    [ "$status $(wc -l <"$work/err") $(cat "$work/out" "$work/err")" = "2 1 $message" ]
  check "$what: nothing written" [ -z "$(ls -A "$work/collection-only")" ]
done <<EOF
not the project's version|banana|collection-only|scripts/release: the version banana is not the project's, $version (CMakeLists.txt)
the version as three numbers|$collection_version|collection-only|scripts/release: the version $collection_version is not the project's, $version (CMakeLists.txt)
no such folder|$version|absent|scripts/release: no folder $work/absent to write the collection to
EOF

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

for file in "$zip_name" "$deb_name" "$collection_name" "$sbom_name"; do
  stat -c '%n: %s bytes' "$a/dist/$file" "$b/dist/$file"
  sha256sum "$a/dist/$file" "$b/dist/$file"
  check "$file: the same bytes from both folders" \
    cmp "$a/dist/$file" "$b/dist/$file"
done
check "dist/SHA256SUMS lists the zip, the .deb, the collection and the SBOM" \
  [ "$(cut -c67- "$a/dist/SHA256SUMS")" = "$(printf '%s\n' "$zip_name" "$deb_name" \
    "$collection_name" "$sbom_name")" ]
check "dist/SHA256SUMS checks them" sums_hold "$a/dist"
cp "$a/dist/$deb_name" "$work/txreport.deb"
cp -r "$a/dist" "$work/dist"
check "the collection carries requirements.txt, naming pywinrm" \
  grep -qx pywinrm <(tar -xzOf "$a/dist/$collection_name" requirements.txt)

# What a bundle must hold, in this order, each file summed.
expected=(NOTICES.txt README.txt SHA256SUMS)
while IFS= read -r file; do expected+=("$file"); done < <(
  cd "$a" && find deploy -type f | sed 's/galaxy\.yml\.in$/galaxy.yml/')
# The collection's script role carries the startup script.
expected+=(deploy/ansible/collections/ansible_collections/tarnel/txreset/roles/script/files/txreset-startup.cmd)
for build in x64 x86; do
  expected+=("$build/"{txcheck,txreport,txreset,txrestore}.exe)
done
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
  local text
  for text in README.txt NOTICES.txt; do
    check "$text has CRLF line ends" crlf_only "$dir/$text"
    check "$text: Notepad reads its characters" notepad_reads "$dir/$text"
  done
  for text in "$dir"/deploy/gpo/*; do
    check "${text#"$dir"/} has CRLF line ends" crlf_only "$text"
    check "${text#"$dir"/} is ASCII" ascii "$text"
  done
  check "ansible-galaxy lists the bundle's collection at $collection_version" \
    grep -qx "tarnel\.txreset *$collection_version *" <(ansible-galaxy collection list \
    -p "$dir/deploy/ansible/collections" 2>/dev/null)
  check "the bundle's collection carries requirements.txt" \
    grep -qx pywinrm "$dir/deploy/ansible/collections/ansible_collections/tarnel/txreset/requirements.txt"
}

check_bundle "$a/dist/$zip_name" "$work/unsigned"
check "x64/txreset.exe is the build under test" cmp "$built" "$work/unsigned/x64/txreset.exe"
check "README.txt says the programs are not signed" \
  grep -q 'not signed' "$work/unsigned/README.txt"
check "README.txt says how to put a backup back with txrestore.exe" \
  grep -qF 'txrestore.exe before.reg' "$work/unsigned/README.txt"
check "README.txt says how to install $deb_name and python3-winrm" \
  grep -qxF "  sudo apt install ansible python3-winrm ./$deb_name"$'\r' "$work/unsigned/README.txt"
check "README.txt says how to install the collection and use its playbook" \
  grep -qzF "collection install $collection_name"$'\r\n'"  ansible-playbook -i inventory.yml \
tarnel.txreset.rollout" \
  "$work/unsigned/README.txt"

# The collection, installed offline as its users would, with the zip's
# programs, and its playbooks found.
collections=$work/collections installed=$work/collections/ansible_collections/tarnel/txreset
check "the collection installs offline" ansible-galaxy collection install --offline \
  -p "$collections" "$a/dist/$collection_name"
for program in {x86,x64}/{txcheck,txreset,txrestore}.exe; do
  check "the collection's $program is the zip's" cmp "$installed/programs/$program" \
    "$work/unsigned/$program"
done
check "the collection's playbooks pass ansible-playbook --syntax-check" \
  env ANSIBLE_COLLECTIONS_PATH="$collections" ansible-playbook --syntax-check \
  tarnel.txreset.rollout tarnel.txreset.restore
check "the bundle's playbooks find the collection beside them" ansible-playbook \
  --syntax-check "$work/unsigned/deploy/ansible/"{txreset,txreset-restore,report}.yml

# The SBOM: valid, every program of the three with its SHA-256 and the
# toolchain packages it links at their installed versions, and each
# artifact's notices holding every linked package's copyright file.
check "the SBOM is valid CycloneDX 1.5" python3 -W ignore - "$src/tests/release/cyclonedx" \
  "$a/dist/$sbom_name" <<'EOF'
import json, pathlib, sys, jsonschema
folder, bom = pathlib.Path(sys.argv[1]), json.loads(pathlib.Path(sys.argv[2]).read_text())
store = {"http://cyclonedx.org/schema/" + f.name: json.loads(f.read_text())
         for f in folder.glob("*.json")}
schema = store["http://cyclonedx.org/schema/bom-1.5.SNAPSHOT.schema.json"]
resolver = jsonschema.RefResolver(schema["$id"], schema, store=store)
errors = list(jsonschema.Draft7Validator(schema, resolver=resolver).iter_errors(bom))
print(*(f"{'/'.join(map(str, e.absolute_path))}: {e.message}" for e in errors), sep="\n")
sys.exit(bool(errors))
EOF
deb_root=$work/deb-root
dpkg-deb -x "$a/dist/$deb_name" "$deb_root"
covers() { # NOTICES COPYRIGHT: the copyright file's text is in the notices
  python3 -c 'import sys; sys.exit(open(sys.argv[1]).read().replace("\r\n", "\n").find(
    open(sys.argv[2]).read().rstrip()) < 0)' "$1" "$2"
}
sbom_faults() { # ARTIFACT PATH UNPACKED NOTICES: prints a line per fault
  local bom=$a/dist/$sbom_name ref=$1:$2 linked need package
  [ "$(jq -r --arg r "$ref" '.components[].components[]? | select(."bom-ref" == $r) |
    .hashes[0].content' "$bom")" = "$(sha256sum <"$3" | cut -c1-64)" ] ||
    echo "$ref: no SBOM entry with its SHA-256"
  linked=$(jq -r --arg r "$ref" '.dependencies[] | select(.ref == $r) | .dependsOn[] |
    select(startswith("deb:")) | ltrimstr("deb:")' "$bom")
  case $2 in
  *x86/*) need="mingw-w64-i686-dev gcc-mingw-w64-i686-posix" ;;
  *x64/*) need="mingw-w64-x86-64-dev gcc-mingw-w64-x86-64-posix" ;;
  *) need="libc6-dev libgcc-12-dev" ;;
  esac
  [[ $2 != *txreport.exe ]] || need+=" g++-${need#* gcc-}"
  for package in $need; do
    grep -qx "$package@$(dpkg-query -W -f='${Version}' "$package")" <<<"$linked" ||
      echo "$ref: the SBOM does not name $package at its version"
  done
  for package in $(sed 's/@.*//' <<<"$linked"); do
    covers "$4" "/usr/share/doc/$package/copyright" ||
      echo "$ref: $package's copyright file is not in $4"
  done
}
faults=$(
  for program in "${expected[@]}"; do
    [[ $program == *.exe ]] || continue
    sbom_faults "$zip_name" "$program" "$work/unsigned/$program" "$work/unsigned/NOTICES.txt"
    [[ $program == *txreport.exe ]] || sbom_faults "$collection_name" "programs/$program" \
      "$installed/programs/$program" "$installed/NOTICES.txt"
  done
  sbom_faults "$deb_name" usr/bin/txreport "$deb_root/usr/bin/txreport" \
    "$deb_root/usr/share/doc/txreport/NOTICES"
)
echo "$faults"
check "the SBOM names each program, its SHA-256 and what it links; the notices cover that" \
  [ -z "$faults" ]

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
  check "the collection carries the signed programs" cmp <(tar -xzOf \
    "$a/dist/$collection_name" programs/x64/txreset.exe) "$work/signed/x64/txreset.exe"
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
