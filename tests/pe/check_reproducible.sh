#!/usr/bin/env bash
# Builds the programs again from a copy of the sources in another folder and
# checks that each .exe is the same to the byte as the one built: the build
# leaves no time stamp and no path of its own in a file.
# Usage: check_reproducible.sh SOURCE_DIR BUILD_DIR WORK_DIR BUILD_TYPE TOOLCHAIN PROGRAM...
set -euo pipefail
source_dir=$1 built=$2 work=$3 build_type=$4 toolchain=$(basename "$5")
shift 5
programs=("$@")

rm -rf "$work"
mkdir -p "$work/elsewhere-with-a-longer-name"
copy=$work/elsewhere-with-a-longer-name
cp -R "$source_dir/src" "$source_dir/cmake" "$source_dir/CMakeLists.txt" "$copy/"
cmake -S "$copy" -B "$copy/out" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/$toolchain" \
  -DCMAKE_BUILD_TYPE="$build_type" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$copy/out" --target "${programs[@]}" >/dev/null

differ=0
for program in "${programs[@]}"; do
  sha256sum "$built/$program.exe" "$copy/out/$program.exe"
  if cmp "$built/$program.exe" "$copy/out/$program.exe"; then
    echo "$program.exe: the two builds are identical"
  else
    echo "FAIL: $program.exe: the two builds differ"
    differ=1
  fi
done
[ "$differ" -eq 0 ] && rm -rf "$work"
exit "$differ"
