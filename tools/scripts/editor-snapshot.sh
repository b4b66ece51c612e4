#!/usr/bin/env bash
# editor-snapshot.sh OUTPUT.png [DPI [WIDTHxHEIGHT]]: opens the 64-bit plug-in's editor under Wine,
# as a host would, and saves a picture of it. With a DPI the screen has that many dots per inch
# (96 is 100 %, 192 is 200 %; tools/scripts/wine-dpi-run), and with a size the picture must have
# it or nothing is written.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
output=$(realpath -m "$1")
dpi=${2:-96}
size=()
[ -n "${3:-}" ] && size=(--size "$3")
bin="$root/build/windows-x64/bin"
if [ "$dpi" = 96 ]; then
    run=("$root/tools/scripts/wine-run")
    export TOVREL_WINEPREFIX=${TOVREL_WINEPREFIX:-$root/build/wine64-prefix}
else
    run=("$root/tools/scripts/wine-dpi-run" "$dpi")
    export TOVREL_WINEPREFIX=${TOVREL_DPI_WINEPREFIX:-$root/build/wine64-dpi-prefix}
fi
"$root/tools/scripts/wine-session" start
trap '"$root/tools/scripts/wine-session" stop' EXIT
cd "$bin"
# Wine sees this machine's root directory as drive Z:.
"${run[@]}" tovrel-editor-snapshot.exe --plugin tovrel_vst.dll "${size[@]}" "Z:$output"
