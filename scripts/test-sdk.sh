#!/usr/bin/env bash
# Installs the SDK from the native and the 32-bit Windows builds into temporary prefixes, writes a
# module project with scripts/new-module.sh outside the tree, and builds and tests it against
# each: natively, and with the installed mingw toolchain file under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for preset in native win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target qv_sdk2 qvhost
    cmake --install "build/$preset" --prefix "$work/sdk-$preset" >/dev/null
done
echo "installed:"
(cd "$work" && find sdk-native sdk-win32 -type f | sort | sed 's/^/  /')

scripts/new-module.sh Sdk-Check "$work/module"
cd "$work/module"
options=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)

echo "=== module project, native ==="
cmake -B build "${options[@]}" -DCMAKE_PREFIX_PATH="$work/sdk-native" >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure

echo "=== module project, win32 ==="
cmake -B build-win32 "${options[@]}" \
      --toolchain "$work/sdk-win32/share/QVSdk/i686-w64-mingw32.cmake" \
      -DQVSdk_DIR="$work/sdk-win32/lib/cmake/QVSdk" >/dev/null
cmake --build build-win32
ctest --test-dir build-win32 --output-on-failure
