#!/usr/bin/env python3
"""Draws the crossfeed editor's three bitmap resources.

    python3 draw_bitmaps.py                 rewrite 128.bmp, 129.bmp and 130.bmp beside this file
    python3 draw_bitmaps.py --check         verify the files beside this file; exit status 1 on a fault
    python3 draw_bitmaps.py --preview DIR   also write PNG previews (1x and 4x) into DIR

128.bmp is the editor's background (183 x 225), 129.bmp the slider track (160 x 16) and
130.bmp the slider handle (12 x 14). All three are 8-bit palette BMPs, numbered by
tovrel_vst.rc. The plug-in build uses the committed files; rerun this program only when the
pictures change, and commit its output together with it.

Everything is drawn from the data in this file: the two pixel fonts, the wave emblem and the
slider parts. Only the Python standard library is used, and every run writes the same bytes.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------------------------
# Colours (red, green, blue)

BACKGROUND = (28, 30, 35)      # the editor's dark grey; also the value displays' fill
LETTERING = (130, 150, 173)    # labels
QUIET = (112, 128, 149)        # footer and preset tick marks: quieter than the labels
GROOVE = (0, 0, 0)             # middle row of the track's groove
SHADOW = (39, 42, 50)          # groove's upper edge; handle's bottom and right border
BEVEL = (54, 57, 66)           # groove's lower edge; handle's top and left border
HANDLE_FACE = (71, 76, 92)
WAVE_FRONT = (150, 172, 198)   # emblem: the wave drawn in front
WAVE_BACK = (78, 104, 138)     # emblem: the wave drawn behind

# ---------------------------------------------------------------------------------------------
# Geometry of the editor (frame coordinates, inclusive pixel ranges)

EDITOR_SIZE = (183, 225)
TRACK_SIZE = (160, 16)
HANDLE_SIZE = (12, 14)

LABEL_LEFT = 9
LABELS = (                      # text, top row, bottom row of the inked pixels
    ("Crossfeed level", 12, 21),
    ("Cutoff frequency", 80, 91),
    ("Presets", 145, 154),
)
EMBLEM_BOX = (146, 11, 170, 23)                 # left, top, right, bottom
TICK_COLUMNS = (16, 52, 89, 126, 164)           # under the preset slider's five rest positions
TICK_ROWS = (173, 180)
FOOTER_ROWS = (214, 220)
FOOTER_CAPTION = "BS2B/mod VST2"
FOOTER_ADDRESS = "orvalen.example.org"
FOOTER_RIGHT = 170                              # the address ends under the emblem's right edge

SLIDER_TOPS = (30, 96, 162)                     # sliders span columns 10..169
SLIDER_LEFT = 10
DISPLAYS = ((10, 52, 160, 66), (10, 118, 160, 132), (10, 184, 160, 198))  # left, top, right, bottom (exclusive)

GROOVE_COLUMNS = (4, 156)
GROOVE_ROWS = (6, 8)


# ---------------------------------------------------------------------------------------------
# Canvas


class Canvas:
    """A width x height grid of RGB tuples, row 0 at the top."""

    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.rows = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def get(self, x, y):
        return self.rows[y][x]

    def fill(self, left, top, right, bottom, colour):
        """Fills the inclusive rectangle left..right x top..bottom."""
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                self.put(x, y, colour)


def blend(under, over, amount, steps):
    """The colour amount/steps of the way from under to over, rounded to the nearest integer."""
    return tuple((u * (steps - amount) + o * amount + steps // 2) // steps for u, o in zip(under, over))


# ---------------------------------------------------------------------------------------------
# Pixel fonts
#
# A glyph is a list of rows of equal length, one row per font row, top row first: '#' is ink,
# '+' half-strength ink that rounds a curve, '.' is empty. Glyphs have no side bearings: the font
# puts `spacing` empty columns between two glyphs.


class PixelFont:
    def __init__(self, height, spacing, space_width, glyphs):
        self.height = height
        self.spacing = spacing
        self.space_width = space_width
        self.glyphs = {}
        for char, text in glyphs.items():
            rows = text.split()
            if len(rows) != height or len({len(r) for r in rows}) != 1:
                raise ValueError("glyph %r is not %d rows of equal width" % (char, height))
            self.glyphs[char] = rows

    def advance(self, char):
        return self.space_width if char == " " else len(self.glyphs[char][0])

    def text_width(self, text):
        return sum(self.advance(c) for c in text) + self.spacing * (len(text) - 1)

    def draw(self, canvas, text, left, top, colour):
        """Draws text with its top font row at `top`; returns the column after the last glyph."""
        x = left
        for char in text:
            if char != " ":
                for dy, row in enumerate(self.glyphs[char]):
                    for dx, cell in enumerate(row):
                        if cell == "#":
                            canvas.put(x + dx, top + dy, colour)
                        elif cell == "+":
                            canvas.put(x + dx, top + dy, blend(canvas.get(x + dx, top + dy), colour, 1, 2))
            x += self.advance(char) + self.spacing
        return x - self.spacing


# The label font: ascenders and capitals 10 rows, x-height 7, descenders 2 (12 rows in all).
LABEL_FONT = PixelFont(height=12, spacing=2, space_width=4, glyphs={
    "C": """
        .+####+ +#....# #...... #...... #...... #...... #...... #...... +#....# .+####+
        ....... .......""",
    "P": """
        #####+ #....# #....# #....# #....# #####+ #..... #..... #..... #.....
        ...... ......""",
    "c": """
        ...... ...... ......
        +####+ #....# #..... #..... #..... #....# +####+
        ...... ......""",
    "d": """
        .....# .....# .....#
        +##### #....# #....# #....# #....# #....# +#####
        ...... ......""",
    "e": """
        ...... ...... ......
        +####+ #....# #....# ###### #..... #..... +####.
        ...... ......""",
    "f": """
        .+### .#... .#...
        ####. .#... .#... .#... .#... .#... .#...
        ..... .....""",
    "l": """
        # # # # # # # # # #
        . .""",
    "n": """
        ...... ...... ......
        #+###+ ##...# #....# #....# #....# #....# #....#
        ...... ......""",
    "o": """
        ...... ...... ......
        +####+ #....# #....# #....# #....# #....# +####+
        ...... ......""",
    "q": """
        ...... ...... ......
        +##### #....# #....# #....# #....# #....# +#####
        .....# .....#""",
    "r": """
        ..... ..... .....
        #+### ##... #.... #.... #.... #.... #....
        ..... .....""",
    "s": """
        ...... ...... ......
        +####+ #....# #..... +####+ .....# #....# +####+
        ...... ......""",
    "t": """
        .... .#.. .#..
        #### .#.. .#.. .#.. .#.. .#.. .+##
        .... ....""",
    "u": """
        ...... ...... ......
        #....# #....# #....# #....# #....# #....# +#####
        ...... ......""",
    "v": """
        ....... ....... .......
        #.....# #.....# +#...#+ .#...#. .+#.#+. ..#.#.. ..+#+..
        ....... .......""",
    "y": """
        ...... ...... ......
        #....# #....# #....# #....# #....# #....# +#####
        .....# .####+""",
})

# The footer font: capitals and ascenders 5 rows, x-height 4, descenders 2 (7 rows in all).
FOOTER_FONT = PixelFont(height=7, spacing=1, space_width=2, glyphs={
    "B": "##. #.# ##. #.# ##. ... ...",
    "S": ".## #.. .#. ..# ##. ... ...",
    "T": "### .#. .#. .#. .#. ... ...",
    "V": "#.# #.# #.# #.# .#. ... ...",
    "2": "##. ..# .#. #.. ### ... ...",
    "/": "..# ..# .#. #.. #.. ... ...",
    ".": ". . . . # . .",
    "a": "... .## #.# #.# .## ... ...",
    "d": "..# .## #.# #.# .## ... ...",
    "e": "... .#. ### #.. .## ... ...",
    "g": "... .## #.# #.# .## ..# ##.",
    "l": "# # # # # . .",
    "m": "..... ####. #.#.# #.#.# #.#.# ..... .....",
    "n": "... ##. #.# #.# #.# ... ...",
    "o": "... .#. #.# #.# .#. ... ...",
    "p": "... ##. #.# #.# ##. #.. #..",
    "r": ".... #.## ##.. #... #... .... ....",
    "v": "... #.# #.# #.# .#. ... ...",
    "x": "... #.# .#. .#. #.# ... ...",
})


# ---------------------------------------------------------------------------------------------
# The wave emblem: two sine waves half a period apart, one for each channel, crossing each other
# twice across the box. Sine is computed here with plain arithmetic so that the rounding, and with
# it every pixel, is the same on every platform.

PI = 3.141592653589793


def sine(x):
    """sin(x) for any x, from its Taylor series after reduction to -pi..pi."""
    turns = int(x / (2 * PI))
    x -= turns * 2 * PI
    if x > PI:
        x -= 2 * PI
    elif x < -PI:
        x += 2 * PI
    term, total, n = x, x, 1
    while abs(term) > 1e-17:
        term *= -x * x / ((n + 1) * (n + 2))
        total += term
        n += 2
    return total


def cosine(x):
    return sine(x + PI / 2)


EMBLEM_SAMPLES = 8       # subsamples per pixel along each axis
EMBLEM_LEVELS = 4        # a partly covered pixel is drawn at k/4 of the wave's colour
EMBLEM_STROKE = 1.35     # stroke width in pixels
EMBLEM_AMPLITUDE = 5.6   # rows from the centre line to a crest, measured to the stroke's middle
EMBLEM_CYCLES = 1        # periods across the box
EMBLEM_PHASE = PI / 2    # the front wave starts on a crest at the left, the back one in a trough


def wave_coverage(box, phase):
    """Fraction (0..1) of each pixel of box covered by one stroked wave; a dict keyed (x, y)."""
    left, top, right, bottom = box
    width = right - left + 1
    middle = (top + bottom + 1) / 2
    omega = 2 * PI * EMBLEM_CYCLES / width
    coverage = {}
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            inside = 0
            for i in range(EMBLEM_SAMPLES):
                sx = x + (i + 0.5) / EMBLEM_SAMPLES
                angle = omega * (sx - left) + phase
                centre = middle - EMBLEM_AMPLITUDE * sine(angle)
                slope = EMBLEM_AMPLITUDE * omega * cosine(angle)
                # Where the wave is steep, the stroke reaches further up and down.
                reach = EMBLEM_STROKE / 2 * math.sqrt(1 + slope * slope)
                for j in range(EMBLEM_SAMPLES):
                    sy = y + (j + 0.5) / EMBLEM_SAMPLES
                    if abs(sy - centre) <= reach:
                        inside += 1
            coverage[(x, y)] = inside / (EMBLEM_SAMPLES * EMBLEM_SAMPLES)
    return coverage


def draw_emblem(canvas, box):
    back = wave_coverage(box, EMBLEM_PHASE + PI)
    front = wave_coverage(box, EMBLEM_PHASE)
    for (x, y) in sorted(back):
        for colour, amount in ((WAVE_BACK, back[(x, y)]), (WAVE_FRONT, front[(x, y)])):
            level = int(amount * EMBLEM_LEVELS + 0.5)
            if level:
                canvas.put(x, y, blend(canvas.get(x, y), colour, level, EMBLEM_LEVELS))


# ---------------------------------------------------------------------------------------------
# The three pictures


def draw_background():
    canvas = Canvas(*EDITOR_SIZE, BACKGROUND)
    for text, top, _bottom in LABELS:
        LABEL_FONT.draw(canvas, text, LABEL_LEFT, top, LETTERING)
    draw_emblem(canvas, EMBLEM_BOX)
    for x in TICK_COLUMNS:
        canvas.fill(x, TICK_ROWS[0], x, TICK_ROWS[1], QUIET)
    FOOTER_FONT.draw(canvas, FOOTER_CAPTION, LABEL_LEFT, FOOTER_ROWS[0], QUIET)
    address_left = FOOTER_RIGHT + 1 - FOOTER_FONT.text_width(FOOTER_ADDRESS)
    FOOTER_FONT.draw(canvas, FOOTER_ADDRESS, address_left, FOOTER_ROWS[0], QUIET)
    return canvas


def draw_track():
    canvas = Canvas(*TRACK_SIZE, BACKGROUND)
    first, last = GROOVE_COLUMNS
    top = GROOVE_ROWS[0]
    canvas.fill(first, top, last, top, SHADOW)
    canvas.fill(first, top + 1, last, top + 1, GROOVE)
    canvas.fill(first, top + 2, last, top + 2, BEVEL)
    return canvas


def draw_handle():
    width, height = HANDLE_SIZE
    canvas = Canvas(width, height, HANDLE_FACE)
    canvas.fill(0, 0, width - 1, 0, BEVEL)
    canvas.fill(0, 0, 0, height - 1, BEVEL)
    canvas.fill(0, height - 1, width - 1, height - 1, SHADOW)
    canvas.fill(width - 1, 0, width - 1, height - 1, SHADOW)
    return canvas


PICTURES = (("128.bmp", draw_background), ("129.bmp", draw_track), ("130.bmp", draw_handle))


# ---------------------------------------------------------------------------------------------
# BMP and PNG output


def encode_bmp(canvas):
    """An 8-bit palette BMP: BITMAPINFOHEADER, palette in order of first use, rows bottom-up."""
    palette, index = [], {}
    for row in canvas.rows:
        for colour in row:
            if colour not in index:
                index[colour] = len(palette)
                palette.append(colour)
    if len(palette) > 256:
        raise ValueError("more than 256 colours")
    stride = (canvas.width + 3) & ~3
    pixels = bytearray()
    for row in reversed(canvas.rows):
        pixels += bytes(index[c] for c in row)
        pixels += bytes(stride - canvas.width)
    colours = b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0, len(pixels),
                       2835, 2835, len(palette), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colours + bytes(pixels)


def encode_png(canvas, scale=1):
    raw = bytearray()
    for row in canvas.rows:
        line = b"".join(bytes(c) * scale for c in row)
        for _ in range(scale):
            raw += b"\0" + line

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", canvas.width * scale, canvas.height * scale, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def compose_editor(background, track, handle, values=(0.372, 0.253, 0.25)):
    """The editor as the plug-in paints it: background, opaque tracks, handles keyed on white,
    value displays filled with the background colour (their text is not drawn here)."""
    canvas = Canvas(background.width, background.height, BACKGROUND)
    canvas.rows = [list(r) for r in background.rows]
    for top, value in zip(SLIDER_TOPS, values):
        for y in range(track.height):
            for x in range(track.width):
                canvas.put(SLIDER_LEFT + x, top + y, track.get(x, y))
        left = SLIDER_LEFT + int((track.width - handle.width) * value)
        for y in range(handle.height):
            for x in range(handle.width):
                if handle.get(x, y) != (255, 255, 255):
                    canvas.put(left + x, top + y, handle.get(x, y))
    for left, top, right, bottom in DISPLAYS:
        canvas.fill(left, top, right - 1, bottom - 1, BACKGROUND)
    return canvas


def write_all(directory):
    for name, draw in PICTURES:
        with open(os.path.join(directory, name), "wb") as f:
            f.write(encode_bmp(draw()))


def write_previews(directory):
    os.makedirs(directory, exist_ok=True)
    drawn = {name: draw() for name, draw in PICTURES}
    drawn["editor.bmp"] = compose_editor(drawn["128.bmp"], drawn["129.bmp"], drawn["130.bmp"])
    for name, canvas in drawn.items():
        stem = name[:-4]
        for scale in (1, 4):
            with open(os.path.join(directory, "%s-%dx.png" % (stem, scale)), "wb") as f:
                f.write(encode_png(canvas, scale))


# ---------------------------------------------------------------------------------------------
# Check of the committed files
#
# The files are read back with a decoder of their own (not the encoder above) and held against
# what the plug-in expects of them: sizes, format, palette, and where things are drawn.


class Fault(Exception):
    pass


def decode_bmp(data):
    """(width, height, palette, rows of RGB tuples) of an uncompressed 8-bit bottom-up BMP."""
    if len(data) < 54 or data[:2] != b"BM":
        raise Fault("not a BMP file")
    file_size, offset = struct.unpack_from("<I4xI", data, 2)
    if file_size != len(data):
        raise Fault("file header gives %d bytes, file has %d" % (file_size, len(data)))
    (header_size, width, height, planes, bits, compression, _image_size, _xppm, _yppm,
     used, _important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    if header_size != 40:
        raise Fault("info header of %d bytes, not a BITMAPINFOHEADER" % header_size)
    if planes != 1 or bits != 8 or compression != 0:
        raise Fault("%d planes, %d bits per pixel, compression %d: not 8-bit uncompressed"
                    % (planes, bits, compression))
    if height <= 0:
        raise Fault("rows are not stored bottom-up")
    entries = used or 256
    if not 1 <= entries <= 256 or offset != 54 + 4 * entries:
        raise Fault("palette of %d entries does not end where the pixels start" % entries)
    palette = [(data[i + 2], data[i + 1], data[i]) for i in range(54, offset, 4)]
    stride = (width + 3) // 4 * 4
    if len(data) != offset + stride * height:
        raise Fault("pixel data is not %d padded rows of %d bytes" % (height, stride))
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * stride
        line = data[start:start + width]
        if max(line) >= entries:
            raise Fault("row %d uses a colour index beyond the palette" % y)
        if any(data[start + width:start + stride]):
            raise Fault("row %d has non-zero padding" % y)
        rows.append([palette[i] for i in line])
    return width, height, palette, rows


def inked(rows, region=None):
    """Pixels differing from the background, as (x, y), inside region (left, top, right, bottom)."""
    left, top, right, bottom = region or (0, 0, len(rows[0]) - 1, len(rows) - 1)
    return [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1)
            if rows[y][x] != BACKGROUND]


def bounds(points):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs), min(ys), max(xs), max(ys)) if points else None


def check_background(rows, faults):
    width = len(rows[0])
    places = []   # (what, box that must hold every inked pixel of it, bounding box expected or None)
    for text, top, bottom in LABELS:
        places.append(("label %r" % text, (0, top - 1, 140, bottom + 1), None))
    places.append(("emblem", (141, EMBLEM_BOX[1] - 1, width - 1, EMBLEM_BOX[3] + 1), EMBLEM_BOX))
    places.append(("ticks", (0, TICK_ROWS[0], width - 1, TICK_ROWS[1]),
                   (TICK_COLUMNS[0], TICK_ROWS[0], TICK_COLUMNS[-1], TICK_ROWS[1])))
    places.append(("footer", (0, FOOTER_ROWS[0] - 1, width - 1, FOOTER_ROWS[1] + 1), None))

    claimed = set()
    for what, box, expected in places:
        points = inked(rows, box)
        claimed.update(points)
        found = bounds(points)
        if expected and found != expected:
            faults.append("%s drawn over %s, expected %s" % (what, found, expected))
    stray = [p for p in inked(rows) if p not in claimed]
    if stray:
        faults.append("%d pixels drawn outside the labels, emblem, ticks and footer, first at %s"
                      % (len(stray), stray[0]))

    for text, top, bottom in LABELS:
        found = bounds(inked(rows, (0, top - 1, 140, bottom + 1)))
        if not found or found[0] != LABEL_LEFT or (found[1], found[3]) != (top, bottom):
            faults.append("label %r covers %s: must start at column %d and span rows %d..%d"
                          % (text, found, LABEL_LEFT, top, bottom))
        elif LETTERING not in {rows[y][x] for x, y in inked(rows, found)}:
            faults.append("label %r is not drawn in %s" % (text, LETTERING))

    tick_points = set(inked(rows, (0, TICK_ROWS[0], width - 1, TICK_ROWS[1])))
    for x in TICK_COLUMNS:
        if any((x, y) not in tick_points for y in range(TICK_ROWS[0], TICK_ROWS[1] + 1)):
            faults.append("tick mark at column %d is not a full line over rows %d..%d" % ((x,) + TICK_ROWS))
    if {p[0] for p in tick_points} != set(TICK_COLUMNS):
        faults.append("tick rows are inked in columns %s" % sorted({p[0] for p in tick_points}))

    # Footer: caption from column 9, the address at the right, clear space between the two.
    footer = inked(rows, (0, FOOTER_ROWS[0] - 1, width - 1, FOOTER_ROWS[1] + 1))
    found = bounds(footer)
    if not found or (found[1], found[3]) != FOOTER_ROWS or found[0] != LABEL_LEFT or found[2] > width - 9:
        faults.append("footer covers %s: must span rows %d..%d from column %d"
                      % ((found,) + FOOTER_ROWS + (LABEL_LEFT,)))
    else:
        columns = sorted({x for x, _ in footer})
        widest_gap = max(b - a for a, b in zip(columns, columns[1:]))
        if widest_gap < 12:
            faults.append("caption and address are only %d columns apart" % (widest_gap - 1))

    for left, top, right, bottom in DISPLAYS:
        if inked(rows, (left, top, right - 1, bottom - 1)):
            faults.append("value display area %s is not plain background" % ((left, top, right, bottom),))


def check_track(rows, faults):
    first, last = GROOVE_COLUMNS
    top = GROOVE_ROWS[0]
    edges = {top: SHADOW, top + 1: GROOVE, top + 2: BEVEL}
    for y, row in enumerate(rows):
        for x, colour in enumerate(row):
            expected = edges.get(y, BACKGROUND) if first <= x <= last else BACKGROUND
            if colour != expected:
                faults.append("track pixel (%d, %d) is %s, expected %s" % (x, y, colour, expected))
                return


def check_handle(rows, faults):
    height, width = len(rows), len(rows[0])
    for y, row in enumerate(rows):
        for x, colour in enumerate(row):
            if y == height - 1 or x == width - 1:
                expected = SHADOW
            elif y == 0 or x == 0:
                expected = BEVEL
            else:
                expected = HANDLE_FACE
            if colour != expected:
                faults.append("handle pixel (%d, %d) is %s, expected %s" % (x, y, colour, expected))
                return


# name, size, colours its palette must hold, content check
EXPECTED = {
    "128.bmp": (EDITOR_SIZE, (BACKGROUND, LETTERING), check_background),
    "129.bmp": (TRACK_SIZE, (BACKGROUND, GROOVE, SHADOW, BEVEL), check_track),
    "130.bmp": (HANDLE_SIZE, (HANDLE_FACE, SHADOW, BEVEL), check_handle),
}


def check_resource_script(directory, faults):
    path = os.path.join(directory, "tovrel_vst.rc")
    try:
        with open(path) as f:
            lines = [line.split("//")[0].split() for line in f]
    except OSError as error:
        faults.append("tovrel_vst.rc: %s" % error)
        return
    entries = {words[0]: words[2].strip('"') for words in lines
               if len(words) == 3 and words[1] == "BITMAP"}
    wanted = {"128": "128.bmp", "129": "129.bmp", "130": "130.bmp"}
    if entries != wanted:
        faults.append("tovrel_vst.rc numbers %s, expected %s" % (entries, wanted))


def check(directory):
    faults = []
    for name, draw in PICTURES:
        size, colours, check_content = EXPECTED[name]
        try:
            with open(os.path.join(directory, name), "rb") as f:
                data = f.read()
            width, height, palette, rows = decode_bmp(data)
        except (OSError, Fault) as error:
            faults.append("%s: %s" % (name, error))
            continue
        found = []
        if (width, height) != size:
            found.append("is %d x %d, expected %d x %d" % ((width, height) + size))
        else:
            missing = [c for c in colours if c not in palette]
            if missing:
                found.append("palette lacks %s" % missing)
            if (255, 255, 255) in {c for row in rows for c in row}:
                found.append("uses pure white, which the plug-in draws as transparent")
            check_content(rows, found)
            if data != encode_bmp(draw()):
                found.append("differs from what draw_bitmaps.py draws now: rerun it and commit")
        faults.extend("%s: %s" % (name, fault) for fault in found)
    check_resource_script(directory, faults)
    return faults


def main(argv):
    if argv[:1] == ["--check"] and len(argv) == 1:
        faults = check(HERE)
        for fault in faults:
            print("FAULT " + fault)
        print("%s: %d fault(s)" % ("bitmaps", len(faults)) if faults else "bitmaps: all good")
        return 1 if faults else 0
    if not argv:
        write_all(HERE)
        return 0
    if argv[0] == "--preview" and len(argv) == 2:
        write_all(HERE)
        write_previews(argv[1])
        return 0
    print("usage:\n" + __doc__.strip().split("\n\n")[1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
