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
# http://comment.invalid/debian
Types: deb
URIs: http://security.invalid/debian-security
Suites: bookworm-security
Components: main

Types: deb-src
URIs: http://sources.invalid/debian
Suites: bookworm

Types: deb
URIs: http://disabled.invalid/debian
Suites: bookworm
Enabled: no

types: deb deb-src
uris:
 http://release.invalid/debian/
 http://second.invalid/debian
suites: bookworm-updates
 bookworm
SOURCES
expect "deb822: the first enabled binary source of the release, continued fields" http://release.invalid/debian

reset
cat >"$dir/sources.list" <<'LIST'
# deb http://commented.invalid/debian bookworm main
deb http://security.invalid/debian-security bookworm-security main
deb-src http://sources.invalid/debian bookworm main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://local.invalid:3142/debian bookworm main
LIST
expect "one-line: options skipped, security and source lines passed over" http://local.invalid:3142/debian

cat >"$dir/sources.list.d/extra.list" <<'LIST'
deb http://later.invalid/debian bookworm main
LIST
expect "sources.list comes before sources.list.d" http://local.invalid:3142/debian

reset
echo "deb http://security.invalid/debian-security bookworm-security main" >"$dir/sources.list"
expect "no release source: an error, not a guess" "(failed)"

got=$(TOVREL_APT_MIRROR=http://given.invalid/debian "$script" "$dir")
if [ "$got" = http://given.invalid/debian ]; then echo "ok: TOVREL_APT_MIRROR wins"; else
    echo "FAIL: TOVREL_APT_MIRROR ignored: got '$got'"
    failures=$((failures + 1))
fi

[ $failures -eq 0 ]
