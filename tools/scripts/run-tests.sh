#!/usr/bin/env bash
# run-tests.sh PRESET: runs every CTest test of one configured and built preset. The Windows
# x86-64 tests need a Wine session, which is started before ctest (test discovery already runs
# the programs) and stopped afterwards, whatever happens.
set -euo pipefail
preset=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

if [ "$preset" = "windows-x64" ]; then
    tools/scripts/wine-session start
    # The second prefix, for the editor at other screen scales, is started by its first test.
    trap 'tools/scripts/wine-session stop; TOVREL_WINEPREFIX="$root/build/wine64-dpi-prefix" tools/scripts/wine-session stop' EXIT
fi
ctest --preset "$preset" -j2
