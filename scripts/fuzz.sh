#!/usr/bin/env bash
# Builds the fuzzers (clang, libFuzzer + ASan + UBSan) and runs each for N minutes (default 10),
# one after the other, from its seed corpus fuzz/corpus/<name>. Inputs found on the way are kept
# in build/fuzz/fuzz/corpus/<name>, a crashing input in build/fuzz/fuzz/<name>-crash-*; the run
# stops at the first finding. Ends with each fuzzer's execution count.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=10
while [ $# -gt 0 ]; do
    case "$1" in
    --minutes) minutes="${2:-}"; shift $(($# > 1 ? 2 : 1)) ;;
    *) echo "usage: scripts/fuzz.sh [--minutes N]" >&2; exit 2 ;;
    esac
done
[[ "$minutes" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: --minutes takes a positive whole number" >&2; exit 2; }

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/fuzz
summary=()
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    log="$bin/$name.log"
    echo "=== $name: $minutes min (log: $log) ==="
    mkdir -p "$bin/corpus/$name"
    if ! "$bin/$name" -max_total_time=$((minutes * 60)) -print_final_stats=1 \
        -artifact_prefix="$bin/$name-" "$bin/corpus/$name" "$seeds" >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz.sh: $name found a fault, see $log" >&2
        exit 1
    fi
    summary+=("$name: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions")
done
printf '%s\n' "${summary[@]}"
