#!/usr/bin/env bash
# check-layering.sh [SOURCE_ROOT]: the source folders include only what their layer may use.
#   engine/  nothing of the project's other folders;
#   host/    engine/ and itself;
#   gui/     nothing of host/, plugin/ or editor/ (the toolkit sits below the editors);
#   Windows headers only in gui/, editor/, the plug-in's editor and its module entry.
# Prints every violation as file:line: what, and fails when there is one.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2

folders=(engine host gui editor plugin)
windows_headers='(windows|win[a-z0-9_]*|ole[a-z0-9]*|objbase|objidl|oleidl|unknwn|shellapi|shlobj|shobjidl|commctrl|commdlg|mmsystem|uxtheme|dwmapi|gdiplus|tchar)\.h'
violations=0

report() {
    echo "$1: $2"
    violations=$((violations + 1))
}

# May a file in folder $1 include the project header in folder $2?
project_include_allowed() {
    case "$1" in
    engine) [ "$2" = engine ] ;;
    host) [ "$2" = host ] || [ "$2" = engine ] ;;
    gui) [ "$2" != host ] && [ "$2" != plugin ] && [ "$2" != editor ] ;;
    *) true ;;
    esac
}

windows_include_allowed() {
    case "$1" in
    gui/* | editor/* | plugin/ModuleEntry.cpp | plugin/CrossfeedEditor.*) true ;;
    *) false ;;
    esac
}

for folder in "${folders[@]}"; do
    [ -d "$folder" ] || continue
    while IFS= read -r -d '' file; do
        while IFS=: read -r line text; do
            if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z_]+)/ ]]; then
                target=${BASH_REMATCH[1]}
                if ! project_include_allowed "$folder" "$target"; then
                    report "$file:$line" "$folder/ includes $target/"
                fi
            elif [[ ${text,,} =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]${windows_headers}[\>\"] ]]; then
                if ! windows_include_allowed "$file"; then
                    report "$file:$line" "Windows header ${BASH_REMATCH[1]}.h outside gui/, the editors and the module entry"
                fi
            fi
        done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include' "$file")
    done < <(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inl' \) -print0 | sort -z)
done

if [ "$violations" -ne 0 ]; then
    echo "$violations layering violation(s)"
    exit 1
fi
echo "layering: no violation in ${folders[*]}"
