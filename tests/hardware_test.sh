#!/usr/bin/env bash
# A listing all the way into a memory, with the commands that docs/hardware.md shows, taken from
# there and run as written in a folder that holds the listing, notes.hex, and the examples' files:
#   iverilog, verilator, ghdl  the example ROM and its testbench print the text that the memory
#                              holds, which must be the source's characters and blanks, in
#                              order, and nothing else; GHDL must also refuse a memory one word
#                              too shallow or too deep, naming both counts, and Icarus warn
#   yosys, ghdl-synth          the ROM synthesized, and its netlist simulated: the same text
#   mif, coe                   the vendor formats hold the listing's words, in order, at
#                              addresses from 0 on
#   readmemh-iverilog, readmemh-verilator
#                              a plain $readmemh (tests/readmemh_tb.v) loads every word exactly
#                              as the source's bytes give it, with no warning
# Usage: hardware_test.sh CHECK PROGRAM [SOURCE]
# Without SOURCE, the source is made here: every byte value, sixteen to a line, with CR LF line
# ends and an empty line after each.
set -euo pipefail
check=$1 program=$2 source=${3:+$(realpath "$3")}
repo=$(cd "$(dirname "$0")/.." && pwd)
doc=$repo/docs/hardware.md

declare -A tool_of=([iverilog]=iverilog [verilator]=verilator [ghdl]=ghdl [ghdl-synth]=ghdl [yosys]=yosys
    [mif]=srec_cat [coe]=awk [readmemh-iverilog]=iverilog [readmemh-verilator]=verilator)
declare -A package_of=([srec_cat]=srecord [awk]=mawk)
tool=${tool_of[$check]}
if ! command -v "$tool" >/dev/null; then
    package=${package_of[$tool]:-$tool}
    if [[ ${CI:-} == true ]]; then
        echo "$tool is missing: CI must install it (apt-get install $package)" >&2
        exit 1
    fi
    echo "SKIP: $tool is not installed (apt-get install $package)"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ -z $source ]]; then
    source=$work/every-byte.txt
    for byte in {0..255}; do
        printf "\\$(printf %03o "$byte")"
        if ((byte % 16 == 15)); then printf '\r\n\r\n'; fi
    done >"$source"
fi
cp "$repo"/examples/verilog/* "$repo"/examples/vhdl/* "$work"
cp "$source" "$work/notes.txt"
cd "$work"
hexwords() { "$program" "$@"; }

fail() { echo "FAIL: $*"; exit 1; }
# documented START: runs the one command that docs/hardware.md shows on a line of its own that
# starts so.
documented() {
    local command
    command=$(awk -v start="$1" 'index($0, start) == 1' "$doc")
    [[ -n $command && $command != *$'\n'* ]] || fail "docs/hardware.md shows no one command '$1...'"
    eval "$command"
}
documented 'hexwords notes.txt'
documented 'depth='
# shellcheck disable=SC2154 # depth is set by the documented command
echo "notes.hex holds $depth words"

# prints_text COMMAND...: the command prints the source's characters and blanks, and nothing else.
prints_text() {
    LC_ALL=C tr -cd ' -Z' <"$source" >expected
    echo >>expected
    "$@" >printed 2>&1 || { cat printed; fail "$* failed"; }
    cmp expected printed || { diff expected printed; fail "the memory's text differs from the source's"; }
}
# refused DEPTH PATTERN COMMAND...: with the memory DEPTH words deep, the command says PATTERN.
refused() {
    local shallow=$1 pattern=$2
    shift 2
    ("$@" >said 2>&1) || true
    grep -aF "$pattern" said || { cat said; fail "a memory of $shallow words was not refused"; }
}

# read_listing FILE: the function that reads a listing in VHDL, as FILE shows it.
read_listing() { sed -n '/-- The words of a hexwords listing/,/end function;/p' "$1"; }
words() { awk '{ for (i = 1; i <= NF; i++) print tolower($i) }' "$@"; }
case $check in
iverilog)
    documented 'iverilog -g2005 -P text_rom_tb.LISTING'
    prints_text documented 'vvp -n text_rom_tb'
    for wrong in $((depth - 1)):'Too many words' $((depth + 1)):'Not enough words'; do
        iverilog -g2005 -P text_rom_tb.LISTING='"notes.hex"' -P text_rom_tb.DEPTH="${wrong%%:*}" \
            -o wrong_tb text_rom_tb.v text_rom.v
        refused "${wrong%%:*}" "\$readmemh(notes.hex): ${wrong#*:} in the file" vvp -n wrong_tb
    done
    ;;
verilator)
    documented 'verilator --binary' >build.log 2>&1 || { cat build.log; fail "verilator did not build"; }
    # Its simulation ends with a line of its own about $finish.
    prints_text bash -c 'set -o pipefail; obj_dir/Vtext_rom_tb | grep -v "^- .*: Verilog \$finish$"'
    ;;
ghdl)
    documented 'ghdl -a '
    prints_text documented 'ghdl --elab-run --std=08 text_rom_tb'
    for wrong in $((depth - 1)) $((depth + 1)); do
        refused "$wrong" "notes.hex holds $depth words, the memory $wrong" \
            ghdl --elab-run --std=08 text_rom_tb -gLISTING=notes.hex -gDEPTH="$wrong"
    done
    # The page's function is the example's, and so is the one on docs/hardware.md.
    diff <(read_listing text_rom.vhd | sed 's/^  //') <(read_listing "$doc") ||
        fail "docs/hardware.md's function differs from the example's"
    ;;
ghdl-synth)
    documented 'ghdl -a '
    documented 'ghdl --synth' 2>/dev/null
    documented 'mkdir -p netlist'
    prints_text documented 'ghdl --elab-run --std=08 --workdir=netlist'
    ;;
yosys)
    documented 'yosys ' >synthesis.log 2>&1 || { cat synthesis.log; fail "yosys did not synthesize"; }
    # The netlist keeps no parameters, which Icarus points out.
    documented 'iverilog -g2005 -P text_rom_tb.DEPTH' 2>/dev/null
    prints_text documented 'vvp -n text_rom_synth_tb'
    ;;
mif)
    documented 'srec_cat '
    grep -qx "DEPTH = $depth;" notes.mif || fail "notes.mif's DEPTH is not $depth"
    grep -qx 'WIDTH = 16;' notes.mif || fail "notes.mif's WIDTH is not 16"
    # Each line of its content: the address of its first word, a colon, the words and a semicolon.
    sed -n '/^CONTENT BEGIN$/,/^END;$/p' notes.mif | sed '1d;$d' | tr -d ':;' >content
    address=0
    while read -r line_address line_words; do
        ((16#$line_address == address)) || fail "notes.mif has a line at $line_address, not at $address"
        address=$((address + $(wc -w <<<"$line_words")))
    done <content
    diff <(words notes.hex) <(cut -d' ' -f2- content | words) || fail "notes.mif's words differ"
    ;;
coe)
    documented 'awk '
    head -2 notes.coe >header
    printf 'memory_initialization_radix=16;\nmemory_initialization_vector=\n' | cmp - header ||
        fail "notes.coe starts otherwise"
    # A comma after every word but the last, which a semicolon ends.
    tail -n +3 notes.coe >vector
    [[ $(grep -cv ',$' vector) == 1 && $(tail -1 vector) == *';' ]] || fail "notes.coe's separators"
    diff <(words notes.hex) <(tr -d ',;' <vector) || fail "notes.coe's words differ"
    ;;
readmemh-*)
    # The words the source should give, computed from its bytes alone.
    od -An -v -tu1 "$source" | tr -s ' ' '\n' | awk '
        $1 >= 33 && $1 <= 90 { printf "%02x00\n", $1 }
        $1 == 32             { print "0000" }' >expected
    if [[ $check == *iverilog ]]; then
        iverilog -g2005 -P "readmemh_tb.WORDS=$depth" -o readmemh_tb "$repo/tests/readmemh_tb.v"
        vvp -n readmemh_tb >loaded 2>&1
    else
        verilator --binary -Wall "-GWORDS=$depth" --top-module readmemh_tb -Mdir readmemh_obj \
            "$repo/tests/readmemh_tb.v" >build.log 2>&1 || { cat build.log; fail "verilator did not build"; }
        readmemh_obj/Vreadmemh_tb 2>&1 | grep -v '^- .*: Verilog \$finish$' >loaded
    fi
    diff -u expected loaded || fail "the loaded memory differs from the source's words (or the loader warned)"
    ;;
*) fail "no check named $check" ;;
esac
echo "PASS: $check, $depth words"
