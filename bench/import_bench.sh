#!/bin/sh
# Import and export as whole processes against a plain unzip of the same archive, in the same
# run, taking turns; medians of the wall times and their ratios are printed.
#   1. a zip of 500 static PNGs imported into a new animated pack (each converted to a GIF)
#      against `unzip` of that zip;
#   2. the 500-smile bench pack exported as a zip of ours and imported back into a new pack
#      against `unzip` of the exported zip.
#   bench/import_bench.sh [BUILD_DIR] [PICTURES] [RUNS] [DIR]
# DIR holds everything generated (default: the system temp folder; a tmpfs such as /dev/shm
# leaves the disk out).
set -eu
build=${1:-build/default}
pictures=${2:-500}
runs=${3:-5}
dir=$(mktemp -d "${4:-${TMPDIR:-/tmp}}/faceloom-import-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
"$build/bin/bench_png_zip_gen" "$dir/pngs.zip" "$pictures"
"$build/bin/bench_pack_gen" "$dir/pack" "$pictures"
export TMPDIR="$dir"
pack="$build/bin/faceloom-pack"

. "$(dirname "$0")/support/timing.sh"
roundtrip() {
    "$pack" export zip "$dir/pack" "$dir/out.zip" && "$pack" import zip "$dir/out.zip" "$dir/back"
}

"$pack" export zip "$dir/pack" "$dir/ref.zip" >/dev/null
for f in import unzip1 trip unzip2; do : >"$dir/$f"; done
for _ in $(seq "$runs"); do
    rm -rf "$dir/dest" "$dir/plain" "$dir/back" "$dir/out.zip"
    wall "$pack" import pictures "$dir/pngs.zip" "$dir/dest" >>"$dir/import"
    wall unzip -q "$dir/pngs.zip" -d "$dir/plain" >>"$dir/unzip1"
    rm -rf "$dir/plain"
    wall roundtrip >>"$dir/trip"
    wall unzip -q "$dir/ref.zip" -d "$dir/plain" >>"$dir/unzip2"
done
import=$(median <"$dir/import")
unzip1=$(median <"$dir/unzip1")
trip=$(median <"$dir/trip")
unzip2=$(median <"$dir/unzip2")
ratio() { awk "BEGIN { printf \"%.1f\", $1 / $2 }"; }
echo "$pictures pictures in $dir, medians of $runs runs:"
echo "  import of a zip of PNGs into a new animated pack: $import s"
echo "  unzip of the same zip:                            $unzip1 s   (import / unzip: $(ratio "$import" "$unzip1")x)"
echo "  export as zip + import back of the bench pack:    $trip s"
echo "  unzip of the exported zip:                        $unzip2 s   (round trip / unzip: $(ratio "$trip" "$unzip2")x)"
