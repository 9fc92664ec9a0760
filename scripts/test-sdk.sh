#!/usr/bin/env bash
# Builds and tests a module project, written with scripts/new-module.sh outside the tree, against
# the SDK as a module author gets it: installed, as the guide's Start block says, from the native
# and the 32-bit Windows builds into
# temporary prefixes, and unpacked from each release archive into a fresh folder (the release is
# made first when build/release/dist holds none). Natively, and with the SDK's mingw toolchain
# file under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# As the guide's Start block does: the two targets, then the install. What only a full build makes
# (the third-party notices) is removed first, so that the targets must bring what the install
# takes.
for preset in native win32; do
    cmake --preset "$preset" >/dev/null
    rm -f "build/$preset/THIRD-PARTY-NOTICES.txt"
    cmake --build --preset "$preset" --target qv_sdk2 qvhost
    cmake --install "build/$preset" --prefix "$work/installed-$preset" >/dev/null
done
echo "installed:"
(cd "$work" && find installed-native installed-win32 -type f | sort | sed 's/^/  /')

dist=build/release/dist
[ -f "$dist/SHA256SUMS" ] || cmake --workflow --preset release
echo "=== release archives ==="
(cd "$dist" && sha256sum -c SHA256SUMS)
unpacked=()
for platform in linux-x86_64 win32; do
    archive=$(echo "$dist"/QVSdk-*-"$platform".tar.gz)
    mkdir "$work/$platform"
    tar -xzf "$archive" -C "$work/$platform"
    unpacked+=("$platform/$(basename "$archive" .tar.gz)")
    if grep -rlF "$root" "$work/$platform"; then
        echo "$archive names the build machine's $root" >&2
        exit 1
    fi
done

scripts/new-module.sh Sdk-Check "$work/module"
cd "$work/module"
options=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)

for sdk in installed-native "${unpacked[0]}"; do
    echo "=== module project, native, on $sdk ==="
    cmake -B "build-${sdk%%/*}" "${options[@]}" -DCMAKE_PREFIX_PATH="$work/$sdk" >/dev/null
    cmake --build "build-${sdk%%/*}"
    ctest --test-dir "build-${sdk%%/*}" --output-on-failure
done

for sdk in installed-win32 "${unpacked[1]}"; do
    echo "=== module project, win32, on $sdk ==="
    cmake -B "build-${sdk%%/*}" "${options[@]}" \
          --toolchain "$work/$sdk/share/QVSdk/i686-w64-mingw32.cmake" \
          -DQVSdk_DIR="$work/$sdk/lib/cmake/QVSdk" >/dev/null
    cmake --build "build-${sdk%%/*}"
    ctest --test-dir "build-${sdk%%/*}" --output-on-failure
done
