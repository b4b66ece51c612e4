#!/usr/bin/env python3
"""dump_drawn_bitmaps.py RESOURCES_DIR OUT: the editor's pictures as draw_bitmaps.py draws them,
before any encoding, for the decoder's tests to compare against.

OUT receives, for each picture in increasing resource number: the number, the width and the
height as little-endian 32-bit integers, then width * height pixels from the top row, each as
three bytes red, green, blue.
"""

import struct
import sys

sys.path.insert(0, sys.argv[1])
import draw_bitmaps  # noqa: E402

records = []
for (number, percent), canvas in draw_bitmaps.draw_all().items():
    pixels = bytes(channel for row in canvas.rows for colour in row for channel in colour)
    records.append((draw_bitmaps.resource_number(number, percent), canvas.width, canvas.height, pixels))
with open(sys.argv[2], "wb") as out:
    for number, width, height, pixels in sorted(records):
        out.write(struct.pack("<iii", number, width, height) + pixels)
