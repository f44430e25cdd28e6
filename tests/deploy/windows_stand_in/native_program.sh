#!/usr/bin/env bash
# What the stand-in host's programs (program.c) start: the Linux build NAME
# in TXRESET_STAND_IN_PROGRAMS, given each argument that is a Windows path
# (X:\...) as the file that the Wine prefix's drive X: holds there; its exit
# status goes into the Windows path STATUS_FILE, whole once written, and
# what it wrote on standard error, before, into STATUS_FILE.err.
#   native_program.sh STATUS_FILE NAME ARGUMENT...
set -uo pipefail
unix_path() { # WINDOWS_PATH
  local rest=${BASH_REMATCH[2]}
  echo "$WINEPREFIX/dosdevices/${BASH_REMATCH[1],,}:/${rest//\\//}"
}
[[ $1 =~ ^([A-Za-z]):\\(.*)$ ]] && status_file=$(unix_path)
name=$2
shift 2
arguments=()
for argument in "$@"; do
  [[ $argument =~ ^([A-Za-z]):\\(.*)$ ]] && argument=$(unix_path)
  arguments+=("$argument")
done
"$TXRESET_STAND_IN_PROGRAMS/$name" "${arguments[@]}" 2>"$status_file.err"
echo $? >"$status_file.new"
mv "$status_file.new" "$status_file"
