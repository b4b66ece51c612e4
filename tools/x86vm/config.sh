# shellcheck shell=bash disable=SC2034,SC2206
# Sourced by the x86 machine scripts: where the machine image lives and how it is made and run.
# Every value can be overridden from the environment.

# The image is built once and reused by every work tree of this machine: it lives outside the
# repository.
X86VM_CACHE=${TOVREL_X86VM_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/tovrel/x86vm}
X86VM_SUITE=${TOVREL_X86VM_SUITE:-bookworm}
# The Debian mirror: this machine's own apt source unless given (build-image.sh asks
# tools/scripts/apt-mirror.sh when it needs it).
X86VM_MIRROR=${TOVREL_X86VM_MIRROR:-}

# A stock Debian i386 kernel and 32-bit Wine with the fonts that the 64-bit test machine has (the
# editor tests measure text); busybox-static is the bootstrap initramfs's only
# program. Recommends are not installed (debootstrap never installs them).
X86VM_PACKAGES=(linux-image-686 wine wine32 busybox-static fonts-wine fonts-liberation fonts-dejavu-extra)
# More packages for the machine, separated by spaces (they change the recipe: the image is rebuilt).
X86VM_PACKAGES+=(${TOVREL_X86VM_EXTRA_PACKAGES:-})

# Modules that the small initramfs loads to reach the root disk and the shared folder. The stock
# kernel builds all of them as modules.
X86VM_MODULES=(virtio virtio_ring virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci virtio_blk
    crc16 crc32c_generic mbcache jbd2 ext4 netfs fscache 9pnet 9pnet_virtio 9p)

X86VM_IMAGE_SIZE=${TOVREL_X86VM_IMAGE_SIZE:-4G}
# Free space needed to build: the downloaded packages, the unpacked tree and the image.
X86VM_NEED_MB=${TOVREL_X86VM_NEED_MB:-4000}

# One software-emulated processor: the host's two cores are shared with other engineers.
X86VM_QEMU=${TOVREL_X86VM_QEMU:-qemu-system-i386}
X86VM_CPUS=${TOVREL_X86VM_CPUS:-1}
X86VM_MEMORY=${TOVREL_X86VM_MEMORY:-1536}
# Every feature that software emulation offers (SSE2 and up), less SMAP and SMEP: with those,
# QEMU 7.2's emulation faults the guest kernel when Wine returns to user code through iret (seen
# as a kernel oops in start.exe). Wine then also starts about a quarter faster than on qemu32.
X86VM_CPU_MODEL=${TOVREL_X86VM_CPU_MODEL:-max,-smap,-smep}

# Limits, in seconds, after which a machine that has not powered itself off is stopped.
X86VM_BUILD_TIMEOUT=${TOVREL_X86VM_BUILD_TIMEOUT:-3600}
X86VM_TEST_TIMEOUT=${TOVREL_X86VM_TEST_TIMEOUT:-1800}

# The image's recipe: the package list and the files that go into the image. Raise the version
# when build-image.sh changes what it makes; any of these changes makes the next run rebuild.
X86VM_RECIPE_VERSION=1
X86VM_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
X86VM_RECIPE_FILES=("$X86VM_DIR/guest/initramfs-init" "$X86VM_DIR/guest/stage2" "$X86VM_DIR/guest/test-init")

x86vm_recipe_id() {
    {
        printf '%s\n' "$X86VM_RECIPE_VERSION" "$X86VM_SUITE" "${X86VM_PACKAGES[@]}" "${X86VM_MODULES[@]}" \
            "$X86VM_IMAGE_SIZE"
        cat "${X86VM_RECIPE_FILES[@]}"
    } | sha256sum | cut -c1-16
}

# x86vm_qemu MODE CONSOLE-LOG LIMIT [QEMU ARGS...]: boots the machine; it is stopped after LIMIT
# seconds (exit status 124) unless it has powered itself off. The machine has no network device.
x86vm_qemu() {
    local mode=$1 log=$2 limit=$3
    shift 3
    timeout "$limit" "$X86VM_QEMU" -machine pc -cpu "$X86VM_CPU_MODEL" -accel tcg -smp "$X86VM_CPUS" -m "$X86VM_MEMORY" \
        -nodefaults -display none -no-reboot -nic none \
        -serial "file:$log" \
        -kernel "${X86VM_BOOT_DIR:-$X86VM_CACHE}/vmlinuz" -initrd "${X86VM_BOOT_DIR:-$X86VM_CACHE}/initrd.img" \
        -append "console=ttyS0 panic=1 quiet loglevel=4 tovrel_mode=$mode" \
        "$@"
}
