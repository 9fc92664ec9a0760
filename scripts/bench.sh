#!/usr/bin/env bash
# Builds and runs the benchmarks (native preset) and prints one table: each figure (the median CPU
# time of nine runs; the machine may be shared) beside its floor and the ratio, with allocations
# per call. The runs of all benchmarks are shuffled together, so that a figure and its floor meet
# the same load. Then the peak memory of a short and a long play beside that of a load alone, and
# builds the 32-bit Windows library and reports its stripped size, its imports and what takes the
# space.
# Arguments go to qv_bench, e.g. scripts/bench.sh --benchmark_filter=Trigger
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --preset native >/dev/null
cmake --build --preset native --target qv_bench >/dev/null
build/native/bench/qv_bench --benchmark_repetitions=9 --benchmark_min_time=0.1 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_format=json "$@" >"$work/bench.json"
echo "== Per call, beside the floor (CPU time, median of 9 shuffled runs) =="
scripts/bench_report.py ratios "$work/bench.json"

# A play streams its rows: its peak memory stays where a short one's is, beside its floor, the
# peak of loading the module alone (qvhost info).
cmake --build --preset native --target qvhost Kestrel-Pavlen >/dev/null
peak() {
    python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$@"
}
echo
echo "== Peak memory of qvhost play --csv on Kestrel-Pavlen (KiB) =="
echo "floor (qvhost info): $(peak build/native/host/qvhost info build/native/Kestrel-Pavlen.so)"
for samples in 100000 10000000; do
    echo "$samples samples: $(peak build/native/host/qvhost play build/native/Kestrel-Pavlen.so \
        --samples "$samples" --csv "$work/play.csv")"
done

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Kestrel-Pavlen >/dev/null
library=build/win32/Kestrel-Pavlen.qvm
echo
echo "== $library =="
size=$(stat -c %s "$library")
echo "stripped size: $size bytes ($((size / 1024)) KiB)"
echo "imports: $(i686-w64-mingw32-objdump -p "$library" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')"

# The same link again, unstripped and with a map, beside the real one: the link alone, without
# the interface check that follows it.
link=$(ninja -C build/win32 -t commands Kestrel-Pavlen.qvm | tail -n 1)
link=${link#": && "}
link=${link%% && *}
link=${link// -s / }
link=${link//-o Kestrel-Pavlen.qvm/-o $work/unstripped.qvm -Wl,-Map,$work/link.map}
if [[ $link != *"-o $work/unstripped.qvm"* ]]; then
    echo "(the library's link command has changed shape: no breakdown of the space)"
    exit 0
fi
(cd build/win32 && eval "$link")
echo
echo "-- what takes the space, by input of the link --"
scripts/bench_report.py space "$work/link.map"
echo
echo "-- largest symbols --"
i686-w64-mingw32-nm --size-sort -r -S -C "$work/unstripped.qvm" |
    awk '$3 ~ /^[TtDdRrBb]$/ && $4 !~ /^\./' | head -n 12
