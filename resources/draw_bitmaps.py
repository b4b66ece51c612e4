#!/usr/bin/env python3
"""Draws the crossfeed editor's three bitmap resources at every screen scale.

    python3 draw_bitmaps.py                 rewrite all the pictures beside this file
    python3 draw_bitmaps.py --check         verify the files beside this file; exit status 1 on a fault
    python3 draw_bitmaps.py --preview DIR   also write PNG previews into DIR

128.bmp is the editor's background (183 x 225), 129.bmp the slider track (160 x 16) and
130.bmp the slider handle (12 x 14), in logical pixels. Each is also drawn for the screen scales
125, 150, 175, 200, 225, 250 and 300 %, as 128-125.bmp ... 130-300.bmp. A logical edge x lies on
the device edge D(x) = floor(x * s + 1/2) at scale s, the same mapping the editor paints with, so
a picture is D(w) x D(h) device pixels and logical pixel x covers device pixels D(x) .. D(x+1)-1.
Filled shapes follow that mapping in whole device pixels; the lettering and the emblem are drawn
at device resolution with smoothed edges. The 100 % files are uncompressed 8-bit palette BMPs,
the scaled ones 8-bit run-length encoded (BI_RLE8) to keep the DLL small. tovrel_vst.rc numbers
them: base + 1000 * (percent / 25 - 4). The plug-in build uses the committed files; rerun this
program only when the pictures change, and commit its output together with it.

Everything is drawn from the data in this file: the two pixel fonts, the wave emblem and the
slider parts. Only the Python standard library is used, and every run writes the same bytes.
"""

import math
import os
import struct
import sys
import zlib
from fractions import Fraction

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


SCALES = (100, 125, 150, 175, 200, 225, 250, 300)   # screen scales in percent


# ---------------------------------------------------------------------------------------------
# Canvas


def device(x, percent):
    """The device edge of logical edge x at the scale: x * s rounded half up, in exact arithmetic."""
    return math.floor(x * Fraction(percent, 100) + Fraction(1, 2))


class Canvas:
    """A picture of logical width x height held as a grid of device pixels (RGB tuples) at the
    scale, row 0 at the top. put and get take device pixels, fill takes logical ones."""

    def __init__(self, width, height, fill, percent=100):
        self.percent = percent
        self.width = device(width, percent)
        self.height = device(height, percent)
        self.rows = [[fill] * self.width for _ in range(self.height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def get(self, x, y):
        return self.rows[y][x]

    def fill(self, left, top, right, bottom, colour):
        """Fills the inclusive logical rectangle left..right x top..bottom in whole device pixels."""
        for y in range(device(top, self.percent), device(bottom + 1, self.percent)):
            for x in range(device(left, self.percent), device(right + 1, self.percent)):
                self.put(x, y, colour)

    def paste(self, picture, left, top, key=None):
        """Copies picture with its top left device pixel at (left, top), leaving out colour key."""
        for y, row in enumerate(picture.rows):
            for x, colour in enumerate(row):
                if colour != key:
                    self.put(left + x, top + y, colour)


def blend(under, over, amount, steps):
    """The colour amount/steps of the way from under to over, rounded to the nearest integer."""
    return tuple((u * (steps - amount) + o * amount + steps // 2) // steps for u, o in zip(under, over))


# ---------------------------------------------------------------------------------------------
# Pixel fonts
#
# A glyph is a list of rows of equal length, one row per font row, top row first: '#' is ink,
# '+' half-strength ink that rounds a curve, '.' is empty. Glyphs have no side bearings: the font
# puts `spacing` empty columns between two glyphs.
#
# At 100 % a cell is one pixel. At the other scales a glyph is a shape in logical units drawn at
# device resolution: a '#' cell is a filled unit square, a '+' cell the piece that joins the two
# inked neighbours it sits between (see plus_pieces), and each device pixel takes the share of its
# TEXT_SAMPLES x TEXT_SAMPLES sample points inside the shape, in TEXT_LEVELS steps. The glyph's
# top left corner sits on the device edges of its logical position, so glyphs follow the mapping
# and a glyph looks the same wherever it is drawn.

TEXT_SAMPLES = 8
TEXT_LEVELS = 8


def plus_pieces(rows, x, y):
    """The shape of the '+' cell at (x, y): a list of (kind, corner_x, corner_y), kind "disc" (the
    quarter disc of radius 1 around that corner of the cell) or "triangle" (the half of the cell
    on that corner's side of the diagonal). The corner is the one the cell shares with its inked
    neighbours. A '+' that continues a diagonal stroke is a triangle, so the stroke keeps a
    straight edge; a '+' between inked cells on three sides is the two triangles that leave a
    notch between the strokes; otherwise it rounds a curve and is a quarter disc."""

    def ink(cx, cy, cells="#"):
        return 0 <= cy < len(rows) and 0 <= cx < len(rows[0]) and rows[cy][cx] in cells

    corners = [(dx, dy) for dx in (-1, 1) if ink(x + dx, y) for dy in (-1, 1) if ink(x, y + dy)]
    if not corners:
        raise ValueError("'+' at (%d, %d) has no two inked neighbours at a corner" % (x, y))
    if len(corners) == 1:
        dx, dy = corners[0]
        diagonal = ink(x + dx, y - dy, "#+") or ink(x - dx, y + dy, "#+")
        kind = "triangle" if diagonal else "disc"
    else:
        kind = "triangle"
    return [(kind, int(dx > 0), int(dy > 0)) for dx, dy in corners]


def inside_piece(piece, u, v, unit):
    """Whether the point (u, v) of a cell, in units of 1/unit from its top left, lies in piece."""
    kind, corner_x, corner_y = piece
    a = unit - u if corner_x else u      # distance from the corner, across and down
    b = unit - v if corner_y else v
    if kind == "disc":
        return a * a + b * b <= unit * unit
    return a + b <= unit


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
        self.covered = {}

    def advance(self, char):
        return self.space_width if char == " " else len(self.glyphs[char][0])

    def text_width(self, text):
        return sum(self.advance(c) for c in text) + self.spacing * (len(text) - 1)

    def draw(self, canvas, text, left, top, colour):
        """Draws text with its top font row at logical row `top`, from logical column `left`."""
        x = left
        for char in text:
            if char != " ":
                self.draw_glyph(canvas, char, x, top, colour)
            x += self.advance(char) + self.spacing

    def draw_glyph(self, canvas, char, left, top, colour):
        if canvas.percent == 100:
            for dy, row in enumerate(self.glyphs[char]):
                for dx, cell in enumerate(row):
                    if cell == "#":
                        canvas.put(left + dx, top + dy, colour)
                    elif cell == "+":
                        canvas.put(left + dx, top + dy, blend(canvas.get(left + dx, top + dy), colour, 1, 2))
            return
        left, top = device(left, canvas.percent), device(top, canvas.percent)
        for (dx, dy), level in self.coverage(char, canvas.percent).items():
            canvas.put(left + dx, top + dy, blend(canvas.get(left + dx, top + dy), colour, level, TEXT_LEVELS))

    def coverage(self, char, percent):
        """{(dx, dy): level} of the device pixels the glyph inks at the scale, from its top left."""
        key = (char, percent)
        if key in self.covered:
            return self.covered[key]
        rows = self.glyphs[char]
        pieces = [[[("square",)] if cell == "#" else plus_pieces(rows, x, y) if cell == "+" else []
                   for x, cell in enumerate(row)] for y, row in enumerate(rows)]
        # Sample k of device pixel p lies at logical (2 * n * p + 2 * k + 1) * 100 / (2 * n * percent):
        # integers throughout, so every edge falls where the mapping puts it.
        n = TEXT_SAMPLES
        unit = 2 * n * percent

        def cells(count):
            return [divmod((2 * n * p + 2 * k + 1) * 100, unit) for p in range(count) for k in range(n)]

        across = cells(-(-len(rows[0]) * percent // 100))
        down = cells(-(-len(rows) * percent // 100))
        result = {}
        for dy in range(len(down) // n):
            for dx in range(len(across) // n):
                inside = 0
                for cy, v in down[dy * n:(dy + 1) * n]:
                    for cx, u in across[dx * n:(dx + 1) * n]:
                        if cy < len(rows) and cx < len(rows[0]) and any(
                                piece == ("square",) or inside_piece(piece, u, v, unit)
                                for piece in pieces[cy][cx]):
                            inside += 1
                level = (2 * inside * TEXT_LEVELS + n * n) // (2 * n * n)
                if level:
                    result[(dx, dy)] = level
        self.covered[key] = result
        return result


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


def wave_coverage(box, phase, amplitude, stroke):
    """Fraction (0..1) of each pixel of box covered by one stroked wave; a dict keyed (x, y).
    The box is in device pixels, amplitude and stroke in device pixels too."""
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
                centre = middle - amplitude * sine(angle)
                slope = amplitude * omega * cosine(angle)
                # Where the wave is steep, the stroke reaches further up and down.
                reach = stroke / 2 * math.sqrt(1 + slope * slope)
                for j in range(EMBLEM_SAMPLES):
                    sy = y + (j + 0.5) / EMBLEM_SAMPLES
                    if abs(sy - centre) <= reach:
                        inside += 1
            coverage[(x, y)] = inside / (EMBLEM_SAMPLES * EMBLEM_SAMPLES)
    return coverage


def draw_emblem(canvas, box):
    """Draws the emblem into the logical box, its coverage taken at the canvas's device pixels."""
    left, top, right, bottom = (device(edge, canvas.percent) for edge in box[:2] + (box[2] + 1, box[3] + 1))
    box = (left, top, right - 1, bottom - 1)      # inclusive again, now in device pixels
    scale = canvas.percent / 100       # a multiple of 1/4: exact in binary floating point
    back = wave_coverage(box, EMBLEM_PHASE + PI, EMBLEM_AMPLITUDE * scale, EMBLEM_STROKE * scale)
    front = wave_coverage(box, EMBLEM_PHASE, EMBLEM_AMPLITUDE * scale, EMBLEM_STROKE * scale)
    for (x, y) in sorted(back):
        for colour, amount in ((WAVE_BACK, back[(x, y)]), (WAVE_FRONT, front[(x, y)])):
            level = int(amount * EMBLEM_LEVELS + 0.5)
            if level:
                canvas.put(x, y, blend(canvas.get(x, y), colour, level, EMBLEM_LEVELS))


# ---------------------------------------------------------------------------------------------
# The three pictures


def draw_background(percent):
    canvas = Canvas(*EDITOR_SIZE, BACKGROUND, percent)
    for text, top, _bottom in LABELS:
        LABEL_FONT.draw(canvas, text, LABEL_LEFT, top, LETTERING)
    draw_emblem(canvas, EMBLEM_BOX)
    for x in TICK_COLUMNS:
        canvas.fill(x, TICK_ROWS[0], x, TICK_ROWS[1], QUIET)
    FOOTER_FONT.draw(canvas, FOOTER_CAPTION, LABEL_LEFT, FOOTER_ROWS[0], QUIET)
    address_left = FOOTER_RIGHT + 1 - FOOTER_FONT.text_width(FOOTER_ADDRESS)
    FOOTER_FONT.draw(canvas, FOOTER_ADDRESS, address_left, FOOTER_ROWS[0], QUIET)
    return canvas


def draw_track(percent):
    canvas = Canvas(*TRACK_SIZE, BACKGROUND, percent)
    first, last = GROOVE_COLUMNS
    top = GROOVE_ROWS[0]
    canvas.fill(first, top, last, top, SHADOW)
    canvas.fill(first, top + 1, last, top + 1, GROOVE)
    canvas.fill(first, top + 2, last, top + 2, BEVEL)
    return canvas


def draw_handle(percent):
    width, height = HANDLE_SIZE
    canvas = Canvas(width, height, HANDLE_FACE, percent)
    canvas.fill(0, 0, width - 1, 0, BEVEL)
    canvas.fill(0, 0, 0, height - 1, BEVEL)
    canvas.fill(0, height - 1, width - 1, height - 1, SHADOW)
    canvas.fill(width - 1, 0, width - 1, height - 1, SHADOW)
    return canvas


PICTURES = ((128, draw_background), (129, draw_track), (130, draw_handle))   # base resource number


def file_name(number, percent):
    return "%d.bmp" % number if percent == 100 else "%d-%d.bmp" % (number, percent)


def resource_number(number, percent):
    return number + 1000 * (percent // 25 - 4)


# ---------------------------------------------------------------------------------------------
# BMP and PNG output


def encode_rle8(lines):
    """BI_RLE8 data for lines of palette indices, bottom line first: a run of two or more equal
    pixels is one (count, index) pair, three or more unlike pixels go out as one absolute block
    (padded to an even length), each line ends with an end-of-line code and the last one with
    the end-of-bitmap code instead."""

    def run(line, i):
        n = 1
        while i + n < len(line) and n < 255 and line[i + n] == line[i]:
            n += 1
        return n

    out = bytearray()
    for line in lines:
        i = 0
        while i < len(line):
            n = run(line, i)
            if n > 1:
                out += bytes((n, line[i]))
                i += n
                continue
            j = i + 1
            while j < len(line) and j - i < 255 and run(line, j) == 1:
                j += 1
            if j - i < 3:
                out += b"".join(bytes((1, index)) for index in line[i:j])
            else:
                out += bytes((0, j - i)) + bytes(line[i:j]) + bytes((j - i) & 1)
            i = j
        out += b"\0\0"
    out[-1] = 1
    return bytes(out)


def encode_bmp(canvas, compressed=False):
    """An 8-bit palette BMP, uncompressed or BI_RLE8: BITMAPINFOHEADER, palette in order of first
    use, rows bottom-up."""
    palette, index = [], {}
    for row in canvas.rows:
        for colour in row:
            if colour not in index:
                index[colour] = len(palette)
                palette.append(colour)
    if len(palette) > 256:
        raise ValueError("more than 256 colours")
    lines = [bytes(index[c] for c in row) for row in reversed(canvas.rows)]
    if compressed:
        pixels = encode_rle8(lines)
    else:
        pixels = b"".join(line + bytes(-canvas.width % 4) for line in lines)
    colours = b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, int(compressed),
                       len(pixels), 2835, 2835, len(palette), 0)
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
    """The editor as the plug-in paints it at the pictures' scale: background, opaque tracks,
    handles keyed on white, value displays filled with the background colour (their text is not
    drawn here). Positions are logical and land on the device edges the mapping gives them."""
    percent = background.percent
    canvas = Canvas(*EDITOR_SIZE, BACKGROUND, percent)
    canvas.rows = [list(r) for r in background.rows]
    for top, value in zip(SLIDER_TOPS, values):
        canvas.paste(track, device(SLIDER_LEFT, percent), device(top, percent))
        left = SLIDER_LEFT + int((TRACK_SIZE[0] - HANDLE_SIZE[0]) * value)
        canvas.paste(handle, device(left, percent), device(top, percent), key=(255, 255, 255))
    for left, top, right, bottom in DISPLAYS:
        canvas.fill(left, top, right - 1, bottom - 1, BACKGROUND)
    return canvas


def draw_all():
    """{(base number, percent): canvas} for every picture at every scale."""
    return {(number, percent): draw(percent) for percent in SCALES for number, draw in PICTURES}


def write_all(directory, drawn):
    for (number, percent), canvas in drawn.items():
        with open(os.path.join(directory, file_name(number, percent)), "wb") as f:
            f.write(encode_bmp(canvas, compressed=percent != 100))


def write_previews(directory, drawn):
    """The 100 % pictures and editor at 1x and 4x, the scaled ones and their editor as drawn."""
    os.makedirs(directory, exist_ok=True)
    for percent in SCALES:
        pictures = {str(number): drawn[(number, percent)] for number, _ in PICTURES}
        pictures["editor"] = compose_editor(*(drawn[(number, percent)] for number, _ in PICTURES))
        for stem, canvas in pictures.items():
            for scale in (1, 4) if percent == 100 else (1,):
                suffix = "%dx" % scale if percent == 100 else str(percent)
                with open(os.path.join(directory, "%s-%s.png" % (stem, suffix)), "wb") as f:
                    f.write(encode_png(canvas, scale))


# ---------------------------------------------------------------------------------------------
# Check of the committed files
#
# The files are read back with a decoder of their own (not the encoder above) and held against
# what the plug-in expects of them: sizes, format, palette, and where things are drawn.


class Fault(Exception):
    pass


def decode_rle8(data, width, height):
    """Rows of palette indices, bottom row first, from BI_RLE8 data that sets every pixel."""
    rows, row, i = [], [], 0
    while len(rows) < height:
        if i + 2 > len(data):
            raise Fault("RLE8 data ends inside row %d" % len(rows))
        count, code = data[i], data[i + 1]
        i += 2
        if count:
            row += [code] * count
        elif code in (0, 1):
            rows.append(row)
            row = []
            if code == 1 and len(rows) != height:
                raise Fault("RLE8 data ends after %d of %d rows" % (len(rows), height))
        elif code == 2:
            raise Fault("RLE8 data skips pixels, leaving them undefined")
        else:
            if i + code > len(data):
                raise Fault("RLE8 block runs past the data")
            row += data[i:i + code]
            i += code + code % 2
        if len(row) > width or rows and len(rows[-1]) != width:
            raise Fault("RLE8 line %d from the bottom is not %d pixels long" % (len(rows), width))
    if (count, code) != (0, 1) or i != len(data):
        raise Fault("RLE8 data does not close with end of bitmap")
    return rows


def decode_bmp(data):
    """(width, height, palette, rows of RGB tuples) of an 8-bit bottom-up BMP, uncompressed or
    BI_RLE8."""
    if len(data) < 54 or data[:2] != b"BM":
        raise Fault("not a BMP file")
    file_size, offset = struct.unpack_from("<I4xI", data, 2)
    if file_size != len(data):
        raise Fault("file header gives %d bytes, file has %d" % (file_size, len(data)))
    (header_size, width, height, planes, bits, compression, image_size, _xppm, _yppm,
     used, _important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    if header_size != 40:
        raise Fault("info header of %d bytes, not a BITMAPINFOHEADER" % header_size)
    if planes != 1 or bits != 8 or compression not in (0, 1):
        raise Fault("%d planes, %d bits per pixel, compression %d: not 8-bit uncompressed or RLE8"
                    % (planes, bits, compression))
    if height <= 0:
        raise Fault("rows are not stored bottom-up")
    entries = used or 256
    if not 1 <= entries <= 256 or offset != 54 + 4 * entries:
        raise Fault("palette of %d entries does not end where the pixels start" % entries)
    palette = [(data[i + 2], data[i + 1], data[i]) for i in range(54, offset, 4)]
    if compression:
        if image_size != len(data) - offset:
            raise Fault("info header gives %d bytes of RLE8 data, file has %d"
                        % (image_size, len(data) - offset))
        lines = decode_rle8(data[offset:], width, height)
    else:
        stride = (width + 3) // 4 * 4
        if len(data) != offset + stride * height:
            raise Fault("pixel data is not %d padded rows of %d bytes" % (height, stride))
        lines = [data[offset + y * stride:offset + y * stride + width] for y in range(height)]
        if any(any(data[offset + y * stride + width:offset + (y + 1) * stride]) for y in range(height)):
            raise Fault("a row has non-zero padding")
    rows = []
    for y, line in enumerate(reversed(lines)):
        if max(line) >= entries:
            raise Fault("row %d uses a colour index beyond the palette" % y)
        rows.append([palette[i] for i in line])
    return width, height, palette, rows


def device_edge(x, percent):
    """The device edge of logical edge x, worked out here in integers apart from the drawing."""
    return (2 * x * percent + 100) // 200


def device_box(left, top, right, bottom, percent):
    """The inclusive box of device pixels covering the inclusive logical box."""
    return (device_edge(left, percent), device_edge(top, percent),
            device_edge(right + 1, percent) - 1, device_edge(bottom + 1, percent) - 1)


def logical_pixels(count, percent):
    """For each of count device pixels, the logical pixel covering it."""
    table, x = [], 0
    for pixel in range(count):
        while device_edge(x + 1, percent) <= pixel:
            x += 1
        table.append(x)
    return table


def inked(rows, region=None):
    """Pixels differing from the background, as (x, y), inside region (left, top, right, bottom)."""
    left, top, right, bottom = region or (0, 0, len(rows[0]) - 1, len(rows) - 1)
    return [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1)
            if rows[y][x] != BACKGROUND]


def bounds(points):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs), min(ys), max(xs), max(ys)) if points else None


def places():
    """{what: logical box that holds every inked pixel of it} for the labels, emblem and footer."""
    right = EDITOR_SIZE[0] - 1
    boxes = {"label %r" % text: (0, top - 1, 140, bottom + 1) for text, top, bottom in LABELS}
    boxes["emblem"] = (141, EMBLEM_BOX[1] - 1, right, EMBLEM_BOX[3] + 1)
    boxes["footer"] = (0, FOOTER_ROWS[0] - 1, right, FOOTER_ROWS[1] + 1)
    return boxes


def check_background(rows, faults):
    """At 100 %: the labels, the emblem and the footer exactly where the layout puts them."""
    width, boxes = len(rows[0]), places()
    found = bounds(inked(rows, boxes["emblem"]))
    if found != EMBLEM_BOX:
        faults.append("emblem drawn over %s, expected %s" % (found, EMBLEM_BOX))

    for text, top, bottom in LABELS:
        found = bounds(inked(rows, boxes["label %r" % text]))
        if not found or found[0] != LABEL_LEFT or (found[1], found[3]) != (top, bottom):
            faults.append("label %r covers %s: must start at column %d and span rows %d..%d"
                          % (text, found, LABEL_LEFT, top, bottom))
        elif LETTERING not in {rows[y][x] for x, y in inked(rows, found)}:
            faults.append("label %r is not drawn in %s" % (text, LETTERING))

    # Footer: caption from column 9, the address at the right, clear space between the two.
    footer = inked(rows, boxes["footer"])
    found = bounds(footer)
    if not found or (found[1], found[3]) != FOOTER_ROWS or found[0] != LABEL_LEFT or found[2] > width - 9:
        faults.append("footer covers %s: must span rows %d..%d from column %d"
                      % ((found,) + FOOTER_ROWS + (LABEL_LEFT,)))
    else:
        columns = sorted({x for x, _ in footer})
        widest_gap = max(b - a for a, b in zip(columns, columns[1:]))
        if widest_gap < 12:
            faults.append("caption and address are only %d columns apart" % (widest_gap - 1))


def check_background_places(rows, faults, percent):
    """At every scale: the tick marks on exactly their device pixels, the areas of the sliders and
    the value displays plain background apart from the ticks' ends under the last track, and no
    ink outside the places of the labels, emblem, ticks and footer."""
    left, top, right, bottom = device_box(0, TICK_ROWS[0], EDITOR_SIZE[0] - 1, TICK_ROWS[1], percent)
    ticks = {(x, y) for column in TICK_COLUMNS for y in range(top, bottom + 1)
             for x in range(device_edge(column, percent), device_edge(column + 1, percent))}
    found = set(inked(rows, (left, top - 1, right, bottom + 1)))
    if found != ticks:
        faults.append("tick marks are off their device pixels within %s (all of them lie within %s)"
                      % (bounds(sorted(found ^ ticks)), bounds(sorted(ticks))))
    elif {rows[y][x] for x, y in found} != {QUIET}:
        faults.append("tick marks are not drawn in %s alone" % (QUIET,))
    areas = [(SLIDER_LEFT, t, SLIDER_LEFT + TRACK_SIZE[0] - 1, t + TRACK_SIZE[1] - 1) for t in SLIDER_TOPS]
    areas += [(l, t, r - 1, b - 1) for l, t, r, b in DISPLAYS]
    for area in areas:
        if set(inked(rows, device_box(*area, percent))) - ticks:
            faults.append("slider or value display area %s is not plain background" % (area,))
    allowed = set(ticks)
    for box in places().values():
        allowed.update(inked(rows, device_box(*box, percent)))
    stray = [p for p in inked(rows) if p not in allowed]
    if stray:
        faults.append("%d pixels drawn outside the labels, emblem, ticks and footer, first at %s"
                      % (len(stray), stray[0]))


def check_track(rows, faults, percent):
    xs, ys = logical_pixels(len(rows[0]), percent), logical_pixels(len(rows), percent)
    first, last = GROOVE_COLUMNS
    top = GROOVE_ROWS[0]
    edges = {top: SHADOW, top + 1: GROOVE, top + 2: BEVEL}
    for y, row in enumerate(rows):
        for x, colour in enumerate(row):
            expected = edges.get(ys[y], BACKGROUND) if first <= xs[x] <= last else BACKGROUND
            if colour != expected:
                faults.append("track pixel (%d, %d) is %s, expected %s" % (x, y, colour, expected))
                return


def check_handle(rows, faults, percent):
    xs, ys = logical_pixels(len(rows[0]), percent), logical_pixels(len(rows), percent)
    width, height = HANDLE_SIZE
    for y, row in enumerate(rows):
        for x, colour in enumerate(row):
            if ys[y] == height - 1 or xs[x] == width - 1:
                expected = SHADOW
            elif ys[y] == 0 or xs[x] == 0:
                expected = BEVEL
            else:
                expected = HANDLE_FACE
            if colour != expected:
                faults.append("handle pixel (%d, %d) is %s, expected %s" % (x, y, colour, expected))
                return


# base number: logical size, colours its palette must hold, check at 100 %, check at every scale
EXPECTED = {
    128: (EDITOR_SIZE, (BACKGROUND, LETTERING), check_background, check_background_places),
    129: (TRACK_SIZE, (BACKGROUND, GROOVE, SHADOW, BEVEL), None, check_track),
    130: (HANDLE_SIZE, (HANDLE_FACE, SHADOW, BEVEL), None, check_handle),
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
    wanted = {str(resource_number(number, percent)): file_name(number, percent)
              for number, _ in PICTURES for percent in SCALES}
    if entries != wanted:
        faults.append("tovrel_vst.rc lacks %s and has %s beyond the pictures"
                      % (sorted(wanted.items() - entries.items()), sorted(entries.items() - wanted.items())))


def check(directory):
    faults = []
    for (number, percent), canvas in draw_all().items():
        name = file_name(number, percent)
        size, colours, check_at_100, check_at_scale = EXPECTED[number]
        try:
            with open(os.path.join(directory, name), "rb") as f:
                data = f.read()
            width, height, palette, rows = decode_bmp(data)
        except (OSError, Fault) as error:
            faults.append("%s: %s" % (name, error))
            continue
        found = []
        size = tuple(device_edge(length, percent) for length in size)
        if (width, height) != size:
            found.append("is %d x %d, expected %d x %d" % ((width, height) + size))
        else:
            missing = [c for c in colours if c not in palette]
            if missing:
                found.append("palette lacks %s" % missing)
            if (255, 255, 255) in {c for row in rows for c in row}:
                found.append("uses pure white, which the plug-in draws as transparent")
            if percent == 100 and check_at_100:
                check_at_100(rows, found)
            check_at_scale(rows, found, percent)
            if data != encode_bmp(canvas, compressed=percent != 100):
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
        write_all(HERE, draw_all())
        return 0
    if argv[0] == "--preview" and len(argv) == 2:
        drawn = draw_all()
        write_all(HERE, drawn)
        write_previews(argv[1], drawn)
        return 0
    print("usage:\n" + __doc__.strip().split("\n\n")[1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
