#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# Options: --tsan or --asan build and test with that sanitizer (own build folder).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build="$VARN_ROOT/build"
opts=()
case "${1:-}" in
    --tsan) build="$VARN_ROOT/build-tsan"; opts=(-DVARN_TSAN=ON -DVARN_BENCH=OFF) ;;
    --asan) build="$VARN_ROOT/build-asan"; opts=(-DVARN_ASAN=ON -DVARN_BENCH=OFF) ;;
    "") ;;
    *) echo "usage: scripts/test.sh [--tsan|--asan]" >&2; exit 2 ;;
esac

varn_install_packages
# Qt and its font libraries keep some memory until exit on purpose.
export LSAN_OPTIONS="suppressions=$VARN_ROOT/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
varn_build "$build" "${opts[@]}"
cd "$build"
ctest --output-on-failure -j2 --timeout 300
