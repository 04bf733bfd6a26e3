#!/usr/bin/env bash
# The renderer never leaves a heading at the end of a page: guides whose
# headings fall at every place near a page end are rendered and checked.
# Usage: keep_test.sh MAKE_GUIDE SCREENSHOT.png
set -euo pipefail
make_guide=$1
picture=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for filler in $(seq 18 2 40); do
    {
        echo "![A picture]($picture)"
        echo
        for i in $(seq "$filler"); do
            echo "Filler paragraph $i of the text."
            echo
        done
        for h in 1 2 3 4 5 6 7 8; do
            echo "## Heading $h"
            echo
            echo "Text of section $h, one paragraph of a few words."
            echo
        done
        echo "| Command | What it does |"
        echo "| --- | --- |"
        echo "| \`varn ports\` | list the ports that open now |"
    } >"$work/guide.md"
    QT_QPA_PLATFORM=offscreen "$make_guide" "$work/guide.md" "$work/guide.pdf" 2>/dev/null
    bash "$here/guide_test.sh" "$work/guide.pdf" "$work/guide.md" >/dev/null || {
        echo "with $filler paragraphs before the headings" >&2
        exit 1
    }
done
echo "ok"
