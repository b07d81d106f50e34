#!/usr/bin/env python3
"""Writes the test bitmaps of window_tests.rc: solid bitmaps with a white
top-left pixel, so that a test can find both where a bitmap landed and its
colour. Run it in this folder; the output is checked in."""
import struct

WHITE = (255, 255, 255)


def bmp(name, width, height, bits, pixels, table=(), cut=0):
    """pixels(x, y) gives an (r, g, b) or, for 8 bits, a colour index; y is
    counted from the top. cut drops that many bytes from the end."""
    row = (width * bits + 31) // 32 * 4
    data = bytearray()
    for y in reversed(range(height)):  # bottom-up rows
        line = bytearray()
        for x in range(width):
            p = pixels(x, y)
            line += bytes([p]) if bits == 8 else bytes([p[2], p[1], p[0]])
        data += line + bytes(row - len(line))
    colours = b"".join(bytes([b, g, r, 0]) for r, g, b in table)
    if cut:
        data = data[:-cut]
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       len(table), 0)
    offset = 14 + len(info) + len(colours)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(name, "wb") as f:
        f.write(head + info + colours + data)


def solid(colour):
    return lambda x, y: WHITE if (x, y) == (0, 0) else colour


# 8 bits: index 0 red, index 1 white, the rest a ramp the palette test checks.
table = [(255, 0, 0), WHITE] + [(i, 255 - i, (i * 7) & 255) for i in range(2, 256)]
bmp("top_left.bmp", 40, 20, 8, lambda x, y: 1 if (x, y) == (0, 0) else 0, table)
bmp("bottom_left.bmp", 40, 20, 24, solid((0, 255, 0)))
bmp("top_right.bmp", 40, 20, 24, solid((255, 255, 0)))
bmp("single.bmp", 30, 10, 24, solid((255, 0, 255)))
# Claims 40 x 20 pixels but holds one row less.
bmp("cut.bmp", 40, 20, 24, solid((0, 0, 255)), cut=120)
