#!/usr/bin/env bash
# check-reproducible.sh: builds the committed HEAD twice, from two clones in two folders of
# different names, with `make release` in each, and compares the four plug-ins and the release
# files byte for byte. Uncommitted changes are not part of the check. Prints one line per file;
# fails if any differs. KEEP=1 keeps the two folders.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/tovrel-reproducible.XXXXXX")
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT

trees=("$work/one" "$work/second-tree-in-a-longer-folder")
for tree in "${trees[@]}"; do
    git clone -q --no-checkout "$root" "$tree"
    git -C "$tree" checkout -q --detach "$commit"
    echo "== make release in $tree"
    start=$SECONDS
    if ! make -C "$tree" --no-print-directory release >"$tree.log" 2>&1; then
        tail -n 30 "$tree.log"
        echo "FAIL: make release failed in $tree (log: $tree.log)"
        exit 1
    fi
    echo "   $((SECONDS - start)) s"
done

files=(dist/x64/tovrel_vst.dll dist/x86/tovrel_vst.dll dist/linux-x64/tovrel_vst.so dist/linux-x86/tovrel_vst.so)
for f in "${trees[0]}"/dist/release/*; do files+=("dist/release/$(basename "$f")"); done
status=0
for f in "${files[@]}"; do
    a="${trees[0]}/$f"
    b="${trees[1]}/$f"
    if [ -f "$a" ] && [ -f "$b" ] && cmp -s "$a" "$b"; then
        printf 'identical  %10d  %s  %s\n' "$(stat -c %s "$a")" "$(sha256sum "$a" | cut -c1-16)" "$f"
    else
        printf 'DIFFERENT  %s\n' "$f"
        status=1
    fi
done
[ $status = 0 ] && echo "ok: commit ${commit:0:12} builds byte-identical plug-ins and archives in two folders" \
    || echo "FAIL: commit ${commit:0:12} does not build reproducibly"
exit $status
