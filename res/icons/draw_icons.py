#!/usr/bin/env python3
"""Draws the program icon: the scalable SVG and the 16, 32 and 48 pixel PNGs, from one set of
shapes (a blue rounded square with a white K). Run it again after changing a shape."""

import struct
import zlib
from pathlib import Path

TOP = (0x3A, 0x7B, 0xD8)
BOTTOM = (0x1A, 0x3C, 0x86)
RADIUS = 0.18
BOX = (0.06, 0.06, 0.94, 0.94)
LETTER = [
    [(0.28, 0.22), (0.42, 0.22), (0.42, 0.78), (0.28, 0.78)],
    [(0.40, 0.52), (0.62, 0.22), (0.79, 0.22), (0.50, 0.60)],
    [(0.47, 0.50), (0.59, 0.42), (0.80, 0.78), (0.63, 0.78)],
]


def in_box(x, y):
    left, top, right, bottom = BOX
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + RADIUS), right - RADIUS)
    cy = min(max(y, top + RADIUS), bottom - RADIUS)
    return (x - cx) ** 2 + (y - cy) ** 2 <= RADIUS ** 2


def in_polygon(x, y, points):
    inside = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def pixel(px, py, size, samples=6):
    red = green = blue = alpha = 0.0
    for sy in range(samples):
        for sx in range(samples):
            x = (px + (sx + 0.5) / samples) / size
            y = (py + (sy + 0.5) / samples) / size
            if not in_box(x, y):
                continue
            if any(in_polygon(x, y, shape) for shape in LETTER):
                colour = (255, 255, 255)
            else:
                t = (y - BOX[1]) / (BOX[3] - BOX[1])
                colour = tuple(a + (b - a) * t for a, b in zip(TOP, BOTTOM))
            red, green, blue, alpha = red + colour[0], green + colour[1], blue + colour[2], alpha + 1
    if alpha == 0:
        return (0, 0, 0, 0)
    total = samples * samples
    return (round(red / alpha), round(green / alpha), round(blue / alpha), round(255 * alpha / total))


def write_png(path, size):
    rows = b""
    for py in range(size):
        rows += b"\x00" + b"".join(bytes(pixel(px, py, size)) for px in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                     chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def write_svg(path):
    scale = 48
    left, top, right, bottom = (v * scale for v in BOX)
    shapes = "\n".join(
        '  <polygon fill="#ffffff" points="%s"/>' %
        " ".join("%g,%g" % (x * scale, y * scale) for x, y in shape) for shape in LETTER)
    path.write_text(f"""<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <defs>
    <linearGradient id="face" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#{TOP[0]:02x}{TOP[1]:02x}{TOP[2]:02x}"/>
      <stop offset="1" stop-color="#{BOTTOM[0]:02x}{BOTTOM[1]:02x}{BOTTOM[2]:02x}"/>
    </linearGradient>
  </defs>
  <rect x="{left:g}" y="{top:g}" width="{right - left:g}" height="{bottom - top:g}" rx="{RADIUS * scale:g}" fill="url(#face)"/>
{shapes}
</svg>
""")


if __name__ == "__main__":
    here = Path(__file__).resolve().parent
    for size in (16, 32, 48):
        write_png(here / f"keldwick-{size}.png", size)
    write_svg(here / "keldwick.svg")
