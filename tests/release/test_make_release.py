"""The release archives: what users unpack, and the same bytes from the same inputs."""

import hashlib
import io
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unittest
import zipfile

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "scripts",
                      "make-release.py")
EPOCH = "1700000000"  # 2023-11-14 22:13:20 UTC


def make_tree(root, version="2.3.4", logged="2.3.4"):
    files = {
        "CMakeLists.txt": "project(tovrel_vst VERSION %s LANGUAGES C CXX)\n" % version,
        "CHANGELOG.md": "# Changelog\n\n## %s\n\n- something\n\n## 0.9.0\n" % logged,
        "LICENSE": "MIT\n",
        "docs/user-guide.txt": "guide\n",
        "dist/x64/tovrel_vst.dll": "dll 64",
        "dist/x86/tovrel_vst.dll": "dll 32",
        "dist/linux-x64/tovrel_vst.so": "so 64 libX11.so.6",
        "dist/linux-x86/tovrel_vst.so": "so 32 libX11.so.6",
        "dist/linux-x64/tovrel.lv2/tovrel.so": "lv2 so",
        "dist/linux-x64/tovrel.lv2/manifest.ttl": "manifest",
        "dist/linux-x64/tovrel.lv2/tovrel.ttl": "description",
        "dist/linux-x64/tovrel.lv2/presets.ttl": "presets",
        "dist/linux-x64/tovrel.lv2/tovrel_ui.so": "lv2 ui so",
        "dist/linux-x86/tovrel.lv2/tovrel.so": "lv2 so 32",
        "dist/linux-x86/tovrel.lv2/manifest.ttl": "manifest",
        "dist/linux-x86/tovrel.lv2/tovrel.ttl": "description",
        "dist/linux-x86/tovrel.lv2/presets.ttl": "presets",
        "dist/linux-x86/tovrel.lv2/tovrel_ui.so": "lv2 ui so 32",
    }
    for name, text in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)


def run(root, out):
    env = dict(os.environ, SOURCE_DATE_EPOCH=EPOCH)
    return subprocess.run([sys.executable, SCRIPT, "--root", root, "--out", out], env=env,
                          capture_output=True, text=True)


class ReleaseArchives(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.root = os.path.join(self.tmp, "tree")
        self.out = os.path.join(self.tmp, "out")
        make_tree(self.root)

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def read(self, name):
        with open(os.path.join(self.out, name), "rb") as f:
            return f.read()

    def test_archives_hold_both_architectures_and_the_texts(self):
        result = run(self.root, self.out)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(sorted(os.listdir(self.out)),
                         ["SHA256SUMS", "tovrel_vst-2.3.4-linux.tar.gz", "tovrel_vst-2.3.4-windows.zip"])

        with zipfile.ZipFile(os.path.join(self.out, "tovrel_vst-2.3.4-windows.zip")) as z:
            self.assertEqual(z.namelist(), ["CHANGELOG.md", "LICENSE", "README.txt", "x64/tovrel_vst.dll",
                                            "x86/tovrel_vst.dll"])
            self.assertEqual(z.read("x86/tovrel_vst.dll"), b"dll 32")
            self.assertEqual(z.read("README.txt"), b"guide\n")
            self.assertEqual({i.date_time for i in z.infolist()}, {(2023, 11, 14, 22, 13, 20)})

        with tarfile.open(os.path.join(self.out, "tovrel_vst-2.3.4-linux.tar.gz")) as t:
            members = t.getmembers()
            self.assertEqual([m.name for m in members if m.isfile()],
                             ["tovrel_vst-2.3.4/CHANGELOG.md", "tovrel_vst-2.3.4/LICENSE",
                              "tovrel_vst-2.3.4/README.txt", "tovrel_vst-2.3.4/x64/tovrel.lv2/manifest.ttl",
                              "tovrel_vst-2.3.4/x64/tovrel.lv2/presets.ttl", "tovrel_vst-2.3.4/x64/tovrel.lv2/tovrel.so",
                              "tovrel_vst-2.3.4/x64/tovrel.lv2/tovrel.ttl", "tovrel_vst-2.3.4/x64/tovrel.lv2/tovrel_ui.so",
                              "tovrel_vst-2.3.4/x64/tovrel_vst.so",
                              "tovrel_vst-2.3.4/x86/tovrel.lv2/manifest.ttl", "tovrel_vst-2.3.4/x86/tovrel.lv2/presets.ttl",
                              "tovrel_vst-2.3.4/x86/tovrel.lv2/tovrel.so", "tovrel_vst-2.3.4/x86/tovrel.lv2/tovrel.ttl",
                              "tovrel_vst-2.3.4/x86/tovrel.lv2/tovrel_ui.so", "tovrel_vst-2.3.4/x86/tovrel_vst.so"])
            self.assertEqual(t.extractfile("tovrel_vst-2.3.4/x64/tovrel_vst.so").read(), b"so 64 libX11.so.6")
            self.assertEqual(t.extractfile("tovrel_vst-2.3.4/x86/tovrel_vst.so").read(), b"so 32 libX11.so.6")
            self.assertEqual(t.extractfile("tovrel_vst-2.3.4/x64/tovrel.lv2/tovrel.so").read(), b"lv2 so")
            self.assertEqual(t.extractfile("tovrel_vst-2.3.4/x64/tovrel.lv2/tovrel_ui.so").read(), b"lv2 ui so")
            self.assertEqual(t.extractfile("tovrel_vst-2.3.4/x86/tovrel.lv2/tovrel.so").read(), b"lv2 so 32")
            self.assertEqual(t.extractfile("tovrel_vst-2.3.4/x86/tovrel.lv2/tovrel_ui.so").read(), b"lv2 ui so 32")
            self.assertEqual({(m.uid, m.gid, m.uname, m.mtime) for m in members}, {(0, 0, "root", int(EPOCH))})

        sums = self.read("SHA256SUMS").decode().splitlines()
        self.assertEqual(len(sums), 2)
        for line in sums:
            digest, name = line.split("  ")
            self.assertEqual(hashlib.sha256(self.read(name)).hexdigest(), digest, name)

    def test_the_same_inputs_give_the_same_bytes_whenever_and_wherever(self):
        self.assertEqual(run(self.root, self.out).returncode, 0)
        first = {n: self.read(n) for n in os.listdir(self.out)}
        # Another folder, newer file times, another run: nothing of that may reach the archives.
        moved = os.path.join(self.tmp, "elsewhere-with-a-longer-name")
        shutil.copytree(self.root, moved)
        for folder, _, names in os.walk(moved):
            for name in names:
                os.utime(os.path.join(folder, name), (2000000000, 2000000000))
        shutil.rmtree(self.out)
        self.assertEqual(run(moved, self.out).returncode, 0)
        self.assertEqual({n: self.read(n) for n in os.listdir(self.out)}, first)
        # gzip stored neither a file name nor a time.
        gz = first["tovrel_vst-2.3.4-linux.tar.gz"]
        self.assertEqual(gz[3], 0, "gzip flags: no name stored")
        self.assertEqual(gz[4:8], b"\0\0\0\0")

    def test_a_changelog_behind_the_project_version_stops_the_release(self):
        make_tree(self.root, version="2.4.0", logged="2.3.4")
        result = run(self.root, self.out)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("CHANGELOG.md starts at 2.3.4, the project is 2.4.0", result.stderr)
        self.assertFalse(os.path.exists(self.out))

    def test_a_missing_plugin_stops_the_release(self):
        for path in ["dist/linux-x86/tovrel_vst.so", "dist/linux-x64/tovrel.lv2/presets.ttl",
                     "dist/linux-x64/tovrel.lv2/tovrel_ui.so"]:
            os.remove(os.path.join(self.root, path))
            result = run(self.root, self.out)
            self.assertNotEqual(result.returncode, 0)
            self.assertIn(path + " is missing", result.stderr)
            self.assertFalse(os.path.exists(self.out))
            make_tree(self.root)

    def test_a_linux_library_without_its_editor_stops_the_release(self):
        for path in ["dist/linux-x64/tovrel_vst.so", "dist/linux-x86/tovrel_vst.so"]:
            with open(os.path.join(self.root, path), "w") as f:
                f.write("a library that needs only libc.so.6")
            result = run(self.root, self.out)
            self.assertNotEqual(result.returncode, 0)
            self.assertIn(path + " has no editor", result.stderr)
            self.assertFalse(os.path.exists(self.out))
            make_tree(self.root)


if __name__ == "__main__":
    unittest.main()
