#!/usr/bin/env bash
# test-fresh.sh [MAKE-TARGET...]: proves that a fresh Debian 12 machine builds and tests the
# project. Runs `make test` (or the targets given) as root in a minimal Debian 12 root that holds
# only what debootstrap's minbase variant gives plus git and make, with a clean clone of the current
# commit (uncommitted changes are not part of it). The base root is made once with debootstrap from
# this machine's own Debian mirror and cached outside the repository; every run starts from a
# pristine copy of it, so the packages that install-deps.sh installs are part of what is proven.
#
# Needs root (debootstrap, chroot, mounts) and debootstrap. TOVREL_FRESH_CACHE moves the cache
# (default ~/.cache/tovrel/fresh); TOVREL_FRESH_KEEP=1 keeps the run's root afterwards.
set -euo pipefail
# The whole script is one block, read before it runs: a run takes long, and the file may change
# meanwhile (a checkout, an edit).
{
export PATH=$PATH:/usr/sbin:/sbin

repo=$(cd "$(dirname "$0")/../.." && pwd)
cache=${TOVREL_FRESH_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/tovrel/fresh}
suite=bookworm
base_packages=(git make)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(test)

die() {
    echo "test-fresh: $*" >&2
    exit 1
}
note() { echo "test-fresh: $*"; }

# Removes a tree that may have had file systems mounted below it (debootstrap mounts /proc and
# /sys in the root it makes; a run mounts the host's /dev): those are unmounted first, and rm never
# crosses into another file system, so the host's devices are never touched.
remove_tree() {
    local tree=$1 point
    [ -e "$tree" ] || return 0
    for point in $(awk -v t="$tree/" 'index($2 "/", t) == 1 { print $2 }' /proc/self/mounts | sort -r); do
        umount -R "$point" 2>/dev/null || umount -R -l "$point" 2>/dev/null || true
    done
    if awk -v t="$tree/" 'index($2 "/", t) == 1 { found = 1 } END { exit !found }' /proc/self/mounts; then
        echo "test-fresh: something is still mounted below $tree; not removing it" >&2
        return 1
    fi
    rm -rf --one-file-system "$tree"
}

[ "$(id -u)" -eq 0 ] || die "must run as root (debootstrap, chroot and the mounts need it)"
command -v debootstrap >/dev/null || die "debootstrap is missing (tools/scripts/install-deps.sh installs it)"
mirror=$("$repo/tools/scripts/apt-mirror.sh")
commit=$(git -C "$repo" rev-parse HEAD)
git -C "$repo" diff --quiet HEAD -- 2>/dev/null ||
    note "the work tree has uncommitted changes: they are not tested, only commit ${commit:0:12} is"

mkdir -p "$cache"
exec 8>"$cache/lock"
flock -n 8 || die "another run holds $cache/lock"

# --- the cached base root ----------------------------------------------------------------------------
# An https mirror needs the certificates to be reachable from inside the root as well.
case "$mirror" in https:*) base_packages+=(ca-certificates) ;; esac
recipe=$(printf '%s\n' 1 "$suite" "${base_packages[@]}" | sha256sum | cut -c1-16)
base="$cache/base"
if [ ! -f "$base/recipe" ] || [ "$(cat "$base/recipe")" != "$recipe" ]; then
    note "making the base root: Debian $suite minbase with ${base_packages[*]} from $mirror"
    started=$(date +%s)
    remove_tree "$base" && remove_tree "$cache/base.new" || die "cannot clear $cache"
    mkdir -p "$cache/base.new"
    include=$(IFS=,; echo "${base_packages[*]}")
    if ! debootstrap --variant=minbase --include="$include" "$suite" "$cache/base.new/root" "$mirror" \
        >"$cache/debootstrap.log" 2>&1; then
        tail -n 5 "$cache/debootstrap.log" >&2
        die "debootstrap failed (log: $cache/debootstrap.log)"
    fi
    chroot "$cache/base.new/root" apt-get clean
    echo "$recipe" >"$cache/base.new/recipe"
    mv "$cache/base.new" "$base"
    note "base root made in $(($(date +%s) - started)) s"
fi

# --- a pristine copy with a clean clone ----------------------------------------------------------------
run="$cache/run"
root="$run/root"
mounted=()
chroot_pids() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
    done
    return 0
}
cleanup() {
    local pids i
    # Processes left inside the root (a Wine server, say) would keep the mounts busy.
    pids=$(chroot_pids)
    if [ -n "$pids" ]; then
        kill $pids 2>/dev/null || true
        sleep 1
        pids=$(chroot_pids)
        [ -z "$pids" ] || kill -9 $pids 2>/dev/null || true
    fi
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}" 2>/dev/null ||
            echo "test-fresh: could not unmount ${mounted[i]}" >&2
    done
    mounted=()
    [ "${TOVREL_FRESH_KEEP:-0}" = 1 ] || remove_tree "$run" || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

remove_tree "$run" || die "cannot clear $run"
mkdir -p "$run"
cp -a "$base/root" "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# No service starts inside the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# The root is thrown away after the run: dpkg need not sync every file it unpacks.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/tovrel-fresh"

clone="$root/root/tovrel_vst"
git init -q "$clone"
git -C "$repo" push -q "$clone" "$commit:refs/heads/fresh"
git -C "$clone" checkout -q fresh

mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount -t sysfs sysfs "$root/sys" && mounted+=("$root/sys")
# The host's devices, but nothing mounted below the root's /dev travels back to the host.
mount --rbind /dev "$root/dev" && mounted+=("$root/dev")
mount --make-rslave "$root/dev"

note "running make ${targets[*]} on commit ${commit:0:12} in a fresh Debian $suite root ($root)"
started=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c 'cd /root/tovrel_vst && make "$@"' make "${targets[@]}" 2>&1 |
    tee "$cache/last-run.log" || status=$?
took=$(($(date +%s) - started))
verdict="passed"
[ $status -eq 0 ] || verdict="FAILED (exit status $status)"
note "make ${targets[*]} $verdict in $((took / 60)) min $((took % 60)) s on a fresh Debian $suite root, commit ${commit:0:12}; log: $cache/last-run.log"
exit $status
}
