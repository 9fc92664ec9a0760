#!/usr/bin/env bash
# Builds the module for its real target (a 32-bit Windows DLL) and the reference host, then runs the
# module's job under wine: ten triggers in Normal mode between 0 and 10, with a histogram.
# Extra arguments go to `qvhost run` (for example: --mode sum --lo 0 --hi 100 --triggers 1000).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target qvhost Kestrel-Pavlen
cd build/win32
exec env WINEDEBUG=-all wine host/qvhost.exe run Kestrel-Pavlen.qvm --histogram "$@"
