#!/usr/bin/env bash
# Renders the example module Marlglide with the native reference host and plots its output:
# a 40 Hz square wave (Time 6 ms) through the Linear and the Smooth shape, 50 ms at 48 kHz.
# Writes docs/marlglide-render.png. Needs gnuplot (not part of the build: apt-get install gnuplot-nox).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target qvhost Marlglide >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for shape in Linear Smooth; do
    build/native/host/qvhost render build/native/Marlglide.so --samples 2400 \
        --input In=square:40 --set Shape=$shape --set Time=6 --csv "$work/$shape.csv" >/dev/null
done
gnuplot <<PLOT
set terminal pngcairo size 900,420 font ",10"
set output "docs/marlglide-render.png"
set datafile separator ","
set key top right
set xlabel "sample (48 kHz)"
set ylabel "Out"
set yrange [-1.2:1.2]
set grid
set title "Marlglide: 40 Hz square, Time 6 ms"
plot "$work/Linear.csv" using 1:2 skip 1 with lines lw 2 title "Shape=Linear", \
     "$work/Smooth.csv" using 1:2 skip 1 with lines lw 2 title "Shape=Smooth"
PLOT
echo "wrote docs/marlglide-render.png"
