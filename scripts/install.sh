#!/usr/bin/env bash
# Installs the suite for the current user: copies the built application
# folder into the user's data folder (or FOLDER), adds menu entries for
# VARN-Toolbox and the five tools (started in the application folder, as the
# programs expect) and their icons to the user's icon theme.
#
#   scripts/install.sh [--from APP_FOLDER] [FOLDER]   install (builds first without --from)
#   scripts/install.sh --uninstall [FOLDER]           removes exactly what the install wrote
#
# FOLDER defaults to ${XDG_DATA_HOME:-~/.local/share}/varn. Every file and
# folder written is listed in FOLDER/.varn-install.list; --uninstall removes
# those and nothing else (files the programs wrote later, such as logs and
# settings, stay with their folder).
set -euo pipefail

VARN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
list_name=.varn-install.list

# Program, menu name, comment: one menu entry each.
entries=(
    "VARN-Toolbox|VARN Toolbox|Start the tools of the VARN sensor suite"
    "VARN-Config|VARN Configuration|Read, edit and send the parameters of a VARN sensor"
    "VARN-Scope|VARN Scope|Watch and record the live signal of a VARN sensor"
    "VARN-Flash|VARN Flash|Upload firmware into a VARN sensor"
    "VARN-Datalogger|VARN Datalogger|Download the records of a VARN sensor's logger"
    "VARN-Terminal|VARN Terminal|Type commands on the console of a VARN sensor"
)
# Files of the application folder that are a user's state, never copied.
skip_patterns=("*.log" "VARN-Update.check" "VARN-Scope.ini")

usage() {
    echo "usage: scripts/install.sh [--from APP_FOLDER] [FOLDER] | --uninstall [FOLDER]" >&2
    exit 2
}

die() {
    echo "install.sh: $*" >&2
    exit 1
}

uninstall=0
from=""
dest=""
while [ $# -gt 0 ]; do
    case "$1" in
        --uninstall) uninstall=1 ;;
        --from) [ $# -ge 2 ] || usage; from=$2; shift ;;
        --help|-h) usage ;;
        -*) usage ;;
        *) [ -z "$dest" ] || usage; dest=$1 ;;
    esac
    shift
done
dest=${dest:-$data_home/varn}
case "$dest" in /*) ;; *) dest=$PWD/$dest ;; esac
dest=${dest%/}
case "$dest" in *$'\n'*) die "a folder name with a line break cannot be listed" ;; esac
list=$dest/$list_name

# --- Uninstall -----------------------------------------------------------
if [ $uninstall -eq 1 ]; then
    [ -f "$list" ] || die "no installation in '$dest' ('$list_name' not found)"
    mapfile -t lines <"$list"
    rm -f -- "$list"
    # The list is only a file in the install folder: whoever could edit it
    # must not make us delete anything else. Files are removed only inside
    # the install folder and as the menu entries and icons an install
    # writes; folders only on the way to those (and only when empty).
    apps=$data_home/applications
    icons=$data_home/icons
    real_dest=$(cd -P -- "$dest" && pwd)
    # The real folder holding path $1 (links resolved), or nothing.
    real_parent() {
        (cd -P -- "$(dirname -- "$1")" 2>/dev/null && pwd)
    }
    plain_path() {
        case "$1/" in */../*|*/./*|*//*) return 1 ;; esac
        case "$1" in /*) return 0 ;; esac
        return 1
    }
    owned_file() {
        local p=$1 parent
        plain_path "$p" || return 1
        parent=$(real_parent "$p") || return 1
        case "$p" in
            "$dest"/*) case "$parent/" in "$real_dest"/*) return 0 ;; esac ;;
            "$apps"/varn-*.desktop) [ "$parent" = "$(cd -P -- "$apps" && pwd)" ] && return 0 ;;
            "$icons"/hicolor/*/apps/varn-*.png)
                case "$parent/" in "$(cd -P -- "$icons" 2>/dev/null && pwd)"/hicolor/*) return 0 ;; esac ;;
        esac
        return 1
    }
    owned_dir() {
        local d=$1 root
        plain_path "$d" || return 1
        for root in "$dest" "$apps" "$icons"; do
            case "$d/" in "$root"/*) return 0 ;; esac
            case "$root/" in "$d"/*) return 0 ;; esac
        done
        return 1
    }
    # Files first, then the folders the install created, deepest first, each
    # only when nothing else is left in it.
    for line in "${lines[@]}"; do
        [ "${line:0:2}" = "f " ] || continue
        if owned_file "${line:2}"; then
            rm -f -- "${line:2}"
        else
            echo "install.sh: '${line:2}' is not a file of this installation: left alone" >&2
        fi
    done
    for line in "${lines[@]}"; do
        if [ "${line:0:2}" = "d " ] && owned_dir "${line:2}"; then printf '%s\n' "${line:2}"; fi
    done | sort -r | while IFS= read -r d; do
        rmdir -- "$d" 2>/dev/null || true
    done
    echo "Removed the VARN suite from $dest"
    exit 0
fi

# --- Install ---------------------------------------------------------------
if [ -z "$from" ]; then
    . "$VARN_ROOT/scripts/setup.sh"
    varn_install_packages
    varn_build "$VARN_ROOT/build"
    from=$VARN_ROOT/build/app
fi
from=$(cd "$from" 2>/dev/null && pwd) || die "application folder '$from' not found"
compgen -G "$from/VARN-*" >/dev/null || die "no program of the suite in '$from'"
[ "$from" != "$dest" ] || die "the application folder cannot be installed into itself"
case "$dest/" in "$from"/*) die "cannot install inside the application folder" ;; esac
if [ -d "$dest" ] && [ ! -f "$list" ] && [ -n "$(ls -A "$dest")" ]; then
    die "'$dest' holds files of its own: choose an empty or new folder"
fi

# The list of an earlier installation is kept, so that --uninstall also
# removes what that one wrote.
declare -A listed=()
if [ -f "$list" ]; then
    while IFS= read -r line; do listed[$line]=1; done <"$list"
fi
record() {
    listed["$1 $2"]=1
}

# Creates a folder and its missing parents, recording each one created.
make_dir() {
    local d=$1 missing=()
    while [ ! -d "$d" ]; do
        missing+=("$d")
        d=$(dirname "$d")
    done
    local i
    for ((i = ${#missing[@]} - 1; i >= 0; i--)); do
        mkdir -- "${missing[$i]}"
        record d "${missing[$i]}"
    done
}

# Quoting for a menu entry: Exec arguments in double quotes with \ " ` $
# escaped and % doubled, then the value's own escape of backslashes.
exec_arg() {
    local s=$1
    s=${s//\\/\\\\}
    s=${s//\"/\\\"}
    s=${s//\`/\\\`}
    s=${s//\$/\\\$}
    s=${s//%/%%}
    s=\"$s\"
    printf '%s' "${s//\\/\\\\}"
}
value() {
    printf '%s' "${1//\\/\\\\}"
}

make_dir "$dest"
# Everything of the application folder, as built (modes kept).
while IFS= read -r -d '' f; do
    rel=${f#"$from"/}
    base=${rel##*/}
    skip=0
    for p in "${skip_patterns[@]}"; do
        # shellcheck disable=SC2254
        case "$base" in $p) skip=1 ;; esac
    done
    [ $skip -eq 0 ] || continue
    case "$rel" in *$'\n'*) die "a file name with a line break cannot be listed: '$rel'" ;; esac
    make_dir "$(dirname "$dest/$rel")"
    cp -P --preserve=mode,timestamps -- "$f" "$dest/$rel.varn-part"
    mv -f -- "$dest/$rel.varn-part" "$dest/$rel"
    record f "$dest/$rel"
done < <(find "$from" \( -type f -o -type l \) -print0)

# Menu entries and icons, where the desktop looks for them.
apps=$data_home/applications
make_dir "$apps"
if [ -d "$from/Icons/hicolor" ]; then
    while IFS= read -r -d '' icon; do
        rel=${icon#"$from/Icons/"}
        make_dir "$(dirname "$data_home/icons/$rel")"
        cp --preserve=mode,timestamps -- "$icon" "$data_home/icons/$rel"
        record f "$data_home/icons/$rel"
    done < <(find "$from/Icons/hicolor" -name 'varn-*.png' -print0)
fi
for entry in "${entries[@]}"; do
    IFS='|' read -r program name comment <<<"$entry"
    id=$(printf '%s' "$program" | tr '[:upper:]' '[:lower:]')
    file=$apps/$id.desktop
    {
        echo "[Desktop Entry]"
        echo "Type=Application"
        echo "Version=1.4"
        echo "Name=$name"
        echo "Comment=$comment"
        echo "Exec=$(exec_arg "$dest/$program")"
        # A program that is not built is left out of the menu.
        echo "TryExec=$(value "$dest/$program")"
        echo "Path=$(value "$dest")"
        echo "Icon=$id"
        echo "Terminal=false"
        echo "Categories=Utility;"
        echo "Keywords=sensor;serial;VARN;"
        echo "StartupNotify=true"
    } >"$file"
    record f "$file"
done

printf '%s\n' "${!listed[@]}" | sort >"$list.part"
mv -f -- "$list.part" "$list"
echo "Installed the VARN suite in $dest"
echo "Menu entries: $apps/varn-*.desktop (remove all with: scripts/install.sh --uninstall '$dest')"
