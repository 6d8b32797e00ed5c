#!/usr/bin/env python3
"""Draws another product's pictures for mksetup build --pictures and --icon, unlike the stub's.

usage: vendor_pictures.py OUT_DIR

OUT_DIR/pictures gets the five files build takes (logo.bmp as an 8-bit bitmap, the others
24-bit), OUT_DIR/setup.ico the icon Explorer is to show (16x16, 32x32 and 48x48 images), and
OUT_DIR/expected the 32x32 pictures Windows must draw from the two icons over magenta:
program-icon.ppm and explorer-icon.ppm.
"""

import os
import struct
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "src", "wizard", "win32", "resources",
                                "pictures"))

import bmpfile  # noqa: E402
import font  # noqa: E402
import raster  # noqa: E402

MAGENTA = (255, 0, 255)
KEY = (0, 128, 128)  # the lower-left pixel of the pictures drawn transparent


def banner():
    canvas = raster.Canvas(600, 75)
    stops = [(0.0, (12, 60, 40)), (0.6, (20, 120, 110)), (1.0, (230, 160, 40))]
    canvas.gradient_rect(0, 0, 600, 75, stops, vertical=False)
    for x in range(0, 600, 24):
        canvas.fill_rect(x, 66, x + 12, 70, (250, 240, 200))
    canvas.fill([raster.disc(540, 37, 26)], (250, 220, 90))
    text = font.stroke_text("ROVER 17", 20, 16, 5.0, 4.0, 7.0, 0.15)
    canvas.fill(text, (255, 255, 255))
    return canvas


def keyed(width, height, draw):
    canvas = raster.Canvas(width, height, KEY)
    draw(canvas)
    canvas.set(0, height - 1, KEY)
    return canvas


def folder(canvas):
    canvas.fill_rect(3, 6, 11, 9, (200, 60, 30))
    canvas.fill_rect(3, 9, 22, 21, (240, 110, 40))
    canvas.fill_rect(5, 12, 20, 14, (255, 230, 180))


def bar(canvas):
    w, h = canvas.width, canvas.height
    canvas.fill_rect(2, 2, 40, h - 2, (30, 90, 200))
    for i, x in enumerate(range(48, w - 20, 26)):
        canvas.fill_rect(x, 4, x + 18, h - 4, [(220, 40, 40), (40, 180, 60), (240, 200, 30)][i % 3])


def disc_icon(size):
    """A red disc with a white ring: the product's program icon."""
    canvas = raster.Canvas(size, size)
    c = size / 2
    canvas.fill([raster.disc(c, c, size * 0.45)], (200, 30, 40))
    canvas.fill([raster.ring(c, c, size * 0.3, size * 0.18)], (255, 255, 255))
    return canvas, lambda x, y: (x + 0.5 - c) ** 2 + (y + 0.5 - c) ** 2 <= (size * 0.45) ** 2


def diamond_icon(size):
    """A green square holding a yellow diamond: the setup program's own icon."""
    canvas = raster.Canvas(size, size, (30, 140, 70))
    c = size / 2
    for y in range(size):
        for x in range(size):
            if abs(x + 0.5 - c) + abs(y + 0.5 - c) < size * 0.35:
                canvas.set(x, y, (250, 210, 40))
    margin = size // 8
    return canvas, lambda x, y: margin <= x < size - margin and margin <= y < size - margin


def ico(images):
    """An ICO file of 24-bit images, each (canvas, opaque); the first image stays first."""
    bodies = [bmpfile.ico_file(canvas, opaque)[6 + 16 :] for canvas, opaque in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (canvas, _), body in zip(images, bodies):
        out += struct.pack("<BBBBHHII", canvas.width, canvas.height, 0, 0, 1, 24, len(body), offset)
        offset += len(body)
    return out + b"".join(bodies)


def ppm_over_magenta(canvas, opaque):
    rows = bytearray()
    for y in range(canvas.height):
        for x in range(canvas.width):
            rows += bytes(canvas.get(x, y) if opaque(x, y) else MAGENTA)
    return b"P6\n%d %d\n255\n" % (canvas.width, canvas.height) + bytes(rows)


def main(argv):
    if len(argv) != 2:
        print("usage: vendor_pictures.py OUT_DIR", file=sys.stderr)
        return 2
    out = argv[1]
    for sub in ("pictures", "expected"):
        os.makedirs(os.path.join(out, sub), exist_ok=True)
    files = {
        "logo.bmp": bmpfile.bmp_file(banner(), 8),
        "program-folder.bmp": bmpfile.bmp_file(keyed(25, 25, folder), 24),
        "quick-launch-classic.bmp": bmpfile.bmp_file(keyed(161, 24, bar), 24),
        "quick-launch-xp.bmp": bmpfile.bmp_file(keyed(213, 30, bar), 24),
    }
    # ico_file blackens the pixels its mask lets through, so each picture is drawn afresh.
    files["program.ico"] = ico([disc_icon(32), disc_icon(16)])
    for name, data in files.items():
        bmpfile.write_atomically(os.path.join(out, "pictures", name), data)
    bmpfile.write_atomically(os.path.join(out, "setup.ico"),
                             ico([diamond_icon(16), diamond_icon(32), diamond_icon(48)]))
    expected = {"program-icon.ppm": disc_icon(32), "explorer-icon.ppm": diamond_icon(32)}
    for name, (canvas, opaque) in expected.items():
        bmpfile.write_atomically(os.path.join(out, "expected", name),
                                 ppm_over_magenta(canvas, opaque))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
