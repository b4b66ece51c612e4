#!/usr/bin/env python3
"""Packs the built plug-ins into the release archives.

    make-release.py [--root DIR] [--out DIR]

Reads the four built plug-ins and the two Linux LV2 bundles under ROOT/dist/ and writes, under OUT (default ROOT/dist/release):
tovrel_vst-<version>-windows.zip, tovrel_vst-<version>-linux.tar.gz and SHA256SUMS. The version
is the one in ROOT/CMakeLists.txt; CHANGELOG.md must start at it. Both Linux VST libraries, 64-
and 32-bit, must carry the editor.

The archives are byte-identical for identical inputs: every entry carries the time of
SOURCE_DATE_EPOCH (taken from the last commit when it is not set), names are sorted, the owner is
root, and gzip writes no name or time of its own.
"""

import argparse
import gzip
import hashlib
import io
import os
import re
import subprocess
import sys
import tarfile
import time
import zipfile

NAME = "tovrel_vst"
BINARIES = {
    "windows": [("x64/tovrel_vst.dll", "dist/x64/tovrel_vst.dll"),
                ("x86/tovrel_vst.dll", "dist/x86/tovrel_vst.dll")],
    "linux": [("x64/tovrel_vst.so", "dist/linux-x64/tovrel_vst.so"),
              ("x86/tovrel_vst.so", "dist/linux-x86/tovrel_vst.so")],
}
# The LV2 bundle of each platform, shipped whole: (folder in the archive, built folder, files),
# each with the X11 UI's library.
BUNDLE_FILES = ["manifest.ttl", "presets.ttl", "tovrel.so", "tovrel.ttl", "tovrel_ui.so"]
BUNDLES = {
    "windows": [],
    "linux": [("x64/tovrel.lv2", "dist/linux-x64/tovrel.lv2", BUNDLE_FILES),
              ("x86/tovrel.lv2", "dist/linux-x86/tovrel.lv2", BUNDLE_FILES)],
}
# A Linux VST library built with its editor needs the X11 client library, which the dynamic section
# names; one configured without the editor does not, and would otherwise ship without a word.
EDITOR_NEEDS = b"libX11.so.6"
TEXTS = [("README.txt", "docs/user-guide.txt"), ("LICENSE", "LICENSE"), ("CHANGELOG.md", "CHANGELOG.md")]


class ReleaseError(Exception):
    pass


def project_version(root):
    with open(os.path.join(root, "CMakeLists.txt")) as f:
        match = re.search(r"project\(\s*tovrel_vst\s+VERSION\s+([0-9]+\.[0-9]+\.[0-9]+)", f.read())
    if not match:
        raise ReleaseError("CMakeLists.txt sets no project version")
    return match.group(1)


def changelog_version(root):
    with open(os.path.join(root, "CHANGELOG.md")) as f:
        for line in f:
            if line.startswith("## "):
                match = re.match(r"## \[?([0-9]+\.[0-9]+\.[0-9]+)\]?(\s|$)", line)
                return match.group(1) if match else None
    return None


def source_date_epoch(root):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"], check=True,
                             capture_output=True, text=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        raise ReleaseError("no SOURCE_DATE_EPOCH and no git commit to take the archives' time from")


def read_inputs(root, platform):
    entries = []
    files = list(BINARIES[platform])
    for folder, path, names in BUNDLES[platform]:
        files += [(folder + "/" + name, path + "/" + name) for name in names]
    for name, path in files + TEXTS:
        full = os.path.join(root, path)
        if not os.path.isfile(full):
            raise ReleaseError("%s is missing: build it first" % path)
        with open(full, "rb") as f:
            data = f.read()
        if platform == "linux" and (name, path) in BINARIES[platform] and EDITOR_NEEDS not in data:
            raise ReleaseError("%s has no editor (it needs no %s): build it with TOVREL_BUILD_X11"
                               % (path, EDITOR_NEEDS.decode()))
        entries.append((name, data))
    return sorted(entries)


def write_zip(path, entries, epoch):
    # Zip times are local-time fields without a zone and cannot go before 1980.
    date_time = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 3  # Unix, so the permission bits below are read
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


def write_tar_gz(path, top, entries, epoch):
    def info(name, kind, mode, size=0):
        entry = tarfile.TarInfo(name)
        entry.type = kind
        entry.mode = mode
        entry.size = size
        entry.mtime = epoch
        entry.uid = entry.gid = 0
        entry.uname = entry.gname = "root"
        return entry

    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.USTAR_FORMAT) as archive:
        folders = sorted({top} | {top + "/" + name.rsplit("/", 1)[0] for name, _ in entries if "/" in name})
        for folder in folders:
            archive.addfile(info(folder + "/", tarfile.DIRTYPE, 0o755))
        for name, data in entries:
            archive.addfile(info(top + "/" + name, tarfile.REGTYPE, 0o644, len(data)), io.BytesIO(data))
    with open(path, "wb") as f:
        with gzip.GzipFile(filename="", mode="wb", fileobj=f, compresslevel=9, mtime=0) as packed:
            packed.write(buffer.getvalue())


def make_release(root, out):
    version = project_version(root)
    logged = changelog_version(root)
    if logged != version:
        raise ReleaseError("CHANGELOG.md starts at %s, the project is %s: add the release's entry"
                           % (logged, version))
    epoch = source_date_epoch(root)
    windows = read_inputs(root, "windows")
    linux = read_inputs(root, "linux")

    os.makedirs(out, exist_ok=True)
    base = "%s-%s" % (NAME, version)
    archives = [base + "-windows.zip", base + "-linux.tar.gz"]
    write_zip(os.path.join(out, archives[0]), windows, epoch)
    write_tar_gz(os.path.join(out, archives[1]), base, linux, epoch)
    with open(os.path.join(out, "SHA256SUMS"), "w") as sums:
        for archive in sorted(archives):
            with open(os.path.join(out, archive), "rb") as f:
                sums.write("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), archive))
    return [os.path.join(out, a) for a in archives + ["SHA256SUMS"]]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Packs the built plug-ins into the release archives.")
    parser.add_argument("--root", default=os.path.normpath(os.path.join(here, "..", "..")))
    parser.add_argument("--out")
    args = parser.parse_args()
    out = args.out or os.path.join(args.root, "dist", "release")
    try:
        written = make_release(args.root, out)
    except ReleaseError as e:
        sys.exit("make-release: %s" % e)
    for path in written:
        print("%10d  %s" % (os.path.getsize(path), os.path.relpath(path)))


if __name__ == "__main__":
    main()
