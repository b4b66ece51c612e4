#!/usr/bin/env bash
# editor-paint.sh [ROUNDS]: the 64-bit editor's painting at 100 % (96 DPI) and at 200 % (192 DPI)
# under Wine (tovrel-bench-editor), ROUNDS times each in turn (3 when not given), and the ratio of
# the 200 % repaint to the 100 % one in each round and over the best of all rounds. Fails when an
# idle tick with nothing changed drew anything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
scripts="$root/tools/scripts"
dpi_prefix=${TOVREL_DPI_WINEPREFIX:-$root/build/wine64-dpi-prefix}
out=$(mktemp -d)
stop() {
    "$scripts/wine-session" stop
    TOVREL_WINEPREFIX=$dpi_prefix "$scripts/wine-session" stop
    rm -rf "$out"
}
trap stop EXIT
"$scripts/wine-session" start
cd "$root/build/windows-x64/bin"

# The best repaint of one run's output, in microseconds.
best_repaint() { sed -n 's/^full repaint: best \([0-9.]*\) us.*/\1/p' "$1"; }

grep -m1 'model name' /proc/cpuinfo
for round in $(seq "$rounds"); do
    for percent in 100 200; do
        echo "== round $round, $percent %"
        if [ "$percent" = 100 ]; then
            "$scripts/wine-run" tovrel-bench-editor.exe tovrel_vst.dll >"$out/$round-$percent"
        else
            "$scripts/wine-dpi-run" 192 tovrel-bench-editor.exe tovrel_vst.dll >"$out/$round-$percent"
        fi
        cat "$out/$round-$percent"
    done
    awk -v a="$(best_repaint "$out/$round-100")" -v b="$(best_repaint "$out/$round-200")" \
        'BEGIN { printf "round %d: repaint at 200 %% / at 100 %% = %.2f\n", '"$round"', b / a }'
done
best() { for f in "$out"/*-"$1"; do best_repaint "$f"; done | sort -g | head -1; }
awk -v a="$(best 100)" -v b="$(best 200)" \
    'BEGIN { printf "best of %d rounds: repaint %.1f us at 100 %%, %.1f us at 200 %%, ratio %.2f (goal: at most 4.5)\n", '"$rounds"', a, b, b / a }'
