#!/usr/bin/env bash
# Loads a converted listing with Icarus Verilog's $readmemh into a 16-bit memory and checks
# every word against the source's characters and blanks, in order, with no loader warning.
# Usage: readmemh_test.sh PROGRAM SOURCE TESTBENCH
set -euo pipefail
program=$1 source=$2 testbench=$3

if ! command -v iverilog >/dev/null || ! command -v vvp >/dev/null; then
    if [[ ${CI:-} == true ]]; then
        echo "iverilog is missing: CI must install it (apt-get install iverilog)" >&2
        exit 1
    fi
    echo "SKIP: iverilog is not installed (apt-get install iverilog)"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$program" "$source" "$work/listing.hex"
# The words the source should give, computed from its bytes alone.
od -An -v -tu1 "$source" | tr -s ' ' '\n' | awk '
    $1 >= 33 && $1 <= 90 { printf "%02x00\n", $1 }
    $1 == 32             { print "0000" }' >"$work/expected"
words=$(wc -l <"$work/expected")

iverilog -g2005 -P "readmemh_tb.WORDS=$words" -o "$work/tb.vvp" "$testbench"
(cd "$work" && vvp -n tb.vvp >loaded 2>&1)
# vvp ends its output with a line about $finish only when the bench calls it; ours does not.
if ! diff -u "$work/expected" "$work/loaded"; then
    echo "FAIL: the loaded memory differs from the source's words (or the loader warned)"
    exit 1
fi
echo "PASS: $words words loaded by \$readmemh match the source"
