#!/bin/sh
# Opening a pack as a whole process against the plain tools' cost of the same work, in the
# same run: `faceloom-pack check PACK` (copies the pack into a throwaway storage and decodes it)
# against bench_open_baseline (copies the folder and decodes every GIF with giflib). The two
# take turns; medians of the wall times and their ratio are printed.
#   bench/open_bench.sh [BUILD_DIR] [SMILES] [RUNS] [DIR]
# DIR holds the generated pack and both copies (default: the system temp folder; a tmpfs such
# as /dev/shm leaves the disk out).
set -eu
build=${1:-build/default}
smiles=${2:-500}
runs=${3:-9}
dir=$(mktemp -d "${4:-${TMPDIR:-/tmp}}/faceloom-open-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
"$build/bin/bench_pack_gen" "$dir/pack" "$smiles"
export TMPDIR="$dir"

. "$(dirname "$0")/support/timing.sh"

: >"$dir/open"
: >"$dir/base"
wall "$build/bin/faceloom-pack" check "$dir/pack" >/dev/null  # warm-up
for _ in $(seq "$runs"); do
    wall "$build/bin/faceloom-pack" check "$dir/pack" >>"$dir/open"
    wall "$build/bin/bench_open_baseline" "$dir/pack" >>"$dir/base"
done
open=$(median <"$dir/open")
base=$(median <"$dir/base")
echo "pack of $smiles smiles in $dir, medians of $runs runs:"
echo "  faceloom-pack check:       $open s"
echo "  copy + giflib decode:      $base s"
echo "  ratio:                     $(awk "BEGIN { printf \"%.3f\", $open / $base }")"
