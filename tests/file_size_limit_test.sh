#!/usr/bin/env bash
# Runs the program with a file-size limit, as a full disk would stop it, and checks that it
# says so, exits 1 and leaves a clean prefix of the listing. For builds whose test programs
# cannot set the limit themselves (Windows under wine).
# Usage: file_size_limit_test.sh SOURCE COMMAND...    (COMMAND: the program, maybe behind wine)
set -euo pipefail
source=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for _ in {1..20}; do cat "$source"; done >"$work/source.txt" # a listing of about 9 KB
cd "$work"

"$@" source.txt full.hex
limit_blocks=2 # bash counts ulimit -f in blocks of 1024 bytes
message=$(ulimit -f "$limit_blocks" && trap '' XFSZ && "$@" source.txt part.hex | tr -d '\r') &&
    status=0 || status=$?
[[ $message == "Error writing part.hex" ]] || { echo "FAIL: message '$message'"; exit 1; }
[[ $status == 1 ]] || { echo "FAIL: status $status"; exit 1; }
size=$(wc -c <part.hex)
[[ $size == $((limit_blocks * 1024)) ]] || { echo "FAIL: $size bytes written"; exit 1; }
cmp -n "$size" part.hex full.hex || { echo "FAIL: not a prefix of the listing"; exit 1; }
echo "PASS: stopped at the limit with a clean prefix and status 1"
