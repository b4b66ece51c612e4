#!/usr/bin/env bash
# build-image.sh [--force]: builds the Debian i386 machine image with 32-bit Wine in the cache
# folder, unless an image of the same recipe is already there. Uses only Debian's packages:
# debootstrap unpacks them here (first stage); this machine runs no 32-bit code, so the packages
# are configured inside the emulated machine itself (second stage), which then creates the Wine
# prefix. The machine has no network: everything it installs was downloaded here.
#
# The result, in the cache folder: image.raw (ext4 root file system), vmlinuz (the stock kernel),
# initrd.img (a small busybox initramfs that loads the disk and 9p modules), recipe (the recipe id).
# Callers hold the machine lock (run-tests.sh does); run alone, this script takes it itself.
set -euo pipefail
source "$(dirname "$0")/config.sh"

force=0
[ "${1:-}" = "--force" ] && force=1

die() {
    echo "x86vm: cannot build the machine image: $*" >&2
    exit 1
}
note() { echo "x86vm: $*"; }

recipe=$(x86vm_recipe_id)
if [ $force -eq 0 ] && [ -f "$X86VM_CACHE/recipe" ] && [ "$(cat "$X86VM_CACHE/recipe")" = "$recipe" ] &&
    [ -f "$X86VM_CACHE/image.raw" ] && [ -f "$X86VM_CACHE/vmlinuz" ] && [ -f "$X86VM_CACHE/initrd.img" ]; then
    exit 0
fi

# --- what the build needs on this machine ---------------------------------------------------------
missing=()
for tool in debootstrap "$X86VM_QEMU" mkfs.ext4 debugfs dpkg-deb readelf cpio gzip flock timeout; do
    command -v "$tool" >/dev/null 2>&1 || PATH=$PATH:/usr/sbin:/sbin command -v "$tool" >/dev/null 2>&1 ||
        missing+=("$tool")
done
[ ${#missing[@]} -eq 0 ] ||
    die "missing programs: ${missing[*]} (tools/scripts/install-deps.sh installs debootstrap, qemu-system-x86, cpio, e2fsprogs)"
export PATH=$PATH:/usr/sbin:/sbin
[ "$(id -u)" -eq 0 ] || die "debootstrap must run as root (it creates device nodes and owns files as root)"

mkdir -p "$X86VM_CACHE" || die "cannot create the cache folder $X86VM_CACHE"
if [ -z "${X86VM_LOCKED:-}" ]; then
    exec 9>"$X86VM_CACHE/lock"
    flock 9
fi

avail_mb=$(df -Pm "$X86VM_CACHE" | awk 'NR == 2 { print $4 }')
[ "$avail_mb" -ge "$X86VM_NEED_MB" ] ||
    die "only ${avail_mb} MB free in $X86VM_CACHE, ${X86VM_NEED_MB} MB needed (set TOVREL_X86VM_CACHE to a larger disk)"

work="$X86VM_CACHE/build"
rm -rf "$work"
mkdir -p "$work"
log="$X86VM_CACHE/build.log"
: >"$log"
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

# --- first stage: download and unpack, here --------------------------------------------------------
if [ -z "$X86VM_MIRROR" ]; then
    X86VM_MIRROR=$("$X86VM_DIR/../scripts/apt-mirror.sh") ||
        die "no Debian mirror in this machine's apt configuration (set TOVREL_X86VM_MIRROR)"
fi
root="$work/rootfs"
include=$(IFS=,; echo "${X86VM_PACKAGES[*]}")
note "downloading and unpacking Debian $X86VM_SUITE i386 ($include) from $X86VM_MIRROR"
if ! debootstrap --foreign --arch=i386 --variant=minbase --include="$include" \
    "$X86VM_SUITE" "$root" "$X86VM_MIRROR" >>"$log" 2>&1; then
    reason=$(grep -hE '^E: |No space left|Couldn.t|Failure' "$log" "$root/debootstrap/debootstrap.log" 2>/dev/null | tail -n 5 || true)
    if grep -q 'No space left' "$log" "$root/debootstrap/debootstrap.log" 2>/dev/null; then
        die "the disk of $X86VM_CACHE is full. $reason"
    elif grep -qE "Couldn.t find these debs|no such package|Couldn.t download package" "$log" 2>/dev/null; then
        die "a package is missing from $X86VM_MIRROR ($X86VM_SUITE, i386): $reason"
    elif grep -qE 'Failed getting release file|Release file|Couldn.t download|Failure trying' "$log" 2>/dev/null; then
        die "the Debian mirror $X86VM_MIRROR could not be reached or did not answer: $reason"
    fi
    die "debootstrap failed: $reason (full log: $log)"
fi
note "unpacked in $(elapsed)"

# --- kernel and initramfs, from the downloaded packages --------------------------------------------
archives="$root/var/cache/apt/archives"
kernel_deb=$(ls "$archives"/linux-image-[0-9]*-686_*_i386.deb 2>/dev/null | head -n 1)
busybox_deb=$(ls "$archives"/busybox-static_*_i386.deb 2>/dev/null | head -n 1)
[ -n "$kernel_deb" ] || die "no linux-image-*-686 package among the downloads"
[ -n "$busybox_deb" ] || die "no busybox-static package among the downloads"
dpkg-deb -x "$kernel_deb" "$work/kernel"
dpkg-deb -x "$busybox_deb" "$work/busybox"
kver=$(ls "$work/kernel/lib/modules")
cp "$work/kernel/boot/vmlinuz-$kver" "$work/vmlinuz"

initramfs="$work/initramfs"
mkdir -p "$initramfs"/{bin,dev,proc,sys,newroot,modules}
cp "$work/busybox/bin/busybox" "$initramfs/bin/busybox"
cp "$X86VM_DIR/guest/initramfs-init" "$initramfs/init"
chmod 755 "$initramfs/init" "$initramfs/bin/busybox"
: >"$initramfs/modules.order"
# Each module after the modules it depends on, as the modules' own dependency lists say.
declare -A loaded=()
add_module() {
    local name=$1 file dep
    [ -n "${loaded[$name]:-}" ] && return
    file=$(find "$work/kernel/lib/modules/$kver" \( -name "$name.ko" -o -name "${name//_/-}.ko" \) | head -n 1)
    [ -n "$file" ] || die "the kernel $kver has no module $name"
    for dep in $(readelf -p .modinfo "$file" | sed -n 's/.*depends=//p' | tr ',' ' '); do
        add_module "$dep"
    done
    loaded[$name]=1
    cp "$file" "$initramfs/modules/$name.ko"
    echo "$name" >>"$initramfs/modules.order"
}
for m in "${X86VM_MODULES[@]}"; do add_module "$m"; done
(cd "$initramfs" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.img"

# --- the image ---------------------------------------------------------------------------------------
install -d "$root/usr/local/sbin" "$root/mnt/tovrel" "$root/etc/kernel/postinst.d"
install -m 755 "$X86VM_DIR/guest/stage2" "$root/usr/local/sbin/tovrel-stage2"
install -m 755 "$X86VM_DIR/guest/test-init" "$root/usr/local/sbin/tovrel-test-init"
# The machine boots through its own initramfs: the kernel package need not make one (minutes
# under emulation). The package's hook is a configuration file, so dpkg keeps this one in its place
# when told to keep existing files.
printf '#!/bin/sh\nexit 0\n' >"$root/etc/kernel/postinst.d/initramfs-tools"
chmod 755 "$root/etc/kernel/postinst.d/initramfs-tools"
printf 'force-confold\nforce-confdef\nforce-unsafe-io\n' >"$root/etc/dpkg/dpkg.cfg.d/tovrel-x86vm"
if ! mkfs.ext4 -q -F -L tovrel-x86 -d "$root" "$work/image.raw" "$X86VM_IMAGE_SIZE" >>"$log" 2>&1; then
    grep -q 'No space left' "$log" && die "the disk of $X86VM_CACHE is full while writing the image"
    die "mkfs.ext4 could not write the image (log: $log)"
fi
rm -rf "$root"
note "image written in $(elapsed); configuring it inside the machine (software emulation, takes a while)"

# --- second stage: inside the machine -----------------------------------------------------------------
console="$work/stage2.console"
status=0
X86VM_BOOT_DIR=$work x86vm_qemu stage2 "$console" "$X86VM_BUILD_TIMEOUT" \
    -drive "file=$work/image.raw,format=raw,if=virtio,cache=unsafe" >>"$log" 2>&1 || status=$?
cat "$console" >>"$log"
if [ $status -eq 124 ]; then
    die "the machine did not finish configuring within $X86VM_BUILD_TIMEOUT s (console: $log)"
fi
if ! grep -q TOVREL-STAGE2-OK "$console"; then
    reason=$(grep -E 'tovrel-|No space left|E: |dpkg: error' "$console" | tail -n 8 || true)
    grep -q 'No space left' "$console" && die "the image ($X86VM_IMAGE_SIZE) is too small. $reason"
    die "configuring the packages inside the machine failed: $reason (console: $log)"
fi
grep 'tovrel-stage2: wine' "$console" | sed 's/^tovrel-stage2: /x86vm: /' || true

mv "$work/image.raw" "$work/vmlinuz" "$work/initrd.img" "$X86VM_CACHE/"
echo "$recipe" >"$X86VM_CACHE/recipe"
rm -rf "$work"
note "image ready in $X86VM_CACHE after $(elapsed)"
