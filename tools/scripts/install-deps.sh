#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, if any are missing. Run as root
# (or with sudo available); does nothing when everything is present.
set -euo pipefail

packages=(
    cmake ninja-build make g++ pkg-config
    googletest
    gcc-multilib g++-multilib qemu-user-static
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    wine wine64
    libsndfile1-dev python3 python3-matplotlib
    clang libclang-rt-14-dev valgrind
    debootstrap qemu-system-x86 cpio e2fsprogs
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
