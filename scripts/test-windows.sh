#!/usr/bin/env bash
# The Windows build under wine (run by scripts/test.sh --windows): builds
# it (scripts/build-windows.sh), runs its unit tests, then checks that
# varn.exe, talking to the simulator through a COM port, prints the same as
# the Linux varn: wine maps COM5 onto the simulator's pseudo-terminal
# through its dosdevices folder.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

linux="$VARN_ROOT/build"
win="$VARN_ROOT/build-win"
began=$SECONDS

# The Linux varn and simulator (built already when the Linux tests ran).
varn_install_packages
cmake -S "$VARN_ROOT" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVARN_GUI=ON -DVARN_BENCH=ON -DVARN_TSAN=OFF -DVARN_ASAN=OFF >/dev/null
nice cmake --build "$linux" -j2 --target varn varn-sim
"$VARN_ROOT/scripts/build-windows.sh" "$win"
echo "Windows build: $((SECONDS - began)) s"

# A wine prefix of the build's own; nothing of the user's is touched.
export WINEPREFIX="$win/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
    wineboot --init >/dev/null 2>&1
fi
wineserver -w

step=$SECONDS
(cd "$win/varn" && ctest --output-on-failure --timeout 300)
echo "Windows unit tests under wine: $((SECONDS - step)) s"

# End to end: one simulator, the Linux varn on its pseudo-terminal, varn.exe
# on COM5.
step=$SECONDS
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
"$linux/app/varn-sim" --logger-records 20 >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
    [ -s "$work/sim.out" ] && break
    sleep 0.1
done
pty=$(head -n 1 "$work/sim.out")
if [ ! -c "$pty" ]; then
    echo "The simulator did not start: $(cat "$work/sim.err")" >&2
    exit 1
fi
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com5"
failed=0
# The Windows run's reads go through wine's own processes: on a machine
# loaded far beyond its cores a 100 ms read time-out of the sensor dialogue
# can pass; a second attempt is made then, and said.
same_output() {
    "$linux/app/varn" "${lin[@]}" >"$work/linux.out" 2>"$work/linux.err"
    wine "$win/varn/app/varn.exe" "${exe[@]}" >"$work/win.out" 2>"$work/win.err" &&
        cmp -s "$work/linux.out" "$work/win.out"
}
for command in "get PORT sens-type" "config load PORT" "logger download PORT -"; do
    read -r -a lin <<<"${command//PORT/$pty}"
    read -r -a exe <<<"${command//PORT/COM5}"
    if same_output; then
        echo "Same output under wine: varn $command ($(wc -c <"$work/win.out") bytes)"
    elif same_output; then
        echo "Same output under wine at the second attempt: varn $command ($(wc -c <"$work/win.out") bytes)"
    else
        echo "Different output under wine: varn $command" >&2
        diff "$work/linux.out" "$work/win.out" >&2 || true
        cat "$work/win.err" >&2
        failed=1
    fi
done
rm -f "$WINEPREFIX/dosdevices/com5"
echo "Windows end-to-end run: $((SECONDS - step)) s; whole Windows step: $((SECONDS - began)) s"
exit $failed
