#!/usr/bin/env python3
"""Draws the applet's icon, a five-pin MIDI socket on a network-blue tile, and
writes it as Kestrune.ico with 16, 32 and 48 pixel images (32-bit BGRA with
an AND mask, the form every Windows version reads).

Usage: make_icon.py [output.ico] [--preview preview.png]
The preview is the three images side by side, enlarged eight times.
Only the Python standard library is used, so the build machine needs nothing
more; the output is deterministic.
"""

import math
import struct
import sys
import zlib

SIZES = (16, 32, 48)
SAMPLES = 8  # per pixel and axis: anti-aliasing by supersampling

TILE_EDGE = (0x14, 0x3C, 0x6E)
TILE = (0x1F, 0x64, 0xB4)
SOCKET = (0xF4, 0xF6, 0xFA)
PIN = (0xFF, 0xA8, 0x1E)


def in_rounded_square(x, y, inset, radius):
    lo, hi = inset, 1.0 - inset
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def pin_centres(size):
    # Five pins on the upper half circle, as a DIN socket seen from the front.
    # Small images get fewer, larger pins so that they stay distinct.
    angles = (180, 135, 90, 45, 0) if size > 16 else (180, 90, 0)
    r = 0.16 if size > 16 else 0.15
    return [(0.5 + r * math.cos(math.radians(a)), 0.53 - r * math.sin(math.radians(a)))
            for a in angles]


def colour_at(x, y, size, pins):
    """The topmost layer's colour at (x, y) in the unit square, or None."""
    pin_r = 0.05 if size > 16 else 0.075
    for px, py in pins:
        if (x - px) ** 2 + (y - py) ** 2 <= pin_r ** 2:
            return PIN
    d = math.hypot(x - 0.5, y - 0.5)
    outer, inner = 0.37, (0.28 if size > 16 else 0.27)
    # The socket's key notch: a short bar at the bottom, joined to the ring.
    if abs(x - 0.5) <= 0.05 and 0.5 + inner - 0.09 <= y <= 0.5 + outer:
        return SOCKET
    if inner <= d <= outer:
        return SOCKET
    if in_rounded_square(x, y, 0.05 + 0.5 / size, 0.18):
        return TILE
    if in_rounded_square(x, y, 0.02, 0.2):
        return TILE_EDGE
    return None


def render(size):
    """Rows top to bottom of (r, g, b, a) tuples, straight (not premultiplied) alpha."""
    pins = pin_centres(size)
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size,
                                  (py + (sy + 0.5) / SAMPLES) / size, size, pins)
                    if c:
                        r, g, b, covered = r + c[0], g + c[1], b + c[2], covered + 1
            if covered:
                row.append((round(r / covered), round(g / covered), round(b / covered),
                            round(255 * covered / n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def ico_image(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def ico_file(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return out + data


def png_file(rows):
    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def preview(renders, scale=8, gap=8):
    height = max(SIZES) * scale
    width = sum(SIZES) * scale + gap * (len(SIZES) + 1)
    checker = lambda x, y: (0xCC,) * 3 if (x // 8 + y // 8) % 2 else (0xFF,) * 3
    rows = []
    for y in range(height):
        row = []
        x = 0
        for size in SIZES:
            row += [checker(x + i, y) + (255,) for i in range(gap)]
            x += gap
            for i in range(size * scale):
                src = renders[size][y // scale][i // scale] if y < size * scale else (0, 0, 0, 0)
                bg = checker(x, y)
                a = src[3] / 255
                row.append(tuple(round(src[c] * a + bg[c] * (1 - a)) for c in range(3)) + (255,))
                x += 1
        row += [checker(x + i, y) + (255,) for i in range(gap)]
        rows.append(row)
    return png_file(rows)


def main(argv):
    out, preview_path = "Kestrune.ico", None
    args = list(argv)
    if "--preview" in args:
        i = args.index("--preview")
        preview_path = args[i + 1]
        del args[i:i + 2]
    if args:
        out = args[0]
    renders = {size: render(size) for size in SIZES}
    with open(out, "wb") as f:
        f.write(ico_file([(size, ico_image(renders[size])) for size in SIZES]))
    if preview_path:
        with open(preview_path, "wb") as f:
            f.write(preview(renders))


if __name__ == "__main__":
    main(sys.argv[1:])
