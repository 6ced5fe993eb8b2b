#!/usr/bin/env bash
# Runs the program in a console, which wine makes of a pseudo-terminal, and checks that a message
# naming a path outside the console's code page shows the path as typed. Redirected messages
# (UTF-8 bytes) are checked by the test program.
# Usage: windows_console_test.sh COMMAND...    (COMMAND: the program behind wine)
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

command=$(printf '%q ' "$@")
# The console draws its text with cursor movements: a movement to the right stands for blanks.
shown=$(LANG=C.UTF-8 script -qc "$command 日本.txt out.hex" /dev/null |
    perl -pe 's/\e\[(\d*)C/" " x ($1 || 1)/ge; s/\e\[[?0-9;]*[A-Za-z]//g; s/\r//g')
expected="Error opening 日本.txt for reading"
[[ $shown == *"$expected"* ]] || { echo "FAIL: the console shows '$shown'"; exit 1; }
echo "PASS: the console shows '$expected'"
