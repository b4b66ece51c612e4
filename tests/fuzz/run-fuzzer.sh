#!/usr/bin/env bash
# run-fuzzer.sh SECONDS [SEED]: runs the record fuzzer of the linux-x64-fuzz build for SECONDS,
# starting from the committed seed corpus. New inputs it finds stay in build/linux-x64-fuzz/corpus
# for the next run; an input that makes it fail is saved in build/linux-x64-fuzz/artifacts.
# Prints the closing statistics; the whole log is build/linux-x64-fuzz/fuzz.log.
set -euo pipefail
seconds=${1:-60}
seed=${2:-0}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/linux-x64-fuzz
mkdir -p "$build/corpus" "$build/artifacts"
log=$build/fuzz.log

status=0
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/bin/tovrel_record_fuzzer" -max_total_time="$seconds" -seed="$seed" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/" "$build/corpus" "$root/tests/fuzz/corpus" \
    >"$log" 2>&1 || status=$?

if [ $status -ne 0 ]; then
    tail -n 60 "$log"
    echo "record fuzzer: FAILED (exit $status); the failing input is in $build/artifacts"
    exit 1
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
echo "record fuzzer: $(grep -cE '^#[0-9]+.*NEW' "$log") new inputs, corpus $(ls "$build/corpus" | wc -l) files, no failure in ${seconds}s"
