#!/usr/bin/env bash
# run-tests.sh: runs the 32-bit Windows test programs (every build/windows-x86/bin/*_tests.exe)
# against dist/x86/tovrel_vst.dll under 32-bit Wine in an emulated Debian i386 machine, and
# compares the 32-bit DLL's output samples with the 64-bit DLL's.
#
# Builds the machine image first if the cache has none (tools/x86vm/build-image.sh). The machine
# gets no network: the programs reach it through a 9p shared folder, which also brings the results
# back to build/x86vm/out. One machine runs at a time on this computer (a lock in the cache folder).
#
# Options: --if-cached  run only when the image is already built (exit 0 with a note otherwise).
set -euo pipefail
source "$(dirname "$0")/config.sh"
root=$(cd "$X86VM_DIR/../.." && pwd)
cd "$root"

if_cached=0
[ "${1:-}" = "--if-cached" ] && if_cached=1

bin=build/windows-x86/bin
dll=dist/x86/tovrel_vst.dll
x64_dump=build/windows-x64/bin/tovrel-output-dump.exe
results=build/x86vm
say() { echo "x86: $*"; }
fail() {
    echo "x86: $*" >&2
    exit 1
}

recipe=$(x86vm_recipe_id)
if [ $if_cached -eq 1 ] && { [ ! -f "$X86VM_CACHE/recipe" ] || [ "$(cat "$X86VM_CACHE/recipe")" != "$recipe" ]; }; then
    say "no machine image of this recipe in $X86VM_CACHE: the x86 tests were not run (make test-x86 builds it)"
    exit 0
fi

[ -f "$dll" ] || fail "$dll is missing: build the windows-x86 preset first"
shopt -s nullglob
programs=("$bin"/*_tests.exe)
shopt -u nullglob
[ ${#programs[@]} -gt 0 ] || fail "no test programs in $bin: build the windows-x86 preset first"

mkdir -p "$X86VM_CACHE"
exec 9>"$X86VM_CACHE/lock"
if ! flock -n 9; then
    say "waiting for the x86 machine that is running already (one at a time)"
    flock 9
fi
X86VM_LOCKED=1 "$X86VM_DIR/build-image.sh"

# --- the shared folder ---------------------------------------------------------------------------------
rm -rf "$results"
share="$results/share"
mkdir -p "$share/bin" "$share/out"
cp "${programs[@]}" "$share/bin/"
[ -f "$bin/tovrel-output-dump.exe" ] && cp "$bin/tovrel-output-dump.exe" "$share/bin/"
cp "$dll" "$share/bin/"
if [ -d tests/data ]; then
    cp -r tests/data "$share/data"
    echo "$root" >"$share/repo-root"
fi
cp "$X86VM_DIR/guest-run.sh" "$share/guest-run.sh"

# --- the 64-bit reference, under 64-bit Wine here ---------------------------------------------------------
# A Wine prefix of its own, so that starting and stopping its session never disturbs another
# engineer's 64-bit test run in the shared one.
export TOVREL_WINEPREFIX="$root/build/x86vm-wine64-prefix"
reference=""
if [ -f "$x64_dump" ] && [ -f dist/x64/tovrel_vst.dll ]; then
    # The session's processes outlive this script briefly: they must not inherit the lock.
    tools/scripts/wine-session start 9>&-
    # Stopped however the run ends, a failure included.
    trap 'tools/scripts/wine-session stop' EXIT
    if tools/scripts/wine-run "$x64_dump" --plugin=dist/x64/tovrel_vst.dll "$results/x64-dump.txt" \
        </dev/null >"$results/x64-dump.log" 2>&1; then
        reference="$results/x64-dump.txt"
    else
        cat "$results/x64-dump.log"
    fi
fi

# --- the machine ---------------------------------------------------------------------------------------
# A machine that has not started the run script within the boot limit (normally about 15 s) has
# stalled in its boot under emulation: it is stopped and booted once more, and the log says so.
# Once the run script has started, only the overall limit applies.
boot_limit=${TOVREL_X86VM_BOOT_LIMIT:-300}
out="$share/out"
boot_machine() {
    rm -f "$out/guest.log"
    x86vm_qemu test "$results/console.log" "$X86VM_TEST_TIMEOUT" \
        -drive "file=$X86VM_CACHE/image.raw,format=raw,if=virtio,snapshot=on" \
        -virtfs "local,path=$root/$share,mount_tag=tovrel,security_model=none,id=tovrel" \
        </dev/null >"$results/qemu.log" 2>&1 &
    local pid=$! waited=0
    while kill -0 "$pid" 2>/dev/null; do
        if [ ! -s "$out/guest.log" ] && [ $waited -ge "$boot_limit" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
            return 125
        fi
        sleep 2
        waited=$((waited + 2))
    done
    wait "$pid"
}
show_console() {
    echo "x86: the machine's console (last lines):" >&2
    tail -n 20 "$results/console.log" "$results/qemu.log" 2>/dev/null | sed 's/^/    /' >&2 || true
}

status=0
for attempt in 1 2; do
    say "booting the i386 machine ($X86VM_CPUS cpu, $X86VM_MEMORY MB, software emulation) for ${#programs[@]} program(s)"
    started=$(date +%s)
    status=0
    boot_machine || status=$?
    elapsed=$(($(date +%s) - started))
    [ $status -eq 125 ] || break
    say "the machine had not started its run script after $boot_limit s: stopped (attempt $attempt of 2)"
    show_console
done
[ -f "$out/guest.log" ] && sed 's/^/  /' "$out/guest.log"
if [ $status -eq 125 ]; then
    fail "the machine did not boot twice in a row (console: $results/console.log)"
fi
if [ $status -eq 124 ]; then
    show_console
    [ -f "$out/results" ] && sed 's/^/  finished: /' "$out/results" >&2
    fail "the machine did not finish within $X86VM_TEST_TIMEOUT s (console: $results/console.log)"
fi
if ! grep -q TOVREL-TEST-DONE "$results/console.log"; then
    show_console
    fail "the machine stopped before the tests finished (exit status $status; console: $results/console.log)"
fi
say "machine run: ${elapsed} s from boot to power-off"

# --- results ---------------------------------------------------------------------------------------------
passed=0
failed=0
bad=()
for exe in "${programs[@]}"; do
    name=$(basename "$exe" .exe)
    line=$(grep "^$name " "$out/results" 2>/dev/null || true)
    code=$(cut -d' ' -f2 <<<"$line")
    log="$out/$name.log"
    ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" 2>/dev/null | tail -n 1)
    ko=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$log" 2>/dev/null | tail -n 1)
    passed=$((passed + ${ok:-0}))
    failed=$((failed + ${ko:-0}))
    if [ "$code" = "0" ] && [ -n "$ok" ]; then
        say "$name: ${ok} passed${ko:+, $ko failed} ($(cut -d' ' -f3 <<<"$line") s)"
    else
        bad+=("$name")
        [ -n "$ok$ko" ] || failed=$((failed + 1))
        say "$name: FAILED (exit status ${code:-none}); its output:"
        sed 's/^/    /' "$log" 2>/dev/null | grep -vE '^\s+\[ +(RUN|OK) +\]' | tail -n 60 || true
    fi
done

# The 32-bit output against the 64-bit output, compared here with the 64-bit tool.
if [ -z "$reference" ]; then
    say "no 64-bit reference output (build the windows-x64 preset): output comparison FAILED"
    failed=$((failed + 1))
    bad+=("x64-comparison")
elif [ ! -f "$out/x86-dump.txt" ]; then
    say "the 32-bit output dump did not run:"
    sed 's/^/    /' "$out/tovrel-output-dump.log" 2>/dev/null || true
    failed=$((failed + 1))
    bad+=("x64-comparison")
elif tools/scripts/wine-run "$x64_dump" --compare "$reference" "$out/x86-dump.txt" --limit=1e-12 \
    </dev/null >"$results/comparison.txt" 2>&1; then
    say "x86 against x64: $(grep '^output comparison' "$results/comparison.txt" | sed 's/^output comparison: //')"
    passed=$((passed + 1))
else
    say "x86 against x64: FAILED"
    sed 's/^/    /' "$results/comparison.txt"
    failed=$((failed + 1))
    bad+=("x64-comparison")
fi

say "results and output in $results/share/out"
echo "x86: $passed passed, $failed failed"
[ ${#bad[@]} -eq 0 ] || fail "failed: ${bad[*]}"
