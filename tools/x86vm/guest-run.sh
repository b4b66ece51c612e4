#!/bin/sh
# Runs inside the x86 machine (tools/x86vm/run-tests.sh copies it into the shared folder and the
# machine's init starts it): every *_tests.exe under 32-bit Wine, then the output dump. Everything
# lands in SHARE/out: one NAME.log and NAME.xml per program, results (NAME STATUS SECONDS per
# line) and x86-dump.txt.
share=$1
out=$share/out
work=/tmp/tovrel
export WINEPREFIX=/root/.wine WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export HOME=/root

# Progress also goes to the machine's console, so that a run which stops midway shows where.
note() {
    echo "$*"
    echo "tovrel: $*" >/dev/console 2>/dev/null || true
}
now() { date +%s.%N | cut -c1-14; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

note "machine: $(uname -m), kernel $(uname -r), $(wine --version), $(grep -c ^processor /proc/cpuinfo) cpu"
# Wine maps executables into memory: run them from the machine's own memory, not from 9p.
t0=$(now)
mkdir -p "$work"
cp -r "$share/bin" "$work/bin"
note "programs copied from the shared folder in $(seconds "$t0" "$(now)") s ($(du -sh "$work/bin" | cut -f1))"
# Tests may name data files by their absolute path in the source tree (as Z:\...).
if [ -d "$share/data" ] && [ -s "$share/repo-root" ]; then
    data="$(cat "$share/repo-root")/tests/data"
    mkdir -p "$(dirname "$data")"
    cp -r "$share/data" "$data"
fi

t0=$(now)
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
note "wine session up in $(seconds "$t0" "$(now)") s"

: >"$out/results"
cd "$work/bin" || exit 1
for exe in *_tests.exe; do
    [ -f "$exe" ] || continue
    name=${exe%.exe}
    echo "tovrel: $name starts" >/dev/console 2>/dev/null || true
    t0=$(now)
    timeout "${TOVREL_TEST_TIMEOUT:-300}" wine "./$exe" --gtest_output="xml:$name.xml" </dev/null >"$out/$name.log" 2>&1
    status=$?
    [ -f "$name.xml" ] && cp "$name.xml" "$out/"
    echo "$name $status $(seconds "$t0" "$(now)")" >>"$out/results"
    note "$name: exit status $status in $(seconds "$t0" "$(now)") s"
done

if [ -f tovrel-output-dump.exe ]; then
    t0=$(now)
    timeout "${TOVREL_TEST_TIMEOUT:-300}" wine ./tovrel-output-dump.exe "$work/x86-dump.txt" </dev/null >"$out/tovrel-output-dump.log" 2>&1
    status=$?
    [ -f "$work/x86-dump.txt" ] && cp "$work/x86-dump.txt" "$out/"
    note "tovrel-output-dump: exit status $status in $(seconds "$t0" "$(now)") s"
fi

wineserver -k </dev/null >/dev/null 2>&1
sync
