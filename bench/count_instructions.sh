#!/usr/bin/env bash
# Counts the instructions that each listing path executes per byte of source, under qemu-user, so
# that every path, ARM's among them, can be measured on any machine. qemu logs each block of code
# it translates with its instructions (in_asm) and each execution of a block (exec, with chaining
# off so that none goes unlogged); the blocks' instructions times their executions, summed, less
# the same for an empty source, over the source's size, give instructions per byte.
# Usage: bench/count_instructions.sh [MEGABYTES]      (default 1)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
megabytes=${1:-1}

if ! command -v qemu-x86_64 >/dev/null || ! command -v aarch64-linux-gnu-g++ >/dev/null ||
    ! command -v arm-linux-gnueabi-g++ >/dev/null; then
    apt-get update -qq && apt-get install -y -qq qemu-user g++-aarch64-linux-gnu \
        g++-arm-linux-gnueabi >/dev/null
fi
build() { # build DIRECTORY CMAKE_OPTIONS...
    local directory=$1
    shift
    cmake -S "$root" -B "$directory" -DCMAKE_BUILD_TYPE=Release -DHEXWORDS_BUILD_TESTS=OFF "$@" >/dev/null
    cmake --build "$directory" --target convert_path make_corpus >/dev/null
}
build "$root/build-bench"
build "$root/build-bench-arm64" --toolchain "$root/cmake/toolchains/aarch64-linux-gnu.cmake"
build "$root/build-bench-armel" --toolchain "$root/cmake/toolchains/arm-linux-gnueabi.cmake"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/build-bench/bench/make_corpus" prose "$megabytes" "$work/prose.txt"
"$root/build-bench/bench/make_corpus" upper "$megabytes" "$work/upper.txt"
: >"$work/empty.txt"

# executed EMULATOR_AND_OPTIONS... PROGRAM ARGUMENTS...: the instructions that the program
# executed in user mode, run under qemu-user with its logging.
executed() {
    "$@" >/dev/null
    awk '
        function address(text) { sub(/^(0x)?0*/, "", text); sub(/:$/, "", text); return text }
        /^IN:/                        { block = ""; count = 0; reading = 1; next }
        reading && /^0x[0-9a-f]+:/    { if (block == "") block = address($1); count++; next }
        reading                       { if (block != "") size[block] = count; reading = 0 }
        /^Trace /                     { split($0, fields, "/"); total += size[address(fields[2])] }
        END                           { printf "%d\n", total }' "$work/log"
    rm -f "$work/log"
}

per_byte() { # per_byte CORPUS EMULATOR_AND_OPTIONS... PROGRAM PATH
    local corpus=$1 used idle
    shift
    used=$(executed "$@" "$work/$corpus.txt" "$work/out.hex")
    idle=$(executed "$@" "$work/empty.txt" "$work/out.hex")
    awk -v used="$used" -v idle="$idle" -v size="$(stat -c %s "$work/$corpus.txt")" \
        'BEGIN { printf "%.2f", (used - idle) / size }'
}

logging=(-d in_asm,exec,nochain -D "$work/log")
echo "Executed instructions per byte of source, $megabytes MB corpora, under qemu-user:"
echo "| path | processor | mixed-case prose | capitals |"
echo "|---|---|---:|---:|"
declare -A prose_of
for row in "x86-64 table" "x86-64 ssse3" "x86-64 avx2" "aarch64 table" "aarch64 neon" \
    "armv6 table" "armv7 neon"; do
    read -r processor path <<<"$row"
    # The 32-bit ARM rows run armel's build, the arm tarball's program: on the Raspberry Pi 1
    # and Zero's core, and on the Pi 2's.
    case $processor in
    x86-64) run=(qemu-x86_64 -cpu max "${logging[@]}" "$root/build-bench/bench/convert_path") ;;
    aarch64) run=(qemu-aarch64 -L /usr/aarch64-linux-gnu "${logging[@]}"
        "$root/build-bench-arm64/bench/convert_path") ;;
    armv6) run=(qemu-arm -cpu arm1176 -L /usr/arm-linux-gnueabi "${logging[@]}"
        "$root/build-bench-armel/bench/convert_path") ;;
    armv7) run=(qemu-arm -cpu cortex-a7 -L /usr/arm-linux-gnueabi "${logging[@]}"
        "$root/build-bench-armel/bench/convert_path") ;;
    esac
    prose=$(per_byte prose "${run[@]}" "$path")
    upper=$(per_byte upper "${run[@]}" "$path")
    echo "| $path | $processor | $prose | $upper |"
    prose_of[$row]=$prose
done
missed=0
for target in "aarch64 neon:3.0" "armv7 neon:6.0"; do
    row=${target%:*} limit=${target#*:}
    if awk -v n="${prose_of[$row]}" -v limit="$limit" 'BEGIN { exit !(n <= limit) }'; then
        echo "  met:    $row: at most $limit instructions per byte of prose (${prose_of[$row]})"
    else
        echo "  MISSED: $row: at most $limit instructions per byte of prose (${prose_of[$row]})"
        missed=1
    fi
done
exit $missed
