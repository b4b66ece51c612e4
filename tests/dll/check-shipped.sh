#!/usr/bin/env bash
# check-shipped.sh OBJDUMP LIBRARY SOURCE_DIR BUILD_DIR [DEBUG_FILE]: checks a built plug-in as users
# get it: no debug sections, a debug link naming the separate debug file (beside it unless given;
# it holds the debug information), and no trace of the folders it was built in.
set -euo pipefail
objdump=$1
library=$2
source_dir=$3
build_dir=$4
fail() { echo "FAIL: $*"; exit 1; }

sections=$("$objdump" -h "$library" | awk '$1 ~ /^[0-9]+$/ { print $2 }')
debug=$(grep -E '^\.(z?debug_|stab)' <<<"$sections" || true)
[ -z "$debug" ] || fail "$library carries debug sections: $(echo $debug)"
grep -qx '.gnu_debuglink' <<<"$sections" || fail "$library has no debug link"

debug_file=${5:-$library.debug}
[ -f "$debug_file" ] || fail "the debug file $debug_file is missing"
grep -q -a -F "$(basename "$debug_file")" "$library" || fail "the debug link does not name $(basename "$debug_file")"
debug_sections=$("$objdump" -h "$debug_file")
grep -q ' \.debug_info ' <<<"$debug_sections" || fail "$debug_file holds no debug information"

# A Windows image's link time stamp would differ between two builds of the same sources.
stamp=$(TZ=UTC "$objdump" -p "$library" | sed -n 's/^Time\/Date[[:space:]]*//p' | head -n1)
[ -z "$stamp" ] || grep -q 1970 <<<"$stamp" || fail "$library is stamped with its build time: $stamp"

for dir in "$source_dir" "$build_dir"; do
    count=$(grep -c -a -F "$dir" "$library" || true)
    [ "$count" = 0 ] || fail "$library contains the build machine's path $dir ($count lines)"
done
echo "ok: $library: $(stat -c %s "$library") bytes without debug information; $debug_file: $(stat -c %s "$debug_file") bytes"
