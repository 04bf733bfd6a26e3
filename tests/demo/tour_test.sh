#!/usr/bin/env bash
# The offscreen tour that scripts/demo.sh runs without a display: every tool
# does its main job against the tour's simulated sensor, says what its
# window shows, and leaves a picture; no error box comes up on the way.
# Usage: tour_test.sh VARN-TOUR APP_FOLDER
set -euo pipefail
tour=$1
app=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() {
    echo "FAIL: $*" >&2
    echo "--- the tour printed:" >&2
    cat "$out/tour.txt" >&2
    exit 1
}
(cd "$app" && QT_QPA_PLATFORM=offscreen "$tour" "$out/pictures") >"$out/tour.txt" 2>&1 || fail "the tour ended with $?"
pictures=$(find "$out/pictures" -name '*.png' -size +1k | wc -l)
[ "$pictures" -eq 6 ] || fail "$pictures pictures, not 6"
! grep -q '\[error box\]' "$out/tour.txt" || fail "an error box came up"
for text in 'Programming Examples' 'lines in the Summary tab' 'Measure: 250 / 262144' 'Bootloader : VARN-BL' \
    'KORVALIN sensor configuration' 'sample frames; plot 1: Filtered acoustic signal'; do
    grep -qF -- "$text" "$out/tour.txt" || fail "nothing says '$text'"
done
echo "ok: six tools, six pictures"
