#!/usr/bin/env bash
# Builds and tests a module project, written with scripts/new-module.sh outside the tree, against
# the SDK as a module author gets it: installed, as the guide's Start block says, from the native
# and the 32-bit Windows builds into temporary prefixes, and unpacked from each release archive
# into a fresh folder (the release is made first when build/release/dist holds none), where the
# project is written by the archive's own new-module.sh and both examples are built from the
# archive's sources. Natively, and with the SDK's mingw toolchain file under wine.
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

options=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)
# Configures and builds the project in $1 into $2 with the SDK's arguments that follow, and runs
# its tests when $3 is "test".
build_project() {
    local source=$1 build=$2 tests=$3
    shift 3
    echo "=== $(basename "$source"), ${build#"$work"/} ==="
    cmake -S "$source" -B "$build" "${options[@]}" "$@" >/dev/null
    cmake --build "$build"
    if [ "$tests" = test ]; then ctest --test-dir "$build" --output-on-failure; fi
}
native() { echo "-DCMAKE_PREFIX_PATH=$1"; }
win32() { echo "--toolchain=$1/share/QVSdk/i686-w64-mingw32.cmake -DQVSdk_DIR=$1/lib/cmake/QVSdk"; }

# The tree's template on the SDKs installed from the tree.
scripts/new-module.sh Sdk-Check "$work/module"
# shellcheck disable=SC2046 # each SDK's arguments are words without spaces
build_project "$work/module" "$work/module-installed-native" test $(native "$work/installed-native")
# shellcheck disable=SC2046
build_project "$work/module" "$work/module-installed-win32" test $(win32 "$work/installed-win32") \
    "-DNATIVE_BUILD=$work/module-installed-native"

# Everything an author needs from the archive alone: the guide, the template and the script that
# writes a project from it, and both examples, which build there (their tests run natively; the
# tree's own tests run them under wine).
for k in 0 1; do
    sdk=$work/${unpacked[$k]}
    platform=${unpacked[$k]%%/*}
    kind=$([ "$platform" = win32 ] && echo win32 || echo native)
    # The DLL must play the template's session as the native build on the other archive did.
    native_build=()
    [ "$kind" = win32 ] && native_build=("-DNATIVE_BUILD=$work/module-${unpacked[0]%%/*}/build")
    for file in writing-a-module.md writing-a-module.html; do
        [ -s "$sdk/share/doc/QVSdk/$file" ] || { echo "${unpacked[$k]} holds no $file" >&2; exit 1; }
    done
    "$sdk/share/QVSdk/new-module.sh" Sdk-Check "$work/module-$platform"
    # shellcheck disable=SC2046
    build_project "$work/module-$platform" "$work/module-$platform/build" test $($kind "$sdk") \
        "${native_build[@]}"
    for example in Marlglide Tallowhold; do
        # shellcheck disable=SC2046
        build_project "$sdk/share/QVSdk/examples/$example" "$work/$example-$platform" \
            "$([ "$kind" = native ] && echo test)" $($kind "$sdk")
    done
done
