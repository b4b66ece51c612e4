#!/usr/bin/env bash
# check-layering.sh [SOURCE_ROOT]: the source folders use only what their layer may use.
#   engine/  nothing of the project's other folders;
#   host/    engine/ and itself;
#   gui/     itself only (the toolkit sits below the editors and knows them as CFrameOwner);
#   editor/  gui/, host/ and itself, never plugin/;
#   plugin/  engine/, host/ and itself; its editor files (*Editor*) and the module entry
#            (ModuleEntry.cpp) also editor/ and gui/;
#   lv2/     engine/, plugin/ (the shared mappings and presets) and itself, never host/;
#   gui/platform/P/ (a platform folder: win32, x11, ...) is included only from inside P/: the rest
#            of the toolkit, the editors and the plug-in reach a platform through the seam's
#            portable headers in gui/platform/ alone;
#   Windows headers only in gui/platform/win32/ and the module entry (plugin/ModuleEntry.cpp);
#   X11, Cairo and fontconfig headers only in gui/platform/x11/.
# A layer uses a folder by including one of its headers or by declaring one of its classes
# ("class X;" or "struct X;" naming a class defined there). Prints every violation as
# file:line: what, and fails when there is one.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2

folders=(engine host gui editor plugin lv2)
windows_headers='(windows|win[a-z0-9_]*|ole[a-z0-9]*|objbase|objidl|oleidl|unknwn|shellapi|shlobj|shobjidl|commctrl|commdlg|mmsystem|uxtheme|dwmapi|gdiplus|tchar)\.h'
x11_headers='(X11/[A-Za-z0-9_/]*|cairo[a-z0-9_-]*|cairo/[a-z0-9_-]*|fontconfig/[a-z0-9_]*|xcb/[a-z0-9_-]*|ft2build)\.h'
violations=0

report() {
    echo "$1: $2"
    violations=$((violations + 1))
}

# May file $1 (in folder $2) use folder $3?
folder_allowed() {
    [ "$2" = "$3" ] && return 0
    case "$2" in
    engine) false ;;
    host) [ "$3" = engine ] ;;
    gui) false ;;
    editor) [ "$3" = gui ] || [ "$3" = host ] ;;
    plugin)
        case "$3" in
        engine | host) true ;;
        editor | gui) is_plugin_editor_file "$1" ;;
        *) false ;;
        esac
        ;;
    lv2) [ "$3" = engine ] || [ "$3" = plugin ] ;;
    *) true ;;
    esac
}

is_plugin_editor_file() {
    case "$1" in
    plugin/*Editor* | plugin/ModuleEntry.cpp) true ;;
    *) false ;;
    esac
}

windows_include_allowed() {
    case "$1" in
    gui/platform/win32/* | plugin/ModuleEntry.cpp) true ;;
    *) false ;;
    esac
}

x11_include_allowed() {
    case "$1" in
    gui/platform/x11/*) true ;;
    *) false ;;
    esac
}

sources() { # sources FOLDER: its source files, NUL-separated
    find "$1" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inl' \) -print0 | sort -z
}

# Where each class is defined: "class X {", "struct X : Base", "template <...> class X" and the
# like; a line that ends in ';' right after the name only declares it.
declare -A defined_in=()
definition='^[[:space:]]*(template[[:space:]]*<.*>[[:space:]]*)?(class|struct)[[:space:]]+([A-Za-z_][A-Za-z0-9_]*)([^;]*)$'
for folder in "${folders[@]}"; do
    [ -d "$folder" ] || continue
    while IFS= read -r -d '' file; do
        while IFS= read -r text; do
            if [[ $text =~ $definition ]]; then
                name=${BASH_REMATCH[3]}
                [[ " ${defined_in[$name]:-} " == *" $folder "* ]] || defined_in[$name]+="$folder "
            fi
        done < <(grep -E '^[[:space:]]*(template|class|struct)' "$file")
    done < <(sources "$folder")
done

for folder in "${folders[@]}"; do
    [ -d "$folder" ] || continue
    while IFS= read -r -d '' file; do
        while IFS=: read -r line text; do
            if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"gui/platform/([A-Za-z0-9_]+)/ ]]; then
                platform=${BASH_REMATCH[1]}
                if [[ $file != gui/platform/$platform/* ]]; then
                    report "$file:$line" "includes gui/platform/$platform/ from outside that platform's folder"
                fi
            elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z_]+)/ ]]; then
                target=${BASH_REMATCH[1]}
                if ! folder_allowed "$file" "$folder" "$target"; then
                    report "$file:$line" "$folder/ includes $target/"
                fi
            elif [[ ${text,,} =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]${windows_headers}[\>\"] ]]; then
                if ! windows_include_allowed "$file"; then
                    report "$file:$line" "Windows header ${BASH_REMATCH[1]}.h outside gui/platform/win32/ and the module entry"
                fi
            elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]${x11_headers}[\>\"] ]]; then
                if ! x11_include_allowed "$file"; then
                    report "$file:$line" "X11 header ${BASH_REMATCH[1]}.h outside gui/platform/x11/"
                fi
            elif [[ $text =~ ^[[:space:]]*(class|struct)[[:space:]]+([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*\; ]]; then
                # A class of the project counts as used from the folders that define it; one
                # defined in none of them (a platform type) is no layer's business.
                name=${BASH_REMATCH[2]}
                owners=${defined_in[$name]:-}
                [ -n "$owners" ] || continue
                permitted=false
                for owner in $owners; do
                    folder_allowed "$file" "$folder" "$owner" && permitted=true
                done
                if ! $permitted; then
                    owners=${owners% }
                    report "$file:$line" "$folder/ declares $name of ${owners// //, }/"
                fi
            fi
        done < <(grep -n -E '^[[:space:]]*(#[[:space:]]*include|class|struct)' "$file")
    done < <(sources "$folder")
done

if [ "$violations" -ne 0 ]; then
    echo "$violations layering violation(s)"
    exit 1
fi
echo "layering: no violation in ${folders[*]}"
