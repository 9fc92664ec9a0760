#!/usr/bin/env bash
# Builds and runs every test: natively, under AddressSanitizer + UndefinedBehaviorSanitizer, on
# the real target (32-bit Windows) under wine, the validator's threaded play of our modules under
# ThreadSanitizer, a minute of fuzzing per fuzzer, the release (its tests, then its archives in
# build/release/dist), then a module project built on the installed and on the unpacked SDK
# (scripts/test-sdk.sh). Stops at the first failure and ends with one line that adds up the CTest
# tests of them all.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
passed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for preset in native asan win32 tsan fuzz release; do
    echo "=== $preset ==="
    cmake --workflow --preset "$preset" | tee "$log"
    total=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    passed=$((passed + ${total:-0}))
done
echo "=== sdk ==="
scripts/test-sdk.sh | tee "$log"
# Four CTest runs: the project natively and for win32, on the installed and on the unpacked SDK.
total=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" |
        awk '{n += $1} END {print n + 0}')
passed=$((passed + total))
echo "total: $passed passed, 0 failed"
