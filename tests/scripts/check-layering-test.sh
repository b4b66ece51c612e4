#!/usr/bin/env bash
# check-layering-test.sh SCRIPT: the layering check passes a tree whose folders keep to their layers
# (allowed includes and class declarations of every kind present, platform headers in their platform
# folders) and names, by file and line, each include or class declaration that breaks a layer in a
# tree where one of each kind was planted.
set -uo pipefail
script=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}

put() { # put FILE LINE...: writes the lines into FILE under the tree
    mkdir -p "$(dirname "$dir/$1")"
    local file=$1
    shift
    printf '%s\n' "$@" >"$dir/$file"
}

put engine/Filter.h '#pragma once' '#include "engine/Word.h"' '#include <cstdint>' 'class Filter {' '};'
put host/Effect.h '#pragma once' 'class Filter;' 'class PluginEditor;' 'class Effect {' '};'
put host/Effect.cpp '#include "host/Effect.h"' '#include "engine/Filter.h"'
put host/PluginEditor.h '#pragma once' 'class PluginEditor {' '};'
put gui/Frame.h '#pragma once' 'struct IDataObject;' 'class FrameOwner;' 'class Frame : public View' '{' '};'
put gui/Frame.cpp '#include "gui/Frame.h"' '#include "gui/platform/PlatformWindow.h"'
put gui/platform/win32/Win32Window.cpp '#include "gui/platform/win32/Win32Window.h"' '#include "gui/Frame.h"' \
    '#include <windows.h>' '#include <ole2.h>'
put gui/platform/x11/X11Window.cpp '#include "gui/platform/x11/X11Window.h"' '#include <X11/Xlib.h>' \
    '#include <cairo/cairo-xlib.h>' '#include <cairo.h>' '#include <fontconfig/fontconfig.h>'
put editor/Editor.h '#pragma once' 'class Frame;' 'class Effect;' 'class Editor final : public PluginEditor {' '};'
put editor/Editor.cpp '#include "editor/Editor.h"' '#include "gui/Frame.h"' '#include "host/Editor.h"' \
    '#include "gui/platform/PlatformMenu.h"'
put plugin/ModuleEntry.cpp '#include "gui/ModuleInstance.h"' '#include <windows.h>'
put plugin/CrossfeedEditor.h '#pragma once' 'class Editor;' 'struct Frame;' '#include "editor/Editor.h"'
put plugin/CrossfeedEditor.cpp '#include "editor/Editor.h"' '#include "gui/Frame.h"' '#include "gui/platform/PlatformTypes.h"'
put plugin/Effect.cpp '#include "engine/Filter.h"' '#include "host/Effect.h"' 'class PluginEditor;'
put lv2/Adapter.cpp '#include "lv2/Adapter.h"' '#include "engine/Filter.h"' '#include "plugin/Mappings.h"'

output=$("$script" "$dir" 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "a tree that keeps its layers fails ($status): $output"

put engine/Bad.h '#pragma once' '#include "host/Effect.h"'
put host/Bad.cpp '#include "host/Effect.h"' '#include "gui/Frame.h"' ' #  include <Windows.h>'
put gui/Bad.cpp '#include "gui/Frame.h"' '#include "host/Editor.h"' '#include "plugin/Effect.h"' '#include "editor/Editor.h"'
put plugin/Effect.cpp '#include "engine/Filter.h"' '#include <shellapi.h>' '#include "editor/Editor.h"' 'class Editor;'
put editor/Bad.cpp '#include "editor/Editor.h"' '#include "plugin/Effect.h"' 'struct Filter;'
put gui/Bad.h '#pragma once' '  class Editor;' 'class Effect ;'
put lv2/Bad.cpp '#include "lv2/Adapter.h"' '#include "host/Effect.h"'
# Platform code outside its platform's folder: in the portable toolkit, the editors, the plug-in's
# editor and another platform's folder.
put gui/View.cpp '#include "gui/View.h"' '#include <windows.h>' '#include <X11/Xlib.h>' '#include "gui/platform/win32/Win32Window.h"'
put gui/platform/win32/Bad.cpp '#include <windows.h>' '#include <cairo.h>' '#include "gui/platform/x11/X11Window.h"'
put gui/platform/x11/Bad.cpp '#include <X11/Xutil.h>' '#include <ole2.h>'
put editor/Menu.cpp '#include "editor/Editor.h"' '#include <windows.h>' '#include "gui/platform/win32/Win32Menu.h"'
put plugin/CrossfeedEditor.cpp '#include "editor/Editor.h"' '#include <windows.h>'

output=$("$script" "$dir" 2>&1)
status=$?
[ "$status" -ne 0 ] || fail "planted violations pass"
for wanted in \
    "engine/Bad.h:2: engine/ includes host/" \
    "host/Bad.cpp:2: host/ includes gui/" \
    "host/Bad.cpp:3: Windows header windows.h" \
    "gui/Bad.cpp:2: gui/ includes host/" \
    "gui/Bad.cpp:3: gui/ includes plugin/" \
    "gui/Bad.cpp:4: gui/ includes editor/" \
    "plugin/Effect.cpp:2: Windows header shellapi.h" \
    "plugin/Effect.cpp:3: plugin/ includes editor/" \
    "plugin/Effect.cpp:4: plugin/ declares Editor of editor/" \
    "editor/Bad.cpp:2: editor/ includes plugin/" \
    "lv2/Bad.cpp:2: lv2/ includes host/" \
    "editor/Bad.cpp:3: editor/ declares Filter of engine/" \
    "gui/Bad.h:2: gui/ declares Editor of editor/" \
    "gui/Bad.h:3: gui/ declares Effect of host/" \
    "gui/View.cpp:2: Windows header windows.h" \
    "gui/View.cpp:3: X11 header X11/Xlib.h" \
    "gui/View.cpp:4: includes gui/platform/win32/ from outside" \
    "gui/platform/win32/Bad.cpp:2: X11 header cairo.h" \
    "gui/platform/win32/Bad.cpp:3: includes gui/platform/x11/ from outside" \
    "gui/platform/x11/Bad.cpp:2: Windows header ole2.h" \
    "editor/Menu.cpp:2: Windows header windows.h" \
    "editor/Menu.cpp:3: includes gui/platform/win32/ from outside" \
    "plugin/CrossfeedEditor.cpp:2: Windows header windows.h"; do
    grep -qF "$wanted" <<<"$output" || fail "not reported: $wanted"
done
reported=$(grep -c '^[a-z0-9_/]*/[A-Za-z0-9_]*\.[a-z]*:[0-9]*: ' <<<"$output")
[ "$reported" -eq 23 ] || fail "$reported violations reported, 23 planted: $output"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "ok: layers kept pass, each planted include and class declaration named by file and line"
