#!/usr/bin/env bash
# check-format.sh [SOURCE_ROOT]: every C++ source of the project is formatted as the committed
# .clang-format says. Prints the files that are not and fails when there is one; `clang-format -i
# FILE` formats a file.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
command -v clang-format >/dev/null || {
    echo "clang-format is missing (tools/scripts/install-deps.sh installs it)"
    exit 2
}
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find engine host plugin lv2 gui editor tools tests bench \( -name '*.cpp' -o -name '*.h' \) | sort)
fi
unformatted=0
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
        echo "$f: not formatted as .clang-format says"
        unformatted=$((unformatted + 1))
    fi
done
echo "${#files[@]} files checked, $unformatted not formatted"
[ $unformatted -eq 0 ]
