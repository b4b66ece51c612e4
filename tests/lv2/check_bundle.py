"""The LV2 bundle as hosts and the LV2 tools see it.

    check_bundle.py validate BUNDLE
    check_bundle.py describe BUNDLE
    check_bundle.py render BUNDLE RENDER_PROGRAM VST_PLUGIN

validate: lv2_validate finds no error in the bundle's descriptions.
describe: lv2info lists the ports with their ranges, units and designation, and the four presets.
render:   lv2apply renders, through the bundle, the samples that tovrel-render renders through the
          VST plug-in's single-precision path, for every preset and both ends of both ranges at
          three rates.
"""

import math
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile

URI = "https://orvalen.example.org/plugins/tovrel"
# The VST plug-in's presets (name, feed in dB, cut in Hz), as its presets table gives them.
PRESETS = [("Taskel (Orvalen)", "taskel", 6.2, 730), ("BS2B Default", "bs2b", 4.5, 700),
           ("C. Moy", "cmoy", 6.0, 700), ("J. Meier", "jmeier", 9.5, 650)]
UNITS = "http://lv2plug.in/ns/extensions/units#"
LV2 = "http://lv2plug.in/ns/lv2core#"
SKIPPED = 77  # CTest's SKIP_RETURN_CODE for this test


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def tool(name):
    if not shutil.which(name):
        fail("%s is missing (tools/scripts/install-deps.sh installs it)" % name)
    return name


def run(args, env=None):
    result = subprocess.run(args, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        fail("%s exited with %d:\n%s%s" % (" ".join(args), result.returncode, result.stdout, result.stderr))
    return result.stdout


def lv2_env(bundle):
    return dict(os.environ, LV2_PATH=os.path.dirname(os.path.abspath(bundle)))


def validate(bundle):
    # lv2_validate is a script around sord_validate, which comes in a package of its own.
    if not shutil.which("sord_validate"):
        print("sord_validate is missing (tools/scripts/install-deps.sh installs it): not validated")
        sys.exit(SKIPPED)
    files = sorted(os.path.join(bundle, f) for f in os.listdir(bundle) if f.endswith(".ttl"))
    if len(files) != 3:
        fail("the bundle should hold manifest.ttl, tovrel.ttl and presets.ttl: %s" % files)
    result = subprocess.run([tool("lv2_validate")] + files, capture_output=True, text=True)
    report = result.stdout + result.stderr
    if result.returncode != 0 or re.search(r"\berror\b", report, re.IGNORECASE):
        fail("lv2_validate reports:\n" + report)
    print("ok: lv2_validate finds no error in %d files" % len(files))


def describe(bundle):
    env = lv2_env(bundle)
    text = run([tool("lv2info"), URI], env=env)
    ports = {}
    pieces = re.split(r"\n\s*Port (\d+):\n", text)
    for index, body in zip(pieces[1::2], pieces[2::2]):
        fields = {}
        key = None
        for line in body.splitlines():
            match = re.match(r"\s+([A-Z][\w ]*):\s+(.*)$", line)
            if match:
                key = match.group(1)
                fields[key] = [match.group(2).strip()]
            elif key and line.strip():
                fields[key].append(line.strip())
        ports[int(index)] = fields
    # The units, as lilv reads them from the bundle (lv2info itself does not print them).
    with tempfile.TemporaryDirectory() as tmp:
        written = os.path.join(tmp, "description.ttl")
        run([tool("lv2info"), "-p", written, URI], env=env)
        with open(written) as f:
            turtle = f.read()

    expected = [  # symbol, name, types, (minimum, maximum, default), unit, designation, properties
        ("in_l", "Left In", {"AudioPort", "InputPort"}, None, None, None, set()),
        ("in_r", "Right In", {"AudioPort", "InputPort"}, None, None, None, set()),
        ("out_l", "Left Out", {"AudioPort", "OutputPort"}, None, None, None, set()),
        ("out_r", "Right Out", {"AudioPort", "OutputPort"}, None, None, None, set()),
        ("feed", "Feed", {"ControlPort", "InputPort"}, (1.0, 15.0, 6.2), "db", None, set()),
        ("fcut", "FCut", {"ControlPort", "InputPort"}, (300.0, 2000.0, 730.0), "hz", None, {"integer"}),
        ("enabled", "Enabled", {"ControlPort", "InputPort"}, (0.0, 1.0, 1.0), None, "enabled", {"toggled"}),
    ]
    problems = []
    if sorted(ports) != list(range(len(expected))):
        problems.append("ports %s, expected 0 to %d" % (sorted(ports), len(expected) - 1))
    for index, (symbol, name, types, bounds, unit, designation, properties) in enumerate(expected):
        port = ports.get(index, {})
        seen = {t.rsplit("#", 1)[-1] for t in port.get("Type", [])}
        checks = [("symbol", port.get("Symbol", [None])[0], symbol), ("name", port.get("Name", [None])[0], name),
                  ("types", seen, types),
                  ("properties", {p.rsplit("#", 1)[-1] for p in port.get("Properties", [])}, properties),
                  ("designation", port.get("Designation", [LV2 + "None"])[0].rsplit("#", 1)[-1],
                   designation or "None")]
        if bounds:
            got = tuple(float(port.get(k, ["nan"])[0]) for k in ("Minimum", "Maximum", "Default"))
            checks.append(("minimum, maximum, default", got, bounds))
        for what, got, wanted in checks:
            if got != wanted:
                problems.append("port %d %s: %s, expected %s" % (index, what, got, wanted))
        # Each control port's block in the written description names its unit, or none.
        block = re.search(r'\[[^\[\]]*lv2:symbol "%s"[^\[\]]*\]' % symbol, turtle)
        units = re.findall(r"<%sunit> <%s(\w+)>" % (UNITS, UNITS), block.group(0)) if block else ["no port"]
        if units != ([unit] if unit else []):
            problems.append("port %d unit: %s, expected %s" % (index, units, unit))
    listed = re.search(r"Presets:\s*\n((?:\s{9,}\S.*\n)+)", text)
    names = sorted(line.strip() for line in listed.group(1).splitlines()) if listed else []
    if names != sorted(p[0] for p in PRESETS):
        problems.append("presets %s, expected %s" % (names, sorted(p[0] for p in PRESETS)))
    if problems:
        fail("lv2info shows:\n  " + "\n  ".join(problems) + "\n" + text)
    print("ok: %d ports with their ranges, units and designation, %d presets" % (len(ports), len(names)))


def preset_values(bundle):
    """(label, feed, cut) for each preset, as the bundle's presets file gives them to hosts."""
    with open(os.path.join(bundle, "presets.ttl")) as f:
        text = f.read()
    values = {}
    for block in re.findall(r"a pset:Preset ;(.*?)\]\s*\.", text, re.S):
        label = re.search(r'rdfs:label "([^"]+)"', block).group(1)
        ports = dict(re.findall(r'lv2:symbol "(\w+)" ;\s*pset:value ([0-9.]+)', block))
        values[label] = (ports.get("feed"), ports.get("fcut"))
    return values


def write_signal(path, rate, frames):
    """A stereo float WAV: a tone with noise on the left, a lower tone on the right."""
    generator = random.Random(rate)
    data = bytearray()
    for i in range(frames):
        left = 0.5 * math.sin(2 * math.pi * 440 * i / rate) + 0.2 * (generator.random() - 0.5)
        right = 0.3 * math.sin(2 * math.pi * 97 * i / rate + 1.0)
        data += struct.pack("<ff", left, right)
    fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def samples(path):
    """The data chunk of a WAV file, as bytes."""
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        kind, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if kind == b"data":
            return data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    fail("%s has no data chunk" % path)


def render(bundle, program, plugin):
    presets = preset_values(bundle)
    cases = []  # (what, lv2apply controls, tovrel-render options)
    for label, key, feed, cut in PRESETS:
        if label not in presets:
            fail("the bundle has no preset %r" % label)
        feed_value, cut_value = presets[label]
        cases.append((label, ["-c", "feed", feed_value, "-c", "fcut", cut_value], ["--preset", key]))
    for feed, cut in [("1.0", "300"), ("1.0", "2000"), ("15.0", "300"), ("15.0", "2000")]:
        cases.append(("%s dB, %s Hz" % (feed, cut), ["-c", "feed", feed, "-c", "fcut", cut],
                      ["--feed", feed, "--cut", cut]))
    env = lv2_env(bundle)
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        for rate in (44100, 48000, 96000):
            source = os.path.join(tmp, "in-%d.wav" % rate)
            write_signal(source, rate, rate // 10)
            for what, controls, options in cases:
                by_lv2 = os.path.join(tmp, "lv2.wav")
                by_vst = os.path.join(tmp, "vst.wav")
                run([tool("lv2apply"), "-i", source, "-o", by_lv2] + controls + [URI], env=env)
                run([program, "--plugin", plugin, "--precision", "single", "--format", "float", "--quiet"] +
                    options + [source, by_vst])
                got, wanted = samples(by_lv2), samples(by_vst)
                if got != wanted:
                    a = struct.unpack("<%df" % (len(got) // 4), got)
                    b = struct.unpack("<%df" % (len(wanted) // 4), wanted)
                    first = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
                    failures.append("%d Hz, %s: %d and %d samples, first difference at sample %d" %
                                    (rate, what, len(a), len(b), first))
    if failures:
        fail("lv2apply and tovrel-render differ:\n  " + "\n  ".join(failures))
    print("ok: %d settings at 3 rates, sample for sample" % len(cases))


def main():
    mode, bundle = sys.argv[1], sys.argv[2]
    if mode == "validate":
        validate(bundle)
    elif mode == "describe":
        describe(bundle)
    elif mode == "render":
        render(bundle, sys.argv[3], sys.argv[4])
    else:
        fail("unknown mode " + mode)


if __name__ == "__main__":
    main()
