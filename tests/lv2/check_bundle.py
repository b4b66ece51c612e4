"""The LV2 bundle as the LV2 tools see it.

    check_bundle.py validate BUNDLE                   lv2_validate finds no error
    check_bundle.py describe BUNDLE                   lv2info lists the ports and presets hosts expect, and
                                                      the X11 UI where the bundle carries its library
    check_bundle.py render BUNDLE RENDERER VST_PLUGIN lv2apply gives tovrel-render's single-precision
                                                      samples for every preset and the corners of the
                                                      ranges at three rates
"""

import math, os, random, re, shutil, struct, subprocess, sys, tempfile

URI = "https://orvalen.example.org/plugins/tovrel"
UI_URI = URI + "#x11ui"
UI_BINARY = "tovrel_ui.so"
# The VST plug-in's presets: name, its renderer's key.
PRESETS = [("Taskel (Orvalen)", "taskel"), ("BS2B Default", "bs2b"), ("C. Moy", "cmoy"), ("J. Meier", "jmeier")]
# index: symbol, name, types, (minimum, maximum, default), unit, designation, properties
PORTS = [("in_l", "Left In", "AudioPort InputPort", None, None, None, ""),
         ("in_r", "Right In", "AudioPort InputPort", None, None, None, ""),
         ("out_l", "Left Out", "AudioPort OutputPort", None, None, None, ""),
         ("out_r", "Right Out", "AudioPort OutputPort", None, None, None, ""),
         ("feed", "Feed", "ControlPort InputPort", (1.0, 15.0, 6.2), "db", None, ""),
         ("fcut", "FCut", "ControlPort InputPort", (300.0, 2000.0, 730.0), "hz", None, "integer"),
         ("enabled", "Enabled", "ControlPort InputPort", (0.0, 1.0, 1.0), None, "enabled", "toggled")]


def fail(message):
    sys.exit("FAIL: " + message)


def run(args, bundle):
    if not shutil.which(args[0]):
        fail("%s is missing (tools/scripts/install-deps.sh installs it)" % args[0])
    env = dict(os.environ, LV2_PATH=os.path.dirname(os.path.abspath(bundle)))
    # A sanitized build's library needs its runtime loaded first in the host tool; the tool's own
    # leaks are not the plug-in's (the in-process tests check the library for leaks).
    if env.get("TOVREL_HOST_PRELOAD"):
        env.update(LD_PRELOAD=env["TOVREL_HOST_PRELOAD"], ASAN_OPTIONS="detect_leaks=0")
    result = subprocess.run(args, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        fail("%s exited with %d:\n%s%s" % (" ".join(args), result.returncode, result.stdout, result.stderr))
    return result.stdout + result.stderr


def validate(bundle):
    if not shutil.which("sord_validate"):  # what lv2_validate runs; a package of its own
        print("sord_validate is missing (tools/scripts/install-deps.sh installs it): not validated")
        sys.exit(77)
    files = sorted(os.path.join(bundle, f) for f in os.listdir(bundle) if f.endswith(".ttl"))
    report = run(["lv2_validate"] + files, bundle)
    if len(files) != 3 or re.search(r"\berror\b", report, re.I):
        fail("lv2_validate on %s:\n%s" % (files, report))
    print("ok: lv2_validate finds no error")


def describe(bundle):
    text = run(["lv2info", URI], bundle)
    pieces = re.split(r"\n\s*Port (\d+):\n", text)
    ports = {}
    for index, body in zip(pieces[1::2], pieces[2::2]):
        fields, key = {}, None
        for line in body.splitlines():
            match = re.match(r"\s+([A-Z][\w ]*):\s+(.*)$", line)
            key = match.group(1) if match else key
            if key and line.strip():
                fields.setdefault(key, []).append((match.group(2) if match else line).strip().rsplit("#", 1)[-1])
        ports[int(index)] = fields
    with tempfile.TemporaryDirectory() as tmp:  # lv2info prints no units: take them from its -p
        run(["lv2info", "-p", os.path.join(tmp, "d.ttl"), URI], bundle)
        turtle = open(os.path.join(tmp, "d.ttl")).read()
    problems = [] if sorted(ports) == list(range(len(PORTS))) else ["ports %s" % sorted(ports)]
    for index, (symbol, name, types, bounds, unit, designation, properties) in enumerate(PORTS):
        port = ports.get(index, {})
        got = (port.get("Symbol"), port.get("Name"), sorted(port.get("Type", [])), port.get("Designation"),
               port.get("Properties", []), tuple(float(port.get(k, ["nan"])[0]) for k in ("Minimum", "Maximum", "Default"))
               if bounds else None)
        wanted = ([symbol], [name], sorted(types.split()), [designation] if designation else None,
                  properties.split(), bounds)
        block = re.search(r'\[[^\[\]]*lv2:symbol "%s"[^\[\]]*\]' % symbol, turtle)
        units = re.findall(r"units#unit> <\S+#(\w+)>", block.group(0)) if block else ["no port"]
        if got != wanted or units != ([unit] if unit else []):
            problems.append("port %d: %s, units %s; expected %s, units %s" % (index, got, units, wanted, unit))
    listed = re.search(r"Presets:\s*\n((?:\s{9,}\S.*\n)+)", text)
    names = sorted(line.strip() for line in listed.group(1).splitlines()) if listed else []
    if names != sorted(p[0] for p in PRESETS):
        problems.append("presets %s" % names)
    # The UI as hosts find it: its class and its library in this bundle, listed exactly when the
    # bundle carries the library.
    listed = re.search(r"\n\tUIs:\n((?:\t\t.*\n)+)", text)
    uis = re.findall(r"^\t\t(\S+)\n\t\t\tClass:\s+(\S+)\n\t\t\tBinary:\s+file://(\S+)", listed.group(1), re.M) if listed else []
    library = os.path.join(os.path.abspath(bundle), UI_BINARY)
    wanted_uis = [(UI_URI, "http://lv2plug.in/ns/extensions/ui#X11UI", library)] if os.path.exists(library) else []
    if uis != wanted_uis:
        problems.append("UIs %s, expected %s" % (uis, wanted_uis))
    if problems:
        fail("lv2info shows:\n  " + "\n  ".join(problems) + "\n" + text)
    print("ok: %d ports with their ranges, units and designation, %d presets, %d UI" % (len(ports), len(names), len(uis)))


def render(bundle, renderer, plugin):
    presets = {}  # label: lv2apply's controls, as the bundle's presets file sets them
    for block in open(os.path.join(bundle, "presets.ttl")).read().split("a pset:Preset")[1:]:
        label = re.search(r'rdfs:label "([^"]+)"', block).group(1)
        presets[label] = sum((["-c", s, v] for s, v in re.findall(r'lv2:symbol "(\w+)" ;\s*pset:value ([0-9.]+)', block)), [])
    cases = [(label, presets.get(label, []), ["--preset", key]) for label, key in PRESETS]
    cases += [("%s dB, %s Hz" % (f, c), ["-c", "feed", f, "-c", "fcut", c], ["--feed", f, "--cut", c])
              for f in ("1.0", "15.0") for c in ("300", "2000")]
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        source, by_lv2, by_vst = (os.path.join(tmp, n) for n in ("in.wav", "lv2.wav", "vst.wav"))
        for rate in (44100, 48000, 96000):
            noise = random.Random(rate)
            frames = [(0.5 * math.sin(2 * math.pi * 440 * i / rate) + 0.2 * (noise.random() - 0.5),
                       0.3 * math.sin(2 * math.pi * 97 * i / rate + 1.0)) for i in range(rate // 10)]
            data = b"".join(struct.pack("<ff", *frame) for frame in frames)
            fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)  # float, stereo
            body = b"WAVEfmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
            open(source, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
            for what, controls, options in cases:
                run(["lv2apply", "-i", source, "-o", by_lv2] + controls + [URI], bundle)
                run([renderer, "--plugin", plugin, "--precision", "single", "--format", "float", "--quiet"] +
                    options + [source, by_vst], bundle)
                got, wanted = (open(p, "rb").read().split(b"data", 1)[-1] for p in (by_lv2, by_vst))
                if not controls or got != wanted:
                    failures.append("%d Hz, %s: %s" % (rate, what, "no preset" if not controls else "differ"))
    if failures:
        fail("lv2apply and tovrel-render:\n  " + "\n  ".join(failures))
    print("ok: %d settings at 3 rates, sample for sample" % len(cases))


if __name__ == "__main__":
    {"validate": validate, "describe": describe, "render": render}[sys.argv[1]](*sys.argv[2:])
