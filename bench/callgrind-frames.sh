#!/usr/bin/env bash
# callgrind-frames.sh [BUILD_DIR]: instructions per stereo frame of the native plug-in's two
# processing entries, counted by callgrind (with its branch simulator) for each block size and
# signal of the frame-cost benchmark. Counts cover the record entry, the effect and the filter;
# the driver's own loop is outside the collection. PLUGIN=path measures another build of the plug-in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux-x64}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

valgrind --tool=callgrind --collect-atstart=no --branch-sim=yes --callgrind-out-file="$out/cg.%p" \
    "$build/bin/tovrel-callgrind-frames" --plugin "${PLUGIN:-$build/bin/tovrel_vst.so}" >/dev/null 2>"$out/valgrind.log" || {
    cat "$out/valgrind.log"
    exit 1
}

echo "instructions per stereo frame (callgrind, $(valgrind --version)), block path ${TOVREL_BLOCK_PATH:-as the processor allows}"
echo "(TOVREL_BLOCK_PATH=sse2 counts the SSE2 path); branches mispredicted per frame"
echo "as simulated by callgrind's predictor"
printf '%-7s %6s  %-13s %12s %14s\n' entry block input "instr/frame" "mispred/frame"
for f in "$out"/cg.*; do
    awk '
        /^desc: Trigger: Client Request: / { sub(/^desc: Trigger: Client Request: /, ""); name = $0 }
        /^events:/ { for (i = 2; i <= NF; ++i) column[$i] = i - 1 }
        /^(summary|totals):/ { for (i = 2; i <= NF; ++i) total[i - 1] = $i }
        END {
            if (name == "") exit
            split(name, part, " ")
            frames = part[4]
            mis = ("Bcm" in column ? total[column["Bcm"]] : 0) + ("Bim" in column ? total[column["Bim"]] : 0)
            rank = part[3] == "signal" ? 1 : part[3] == "silence-tail" ? 2 : 3
            printf "%d %-7s %6s  %-13s %12.1f %14.3f\n", rank, part[1], part[2], part[3], total[column["Ir"]] / frames, mis / frames
        }' "$f"
done | sort -k2,2 -k1,1n -k3,3n | cut -d' ' -f2-
