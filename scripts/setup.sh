#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks, the fuzzers and the
# release need.
# Safe to run again: when everything is present it only checks and returns. The package manager's
# output goes to build/setup.log, and is shown only when something fails.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake
    ninja-build
    g++
    clang
    libclang-rt-14-dev
    googletest
    libgtest-dev
    libgmock-dev
    libbenchmark-dev
    libcli11-dev
    nlohmann-json3-dev
    g++-mingw-w64-i686-posix
    wine
    wine32:i386
    libsndfile1-dev
    pkg-config
    linux-perf
    valgrind
    libtsan2
    pandoc
    zip
    git
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

log=build/setup.log
mkdir -p build
: >"$log"
echo "setup: installing ${missing[*]}"
echo "setup: the package manager's output goes to $log"

run() {
    if ! "$@" >>"$log" 2>&1; then
        echo "setup: failed: $*" >&2
        echo "setup: the end of $log:" >&2
        tail -n 40 "$log" >&2
        exit 1
    fi
}

# A mirror in the middle of a sync serves index files that do not match their release file for a
# while. The update is tried again; when an index still fails, apt keeps the lists it could read,
# and the packages come from the release itself, whose lists match for every architecture (a
# 32-bit package must have the version of its 64-bit twin, which a missing update index breaks).
release=()
update() {
    for attempt in 1 2 3; do
        $sudo apt-get update >>"$log" 2>&1 && return 0
        echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
        [ "$attempt" -lt 3 ] && sleep 20
    done
    grep '^E:' "$log" | tail -n 2 >&2 || true
    release=(-t "$(. /etc/os-release && echo "$VERSION_CODENAME")")
    echo "setup: going on with the package lists apt could read, from ${release[1]} itself" >&2
}

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    run $sudo dpkg --add-architecture i386
fi
update
run $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${release[@]}" "${missing[@]}"
echo "setup: done"
