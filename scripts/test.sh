#!/usr/bin/env bash
# Installs what is missing, builds, runs every test and checks the Debian
# package of the build (scripts/check_package.sh).
# Options: --tsan or --asan build and test with that sanitizer (own build folder);
# --windows cross-builds for Windows and tests that build under wine
# (scripts/test-windows.sh).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build="$VARN_ROOT/build"
# Options are given in full, so a build folder configured otherwise before
# cannot leave parts out.
opts=(-DVARN_GUI=ON -DVARN_BENCH=ON -DVARN_TSAN=OFF -DVARN_ASAN=OFF)
case "${1:-}" in
    --tsan) build="$VARN_ROOT/build-tsan"; opts=(-DVARN_GUI=ON -DVARN_BENCH=OFF -DVARN_TSAN=ON -DVARN_ASAN=OFF) ;;
    --asan) build="$VARN_ROOT/build-asan"; opts=(-DVARN_GUI=ON -DVARN_BENCH=OFF -DVARN_TSAN=OFF -DVARN_ASAN=ON) ;;
    --windows) exec "$VARN_ROOT/scripts/test-windows.sh" ;;
    "") ;;
    *) echo "usage: scripts/test.sh [--tsan|--asan|--windows]" >&2; exit 2 ;;
esac

varn_install_packages
# Qt and its font libraries keep some memory until exit on purpose.
export LSAN_OPTIONS="suppressions=$VARN_ROOT/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
varn_build "$build" "${opts[@]}"
(cd "$build" && ctest --output-on-failure -j2 --timeout 300)
# The Debian package of the same build (the plain build only).
if [ -z "${1:-}" ]; then
    "$VARN_ROOT/scripts/check_package.sh" "$build"
fi
