#!/usr/bin/env bash
# apt-mirror-test.sh SCRIPT: the Debian mirror that tools/scripts/apt-mirror.sh finds in apt
# configurations of both formats, with the sources that must be passed over (security and update
# suites, source packages, disabled entries, comments) placed before the release source.
set -uo pipefail
script=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

expect() {
    local name=$1 wanted=$2 got
    got=$(env -u TOVREL_APT_MIRROR "$script" "$dir" 2>/dev/null) || got="(failed)"
    if [ "$got" = "$wanted" ]; then
        echo "ok: $name"
    else
        echo "FAIL: $name: got '$got', expected '$wanted'"
        failures=$((failures + 1))
    fi
}
reset() {
    rm -rf "${dir:?}"/*
    mkdir -p "$dir/sources.list.d"
}

reset
cat >"$dir/sources.list.d/debian.sources" <<'SOURCES'
# file:/srv/mirrors/comment/debian
Types: deb
URIs: file:/srv/mirrors/security/debian-security
Suites: bookworm-security
Components: main

Types: deb-src
URIs: file:/srv/mirrors/sources/debian
Suites: bookworm

Types: deb
URIs: file:/srv/mirrors/disabled/debian
Suites: bookworm
Enabled: no

types: deb deb-src
uris:
 file:/srv/mirrors/release/debian/
 file:/srv/mirrors/second/debian
suites: bookworm-updates
 bookworm
SOURCES
expect "deb822: the first enabled binary source of the release, continued fields" file:/srv/mirrors/release/debian

reset
cat >"$dir/sources.list" <<'LIST'
# deb file:/srv/mirrors/commented/debian bookworm main
deb file:/srv/mirrors/security/debian-security bookworm-security main
deb-src file:/srv/mirrors/sources/debian bookworm main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] file:/srv/mirrors/local/debian bookworm main
LIST
expect "one-line: options skipped, security and source lines passed over" file:/srv/mirrors/local/debian

cat >"$dir/sources.list.d/extra.list" <<'LIST'
deb file:/srv/mirrors/later/debian bookworm main
LIST
expect "sources.list comes before sources.list.d" file:/srv/mirrors/local/debian

reset
echo "deb file:/srv/mirrors/security/debian-security bookworm-security main" >"$dir/sources.list"
expect "no release source: an error, not a guess" "(failed)"

got=$(TOVREL_APT_MIRROR=file:/srv/mirrors/given/debian "$script" "$dir")
if [ "$got" = file:/srv/mirrors/given/debian ]; then echo "ok: TOVREL_APT_MIRROR wins"; else
    echo "FAIL: TOVREL_APT_MIRROR ignored: got '$got'"
    failures=$((failures + 1))
fi

[ $failures -eq 0 ]
