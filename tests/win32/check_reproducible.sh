#!/usr/bin/env bash
# Builds txreset.exe again from a copy of the sources in another folder and
# checks that the two files are the same to the byte: the build leaves no
# time stamp and no path of its own in the file.
# Usage: check_reproducible.sh SOURCE_DIR BUILT_EXE WORK_DIR BUILD_TYPE TOOLCHAIN
set -euo pipefail
source_dir=$1 built=$2 work=$3 build_type=$4 toolchain=$(basename "$5")

rm -rf "$work"
mkdir -p "$work/elsewhere-with-a-longer-name"
copy=$work/elsewhere-with-a-longer-name
cp -R "$source_dir/src" "$source_dir/cmake" "$source_dir/CMakeLists.txt" "$copy/"
cmake -S "$copy" -B "$copy/out" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/$toolchain" \
  -DCMAKE_BUILD_TYPE="$build_type" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$copy/out" --target txreset >/dev/null

sha256sum "$built" "$copy/out/txreset.exe"
if cmp "$built" "$copy/out/txreset.exe"; then
  echo "the two builds are identical"
  rm -rf "$work"
else
  echo "FAIL: the two builds differ"
  exit 1
fi
