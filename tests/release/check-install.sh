#!/usr/bin/env bash
# check-install.sh BUILD_DIR PLUGIN: cmake --install puts the plug-in where Linux hosts look: the
# user's ~/.vst by default, <prefix>/lib/vst for an install prefix, exactly $VST_DIR when set,
# always under DESTDIR when that is set. Runs in a temporary folder with its own HOME.
set -euo pipefail
build=$1
plugin=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
expect() {
    [ -f "$1" ] || fail "$2: nothing at $1 ($(cd "$tmp" && find . -type f | tr '\n' ' '))"
    cmp -s "$1" "$plugin" || fail "$2: $1 is not the built plug-in"
    rm -rf "${tmp:?}"/*
}

env -u VST_DIR HOME="$tmp/home" cmake --install "$build" >/dev/null
expect "$tmp/home/.vst/tovrel_vst.so" "default"
env -u VST_DIR HOME="$tmp/home" cmake --install "$build" --prefix "$tmp/usr" >/dev/null
expect "$tmp/usr/lib/vst/tovrel_vst.so" "--prefix"
VST_DIR="$tmp/plugins" HOME="$tmp/home" cmake --install "$build" --prefix "$tmp/usr" >/dev/null
expect "$tmp/plugins/tovrel_vst.so" "VST_DIR"
env -u VST_DIR DESTDIR="$tmp/stage" HOME=/home/someone cmake --install "$build" >/dev/null
expect "$tmp/stage/home/someone/.vst/tovrel_vst.so" "DESTDIR"
echo "ok: ~/.vst, <prefix>/lib/vst, \$VST_DIR and DESTDIR"
