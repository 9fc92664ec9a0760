#!/usr/bin/env bash
# Writes a new module project, built on the installed SDK, from scripts/module-template: its
# CMakeLists.txt, audio and GUI sides, exports, a unit test and a README with the build commands.
# Usage: scripts/new-module.sh NAME DIR
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 NAME DIR" >&2
    exit 2
fi
name=$1
dir=$2
if ! [[ $name =~ ^[A-Za-z][A-Za-z0-9-]*$ ]]; then
    echo "new-module.sh: NAME \"$name\" must start with a letter and hold only letters, digits" \
         "and hyphens: it names the library ($name.qvm), its CMake target and the module" >&2
    exit 2
fi
case "$name" in
    all | clean | help | install | test | package)
        echo "new-module.sh: NAME \"$name\" is a target name CMake keeps for itself" >&2
        exit 2
        ;;
esac
if [ -e "$dir" ] && { [ ! -d "$dir" ] || [ -n "$(ls -A "$dir")" ]; }; then
    echo "new-module.sh: DIR \"$dir\" exists and is not an empty folder" >&2
    exit 2
fi

mkdir -p "$dir"
cp -R "$(dirname "$0")/module-template/." "$dir"
grep -rlZ ModuleTemplate "$dir" | xargs -0 sed -i "s/ModuleTemplate/$name/g"
echo "new-module.sh: wrote the module project $name in $dir; $dir/README.md says how to build it"
