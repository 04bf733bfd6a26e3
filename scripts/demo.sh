#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated sensor on a
# pseudo-terminal and opens VARN-Toolbox beside it, from which every tool
# starts. Without a display the suite's tour runs on Qt's offscreen
# platform instead: each tool's window does its main job against a
# simulated sensor, what the windows show is printed, and pictures of them
# are saved in a folder named at the end.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build="$VARN_ROOT/build"
varn_install_packages
# The programs, the simulator and the tour only: the tests and benchmarks
# are scripts/test.sh's.
VARN_BUILD_TARGETS=suite varn_build "$build"
app="$build/app"

kind=${VARN_DEMO_KIND:-KORVALIN}
simout=$(mktemp -t varn-sim-XXXXXX.out)
"$app/varn-sim" --kind "$kind" --link demo --logger-records 250 >"$simout" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true; rm -f "$simout"' EXIT
for _ in $(seq 50); do
    [ "$(wc -l <"$simout")" -ge 2 ] && break
    kill -0 $sim 2>/dev/null || { cat "$simout" >&2; exit 1; }
    sleep 0.1
done
port=$(sed -n 2p "$simout")
[ -n "$port" ] || port=$(sed -n 1p "$simout")
echo "Simulated $kind sensor on $port"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening VARN-Toolbox: click a tool, pick 'demo' (that is $port) in its"
    echo "'Serial port' list and press Connect."
    echo "VARN-Flash waits for the sensor to power up: send it one with 'kill -USR1 $sim'"
    echo "(and 'kill -USR2 $sim' powers it down). The demo ends when the last window closes."
    cd "$app"
    ./VARN-Toolbox || true
    # Starting a tool ends the toolbox (the tool takes over): the simulated
    # sensor stays until the last of the suite's windows has closed.
    appdir=$(realpath "$app")
    while pgrep -u "$(id -u)" -f "^$appdir/VARN-" >/dev/null; do
        sleep 1
    done
    exit 0
fi

pictures=$(mktemp -d -t varn-demo-XXXXXX)
echo "No display found: the suite's tour runs on Qt's offscreen platform."
cd "$app"
QT_QPA_PLATFORM=offscreen "$build/tools/varn-tour" "$pictures" "$kind"
echo
echo "The same sensor from a script:"
echo "\$ varn get $port sens-type sens-sn"
"$app/varn" get "$port" sens-type sens-sn
echo "\$ varn logger info $port"
"$app/varn" logger info "$port"
echo
echo "Pictures of the windows: $pictures"
