#!/usr/bin/env bash
# Installs what the build needs (Debian 12), configures and builds.
# Sourced by demo.sh and test.sh; usable alone: scripts/setup.sh [BUILD_DIR] [cmake options...]
set -euo pipefail

VARN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# varn_install_packages [PACKAGE...]: the given packages, or those of the
# Linux build.
varn_install_packages() {
    local packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                    qt6-base-dev libgl-dev fonts-dejavu-core desktop-file-utils poppler-utils python3 ccache
                    dpkg-dev file)
    if [ $# -gt 0 ]; then
        packages=("$@")
    fi
    local missing=()
    for p in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# varn_build BUILD_DIR [cmake options...]
# Builds everything, or only the targets named in VARN_BUILD_TARGETS.
varn_build() {
    local dir=$1
    shift
    # A compiler cache keyed on paths relative to the checkout's parent lets a
    # second checkout or build folder reuse what an earlier build compiled.
    local launcher=()
    if command -v ccache >/dev/null 2>&1; then
        export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$VARN_ROOT")}
        export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$VARN_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
    # shellcheck disable=SC2086
    cmake --build "$dir" -j2 ${VARN_BUILD_TARGETS:+--target $VARN_BUILD_TARGETS}
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    varn_install_packages
    dir=${1:-$VARN_ROOT/build}
    shift || true
    varn_build "$dir" "$@"
fi
