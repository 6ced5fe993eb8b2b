#!/usr/bin/env bash
# Under wine, from Linux: the program opens a source and a listing whose paths are past MAX_PATH
# through their \\?\ form, and makes its same-file check through it too. Wine also opens such
# paths as they are, which Windows refuses, so the listing alone cannot show it: wine's trace of
# CreateFileW shows the form in which each of the three reaches the file functions.
# Usage: windows_long_paths_test.sh WINE PROGRAM
set -euo pipefail
wine=$1 program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
first=$(printf '%0150d' 0 | tr 0 d)
deep=$first/$(printf '%0150d' 0 | tr 0 e)
mkdir -p "$work/$deep"
printf 'HI\n' >"$work/$deep/text.txt"
cd "$work"
WINEDEBUG=trace+file "$wine" "$program" "$deep/text.txt" "$deep/out.hex" 2>trace
[[ $(cat "$deep/out.hex") == "4800 4900 " ]]
# The program's own calls are those that name the deep folder: the source, the same-file check
# and the listing.
grep -a 'trace:file:CreateFileW L"' trace | grep -aF "$first" | tee calls | cut -c1-70
[[ $(grep -c . calls) == 3 ]]
if grep -avF 'CreateFileW L"\\\\?\\' calls; then
    echo "a path past MAX_PATH reached CreateFileW as it was typed"
    exit 1
fi
