#!/usr/bin/env python3
"""Draws the editor's bitmaps into resource/, at 1x and 2x.

Everything else in the editor is drawn by VSTGUI from the colours and
gradients of plug.uidesc; only the about button and the slider handle need
pixels. The shapes are described in 1x points and rendered at any scale with
4x4 supersampling, so both sizes come from the same drawing.

Usage: tools/make_bitmaps.py [RESOURCE_DIR]
"""

import math
import os
import struct
import sys
import zlib

SUPERSAMPLING = 4

INK = (0xE6, 0xE9, 0xEE)
MUTED = (0x8A, 0x94, 0xA3)
ACCENT = (0x5C, 0xC8, 0xC0)
DEEP = (0x14, 0x17, 0x1C)


class Canvas:
    def __init__(self, width, height, scale):
        self.width = width * scale
        self.height = height * scale
        self.scale = scale
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(self.width * self.height)]

    def fill(self, inside, colour, alpha=1.0, offset_y=0.0):
        """Composites colour over the canvas wherever inside(x, y) holds,
        x and y in 1x points; offset_y moves the shape down."""
        n = SUPERSAMPLING
        for py in range(self.height):
            for px in range(self.width):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        x = (px + (sx + 0.5) / n) / self.scale
                        y = (py + (sy + 0.5) / n) / self.scale - offset_y
                        if inside(x, y):
                            hits += 1
                if hits:
                    self._over(px, py, colour, alpha * hits / (n * n))

    def _over(self, px, py, colour, a):
        p = self.pixels[py * self.width + px]
        out_a = a + p[3] * (1 - a)
        for i in range(3):
            c = colour[i] / 255.0
            p[i] = (c * a + p[i] * p[3] * (1 - a)) / out_a if out_a else 0.0
        p[3] = out_a

    def write_png(self, path):
        rows = bytearray()
        for py in range(self.height):
            rows.append(0)
            for px in range(self.width):
                p = self.pixels[py * self.width + px]
                rows.extend(round(max(0.0, min(1.0, v)) * 255) for v in p)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", header))
            f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
            f.write(chunk(b"IEND", b""))


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        return r - width / 2 <= d <= r + width / 2
    return inside


def capsule(x0, y0, x1, y1, r):
    """A rounded bar around the segment (x0, y0)-(x1, y1)."""
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= r * r
    return inside


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def about_button(scale):
    """Two 22x22 frames stacked: off (a ring with an i), on (a lit disc)."""
    size = 22
    c = Canvas(size, 2 * size, scale)
    centre = size / 2
    # off
    c.fill(ring(centre, centre, 9.0, 1.5), MUTED)
    c.fill(disc(centre, 6.6, 1.35), MUTED)
    c.fill(capsule(centre, 9.8, centre, 15.6, 1.1), MUTED)
    # on
    c.fill(disc(centre, centre, 9.75), ACCENT, offset_y=size)
    c.fill(disc(centre, 6.6, 1.35), DEEP, offset_y=size)
    c.fill(capsule(centre, 9.8, centre, 15.6, 1.1), DEEP, offset_y=size)
    return c


def slider_handle(scale):
    """The fader cap: a light rounded bar with a groove across its middle."""
    width, height = 34, 12
    c = Canvas(width, height, scale)
    c.fill(rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, 3.0), DEEP, alpha=0.55)
    c.fill(rounded_rect(1.5, 1.0, width - 1.5, height - 2.0, 2.5), INK)
    c.fill(capsule(7.0, height / 2 - 0.5, width - 7.0, height / 2 - 0.5, 0.6), ACCENT)
    return c


def main():
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(repo, "resource")
    os.makedirs(out, exist_ok=True)
    for name, draw in (("about-button", about_button), ("slider-handle", slider_handle)):
        draw(1).write_png(os.path.join(out, name + ".png"))
        draw(2).write_png(os.path.join(out, name + "_2x.png"))


if __name__ == "__main__":
    main()
