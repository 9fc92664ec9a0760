#!/usr/bin/env bash
# Draws 100,000 triggers of Kestrel-Pavlen in each mode with the native reference host and plots
# how often each value came out, for the user's guide: Normal and Differ between 0 and 9, each
# beside how often Out2 - Out1 takes each value (Differ's one retry shows at 0); Sum between -4
# and 5, whose Out2 mirrors Out1; and Normal between -4 and 5, where 0 collects twice the share.
# The seed is fixed, so the pictures come out the same each time. Writes
# docs/distribution-{normal,differ,sum,negative}.png. Needs gnuplot (the build does not:
# apt-get install gnuplot-nox) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target qvhost Kestrel-Pavlen >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seed=2026

# Writes NAME.values (value, count of Out1, count of Out2) from one below Lolimit to two above
# Hilimit, and NAME.diffs (Out2 - Out1, count) for the differences between -9 and 9.
draw() {
    local name=$1 mode=$2 lo=$3 hi=$4
    build/native/host/qvhost run build/native/Kestrel-Pavlen.so --json --mode "$mode" \
        --lo "$lo" --hi "$hi" --triggers 100000 --seed $seed >"$work/$name.json"
    python3 - "$work/$name" "$lo" "$hi" <<'PY'
import collections, json, sys
base, lo, hi = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(base + ".json") as f:
    run = json.load(f)
counts = run["counts"]
values = sorted({int(v) for pin in counts.values() for v in pin} | set(range(lo - 1, hi + 3)))
with open(base + ".values", "w") as f:
    for v in values:
        f.write(f"{v} {counts['Out1'].get(str(v), 0)} {counts['Out2'].get(str(v), 0)}\n")
diffs = collections.Counter(b - a for a, b in run["pairs"])
with open(base + ".diffs", "w") as f:
    for d in range(-9, 10):
        f.write(f"{d} {diffs[d]}\n")
PY
}

draw normal normal 0 9
draw differ differ 0 9
draw sum sum -4 5
draw negative normal -4 5

# Out1 and Out2 side by side for each value, in per cent of the triggers; a count too small to see
# (Hilimit + 1, one draw in 32768) is written above its bar. Normal and Differ have a second panel:
# how often Out2 - Out1 took each value, with the share of Out1 = Out2 written above 0.
gnuplot <<PLOT
set terminal pngcairo size 900,340 font ",9"
set style fill solid 0.85 border -1
set grid ytics
set ylabel "% of triggers"
set key top center horizontal
set xtics 1
rare(n) = (n > 0 && n < 1000) ? sprintf("%d", n) : ""
do for [i=1:4] {
    name = word("normal differ sum negative", i)
    mode = word("Normal Differ Sum Normal", i)
    lo = i <= 2 ? 0 : -4
    hi = i <= 2 ? 9 : 5
    values = "$work/".name.".values"
    set output "docs/distribution-".name.".png"
    heading = sprintf("%s, Lolimit %d, Hilimit %d: 100,000 triggers (small numbers: counts too few for a bar)", mode, lo, hi)
    if (i <= 2) { set multiplot layout 1,2 title heading } else { set title heading }
    if (i == 3) { set xrange [lo - 1.5 : hi - lo + 1.5] } else { set xrange [lo - 1.5 : hi + 2.5] }
    set yrange [0:i <= 2 ? 13 : 24]
    set xlabel (i == 3 ? "value (Out2 = 5 - Out1)" : "value")
    set boxwidth 0.4
    plot values using (\$1 - 0.2):(\$2 / 1000.0) with boxes lc rgb "#3a6ea5" title "Out1", \
         values using (\$1 + 0.2):(\$3 / 1000.0) with boxes lc rgb "#e08a2c" title "Out2", \
         values using (\$1 - 0.2):(\$2 / 1000.0):(rare(\$2)) with labels offset 0,0.8 tc rgb "#3a6ea5" notitle, \
         values using (\$1 + 0.2):(\$3 / 1000.0):(rare(\$3)) with labels offset 0,1.8 tc rgb "#c06a0c" notitle
    if (i <= 2) {
        unset title
        diffs = "$work/".name.".diffs"
        set xrange [-9.7:9.7]
        set yrange [0:13]
        set xlabel "Out2 - Out1"
        set boxwidth 0.8
        stats diffs using (\$1 == 0 ? \$2 / 1000.0 : 0) nooutput
        set label 1 sprintf("Out1 = Out2: %.1f%%", STATS_max) at 0, 12.2 center
        set arrow 1 from 0, 11.7 to 0, STATS_max + 0.2 lw 1
        plot diffs using 1:(\$2 / 1000.0) with boxes lc rgb "#6a9a3a" notitle
        unset label 1
        unset arrow 1
        unset multiplot
    }
}
PLOT
echo "wrote docs/distribution-{normal,differ,sum,negative}.png"
