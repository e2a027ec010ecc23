#!/usr/bin/env bash
# Measures a whole scripted run of the release binary: system calls that write
# (strace -c), wall time and peak memory (GNU time). Prints figures; fails only
# if the writes are not exactly one per line plus one per prompt, which holds
# on any machine because every line end and every prompt is one flush.
#   bash bench/measure.sh [BINARY] [TURNS]
set -euo pipefail
binary=${1:-build/release/ksiezyc}
turns=${2:-200000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Status, rest, rest, an ignored number, in rotation; then 0 to quit.
awk -v turns="$turns" 'BEGIN {
    split("1 2 2 7", choice, " ")
    for (turn = 0; turn < turns; ++turn) print choice[turn % 4 + 1]
    print 0
}' >"$work/input"

strace -f -c -e trace=write -o "$work/strace" "$binary" <"$work/input" >"$work/output"
writes=$(awk '$NF == "write" { print $4 }' "$work/strace")
lines=$(tr -cd '\n' <"$work/output" | wc -c)
prompts=$(grep -o 'Wpisz numer: ' "$work/output" | wc -l)

start=$EPOCHREALTIME
"$binary" <"$work/input" >/dev/null
end=$EPOCHREALTIME
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
/usr/bin/time -v "$binary" <"$work/input" 2>"$work/time" >/dev/null
peak_kib=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "turns: $((turns + 1)) (the closing 0 included)"
echo "output: $(wc -c <"$work/output") bytes, $lines lines, $prompts prompts"
echo "write calls: $writes (lines + prompts = $((lines + prompts)))"
echo "wall time: $seconds s, $(awk -v t=$((turns + 1)) -v s="$seconds" 'BEGIN { printf "%.0f", t / s }') turns per second (output to /dev/null)"
echo "peak memory: $peak_kib KiB"
[ "$writes" -eq $((lines + prompts)) ]
