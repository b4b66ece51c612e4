#!/usr/bin/env bash
# editor-snapshot.sh OUTPUT.png: opens the 64-bit plug-in's editor under Wine, as a host would, and
# saves a picture of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
output=$(realpath -m "$1")
bin="$root/build/windows-x64/bin"
"$root/tools/scripts/wine-session" start
trap '"$root/tools/scripts/wine-session" stop' EXIT
cd "$bin"
# Wine sees this machine's root directory as drive Z:.
"$root/tools/scripts/wine-run" tovrel-editor-snapshot.exe --plugin tovrel_vst.dll "Z:$output"
