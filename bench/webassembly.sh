#!/usr/bin/env bash
# Times hexwords as WebAssembly and checks its targets: the npm command against xxd -p on the
# prose, node's start-up included; the SIMD128 path against the table path, in-process under
# node; the page in Chromium against
# the npm command, both writing the whole listing; and a 1 KB file through the npm command.
# The paths are timed in-process by list_speed, on the corpus held in the module's memory.
# Usage: bench/webassembly.sh [MEGABYTES]      (RUNS=N sets the timed runs per command; default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
megabytes=${1:-100}
runs=${RUNS:-10}

if ! command -v hyperfine >/dev/null || ! command -v chromium >/dev/null; then
    apt-get update -qq && apt-get install -y -qq hyperfine chromium >/dev/null
fi
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DHEXWORDS_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-bench" --target make_corpus >/dev/null
wasm=$root/build-bench-wasm
cmake -S "$root" -B "$wasm" -G Ninja --toolchain "$root/cmake/toolchains/wasm32-wasi.cmake" \
    -DHEXWORDS_BUILD_TESTS=OFF >/dev/null
cmake --build "$wasm" --target list_speed page npm_package >/dev/null
version=$(sed -n 's/^ *VERSION \([0-9.]*\)$/\1/p' "$root/CMakeLists.txt")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
npm install --global --prefix "$work/npm" --no-audit --no-fund "$wasm/hexwords-$version.tgz" >/dev/null
npm install --prefix "$work/puppeteer" --no-audit --no-fund --no-save puppeteer-core@24.43.1 >/dev/null
command=$work/npm/bin/hexwords
"$root/build-bench/bench/make_corpus" prose "$megabytes" "$work/prose.txt"
head -c 1000 "$work/prose.txt" >"$work/small.txt"

failures=0
check() { # check DESCRIPTION CONDITION
    if awk "BEGIN { exit !($2) }"; then echo "  met:    $1"; else echo "  MISSED: $1"; failures=$((failures + 1)); fi
}
median() { awk -F, -v name="$2" '$1 == name { print $4 }' "$1"; }

echo "hexwords $version as WebAssembly under node $(node --version) and $(chromium --version 2>/dev/null | head -1)"
hyperfine -N --style none --warmup 2 --runs "$runs" --export-csv "$work/command.csv" \
    -n "npm command" "$command $work/prose.txt /dev/null" -n "xxd -p" "xxd -p $work/prose.txt" >/dev/null
ours=$(median "$work/command.csv" "npm command") xxd=$(median "$work/command.csv" "xxd -p")
awk -v o="$ours" -v x="$xxd" -v mb="$megabytes" 'BEGIN {
    printf "prose, %d MB, to /dev/null: npm command %.3f s (%.0f MB/s), xxd -p %.3f s: %.1fx\n", mb, o, mb / o, x, x / o }'
check "the npm command at least 5x the speed of xxd -p" "$xxd >= 5 * $ours"

# Best of five rounds each: "PATH SECONDS s MB/s MB/s ...", one line a path.
node "$root/tests/run_wasi_module.js" "$wasm/bench/list_speed.wasm" "$work/prose.txt" >"$work/paths.txt"
simd=$(awk '$1 == "simd128" { print $2 }' "$work/paths.txt")
table=$(awk '$1 == "table" { print $2 }' "$work/paths.txt")
awk -v s="$simd" -v t="$table" -v mb="$megabytes" 'BEGIN {
    printf "in-process under node: SIMD128 %.3f s (%.0f MB/s), table %.3f s (%.0f MB/s): %.2fx\n", s, mb / s, t, mb / t, t / s }'
check "SIMD128 at least 2.5x the table path's speed" "$table >= 2.5 * $simd"

page_times=()
for ((run = 0; run < 3; run++)); do
    page_times+=("$(NODE_PATH=$work/puppeteer/node_modules node "$root/bench/page_speed.js" \
        "$wasm/hexwords-$version.html" "$work/prose.txt")")
done
page=$(printf '%s\n' "${page_times[@]}" | sort -n | sed -n 2p)
hyperfine -N --style none --warmup 1 --runs "$runs" --export-csv "$work/file.csv" \
    --prepare "rm -f $work/out.hex" -n "npm command" "$command $work/prose.txt $work/out.hex" >/dev/null
to_file=$(median "$work/file.csv" "npm command")
awk -v p="$page" -v c="$to_file" -v mb="$megabytes" 'BEGIN {
    printf "whole listing: page %.3f s (%.0f MB/s, median of 3), npm command to a file %.3f s: %.2fx its time\n", p, mb / p, c, p / c }'
check "the page at no less than half the npm command's speed" "$page <= 2 * $to_file"

hyperfine -N --style none --warmup 5 --runs 50 --export-csv "$work/small.csv" \
    -n "npm command" "$command $work/small.txt /dev/null" -n "node -e 0" "node -e 0" >/dev/null
awk -v c="$(median "$work/small.csv" "npm command")" -v n="$(median "$work/small.csv" "node -e 0")" 'BEGIN {
    printf "1 KB file, median of 50 runs: npm command %.1f ms, of which node starting and stopping %.1f ms\n", c * 1000, n * 1000 }'
exit $((failures > 0))
