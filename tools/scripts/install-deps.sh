#!/usr/bin/env bash
# install-deps.sh [demo|test|fresh] [PACKAGE...]: installs the Debian packages that `make demo`
# (profile demo) or every build, test and benchmark (profile test, the default) need, if any are
# missing, plus the packages named after the profile. Profile fresh is what `make test-fresh` needs
# on this machine to make its Debian root: debootstrap alone. Run as root (or with sudo available); does nothing
# when everything is present. Recommended packages are never installed, so every package that
# anything here uses is named below.
set -euo pipefail

profile="test"
case "${1:-}" in
demo | test | fresh)
    profile=$1
    shift
    ;;
esac

# make demo: the native x86-64 build (plug-in, renderer, demo signal, response probe; its
# configuration also sets up the tests, hence GoogleTest and Python; matplotlib draws the response
# curves) and the 64-bit Windows build whose editor is pictured under Wine. The editor's text is Arial: Wine draws it with Liberation Sans, and takes its own
# user-interface fonts from fonts-wine (the two fonts that the wine package only recommends).
packages=(
    cmake ninja-build make g++ pkg-config
    googletest python3 python3-matplotlib
    libsndfile1-dev
    # The LV2 plug-in's headers (the native 64-bit build makes the LV2 bundle).
    lv2-dev
    # The Linux editor (native 64-bit build): X11 windows, Cairo painting, its text through
    # fontconfig and FreeType (Arial where the system has it, else Liberation Sans); the same
    # build's X11 test host synthesizes input (XTest), counts X resources (XRes) and reads the
    # pointer's cursor (XFixes).
    libx11-dev libcairo2-dev libfontconfig-dev libfreetype-dev libxtst-dev libxres-dev libxfixes-dev
    # The demo pictures that editor on a screen-less X server, and at 200 % through a DPI that
    # xrdb gives that server.
    xvfb x11-xserver-utils
    g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    wine wine64 fonts-wine fonts-liberation
)
if [ "$profile" = fresh ]; then
    packages=(debootstrap)
elif [ "$profile" = test ]; then
    packages+=(
        # The 32-bit builds: Linux i386 (tests under qemu-user) and the 32-bit DLL.
        gcc-multilib g++-multilib qemu-user-static
        # The 32-bit Linux library's editor: the i386 development files of its libraries, through
        # Debian multiarch (the architecture is added below when missing); its X11 tests load the
        # same i386 libraries under qemu-user.
        libx11-dev:i386 libcairo2-dev:i386 libfontconfig-dev:i386 libfreetype-dev:i386
        libxtst-dev:i386 libxres-dev:i386
        # The 32-bit LV2 bundle: pkg-config reads the i386 folder there, where only this package
        # puts the headers' lv2.pc.
        lv2-dev:i386
        g++-mingw-w64-i686 binutils-mingw-w64-i686
        # The LV2 bundle's checks: lv2info and lv2apply, and sord_validate under lv2_validate.
        lilv-utils sordi
        # The LV2 plug-in bounced in a DAW session: ardour7-lua with its dummy audio backend needs
        # only what ardour depends on. Its one recommendation, the video timeline, is left out:
        # nothing the test runs opens a file of it.
        ardour
        # The Linux editor's tests: xwininfo beside the X server above.
        x11-utils
        # The fuzzer and the sanitizer builds; callgrind for make bench; the format check.
        clang libclang-rt-14-dev valgrind clang-format
        # make test-x86 (the emulated i386 machine) and make test-fresh (a fresh Debian root).
        debootstrap qemu-system-x86 cpio e2fsprogs
    )
fi
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    # A name without an architecture lists one line for each one installed (pkg-config comes as
    # amd64 and i386 once the 32-bit editor's packages are in): any installed one will do.
    status=$(dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null || true)
    grep -qx "install ok installed" <<<"$status" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps: adding the i386 architecture (multiarch)"
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
# 32-bit Wine must never come in: once installed, the wine launcher takes the 32-bit loader and the
# 64-bit Windows tests fail. Nothing here depends on it (wine64 only recommends it, and
# recommendations stay out), so a plan that holds it is refused before anything is installed.
plan=$($sudo apt-get install -s -y --no-install-recommends "${missing[@]}")
if grep -q '^Inst wine32' <<<"$plan"; then
    echo "install-deps: refusing: installing ${missing[*]} would bring wine32" >&2
    exit 1
fi
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
