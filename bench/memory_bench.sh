#!/bin/sh
# The memory a pack adds to the editor against its frames' size under the editor rule, and a
# pack switch against the open alone, with bench_pack_memory (one fresh process per
# measurement); medians of RUNS runs.
#   bench/memory_bench.sh [BUILD_DIR] [RUNS] [SWITCH_SMILES] [DIR]
# Packs: 500 bench smiles (pack500), 500 smiles of the decoder's varied corpus, and two packs
# of SWITCH_SMILES (default 2,000) bench smiles with different seeds for the switch. DIR holds
# them and the storages (default: the system temp folder; /dev/shm leaves the disk out). The
# switch and the open alone alternate which comes first in a process, so neither always runs
# on a warmer cache.
set -eu
build=${1:-build/default}
runs=${2:-5}
switch_smiles=${3:-2000}
dir=$(mktemp -d "${4:-${TMPDIR:-/tmp}}/faceloom-memory-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
gen="$build/bin/bench_pack_gen"
bench="$build/bin/bench_pack_memory"
"$gen" "$dir/pack500" 500
"$gen" "$dir/varied500" 500 0 --variety
"$gen" "$dir/a" "$switch_smiles" 2005
"$gen" "$dir/b" "$switch_smiles" 77
export FACELOOM_BENCH_DIR="$dir"

. "$(dirname "$0")/support/timing.sh"
field() { awk -v key="$1" '{ for (i = 1; i < NF; i += 2) if ($i == key) print $(i + 1) }'; }

memory() {  # label, arguments of "bench_pack_memory memory"
    label=$1
    shift
    : >"$dir/out"
    for _ in $(seq "$runs"); do "$bench" memory "$@" >>"$dir/out"; done
    frames=$(field frames <"$dir/out" | median)
    anon=$(field anon <"$dir/out" | median)
    heap=$(field heap <"$dir/out" | median)
    held=$(field held <"$dir/out" | median)
    printf '%-20s frames %6.2f MB (buffers held %6.2f MB)  added %6.2f MB (heap %6.2f MB)  ratio %s (spread %s..%s)\n' \
        "$label" "$(awk "BEGIN { print $frames / 1e6 }")" "$(awk "BEGIN { print $held / 1e6 }")" \
        "$(awk "BEGIN { print $anon / 1e6 }")" "$(awk "BEGIN { print $heap / 1e6 }")" "$(field ratio <"$dir/out" | median)" \
        "$(field ratio <"$dir/out" | sort -g | head -1)" "$(field ratio <"$dir/out" | sort -g | tail -1)"
}

echo "memory added by an open pack against its frames' size under the editor rule (medians of $runs processes):"
memory "pack500, opened" "$dir/pack500"
memory "pack500, start-up" "$dir/pack500" --deferred
memory "varied 500, opened" "$dir/varied500"

: >"$dir/out"
for run in $(seq "$runs"); do
    first=switch
    [ $((run % 2)) -eq 0 ] || first=open
    "$bench" switch "$dir/a" "$dir/b" --first "$first" >>"$dir/out"
done
echo "switch at $switch_smiles smiles (medians of $runs processes):"
echo "  open alone:  $(field open <"$dir/out" | median) s"
echo "  switch:      $(field switch <"$dir/out" | median) s"
echo "  ratio:       $(field ratio <"$dir/out" | median) (each run: $(field ratio <"$dir/out" | tr '\n' ' '))"
echo "  peak of the switch over the larger pack held: $(field peak_ratio <"$dir/out" | median)" \
    "(held $(field held <"$dir/out" | median) B, peak $(field switch_peak <"$dir/out" | median) B)"
