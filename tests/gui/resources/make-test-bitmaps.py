#!/usr/bin/env python3
"""Draws the bitmaps the GUI tests load as resources (run from this folder; the results are
committed, so the build does not need Python).

ramp24.bmp  (resource 129): 20 x 16, 24-bit; every pixel a different colour,
            (10 + 12 x, 20 + 14 y, 77), so that a copied pixel tells where it came from.
keyed8.bmp  (resource 130): 12 x 14, 8-bit palette; pure white where (x + 2 y) % 3 == 0, else
            (15 + 20 x, 15 + 17 y, 200); pixels (1, 0) and (2, 0) are almost white, (254, 255, 255)
            and (255, 255, 254), and must be drawn like any other colour.
track24.bmp (resource 131): 160 x 16, 24-bit, the size of the editor's slider track; every pixel
            a different colour, (40 + x, 10 + 10 y, 33), none of them white.
"""
import struct


def keyed_colour(x, y):
    if (x, y) == (1, 0):
        return (254, 255, 255)
    if (x, y) == (2, 0):
        return (255, 255, 254)
    if (x + 2 * y) % 3 == 0:
        return (255, 255, 255)
    return (15 + 20 * x, 15 + 17 * y, 200)


def ramp_colour(x, y):
    return (10 + 12 * x, 20 + 14 * y, 77)


def bmp(width, height, bits, palette, rows):
    """rows: bottom-up list of row byte strings, already padded to 4 bytes."""
    pixels = b"".join(rows)
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(palette_bytes)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       len(palette), len(palette))
    return header + info + palette_bytes + pixels


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def write_ramp():
    w, h = 20, 16
    rows = []
    for y in reversed(range(h)):
        rows.append(pad(b"".join(struct.pack("<BBB", b, g, r)
                                 for (r, g, b) in (ramp_colour(x, y) for x in range(w)))))
    with open("ramp24.bmp", "wb") as f:
        f.write(bmp(w, h, 24, [], rows))


def write_keyed():
    w, h = 12, 14
    palette = []
    index = {}
    for y in range(h):
        for x in range(w):
            c = keyed_colour(x, y)
            if c not in index:
                index[c] = len(palette)
                palette.append(c)
    assert len(palette) <= 256
    rows = []
    for y in reversed(range(h)):
        rows.append(pad(bytes(index[keyed_colour(x, y)] for x in range(w))))
    with open("keyed8.bmp", "wb") as f:
        f.write(bmp(w, h, 8, palette, rows))


def track_colour(x, y):
    return (40 + x, 10 + 10 * y, 33)


def write_track():
    w, h = 160, 16
    rows = []
    for y in reversed(range(h)):
        rows.append(pad(b"".join(struct.pack("<BBB", b, g, r)
                                 for (r, g, b) in (track_colour(x, y) for x in range(w)))))
    with open("track24.bmp", "wb") as f:
        f.write(bmp(w, h, 24, [], rows))


if __name__ == "__main__":
    write_ramp()
    write_keyed()
    write_track()
