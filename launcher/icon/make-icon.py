"""Draws the launcher's icon and writes it as a multi-size .ico.

The drawing is the source: a teal tile with a white "Q" (a ring and its
tail). Output is byte-for-byte the same on every run. Small sizes are stored
as 32-bit bitmaps (sharpest in Explorer's lists), 256 px as PNG.

usage: make-icon.py OUTPUT.ico
"""

import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
TILE = (0x1E, 0x6F, 0x8C)
MARK = (0xFF, 0xFF, 0xFF)
SUBSAMPLES = 4


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def in_tile(x, y, margin=0.04, radius=0.2):
    # A rounded square: distance from the inner rectangle within the radius.
    lo, hi = margin + radius, 1 - margin - radius
    dx = max(lo - x, 0.0, x - hi)
    dy = max(lo - y, 0.0, y - hi)
    return math.hypot(dx, dy) <= radius


def in_mark(x, y):
    ring = 0.19 <= math.hypot(x - 0.48, y - 0.46) <= 0.30
    tail = segment_distance(x, y, 0.66, 0.66, 0.80, 0.82) <= 0.06
    return ring or tail


def pixels(size):
    """Rows top to bottom of (r, g, b, a), antialiased by subsampling."""
    rows = []
    n = SUBSAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            tile = mark = 0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    if in_tile(x, y):
                        tile += 1
                        mark += in_mark(x, y)
            if tile == 0:
                row.append((0, 0, 0, 0))
                continue
            share = mark / tile
            colour = tuple(round(t + (m - t) * share) for t, m in zip(TILE, MARK))
            row.append(colour + (round(255 * tile / (n * n)),))
        rows.append(row)
    return rows


def bitmap(size):
    rows = pixels(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_row = ((size + 31) // 32) * 4  # the alpha channel says it all: an empty mask
    return header + colour + bytes(mask_row * size)


def png(size):
    rows = pixels(size)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

    def chunk(kind, data):
        return (
            struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        )

    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def icon():
    images = [png(s) if s >= 256 else bitmap(s) for s in SIZES]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, image in zip(SIZES, images):
        side = size % 256  # 0 stands for 256
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon())
