#!/bin/sh
# Runs bench_grid three times on its own Xvfb and prints each run and the medians.
#   bench/grid_bench.sh [BUILD_DIR] [SECONDS]
set -eu
build=${1:-build/default}
seconds=${2:-10}
bench="$build/bin/bench_grid"
[ -x "$bench" ] || { echo "grid_bench.sh: $bench is not built" >&2; exit 1; }

# Our own X server, large enough to show all 500 smiles at once; $display names it.
. "$(dirname "$0")/start_xvfb.sh"

out=$(mktemp)
for run in 1 2 3; do
    DISPLAY=":$display" "$bench" --seconds "$seconds" | tee -a "$out"
done

# Medians of the three runs, from the per-run lines.
median() { sort -g | sed -n 2p; }
grid_cpu=$(awk '/^grid:/ {print $3}' "$out" | median)
grid_rss=$(awk '/^grid:/ {print $7}' "$out" | median)
movie_cpu=$(awk '/^QMovie:/ {print $3}' "$out" | median)
movie_rss=$(awk '/^QMovie:/ {print $7}' "$out" | median)
cpu_ratio=$(awk '/^ratio grid/ {print $4}' "$out" | median)
rss_ratio=$(awk '/^ratio grid/ {print $6}' "$out" | median)
captions_cpu=$(awk '/^captions:/ {print $3}' "$out" | median)
captions_ratio=$(awk '/^ratio captions/ {print $4}' "$out" | median)
rm -f "$out"
echo "medians of 3 runs, $seconds s each:"
echo "  grid:   cpu $grid_cpu s, peak rss $grid_rss KiB"
echo "  QMovie: cpu $movie_cpu s, peak rss $movie_rss KiB"
echo "  ratio grid/QMovie: cpu $cpu_ratio, rss $rss_ratio"
echo "  grid with captions: cpu $captions_cpu s; ratio captions/grid: cpu $captions_ratio"
