#!/usr/bin/env bash
# The suite installed for a user: scripts/install.sh into a temporary home,
# its menu entries checked with desktop-file-validate, the installed programs
# run from their folder, and --uninstall removing exactly what it wrote;
# then the archive cpack makes of the application folder.
#   user_install_test.sh APP_FOLDER INSTALL_SCRIPT CPACK_CONFIG
set -euo pipefail
app=$1
script=$2
cpack_config=$3
home=$(mktemp -d -t varn-home-XXXXXX)
trap 'rm -rf "$home"' EXIT
export HOME=$home
unset XDG_DATA_HOME
export QT_QPA_PLATFORM=offscreen

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
snapshot() {
    (cd "$home" && find . | sort)
}
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate not found (package desktop-file-utils)"

touch "$home/.profile"
before=$(snapshot)

# Into the user's data folder.
"$script" --from "$app" >/dev/null || fail "install into the data folder"
dest=$home/.local/share/varn
share=$home/.local/share
[ -f "$dest/.varn-install.list" ] || fail "no list of what was written"
while IFS= read -r -d '' f; do
    rel=${f#"$app"/}
    case "${rel##*/}" in *.log|VARN-Update.check|VARN-Scope.ini) continue ;; esac
    cmp -s "$f" "$dest/$rel" || fail "'$rel' not copied as built"
    [ ! -x "$f" ] || [ -x "$dest/$rel" ] || fail "'$rel' lost its execute permission"
done < <(find "$app" -type f -print0)

for program in VARN-Toolbox VARN-Config VARN-Scope VARN-Flash VARN-Datalogger VARN-Terminal; do
    id=$(printf '%s' "$program" | tr '[:upper:]' '[:lower:]')
    entry=$share/applications/$id.desktop
    [ -f "$entry" ] || fail "no menu entry $id.desktop"
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$id.desktop: $out"
    [ -z "$out" ] || fail "$id.desktop: $out"
    grep -qxF "Exec=\"$dest/$program\"" "$entry" || fail "$id.desktop does not start $program"
    grep -qxF "Path=$dest" "$entry" || fail "$id.desktop does not start in the application folder"
    grep -qxF "Icon=$id" "$entry" || fail "$id.desktop names no icon"
    for size in 48 64 128 256; do
        [ -f "$share/icons/hicolor/${size}x$size/apps/$id.png" ] || fail "icon $id ${size}x$size missing"
    done
done
[ ! -e "$share/applications/varn-install.desktop" ] || fail "the update installer has no menu entry"

# The installed installer runs from its folder: no command, no updater,
# so it ends at once without a window.
(cd "$dest" && timeout 30 ./VARN-Install) || fail "installed VARN-Install did not run"

# Files the programs write later stay; everything written goes. Paths the
# list names outside the installation (an edited list) stay too.
echo "a log line" >"$dest/VARN-Config.log"
echo mine >"$home/keep"
mkdir "$home/docs" && echo mine >"$home/docs/keep"
ln -s "$home/docs" "$dest/Docs-link"
printf '%s\n' "f $home/keep" "f $dest/../../../keep" "f $dest/Docs-link/keep" "f $share/applications/other.desktop" \
    >>"$dest/.varn-install.list"
echo mine >"$share/applications/other.desktop"
"$script" --uninstall >/dev/null 2>&1 || fail "uninstall"
for kept in "$home/keep" "$home/docs/keep" "$share/applications/other.desktop"; do
    [ -f "$kept" ] || fail "uninstall removed '$kept', which the install never wrote"
done
rm -rf "$home/keep" "$home/docs" "$dest/Docs-link" "$share/applications/other.desktop"
rmdir "$share/applications"
after=$(snapshot)
expected=$(printf '%s\n' "$before" ./.local ./.local/share ./.local/share/varn ./.local/share/varn/VARN-Config.log | sort)
[ "$after" = "$expected" ] || fail "uninstall left or removed the wrong files: $(diff <(echo "$expected") <(echo "$after"))"
rm -rf "$home/.local"

# Into a folder of one's own, with blanks and a character the menu entry
# must quote, installed twice: one uninstall removes all of it.
own="$home/My Tools/varn \$uite"
"$script" --from "$app" "$own" >/dev/null || fail "install into '$own'"
"$script" --from "$app" "$own" >/dev/null || fail "second install into '$own'"
entry=$share/applications/varn-terminal.desktop
desktop-file-validate "$entry" || fail "entry for '$own'"
grep -qxF "Exec=\"$home/My Tools/varn \\\\\$uite/VARN-Terminal\"" "$entry" || fail "Exec not quoted: $(grep Exec= "$entry")"
"$script" --uninstall "$own" >/dev/null || fail "uninstall from '$own'"
[ "$(snapshot)" = "$before" ] || fail "left behind: $(diff <(echo "$before") <(snapshot))"

# A folder holding files of its own is refused, and left as it was.
mkdir "$home/busy"
echo mine >"$home/busy/notes"
if "$script" --from "$app" "$home/busy" >/dev/null 2>&1; then fail "installed into a folder of other files"; fi
[ "$(ls -A "$home/busy")" = notes ] || fail "the refused folder was changed"
if "$script" --uninstall "$home/busy" >/dev/null 2>&1; then fail "uninstalled what was never installed"; fi
[ -f "$home/busy/notes" ] || fail "uninstall of a foreign folder removed files"

# The archive: one top folder holding the application folder, modes kept,
# no files of a user's runs.
cpack -G TGZ --config "$cpack_config" -B "$home/pack" >/dev/null || fail "cpack"
archive=$(find "$home/pack" -maxdepth 1 -name 'varn-*.tar.gz')
[ -n "$archive" ] || fail "cpack made no tar archive"
listing=$(tar tzvf "$archive")
top=$(basename "$archive" .tar.gz)
grep -qE "^-rwx.* $top/VARN-Install\$" <<<"$listing" || fail "archive lacks an executable $top/VARN-Install"
grep -qE " $top/Icons/hicolor/48x48/apps/varn-toolbox.png\$" <<<"$listing" || fail "archive lacks the icons"
if grep -qE '\.log$|VARN-Update\.check$' <<<"$listing"; then fail "archive holds files of a user's runs"; fi
if grep -qvE " $top(/|\$)" <<<"$listing"; then fail "archive has files outside $top/"; fi
echo "user installation and archive: all checks passed"
