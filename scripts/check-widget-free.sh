#!/bin/sh
# check-widget-free.sh WIDGETS_LIBRARY FILE...: fails when any FILE (a static library or a
# program) refers to a symbol that the QtWidgets library defines.
set -eu
widgets=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
nm -D --defined-only --format=just-symbols "$widgets" | sed "s/@.*//" | sort -u >"$tmp/widgets"
if [ ! -s "$tmp/widgets" ]; then
    echo "no symbols read from $widgets" >&2
    exit 2
fi
status=0
for file in "$@"; do
    nm -u --format=just-symbols "$file" 2>/dev/null | sed 's/@.*//' | sort -u >"$tmp/undefined"
    comm -12 "$tmp/undefined" "$tmp/widgets" >"$tmp/hits"
    if [ -s "$tmp/hits" ]; then
        echo "$file uses QtWidgets: $(head -n 5 "$tmp/hits" | c++filt | tr '\n' ' ')" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "checked $# files: no QtWidgets symbols"
exit "$status"
