#!/usr/bin/env bash
# Loads a converted listing with a Verilog simulator's $readmemh into a 16-bit memory and checks
# every word against the source's characters and blanks, in order, with no loader warning.
# Usage: readmemh_test.sh SIMULATOR PROGRAM SOURCE TESTBENCH    (SIMULATOR: iverilog or verilator)
set -euo pipefail
simulator=$1 program=$2 source=$3 testbench=$4

if ! command -v "$simulator" >/dev/null; then
    if [[ ${CI:-} == true ]]; then
        echo "$simulator is missing: CI must install it (apt-get install $simulator)" >&2
        exit 1
    fi
    echo "SKIP: $simulator is not installed (apt-get install $simulator)"
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

case $simulator in
iverilog)
    iverilog -g2005 -P "readmemh_tb.WORDS=$words" -o "$work/tb.vvp" "$testbench"
    (cd "$work" && vvp -n tb.vvp >loaded 2>&1)
    ;;
verilator)
    verilator --binary -Wall "-GWORDS=$words" --top-module readmemh_tb -Mdir "$work/obj" \
        "$testbench" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
    # Its simulation ends with a line of its own about $finish.
    (cd "$work" && obj/Vreadmemh_tb 2>&1 | grep -v '^- .*: Verilog \$finish$' >loaded)
    ;;
esac
if ! diff -u "$work/expected" "$work/loaded"; then
    echo "FAIL: the loaded memory differs from the source's words (or the loader warned)"
    exit 1
fi
echo "PASS: $words words loaded by $simulator's \$readmemh match the source"
