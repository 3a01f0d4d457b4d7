#!/bin/sh
# Runs bench_startup three times on its own Xvfb and prints each run and the medians.
#   bench/startup_bench.sh [BUILD_DIR] [REPS] [GRID_SECONDS]
# GRID_SECONDS 0 leaves out the grid's animation in the main window.
set -eu
build=${1:-build/default}
reps=${2:-5}
grid_seconds=${3:-10}
bench="$build/bin/bench_startup"
[ -x "$bench" ] || { echo "startup_bench.sh: $bench is not built" >&2; exit 1; }

# Our own X server, large enough to show all 500 smiles at once; $display names it.
. "$(dirname "$0")/start_xvfb.sh"

out=$(mktemp)
for run in 1 2 3; do
    echo "run $run:"
    DISPLAY=":$display" "$bench" --reps "$reps" --grid-seconds "$grid_seconds" | tee -a "$out"
done

# Medians of the three runs' medians.
median() { sort -g | sed -n 2p; }
start=$(awk '/^start-up: median/ {print $3}' "$out" | median)
open=$(awk '/^OpenPack: median/ {print $3}' "$out" | median)
ratio=$(awk '/^ratio/ {print $3}' "$out" | median)
echo "medians of 3 runs ($reps repetitions each):"
echo "  start-up to painted grid: $start s"
echo "  OpenPack alone:           $open s"
echo "  ratio start-up/OpenPack:  $ratio (target <= 1.5)"
if [ "$grid_seconds" -gt 0 ]; then
    cpu=$(awk '/^main window grid:/ {print $5}' "$out" | median)
    rss=$(awk '/^main window grid:/ {print $9}' "$out" | median)
    echo "  grid in the main window, $grid_seconds s: cpu $cpu s, peak rss $rss KiB"
fi
rm -f "$out"
