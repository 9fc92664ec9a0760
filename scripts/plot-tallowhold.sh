#!/usr/bin/env bash
# Renders the example module Tallowhold with the native reference host and plots it: a 100 Hz sine
# sampled at each rising edge of a 1 kHz clock, held (Release 0) and let go after 0.25 ms, 10 ms at
# 48 kHz. Writes docs/tallowhold-render.png. Needs gnuplot (not part of the build: apt-get install
# gnuplot-nox).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target qvhost Tallowhold >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for release in 0 0.25; do
    build/native/host/qvhost render build/native/Tallowhold.so --samples 480 --block 64 \
        --input Clock=square:1000 --input In=sine:100 --set Release=$release \
        --csv "$work/release-$release.csv" >/dev/null
done
gnuplot <<PLOT
set terminal pngcairo size 900,420 font ",10"
set output "docs/tallowhold-render.png"
set datafile separator ","
set key bottom left
set xlabel "sample (48 kHz)"
set ylabel "Out"
set yrange [-1.2:1.2]
set grid
set title "Tallowhold: 100 Hz sine held at each rising edge of a 1 kHz clock"
plot sin(2*pi*100*x/48000) with lines lc rgb "#bbbbbb" title "In", \
     "$work/release-0.csv" using 1:2 skip 1 with steps lw 2 title "Release 0 (held)", \
     "$work/release-0.25.csv" using 1:2 skip 1 with steps lw 2 title "Release 0.25 ms"
PLOT
echo "wrote docs/tallowhold-render.png"
