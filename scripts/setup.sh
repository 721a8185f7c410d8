#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine is missing, then configures and builds into build/.
# VEXOLO_TARGETS names the targets to build (default: all); extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make ninja-build pkg-config qt6-base-dev qt6-multimedia-dev libtag1-dev libgl-dev libgit2-dev libblkid-dev libxxhash-dev
    fonts-liberation poppler-utils lame sox libsox-fmt-mp3 gstreamer1.0-plugins-good
    clang-format appstream desktop-file-utils dpkg-dev file e2fsprogs dosfstools git)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Ninja starts a library's files while the one before it is still compiling; a build folder made by another
# generator is made anew.
if [ -f build/CMakeCache.txt ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' build/CMakeCache.txt; then
    rm -rf build
fi
cmake -S . -B build -G Ninja "$@"
# shellcheck disable=SC2086 # a list of target names
cmake --build build --parallel "$(nproc)" --target ${VEXOLO_TARGETS:-all}
