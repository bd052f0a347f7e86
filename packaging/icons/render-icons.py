#!/usr/bin/env python3
"""Writes the application icon: orbisel.svg and orbisel-<size>.png from one shape list.

The PNGs are drawn from signed distances (one sample a pixel, a pixel of smoothing), so
they need nothing beyond the standard library. Run again after changing a shape.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 24, 32, 48, 64, 128, 256)
TOP, BOTTOM = (0xFF, 0x7A, 0x1A), (0xF0, 0x43, 0x00)
WHITE, GOLD = (0xFF, 0xFF, 0xFF), (0xFF, 0xD5, 0x4A)

# The shapes in a 256 x 256 view, painted in order.
BOX = dict(x=16, y=16, size=224, radius=48)
LENS = dict(cx=112, cy=112, r=58, width=22)
HANDLE = dict(x1=156, y1=156, x2=204, y2=204, width=28)
MOON = dict(cx=174, cy=62, r=16)

SVG = f"""<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="face" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#{bytes(TOP).hex()}"/>
      <stop offset="1" stop-color="#{bytes(BOTTOM).hex()}"/>
    </linearGradient>
  </defs>
  <rect x="{BOX['x']}" y="{BOX['y']}" width="{BOX['size']}" height="{BOX['size']}" rx="{BOX['radius']}" fill="url(#face)"/>
  <circle cx="{LENS['cx']}" cy="{LENS['cy']}" r="{LENS['r']}" fill="none" stroke="#{bytes(WHITE).hex()}" stroke-width="{LENS['width']}"/>
  <line x1="{HANDLE['x1']}" y1="{HANDLE['y1']}" x2="{HANDLE['x2']}" y2="{HANDLE['y2']}" stroke="#{bytes(WHITE).hex()}" stroke-width="{HANDLE['width']}" stroke-linecap="round"/>
  <circle cx="{MOON['cx']}" cy="{MOON['cy']}" r="{MOON['r']}" fill="#{bytes(GOLD).hex()}"/>
</svg>
"""


def box_distance(x, y):
    half = BOX["size"] / 2
    inner = half - BOX["radius"]
    dx = abs(x - (BOX["x"] + half)) - inner
    dy = abs(y - (BOX["y"] + half)) - inner
    outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
    return outside + min(max(dx, dy), 0.0) - BOX["radius"]


def lens_distance(x, y):
    return abs(math.hypot(x - LENS["cx"], y - LENS["cy"]) - LENS["r"]) - LENS["width"] / 2


def handle_distance(x, y):
    ax, ay, bx, by = HANDLE["x1"], HANDLE["y1"], HANDLE["x2"], HANDLE["y2"]
    t = ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(x - (ax + t * (bx - ax)), y - (ay + t * (by - ay))) - HANDLE["width"] / 2


def moon_distance(x, y):
    return math.hypot(x - MOON["cx"], y - MOON["cy"]) - MOON["r"]


def face_colour(x, y):
    t = min(max((y - BOX["y"]) / BOX["size"], 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(TOP, BOTTOM))


LAYERS = (
    (box_distance, face_colour),
    (lens_distance, lambda x, y: WHITE),
    (handle_distance, lambda x, y: WHITE),
    (moon_distance, lambda x, y: GOLD),
)


def pixel(x, y, pixel_size):
    colour, alpha = (0.0, 0.0, 0.0), 0.0
    for distance, paint in LAYERS:
        coverage = min(max(0.5 - distance(x, y) / pixel_size, 0.0), 1.0)
        if coverage == 0.0:
            continue
        out = coverage + alpha * (1 - coverage)
        colour = tuple((p * coverage + c * alpha * (1 - coverage)) / out for p, c in zip(paint(x, y), colour))
        alpha = out
    return bytes(round(c) for c in colour) + bytes([round(alpha * 255)])


def png(size):
    step = 256 / size
    rows = b"".join(
        b"\0" + b"".join(pixel((i + 0.5) * step, (j + 0.5) * step, step) for i in range(size)) for j in range(size)
    )

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    (out / "orbisel.svg").write_text(SVG)
    for size in SIZES:
        (out / f"orbisel-{size}.png").write_bytes(png(size))


if __name__ == "__main__":
    main()
