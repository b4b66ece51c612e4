#!/usr/bin/env bash
# editor-snapshot-x11.sh OUTPUT.png [DPI [WIDTHxHEIGHT]]: opens the 64-bit Linux library's editor
# in an X11 window, as a Linux host does, on an X server of its own (Xvfb), and saves the window's
# picture. With a DPI the server publishes that screen density (Xft.dpi; 96 is 100 %, 192 is
# 200 %), and with a size the editor must open at it or nothing is written. The user's stored
# scale choice is not read: the editor sees an empty settings folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
output=$(realpath -m "$1")
dpi=${2:-96}
size=${3:-}
host="$root/build/linux-x64/bin/tovrel-x11-host"
plugin="$root/dist/linux-x64/tovrel_vst.so"
settings=$(mktemp -d "${TMPDIR:-/tmp}/tovrel-snapshot.XXXXXX")
trap 'rm -rf "$settings"' EXIT
report=$(XDG_CONFIG_HOME=$settings "$root/tools/scripts/xvfb-run" --dpi "$dpi" \
    "$host" --idle-ms 50 --run-ms 500 --png "$settings/editor.png" "$plugin")
opened=$(sed -n 's/^editor \([0-9]*\) x \([0-9]*\) in window.*/\1x\2/p' <<<"$report")
if [ -n "$size" ] && [ "$opened" != "$size" ]; then
    echo "editor-snapshot-x11: the editor opened at ${opened:-no size}, not $size" >&2
    exit 1
fi
mv "$settings/editor.png" "$output"
