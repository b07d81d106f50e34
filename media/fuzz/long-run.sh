#!/bin/bash
# Longer fuzzing of every media target, one after the other, from the seeds
# the test command makes (run the native tests once first):
#   media/fuzz/long-run.sh [RUNS [SECONDS]]   defaults: 1,000,000 runs, 900 s cap
# A target stops at whichever limit comes first. Logs and any crash go to
# build/native/media/fuzz/long/.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-1000000} seconds=${2:-900}
fuzz=$top/build/native/media/fuzz
mkdir -p "$fuzz/long"
for target in archive masked chunks uninst cda; do
    corpus=$fuzz/long/corpus-$target
    mkdir -p "$corpus"
    "$top/build/native/bin/fuzz_$target" -runs="$runs" -max_total_time="$seconds" -max_len=200000 \
        -artifact_prefix="$fuzz/long/$target-" -print_final_stats=1 "$corpus" "$fuzz/seeds/$target" \
        >"$fuzz/long/$target.log" 2>&1
    echo "fuzz_$target: exit $? $(grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$fuzz/long/$target.log" | tr '\n' ' ')"
done
