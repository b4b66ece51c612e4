#!/usr/bin/env bash
# check-install.sh BUILD_DIR PLUGIN [BUNDLE]: cmake --install puts the VST plug-in where Linux hosts
# look: the user's ~/.vst by default, <prefix>/lib/vst for an install prefix, exactly $VST_DIR when
# set, always under DESTDIR when that is set; and the LV2 bundle, when built, likewise into ~/.lv2,
# <prefix>/lib/lv2 or exactly $LV2_DIR. Runs in a temporary folder with its own HOME.
set -euo pipefail
build=$1
plugin=$2
bundle=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
expect() { # expect VST_FILE LV2_FOLDER WHAT
    [ -f "$1" ] || fail "$3: nothing at $1 ($(cd "$tmp" && find . -type f | tr '\n' ' '))"
    cmp -s "$1" "$plugin" || fail "$3: $1 is not the built plug-in"
    if [ -n "$bundle" ]; then
        [ -d "$2/tovrel.lv2" ] || fail "$3: no bundle at $2/tovrel.lv2 ($(cd "$tmp" && find . -type f | tr '\n' ' '))"
        diff -r "$2/tovrel.lv2" "$bundle" >/dev/null || fail "$3: $2/tovrel.lv2 is not the built bundle"
    fi
    rm -rf "${tmp:?}"/*
}

env -u VST_DIR -u LV2_DIR HOME="$tmp/home" cmake --install "$build" >/dev/null
expect "$tmp/home/.vst/tovrel_vst.so" "$tmp/home/.lv2" "default"
env -u VST_DIR -u LV2_DIR HOME="$tmp/home" cmake --install "$build" --prefix "$tmp/usr" >/dev/null
expect "$tmp/usr/lib/vst/tovrel_vst.so" "$tmp/usr/lib/lv2" "--prefix"
VST_DIR="$tmp/plugins" LV2_DIR="$tmp/lv2" HOME="$tmp/home" cmake --install "$build" --prefix "$tmp/usr" >/dev/null
expect "$tmp/plugins/tovrel_vst.so" "$tmp/lv2" "VST_DIR and LV2_DIR"
env -u VST_DIR -u LV2_DIR DESTDIR="$tmp/stage" HOME=/home/someone cmake --install "$build" >/dev/null
expect "$tmp/stage/home/someone/.vst/tovrel_vst.so" "$tmp/stage/home/someone/.lv2" "DESTDIR"
echo "ok: ~/.vst${bundle:+ and ~/.lv2}, <prefix>/lib/..., \$VST_DIR${bundle:+, \$LV2_DIR} and DESTDIR"
