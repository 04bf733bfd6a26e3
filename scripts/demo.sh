#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated sensor on a
# pseudo-terminal and opens VARN-Terminal beside it. Without a display the
# same session runs on Qt's offscreen platform: what the window shows is
# printed, and pictures of the window are saved in a folder named at the end.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build="$VARN_ROOT/build"
varn_install_packages
varn_build "$build"
app="$build/app"

kind=${VARN_DEMO_KIND:-KORVALIN}
simout=$(mktemp -t varn-sim-XXXXXX.out)
"$app/varn-sim" --kind "$kind" --link demo --boot-window 0 --logger-records 250 >"$simout" 2>&1 &
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
    echo "Opening VARN-Terminal: pick '$port', press Connect, type a command such as 'get sens-type'."
    echo "Close the window to end the demo."
    cd "$app"
    ./VARN-Terminal
    exit 0
fi

pictures=$(mktemp -d -t varn-demo-XXXXXX)
echo "No display found: running the terminal session on Qt's offscreen platform."
echo
cd "$app"
QT_QPA_PLATFORM=offscreen "$build/tools/varn-terminal-demo" "$port" "$pictures"
echo
echo "The same sensor from a script:"
echo "\$ varn logger info $port"
"$app/varn" logger info "$port"
echo
echo "Pictures of the terminal window: $pictures"
