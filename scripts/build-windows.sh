#!/usr/bin/env bash
# Cross-builds the suite's Qt-free part for 64-bit Windows with the
# distribution's mingw-w64: the core and program libraries, varn.exe and the
# Windows test program (GoogleTest built from the distribution's sources
# with the same compiler). Installs what is missing first (Debian 12).
# Usage: scripts/build-windows.sh [BUILD_DIR]   (default build-win)
# Output: BUILD_DIR/varn/app/varn.exe, BUILD_DIR/varn/tests/windows_test.exe
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

dir=${1:-$VARN_ROOT/build-win}
toolchain="$VARN_ROOT/cmake/mingw-w64-x86_64.cmake"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

varn_install_packages cmake ninja-build mingw-w64 wine wine64 googletest

# GoogleTest for Windows, once per build folder.
gtest="$dir/googletest-install"
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$dir/googletest" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$gtest" "${launcher[@]}" >/dev/null
    nice cmake --build "$dir/googletest" -j2
    cmake --install "$dir/googletest" >/dev/null
fi

cmake -S "$VARN_ROOT" -B "$dir/varn" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${launcher[@]}" \
    -DVARN_GUI=OFF -DVARN_BENCH=OFF -DVARN_TESTS=ON -DVARN_TSAN=OFF -DVARN_ASAN=OFF \
    -DGTest_DIR="$gtest/lib/cmake/GTest" >/dev/null
nice cmake --build "$dir/varn" -j2
