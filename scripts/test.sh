#!/usr/bin/env bash
# Builds and runs every test: natively, under AddressSanitizer + UndefinedBehaviorSanitizer, and
# on the real target (32-bit Windows) under wine, then short fuzzing runs. Stops at the first
# failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in native asan win32 fuzz; do
    echo "=== $preset ==="
    cmake --workflow --preset "$preset"
done
