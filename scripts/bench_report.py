#!/usr/bin/env python3
"""Turns what scripts/bench.sh gathers into tables.

ratios BENCH_JSON  each benchmark's median beside its floor's (the benchmark named after it with
                   "Floor" appended to the function name, same arguments) and the ratio.
space LINKER_MAP   the bytes each input of the library's link contributes, largest first.
"""
import collections
import json
import os
import re
import sys


def floor_name(name):
    function, _, arguments = name.partition("/")
    return function + "Floor" + ("/" + arguments if arguments else "")


def ratios(path):
    with open(path) as f:
        report = json.load(f)
    medians = {}
    for b in report["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        medians[b["run_name"]] = (b["cpu_time"] * scale, b.get("allocs/iter"))
    floors = {floor_name(name) for name in medians}
    # By name: the runs come in shuffled.
    rows = [(name, medians[name], medians.get(floor_name(name))) for name in sorted(medians)
            if name not in floors]
    width = max(len(name) for name, _, _ in rows)
    print(f"{'benchmark':<{width}}  {'time ns':>12}  {'floor ns':>12}  {'ratio':>6}  {'allocs':>6}")
    for name, (time, allocs), floor in rows:
        floor_text, ratio_text = "-", "-"
        if floor is not None:
            floor_text, ratio_text = f"{floor[0]:.2f}", f"{time / floor[0]:.2f}"
        allocs_text = "-" if allocs is None else f"{allocs:.2f}"
        print(f"{name:<{width}}  {time:>12.2f}  {floor_text:>12}  {ratio_text:>6}  {allocs_text:>6}")


# An output section of a GNU ld map starts in the first column; an input section within it reads
# " .text  0xADDRESS  0xSIZE  input", its name possibly on the line before.
OUTPUT_SECTION = re.compile(r"^(\.\S+)")
INPUT_SECTION = re.compile(r"^ (\.\S+)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")


def input_name(text):
    if text == "dll stuff":
        return "(linker: export table, relocations)"
    archive, _, member = text.partition("(")
    if member:
        return os.path.basename(archive)
    return os.path.basename(text)


def space(path):
    sizes = collections.Counter()
    in_map = False
    loaded = False  # debugging sections are not loaded, and the stripped library lacks them
    with open(path) as f:
        for line in f:
            if line.startswith("Linker script and memory map"):
                in_map = True
            output = OUTPUT_SECTION.match(line)
            if output:
                loaded = not output.group(1).startswith((".debug", ".stab", ".comment"))
            match = INPUT_SECTION.match(line) if in_map and loaded else None
            if match and not match.group(3).startswith("load address"):
                sizes[input_name(match.group(3))] += int(match.group(2), 16)
    total = sum(sizes.values())
    print(f"{'input':<40}  {'bytes':>8}  {'share':>6}")
    for name, size in sizes.most_common(12):
        print(f"{name:<40}  {size:>8}  {100.0 * size / total:>5.1f}%")
    print(f"{'(all inputs)':<40}  {total:>8}")


if __name__ == "__main__":
    {"ratios": ratios, "space": space}[sys.argv[1]](sys.argv[2])
