#!/bin/sh
# Start-up to the first painted grid at several pack sizes, compared in the same run: one
# storage per size, and per repetition one start-up of each in rotating order (bench_startup
# --sizes), on its own Xvfb. With CPUS the benchmark and its children run pinned to those
# processors (taskset -c CPUS), which keeps the scheduler from moving them about.
#   bench/startup_sizes.sh [BUILD_DIR] [REPS] [SIZES] [CPUS]
set -eu
build=${1:-build/default}
reps=${2:-15}
sizes=${3:-500,5000}
cpus=${4:-}
bench="$build/bin/bench_startup"
[ -x "$bench" ] || { echo "startup_sizes.sh: $bench is not built" >&2; exit 1; }
. "$(dirname "$0")/start_xvfb.sh"
if [ -n "$cpus" ]; then
    DISPLAY=":$display" taskset -c "$cpus" "$bench" --sizes "$sizes" --reps "$reps"
else
    DISPLAY=":$display" "$bench" --sizes "$sizes" --reps "$reps"
fi
