# Shared by the whole-process benchmark scripts (sourced): wall time of one run and medians.

wall() {  # seconds of one run of the command, its output dropped
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    awk "BEGIN { print $end - $start }"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
