#!/usr/bin/env bash
# check-dll.sh OBJDUMP DLL FORMAT: checks a built plug-in DLL without running it: its image type,
# that it exports exactly VSTPluginMain and main as one function, and that it imports nothing but
# Windows system libraries (the C and C++ runtimes are linked in).
set -euo pipefail
objdump=$1
dll=$2
format=$3
fail() { echo "FAIL: $*"; exit 1; }

headers=$("$objdump" -p "$dll")
grep -q "file format $format" <<<"$headers" || fail "$dll is not a $format image"

names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | grep -E '^\s+\[' | grep -oE '\] [A-Za-z_][A-Za-z0-9_]*$' | cut -c3- | sort | tr '\n' ' ')
[ "$names" = "VSTPluginMain main " ] || fail "exports are '$names', expected exactly VSTPluginMain and main"
rvas=$(sed -n '/^Export Address Table --/,/^$/p' <<<"$headers" | grep -oE '[0-9a-f]+ Export RVA' | sort -u | wc -l)
[ "$rvas" = "1" ] || fail "VSTPluginMain and main are not one function"

allowed='^(KERNEL32|USER32|GDI32|ole32|OLEAUT32|SHELL32|msvcrt|ADVAPI32|COMCTL32|COMDLG32|msimg32|UxTheme|api-ms-win-[a-z0-9-]+)\.dll$'
imports=$(grep -oE 'DLL Name: .*' <<<"$headers" | cut -d' ' -f3)
for lib in $imports; do
    grep -qiE "$allowed" <<<"$lib" || fail "imports $lib, which is not a Windows system library"
done
echo "ok: $dll is $format, exports VSTPluginMain=main, imports $(echo $imports | tr '\n' ' ')"
