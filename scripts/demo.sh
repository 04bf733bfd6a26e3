#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated sensor on a
# pseudo-terminal and talks to it through the suite.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build="$VARN_ROOT/build"
varn_install_packages
varn_build "$build" -DVARN_BENCH=OFF
app="$build/app"

kind=${VARN_DEMO_KIND:-KORVALIN}
log=$(mktemp -t varn-sim-XXXXXX.log)
"$app/varn-sim" --kind "$kind" --link demo --logger-records 250 >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ "$(wc -l <"$log")" -ge 2 ] && break
    sleep 0.1
done
port=$(sed -n 2p "$log")
[ -n "$port" ] || port=$(sed -n 1p "$log")
echo "Simulated $kind sensor on $port"
echo

echo "\$ varn ports"
"$app/varn" ports
echo
echo "\$ varn get $port sens-type fw-version hw-sn"
"$app/varn" get "$port" sens-type fw-version hw-sn
echo
echo "\$ varn config $port"
"$app/varn" config "$port"
