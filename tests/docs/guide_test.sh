#!/usr/bin/env bash
# The user guide as shipped: it holds every picture its text names, no page
# ends with a heading, and the rows of the command table stay whole.
# Usage: guide_test.sh GUIDE.pdf GUIDE.md
set -euo pipefail
pdf=$1
md=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in pdfimages pdftotext pdfinfo; do
    command -v "$tool" >/dev/null || fail "$tool is missing (package poppler-utils, scripts/setup.sh installs it)"
done
[ -s "$pdf" ] || fail "no guide at $pdf"

# What pdftotext gives back for the font's ligatures.
plain() { tr -d '\f' | sed 's/\xef\xac\x80/ff/g; s/\xef\xac\x81/fi/g; s/\xef\xac\x82/fl/g; s/\xef\xac\x83/ffi/g; s/\xef\xac\x84/ffl/g; s/^ *//; s/ *$//'; }

named=$(grep -o '!\[[^]]*\]([^)]*)' "$md" | wc -l)
embedded=$(pdfimages -list "$pdf" | awk 'NR > 2 && $3 == "image"' | wc -l)
[ "$named" -gt 0 ] || fail "the guide's text names no pictures"
[ "$embedded" -ge "$named" ] || fail "$embedded pictures in the PDF, the text names $named"

pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
mapfile -t headings < <(sed -n 's/^#\{1,6\} \(.*\)$/\1/p' "$md" | sed 's/`//g')
for page in $(seq "$pages"); do
    # The last line of text, the page number left out (none on a page of
    # pictures alone).
    last=$(pdftotext -f "$page" -l "$page" -layout "$pdf" - | plain | grep -v '^$' | grep -v '^[0-9]*$' | tail -1 || true)
    for heading in "${headings[@]}"; do
        [ "$last" != "$heading" ] || fail "page $page ends with the heading '$heading'"
    done
done

text=$(pdftotext -layout "$pdf" - | plain)
rows=0
while IFS='|' read -r _ command what _; do
    command=$(echo "$command" | sed 's/`//g' | plain)
    what=$(echo "$what" | plain)
    grep -F -- "$command" <<<"$text" | grep -qF -- "$what" || fail "the row '$command' | '$what' is not on one line"
    rows=$((rows + 1))
done < <(grep '^| `varn ' "$md")
[ "$rows" -gt 0 ] || fail "the guide has no command table"
echo "ok: $embedded pictures, $pages pages, $rows command rows"
