#!/usr/bin/env bash
# A listing all the way into a memory, with the commands that docs/hardware.md shows, taken from
# there and run as written, as a user runs them: in a folder of their own, with the program on
# the PATH, from the source copied to notes.txt and the examples' files:
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
#   board-BOARD-HDL            the board's bitstream (examples/ice40), built from the listing,
#                              and after a swap to one of another length: from the bitstream
#                              back, its netlist simulated at the board's clock sends exactly
#                              the text at 115200 baud, as tests/serial_tb.v receives it
#   board-limits               a listing that fills the iCEstick's memory is sent whole; one
#                              too long, and an empty one, are refused, leaving no bitstream;
#                              and both designs send the text again after their pause
# Usage: hardware_test.sh CHECK PROGRAM [SOURCE]
# Without SOURCE, the source is made here: every byte value, sixteen to a line, with CR LF line
# ends and an empty line after each.
set -euo pipefail
check=$1 program=$2 source=${3:+$(realpath "$3")}
repo=$(cd "$(dirname "$0")/.." && pwd)
doc=$repo/docs/hardware.md

board_tools="yosys nextpnr-ice40 icebram icepack icetime icebox_vlog iverilog ghdl make"
declare -A tools_of=([iverilog]=iverilog [verilator]=verilator [ghdl]=ghdl [ghdl-synth]=ghdl [yosys]=yosys
    [mif]=srec_cat [coe]=awk [readmemh-iverilog]=iverilog [readmemh-verilator]=verilator)
declare -A package_of=([srec_cat]=srecord [awk]=mawk [icebram]=fpga-icestorm [icepack]=fpga-icestorm
    [icetime]=fpga-icestorm [icebox_vlog]=fpga-icestorm)
tools=${tools_of[$check]:-}
if [[ $check == board-* ]]; then tools=$board_tools; fi
for tool in $tools; do
    if ! command -v "$tool" >/dev/null; then
        package=${package_of[$tool]:-$tool}
        if [[ ${CI:-} == true ]]; then
            echo "$tool is missing: CI must install it (apt-get install $package)" >&2
            exit 1
        fi
        echo "SKIP: $tool is not installed (apt-get install $package)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
every_byte() {
    for byte in {0..255}; do
        printf "\\$(printf %03o "$byte")"
        if ((byte % 16 == 15)); then printf '\r\n\r\n'; fi
    done
}
if [[ -z $source ]]; then
    source=$work/every-byte.txt
    every_byte >"$source"
fi
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }
# documented START [FROM TO]...: runs the one command that docs/hardware.md shows on a line of
# its own that starts so, with each FROM in it replaced by its TO.
documented() {
    local command
    command=$(awk -v start="$1" 'index($0, start) == 1' "$doc")
    [[ -n $command && $command != *$'\n'* ]] || fail "docs/hardware.md shows no one command '$1...'"
    shift
    while (($# >= 2)); do
        command=${command//"$1"/"$2"}
        shift 2
    done
    eval "$command"
}
# As a user does: in a folder of their own, the program on the PATH, and examples naming the
# examples' folder; from the source, with its files.
documented 'mkdir lab && cd lab'
PATH=$(dirname "$program"):$PATH
[[ $(command -v hexwords) == "$program" ]] || fail "$program is not the hexwords on the PATH"
examples=$repo/examples
documented 'cp "$examples/sample.txt" notes.txt' '"$examples/sample.txt"' '"$source"'
documented 'cp "$examples"/verilog/*'
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

# The boards: examples/ice40's Makefile holds each one's FPGA, package, clock in MHz and memory
# depth; the page shows its commands for the iCEBreaker in Verilog.
cells=$(dirname "$(command -v yosys)")/../share/yosys/ice40/cells_sim.v
board_of() { awk -v board="$1" '$1 == board && $2 == ":=" { print $3, $4, $5, $6 }' "$examples/ice40/Makefile"; }
# on_board START BOARD HDL [FROM TO]...: the documented make command for that board and language.
on_board() {
    local start=$1 board=$2 hdl=$3
    shift 3
    documented "$start" BOARD=icebreaker "BOARD=$board" HDL=verilog "HDL=$hdl" "$@"
}
# sent_text SOURCE: what a design must send for the source: its characters and blanks, in order,
# but the blanks at its very end, then a carriage return and a line feed.
sent_text() {
    local text
    text=$(LC_ALL=C tr -cd ' -Z' <"$1")
    printf '%s\r\n' "${text%"${text##*[! ]}"}"
}
# sends_text BOARD SOURCE: board/text.bin is icepack's of board/text.asc, and the netlist of
# board/text.asc, simulated at the board's clock, sends the source's text once.
sends_text() {
    local board=$1 package mhz words
    read -r _ package mhz words <<<"$(board_of "$board")"
    icepack board/text.asc board/again.bin
    cmp board/again.bin board/text.bin || fail "board/text.bin is not icepack's of board/text.asc"
    icebox_vlog -d "$package" -p "$examples/ice40/$board.pcf" -n text_uart board/text.asc >netlist.v
    iverilog -g2005 -DNETLIST -DNO_ICE40_DEFAULT_ASSIGNMENTS -Wno-timescale -o netlist \
        -P "serial_tb.CLOCK_HZ=${mhz}000000" -P "serial_tb.DEPTH=$words" "$repo/tests/serial_tb.v" \
        netlist.v "$cells"
    sent_text "$2" >expected
    vvp -n netlist >received
    cmp expected received ||
        { diff <(od -c expected) <(od -c received) | head; fail "the $board sends another text"; }
}
# builds BOARD HDL [FROM TO]...: the documented build, its log shown when it fails.
builds() {
    on_board 'make -C "$examples/ice40" BOARD=' "$@" >build.log 2>&1 ||
        { tail -n 20 build.log; fail "the $1's bitstream in $2 did not build"; }
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
board-limits)
    builds icestick verilog
    # Built again from nothing, into another folder: the same bitstream, byte for byte.
    builds icestick verilog '/board"' '/again"'
    cmp board/text.bin again/text.bin || fail "two builds of the same listing gave other bitstreams"
    # 4,096 words, the last not a blank.
    awk 'BEGIN { for (i = 0; i < 128; i++) printf "%s", "HEXWORDS ON AN ICE40, 4096 WORDS" }' >full.txt
    hexwords full.txt full.hex
    [[ $(wc -w <full.hex) == 4096 ]] || fail "full.hex holds $(wc -w <full.hex) words"
    on_board 'make -C "$examples/ice40" swap' icestick verilog notes.hex full.hex >swap.log 2>&1 ||
        { cat swap.log; fail "a listing that fills the memory was refused"; }
    sends_text icestick full.txt
    # One word more, and none: refused, with both counts, and no bitstream left.
    printf 'X' >>full.txt
    printf 'lowercase\n' >empty.txt
    hexwords full.txt long.hex
    hexwords empty.txt empty.hex
    for refusal in "long.hex:holds 4097 words, more than the 4096 of the icestick's memory" \
        "empty.hex:holds no word: there is no text to send"; do
        if on_board 'make -C "$examples/ice40" swap' icestick verilog notes.hex "${refusal%%:*}" \
            >said 2>&1 || ! grep -qF "${refusal#*:}" said; then
            cat said
            fail "${refusal%%:*} was not refused as it should be"
        fi
        if [[ -e board/text.bin || -e board/text.asc ]]; then
            fail "${refusal%%:*} was refused, but a bitstream is left"
        fi
    done
    # After the pause, the text again, from each language's design, with a short pause and the
    # listing padded with zero words to the memory's depth, as a swap pads it.
    { cat notes.hex; for ((word = depth; word < 256; word++)); do echo 0000; done; } >padded.hex
    settings=(-P serial_tb.LINES=2 -P serial_tb.PAUSE_CYCLES=3000 -P serial_tb.DEPTH=256)
    iverilog -g2005 -Wno-timescale -o verilog_uart "${settings[@]}" -P 'serial_tb.LISTING="padded.hex"' \
        "$repo/tests/serial_tb.v" text_uart.v text_rom.v
    ghdl -a --std=08 text_rom.vhd text_uart.vhd
    ghdl --synth --std=08 -gLISTING=padded.hex -gDEPTH=256 -gPAUSE_CYCLES=3000 --out=verilog text_uart \
        >text_uart_vhdl.v 2>/dev/null
    iverilog -g2005 -DNETLIST -Wno-timescale -o vhdl_uart "${settings[@]}" "$repo/tests/serial_tb.v" \
        text_uart_vhdl.v
    sent_text "$source" >once
    cat once once >expected
    for uart in verilog_uart vhdl_uart; do
        vvp -n $uart >received
        cmp expected received || { diff <(od -c expected) <(od -c received) | head; fail "$uart"; }
    done
    ;;
board-*)
    board=${check#board-} hdl=${check##*-}
    board=${board%-"$hdl"}
    builds "$board" "$hdl"
    sends_text "$board" "$source"
    # A listing of another length swapped in.
    every_byte >other.txt
    hexwords other.txt other.hex
    on_board 'make -C "$examples/ice40" swap' "$board" "$hdl" notes.hex other.hex >swap.log 2>&1 ||
        { cat swap.log; fail "the swap failed"; }
    sends_text "$board" other.txt
    ;;
*) fail "no check named $check" ;;
esac
echo "PASS: $check, $depth words"
