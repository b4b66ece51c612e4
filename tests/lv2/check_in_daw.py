"""The LV2 plug-in in a DAW: the headless Lua interpreter of Debian's ardour package (ardour7-lua)
plays a stereo signal through it on a track and bounces the session to float WAV files
(daw_bounce.lua), and the bounces are compared with the plug-in driven directly.

    check_in_daw.py BUNDLE RENDERER VST_PLUGIN

- As inserted, the bounce equals lv2apply's output sample for sample, at the same frames.
- With "Feed" automated from 6.2 to 15 dB at CHANGE, it equals tovrel-render's single-precision
  output with that change at one frame, which lies within one of the session's processing blocks
  of CHANGE; before it, it equals the plain output; and the largest step between neighbouring
  samples around the change is no larger than the direct render's with the change at CHANGE.

No tolerance: the signal is float, the track's fader, panner and the master bus stay at unity and
the export writes 32-bit float without dither, so the DAW's own path changes no sample. Exit code
77 (a skip) when ardour7-lua is not installed.
"""

import math, os, random, shutil, struct, subprocess, sys, tempfile

URI = "https://orvalen.example.org/plugins/tovrel"
RATE, FRAMES = 48000, 3 * 48000
CHANGE = 70000  # not on a block boundary, to see where the DAW applies the step
# A float WAV export preset over the DAW's own 32-bit float format, put where the DAW looks for the
# user's presets (inside the temporary configuration folder).
PRESET = """<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="6a1d3c52-2f0e-4b8e-9a57-0c7e5a4f1b21" name="Float WAV">
  <ExportFormat id="20b4ab09-6452-4cb3-bd66-b921cdbd2942"/>
  <ExportFilename><Folder relative="1" path="export"/><Field name="timespan" enabled="1"/></ExportFilename>
</ExportPreset>
"""


# The session file's lists as the DAW's import fills them: each channel a source of its own and one
# whole-file region over both. Positions count superclock ticks, 282240000 a second.
SOURCES = """<Sources>
    <Source name="in%L.wav" type="audio" flags="" id="900001" channel="0" origin="in.wav" gain="1"/>
    <Source name="in%R.wav" type="audio" flags="" id="900002" channel="0" origin="in.wav" gain="1"/>
  </Sources>"""
REGIONS = """<Regions>
    <Region name="in" whole-file="1" import="1" start="a0" length="a{ticks}@a0" position="a0" id="900003"
            type="audio" source-0="900001" source-1="900002" master-source-0="900001" master-source-1="900002"
            channels="2"/>
  </Regions>"""
# The DAW, headless, sometimes dies of a corrupted heap around its export (with its own plug-ins in
# place of this one as well): a run that dies by a signal before it has finished is run again on a
# fresh copy of the session.
ATTEMPTS = 5


def fail(message):
    sys.exit("FAIL: " + message)


def run(args, env, timeout=60):
    result = subprocess.run(args, capture_output=True, text=True, env=env, timeout=timeout)
    if result.returncode != 0:
        fail("%s exited with %d:\n%s%s" % (" ".join(args), result.returncode, result.stdout, result.stderr))
    return result.stdout


def run_daw(args, pristine, session, env, crashes):
    """ardour7-lua on a fresh copy of the pristine session (or none), again while it dies by a signal."""
    for _ in range(ATTEMPTS):
        shutil.rmtree(session, ignore_errors=True)
        if pristine:
            shutil.copytree(pristine, session)
        result = subprocess.run(args, capture_output=True, text=True, env=env, timeout=120)
        lines = result.stdout.split()
        finished = lines and lines[-1] in ("created", "bounced")
        if result.returncode < 0:  # the files it finished are checked as any others
            crashes.append(-result.returncode)
        if finished and result.returncode <= 0:
            return result.stdout
        if result.returncode >= 0:
            fail("%s exited with %d:\n%s%s" % (" ".join(args), result.returncode, result.stdout, result.stderr))
    fail("%s died %d times (signals %s)" % (" ".join(args), ATTEMPTS, crashes))


def write_wav(path, channels):
    data = b"".join(struct.pack("<%df" % len(frame), *frame) for frame in zip(*channels))
    count = len(channels)
    fmt = struct.pack("<HHIIHH", 3, count, RATE, RATE * 4 * count, 4 * count, 32)  # float
    body = b"WAVEfmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
    open(path, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)


def read_wav(path):
    """Interleaved stereo float samples; the DAW's broadcast WAV carries chunks of its own."""
    raw, position, fmt, data = open(path, "rb").read(), 12, None, b""
    while position + 8 <= len(raw):
        chunk, size = raw[position:position + 4], struct.unpack("<I", raw[position + 4:position + 8])[0]
        if chunk == b"fmt ":
            fmt = struct.unpack("<HHIIHH", raw[position + 8:position + 24])
        elif chunk == b"data":
            data = raw[position + 8:position + 8 + size]
        position += 8 + size + (size & 1)
    if not fmt or fmt[0] != 3 or fmt[1] != 2 or fmt[2] != RATE or fmt[5] != 32:
        fail("%s is not 32-bit float stereo at %d Hz: %s" % (path, RATE, fmt))
    samples = struct.unpack("<%df" % (len(data) // 4), data)
    return [samples[0::2], samples[1::2]]


def first_difference(a, b):
    for frame in range(min(len(a[0]), len(b[0]))):
        if a[0][frame] != b[0][frame] or a[1][frame] != b[1][frame]:
            return frame
    return None if len(a[0]) == len(b[0]) else min(len(a[0]), len(b[0]))


def offset_of(bounce, reference, reach):
    """Frames by which the bounce lags the reference (over a stretch in the middle), or None."""
    middle = len(reference[0]) // 2
    return next((shift for shift in range(-reach, reach + 1)
                 if bounce[0][middle + shift:middle + shift + 2048] == reference[0][middle:middle + 2048]), None)


def largest_step(signal, start, end):
    return max(abs(channel[i] - channel[i - 1]) for channel in signal for i in range(start, end))


def main(bundle, renderer, plugin):
    lua = shutil.which("ardour7-lua")
    if not lua:
        print("ardour7-lua is missing (the ardour package; tools/scripts/install-deps.sh test installs it): not run")
        sys.exit(77)
    if not shutil.which("lv2apply"):
        fail("lv2apply is missing (tools/scripts/install-deps.sh installs it)")
    with tempfile.TemporaryDirectory(prefix="tovrel-daw-") as work:
        # The DAW keeps its configuration and caches under the temporary folder, never the user's.
        home = os.path.join(work, "home")
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_DATA_HOME=os.path.join(home, ".local/share"),
                   LV2_PATH=os.path.dirname(os.path.abspath(bundle)))
        env.pop("DISPLAY", None)
        os.makedirs(os.path.join(home, ".config", "ardour7", "export"))
        open(os.path.join(home, ".config", "ardour7", "export", "float.preset"), "w").write(PRESET)

        noise = random.Random(RATE)
        left = [0.5 * math.sin(2 * math.pi * 440 * i / RATE) + 0.2 * (noise.random() - 0.5) for i in range(FRAMES)]
        right = [0.3 * math.sin(2 * math.pi * 97 * i / RATE + 1.0) for i in range(FRAMES)]
        source = os.path.join(work, "in.wav")
        write_wav(source, [left, right])

        # The new session gets the signal as the DAW's import leaves it (the headless interpreter
        # has no importer): the channels in its audio folder, the sources and region in its file.
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "daw_bounce.lua")
        pristine, crashes = os.path.join(work, "pristine", "check"), []  # named after its folder
        run_daw([lua, script, "create", pristine], None, pristine, env, crashes)
        write_wav(os.path.join(pristine, "interchange", "check", "audiofiles", "in%L.wav"), [left])
        write_wav(os.path.join(pristine, "interchange", "check", "audiofiles", "in%R.wav"), [right])
        state = open(os.path.join(pristine, "check.ardour")).read()
        if "<Sources/>" not in state or "<Regions/>" not in state:
            fail("the new session file has no empty source or region list")
        state = state.replace("<Sources/>", SOURCES, 1).replace("<Regions/>", REGIONS.format(ticks=FRAMES * 5880), 1)
        open(os.path.join(pristine, "check.ardour"), "w").write(state)

        session, bounces, log = os.path.join(work, "check"), [], ""
        for name, change in (("plain", []), ("automated", [str(CHANGE)])):
            bounces.append(os.path.join(work, name + ".wav"))
            log += run_daw([lua, script, "bounce", session, str(FRAMES), bounces[-1]] + change, pristine,
                           session, env, crashes)
        block = int(next(line.split()[1] for line in log.splitlines() if line.startswith("block ")))
        plain, automated = (read_wav(path) for path in bounces)

        direct = os.path.join(work, "lv2apply.wav")
        run(["lv2apply", "-i", source, "-o", direct, URI], env)
        expected = read_wav(direct)

        def rendered(frame):
            path = os.path.join(work, "render-%d.wav" % frame)
            run([renderer, "--plugin", plugin, "--precision", "single", "--format", "float", "--quiet", "--feed",
                 "6.2", "--cut", "730", "--feed-at", "%d:15" % frame, source, path], env)
            return read_wav(path)

        problems = []
        at = first_difference(plain, expected)
        if at is not None:
            problems.append("the plain bounce (%d frames) differs from lv2apply's (%d) from frame %d; it lags by %s"
                            % (len(plain[0]), len(expected[0]), at, offset_of(plain, expected, 4 * block)))
        # The step lands where the bounce first leaves the plain output; from there on the whole
        # bounce is the direct render with the change at that frame.
        landed = first_difference(automated, expected)
        if landed is None or abs(landed - CHANGE) >= block:
            problems.append("the automated step at frame %d lands at %s (blocks of %d)" % (CHANGE, landed, block))
        else:
            differs = first_difference(automated, rendered(landed))
            if differs is not None:
                problems.append("the automated bounce differs from the render with the change at frame %d from "
                                "frame %d" % (landed, differs))
            window = (CHANGE - block, CHANGE + block)
            bounced, direct_step = largest_step(automated, *window), largest_step(rendered(CHANGE), *window)
            if bounced > direct_step:
                problems.append("a click: steps up to %g around the change, the filter alone %g"
                                % (bounced, direct_step))
        if problems:
            fail("in ardour7-lua:\n  " + "\n  ".join(problems) + "\n" + log)
        print("ok: blocks of %d; the bounce equals lv2apply's at offset 0, and the automated step at frame %d "
              "lands at frame %d%s" % (block, CHANGE, landed,
                                     "; the DAW died %d times (signals %s)" % (len(crashes), crashes)
                                     if crashes else ""))


if __name__ == "__main__":
    main(*sys.argv[1:])
