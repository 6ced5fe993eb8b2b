#!/usr/bin/env bash
# Times hexwords, whole process, against the tools people would otherwise use, on generated
# corpora, and checks the speed and memory targets: to /dev/null against cat, xxd -p, od,
# hexdump and basenc; file to file, on tmpfs and on disk, against cat copying the listing; a
# 1 KB file, dynamic and static; peak memory, dynamic and static; each listing path in-process;
# and, under qemu, the instructions each listing path executes per byte. The machine's own
# memory-copy speed is measured first, so that its memory can be told from the program's speed.
# Usage: bench/run.sh [MEGABYTES]      (RUNS=N sets the timed runs per command; default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
megabytes=${1:-100}
runs=${RUNS:-10}
build=$root/build-bench

if ! command -v hyperfine >/dev/null || [[ ! -x /usr/bin/time ]] || ! command -v gnuplot >/dev/null; then
    apt-get update -qq && apt-get install -y -qq hyperfine time gnuplot-nox >/dev/null
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DHEXWORDS_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target hexwords make_corpus list_speed convert_path >/dev/null
hexwords=$build/hexwords
# The static program of the tarballs and RPM packages, for start-up and memory.
cmake -S "$root" -B "$build-static" -DCMAKE_BUILD_TYPE=Release -DHEXWORDS_STATIC=ON \
    -DHEXWORDS_BUILD_TESTS=OFF -DHEXWORDS_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build-static" --target hexwords >/dev/null
static=$build-static/hexwords

work=$(mktemp -d)                       # on disk here
memory=$(mktemp -d -p /dev/shm)         # tmpfs
trap 'rm -rf "$work" "$memory"' EXIT
"$build/bench/make_corpus" prose "$megabytes" "$work/prose.txt"
"$build/bench/make_corpus" upper "$megabytes" "$work/upper.txt"
head -c 1000 "$work/prose.txt" >"$work/small.txt"
# One line of 256 MB: memory must not grow with line length.
for ((copy = 0; copy <= 256 / megabytes; copy++)); do
    tr -d '\n' <"$work/upper.txt"
done | head -c 256000000 >"$work/one-line.txt" || true

peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
# hexwords' peak memory on each input, taken once, for the tables and the targets alike.
declare -A peak
for input in prose upper one-line small; do peak[$input]=$(peak_kib "$hexwords" "$work/$input.txt" /dev/null); done
failures=0
check() { # check DESCRIPTION CONDITION
    if awk "BEGIN { exit !($2) }"; then echo "  met:    $1"; else echo "  MISSED: $1"; failures=$((failures + 1)); fi
}
median() { awk -F, -v name="$2" '$1 == name { print $4 }' "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "hexwords $(git -C "$root" describe --always --dirty 2>/dev/null || echo) on $(nproc) cores," \
     "$(lscpu | sed -n 's/^Model name: *//p' | head -1), $(uname -sr)"

# The memory's speed: dd copies the prose corpus from the page cache into its own memory, which
# is what reading the source costs hexwords too.
hyperfine -N --style none --warmup 2 --runs "$runs" --export-csv "$work/copy.csv" \
    -n dd "dd if=$work/prose.txt of=/dev/null bs=128K status=none" >/dev/null
awk -F, -v mb="$megabytes" 'NR == 2 { printf "memory copy: dd reads the %d MB corpus from the " \
    "page cache in %.1f ms, %.1f GB/s\n", mb, $4 * 1000, mb / $4 / 1000 }' "$work/copy.csv"

# Each listing path in-process, on the corpora held in memory (bench/list_speed.cpp).
echo
echo "In-process, each path this processor runs (best of 6 rounds, the paths in turn):"
echo "| path | prose MB/s | capitals MB/s |"
echo "|---|---:|---:|"
paste -d ' ' <("$build/bench/list_speed" "$work/prose.txt" 2>"$work/not-run") \
    <("$build/bench/list_speed" "$work/upper.txt" 2>/dev/null) >"$work/in-process"
awk '{ printf "| %s | %s | %s |\n", $1, $4, $12 }' "$work/in-process"
cat "$work/not-run"
# The program takes the first path that the processor runs, as list_speed lists them: every
# whole-process figure below is that path's.
path=$(awk 'NR == 1 { print $1 }' "$work/in-process")
echo "hexwords lists through the $path path here."
speed_of() { awk -v path="$1" -v field="$2" '$1 == path { print $field }' "$work/in-process"; }
if [[ -n $(speed_of avx512 4) ]]; then
    for corpus in prose:4 upper:12; do
        avx512=$(speed_of avx512 "${corpus#*:}") avx2=$(speed_of avx2 "${corpus#*:}")
        check "${corpus%:*}: the AVX-512 path at least 3x the AVX2 path's speed ($(ratio "$avx512" "$avx2")x)" \
            "$avx512 >= 3 * $avx2"
    done
else
    echo "  not measured here: the AVX-512 path at least 3x the AVX2 path's speed"
fi
if [[ -n $(speed_of avx2 4) ]]; then
    for corpus in prose:4 upper:12; do
        avx2=$(speed_of avx2 "${corpus#*:}") floor=$(speed_of copy-x5 "${corpus#*:}")
        check "${corpus%:*}: the AVX2 path at least 0.6 of copying five times ($(ratio "$avx2" "$floor"))" \
            "$avx2 >= 0.6 * $floor"
    done
fi
# Where the program takes another path, the AVX2 path's whole-process figures too, through
# convert_path: the x86 that most people have lists through it.
measured=(hexwords)
if [[ $path != avx2 && -n $(speed_of avx2 4) ]]; then measured+=("hexwords (avx2)"); fi
# through NAME SOURCE LISTING: the command that converts as the row NAME of the tables does.
through() {
    case $1 in
    hexwords) echo "$hexwords $2 $3" ;;
    "hexwords (avx2)") echo "$build/bench/convert_path avx2 $2 $3" ;;
    esac
}
path_of() { case $1 in hexwords) echo "$path" ;; *) echo avx2 ;; esac; }

# To /dev/null against cat, by the path measured: AVX-512 lists at nearly the speed of storing
# what it writes, the others at about half of it.
cat_limit() { case $1:$2 in avx512:prose) echo 2.0 ;; avx512:upper) echo 2.5 ;; *:prose) echo 3.0 ;; *:upper) echo 3.5 ;; esac; }
for corpus in prose upper; do
    source=$work/$corpus.txt
    commands=()
    for name in "${measured[@]}"; do commands+=(-n "$name" "$(through "$name" "$source" /dev/null)"); done
    hyperfine -N --style none --warmup 2 --runs "$runs" --export-csv "$work/$corpus.csv" \
        "${commands[@]}" \
        -n "xxd -p" "xxd -p $source" \
        -n "od -An -tx1 -v" "od -An -tx1 -v $source" \
        -n "hexdump -e %02x00" "hexdump -v -e '1/1 \"%02x00 \"' $source" \
        -n "basenc --base16" "basenc --base16 $source" \
        -n cat "cat $source" >/dev/null
    echo
    echo "corpus: $corpus, $megabytes MB, output to /dev/null, hexwords through the $path path ($runs runs each, median)"
    echo "| command | time (s) | input MB/s | time / hexwords's | peak memory (KiB) |"
    echo "|---|---:|---:|---:|---:|"
    base=$(median "$work/$corpus.csv" hexwords)
    tail -n +2 "$work/$corpus.csv" | while IFS=, read -r name _ _ med _; do
        name=${name//\"/}
        read -r -a command_words <<<"$(case $name in hexdump*) echo hexdump ;; *) echo "$name" ;; esac)"
        if [[ $name == hexwords ]]; then used=${peak[$corpus]}
        elif [[ $name == "hexwords (avx2)" ]]; then
            read -r -a command_words <<<"$(through "$name" "$source" /dev/null)"
            used=$(peak_kib "${command_words[@]}")
        elif [[ $name == hexdump* ]]; then used=$(peak_kib hexdump -v -e '1/1 "%02x00 "' "$source")
        else used=$(peak_kib "${command_words[@]}" "$source"); fi
        awk -v n="$name" -v t="$med" -v b="$base" -v mb="$megabytes" -v m="$used" \
            'BEGIN { printf "| %s | %.3f | %.0f | %.2f | %d |\n", n, t, mb / t, t / b, m }'
    done
    cat_time=$(median "$work/$corpus.csv" cat)
    check "$corpus, $path: at least 15x faster than xxd -p" "$(median "$work/$corpus.csv" "xxd -p") >= 15 * $base"
    check "$corpus, $path: at least 1.5x faster than basenc --base16" "$(median "$work/$corpus.csv" "basenc --base16") >= 1.5 * $base"
    for name in "${measured[@]}"; do
        took=$(median "$work/$corpus.csv" "$name") limit=$(cat_limit "$(path_of "$name")" "$corpus")
        check "$corpus, $(path_of "$name"): within ${limit}x the time of cat ($(ratio "$took" "$cat_time")x)" \
            "$took <= $limit * $cat_time"
    done
done

# The chart of both tables: each command's speed on each corpus, on a logarithmic scale.
rows() { tail -n +2 "$1" | grep -v '^"\?hexwords (' | cut -d, -f1,4; }
join -t, <(rows "$work/prose.csv") <(rows "$work/upper.csv") |
    awk -F, -v mb="$megabytes" '{ sub(/^"/, "", $1); sub(/[ "].*/, "", $1); printf "%s %.1f %.1f\n", $1, mb / $2, mb / $3 }' \
    >"$work/speeds.dat"
gnuplot -e "speeds='$work/speeds.dat'; chart='$build/speed.svg'; megabytes=$megabytes; path='$path'" \
    "$root/bench/speed.gp"
echo "chart: $build/speed.svg"

# File to file: the listing is written out, as users do, against cat and dd writing the same
# listing. Each run starts with no output file, so that neither pays for emptying the last one.
# cat copies a file within the system (copy_file_range); dd reads it into its own memory and
# writes it from there, as hexwords must, and reads 2.7 to 4.9 times as much as hexwords.
echo
echo "File to file ($runs runs each, median): hexwords SOURCE FILE against cat LISTING > FILE"
echo "| file system | corpus | command | time (s) | cat LISTING > FILE (s) | ratio | dd bs=128K (s) |"
echo "|---|---|---|---:|---:|---:|---:|"
file_checks=() # each a description and its condition, checked after the table
for place in tmpfs disk; do
    directory=$([[ $place == tmpfs ]] && echo "$memory" || echo "$work")
    for corpus in prose upper; do
        cp "$work/$corpus.txt" "$directory/source.txt"
        "$hexwords" "$directory/source.txt" "$directory/listing.hex"
        commands=()
        for name in "${measured[@]}"; do
            commands+=(-n "$name" "$(through "$name" "$directory/source.txt" "$directory/out.hex")")
        done
        hyperfine --style none --warmup 1 --runs "$runs" --export-csv "$work/file.csv" \
            --prepare "rm -f $directory/out.hex; sync" "${commands[@]}" \
            -n cat "cat $directory/listing.hex > $directory/out.hex" \
            -n dd "dd if=$directory/listing.hex of=$directory/out.hex bs=128K status=none" >/dev/null
        copied=$(median "$work/file.csv" cat)
        for name in "${measured[@]}"; do
            converted=$(median "$work/file.csv" "$name")
            awk -v p="$place" -v c="$corpus" -v n="$name" -v h="$converted" -v k="$copied" -v d="$(median "$work/file.csv" dd)" \
                'BEGIN { printf "| %s | %s | %s | %.3f | %.3f | %.2f | %.3f |\n", p, c, n, h, k, h / k, d }'
            if [[ $place == tmpfs ]]; then
                file_checks+=("$place, $corpus, $(path_of "$name"): at most 1.15x the time of cat copying the listing ($(ratio "$converted" "$copied")x)"
                    "$converted <= 1.15 * $copied")
            fi
        done
        rm -f "$directory"/{source.txt,listing.hex,out.hex}
    done
done
for ((at = 0; at < ${#file_checks[@]}; at += 2)); do check "${file_checks[at]}" "${file_checks[at + 1]}"; done

echo
hyperfine -N --style none --warmup 20 --runs 500 --export-csv "$work/small.csv" \
    -n hexwords "$hexwords $work/small.txt /dev/null" -n static "$static $work/small.txt /dev/null" \
    -n cat "cat $work/small.txt" >/dev/null
small=$(median "$work/small.csv" hexwords) small_static=$(median "$work/small.csv" static)
small_cat=$(median "$work/small.csv" cat)
awk -v h="$small" -v s="$small_static" -v c="$small_cat" 'BEGIN {
    printf "1 KB file, median of 500 runs: hexwords %.3f ms, static hexwords %.3f ms, cat %.3f ms\n",
        h * 1000, s * 1000, c * 1000 }'
# Start-up times are a few hundred microseconds; allow the timer's noise of 5%.
check "1 KB: no slower than cat" "$small <= 1.05 * $small_cat"
check "1 KB: the static program starts no slower than the dynamic one" "$small_static <= 1.05 * $small"

for input in prose upper one-line small; do
    used=${peak[$input]}
    used_static=$(peak_kib "$static" "$work/$input.txt" /dev/null)
    echo "peak memory on $input: $used KiB, static: $used_static KiB"
    check "$input: peak memory at most 2 MiB" "$used <= 2048"
    check "$input: the static program's peak memory no more than the dynamic one's" "$used_static <= $used"
done

echo
if ! "$root/bench/count_instructions.sh" 1; then
    failures=$((failures + 1))
fi
exit $((failures > 0))
