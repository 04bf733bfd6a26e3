#!/usr/bin/env bash
# Builds the Debian package from a build folder (cpack -G DEB) and checks
# what it would install, unpacked into a scratch root with dpkg -x: the
# application folder in /opt/varn with stripped programs, varn on the PATH,
# its manual page and completion, menu entries that pass
# desktop-file-validate, their icons, and dependencies computed from the
# programs. Prints the package's size and contents. Run by scripts/test.sh
# after the tests, on the build they used.
#
#   scripts/check_package.sh [BUILD_DIR]
set -euo pipefail

VARN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$VARN_ROOT/build}" && pwd)
failures=0

fail() {
    echo "check_package.sh: $*" >&2
    failures=$((failures + 1))
}

cmake --build "$build" -j2 --target suite >/dev/null
rm -f "$build"/varn_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/varn_*.deb)
root=$(mktemp -d -t varn-package-XXXXXX)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

programs=(VARN-Config VARN-Scope VARN-Flash VARN-Datalogger VARN-Terminal VARN-Toolbox VARN-Install varn varn-sim)
for p in "${programs[@]}"; do
    f=$root/opt/varn/$p
    if [ ! -x "$f" ]; then
        fail "missing program /opt/varn/$p"
        continue
    fi
    file -b "$f" | grep -q ', stripped' || fail "/opt/varn/$p is not stripped"
done
for f in Docs/VARN-UserGuide.pdf Examples/README.txt; do
    [ -f "$root/opt/varn/$f" ] || fail "missing /opt/varn/$f"
done
[ -d "$root/opt/varn/Firmwares" ] || fail "missing folder /opt/varn/Firmwares"
[ "$(readlink "$root/usr/bin/varn")" = /opt/varn/varn ] || fail "/usr/bin/varn does not lead to /opt/varn/varn"
[ -f "$root/usr/share/man/man1/varn.1.gz" ] || fail "missing manual page varn(1)"
zcat "$root/usr/share/man/man1/varn.1.gz" 2>/dev/null | grep -q '^\.SH COMMANDS' || fail "varn(1) lists no commands"
[ -f "$root/usr/share/bash-completion/completions/varn" ] || fail "missing bash completion"
bash -n "$root/usr/share/bash-completion/completions/varn" || fail "the bash completion does not parse"
entries=("$root"/usr/share/applications/varn-*.desktop)
[ ${#entries[@]} -eq 6 ] || fail "expected 6 menu entries, found ${#entries[@]}"
for e in "${entries[@]}"; do
    desktop-file-validate "$e" || fail "$(basename "$e") does not validate"
    icon=$(sed -n 's/^Icon=//p' "$e")
    compgen -G "$root/usr/share/icons/hicolor/*/apps/$icon.png" >/dev/null || fail "no icon $icon for $(basename "$e")"
    exe=$(sed -n 's/^Exec=//p' "$e")
    [ -x "$root$exe" ] || fail "$(basename "$e") starts $exe, which the package does not hold"
done
if find "$root" \( -name '*.log' -o -name 'VARN-Update.check' -o -name 'VARN-Scope.ini' \) | grep -q .; then
    fail "files the programs write are in the package"
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q 'libqt6widgets6' || fail "Depends names no Qt 6 Widgets package: '$depends'"
"$root/opt/varn/varn" --version >/dev/null || fail "varn --version fails"

echo "Package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB; installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $depends"
dpkg-deb -c "$deb" | awk '{print $3, $6, $7, $8}'
if [ $failures -ne 0 ]; then
    echo "check_package.sh: $failures problem(s) in $deb" >&2
    exit 1
fi
echo "Package checked: $deb"
