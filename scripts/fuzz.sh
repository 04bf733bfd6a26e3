#!/usr/bin/env bash
# Builds the fuzz harnesses of tests/fuzz/ with clang and libFuzzer (own
# build folder, build-fuzz/) and runs each for SECONDS (default 60), one
# after the other, starting from its seed corpus. Fails when a harness
# crashed, hung or broke one of its checks.
#
# What each run found stays in build-fuzz/: the grown corpus in
# fuzz-corpus/<name>/, the log in findings/<name>.log and a crashing input
# in findings/<name>/. Copy such an input into tests/fuzz/crashes/<name>/
# with the fix: the replay test fuzz.<name> then runs it in every build.
#
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

seconds=${1:-60}
case "$seconds" in
    ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac

# clang with its libFuzzer runtime, installed like the build's packages when
# missing (Debian 12: clang, libclang-rt-14-dev).
if ! command -v clang++ >/dev/null 2>&1 || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a \
        >/dev/null 2>&1; then
    echo "Installing: clang libclang-rt-14-dev"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq clang libclang-rt-14-dev
fi
varn_install_packages

build="$VARN_ROOT/build-fuzz"
cmake -S "$VARN_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVARN_FUZZ=ON -DVARN_GUI=OFF -DVARN_BENCH=OFF -DVARN_ASAN=OFF -DVARN_TSAN=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_all

failed=()
for exe in "$build"/fuzz/fuzz_*; do
    [ -x "$exe" ] || continue
    name=${exe##*/fuzz_}
    corpus="$build/fuzz-corpus/$name"
    findings="$build/findings/$name"
    mkdir -p "$corpus" "$findings"
    args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384
          -print_final_stats=1 -artifact_prefix="$findings/")
    dict="$VARN_ROOT/tests/fuzz/$name.dict"
    [ -f "$dict" ] && args+=(-dict="$dict")
    inputs=("$corpus" "$VARN_ROOT/tests/fuzz/corpus/$name")
    [ -d "$VARN_ROOT/tests/fuzz/crashes/$name" ] && inputs+=("$VARN_ROOT/tests/fuzz/crashes/$name")
    echo "== $name: ${seconds} s"
    if "$exe" "${args[@]}" "${inputs[@]}" >"$build/findings/$name.log" 2>&1; then
        grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$build/findings/$name.log" || true
    else
        failed+=("$name")
        tail -n 30 "$build/findings/$name.log"
        echo "== $name FAILED: see $build/findings/$name.log and $findings/"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
echo "Fuzzing found nothing in ${seconds} s per harness."
