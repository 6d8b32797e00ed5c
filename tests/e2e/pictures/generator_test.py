"""The picture generator's file writers and id reading, checked against ImageMagick's decoder.

Run with python3 -B (no compiled modules in the source folder); needs `convert` on the path.
"""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.join(HERE, "..", "..", "..", "src", "wizard", "win32", "resources")
sys.path.insert(0, os.path.join(RESOURCES, "pictures"))
sys.path.insert(0, RESOURCES)

import bmpfile  # noqa: E402
import make_pictures  # noqa: E402
import raster  # noqa: E402


def decoded(path):
    """The pixels of an image file as ImageMagick reads them: {(x, y): (r, g, b, alpha)}."""
    text = subprocess.run(
        ["convert", path, "-depth", "8", "txt:-"], check=True, capture_output=True, text=True
    ).stdout
    pixels = {}
    for line in text.splitlines()[1:]:
        where, _, rest = line.partition(":")
        x, y = (int(v) for v in where.split(","))
        values = rest.split("(")[1].split(")")[0].split(",")
        channels = [int(round(float(v.strip().rstrip("%")))) for v in values]
        pixels[(x, y)] = tuple(channels[:3]) + (channels[3] if len(channels) > 3 else 255,)
    return pixels


def patterned(width, height, colours):
    """A canvas whose pixels cycle through colours, different in every row and column."""
    canvas = raster.Canvas(width, height)
    for y in range(height):
        for x in range(width):
            canvas.set(x, y, colours[(x * 3 + y * 5) % len(colours)])
    return canvas


FEW = [(0, 0, 0), (255, 255, 255), (200, 16, 46), (1, 33, 105), (255, 206, 0), (10, 200, 90)]
MANY = [(k * 7 % 256, k * 13 % 256, k * 29 % 256) for k in range(40)]


class BitmapFiles(unittest.TestCase):
    def write(self, data, suffix):
        handle, path = tempfile.mkstemp(suffix=suffix)
        os.close(handle)
        self.addCleanup(os.remove, path)
        bmpfile.write_atomically(path, data)
        return path

    def test_exact_pixels_at_every_depth_and_row_padding(self):
        # Widths 1, 3 and 5 leave every amount of row padding; 4-bit rows end in half bytes.
        for bits in (24, 8, 4):
            for width, height in ((1, 1), (3, 2), (5, 3), (7, 4)):
                with self.subTest(bits=bits, width=width, height=height):
                    canvas = patterned(width, height, FEW)
                    path = self.write(bmpfile.bmp_file(canvas, bits), ".bmp")
                    got = decoded(path)
                    self.assertEqual(len(got), width * height)
                    for (x, y), value in got.items():
                        self.assertEqual(value[:3], canvas.get(x, y), (x, y))

    def test_palette_keeps_frequent_colours_and_maps_the_rest_to_the_nearest(self):
        for bits in (8, 4):
            size = 1 << bits
            with self.subTest(bits=bits):
                canvas = patterned(13, 11, MANY)
                palette, _ = bmpfile.palette_of(canvas, size)
                self.assertLessEqual(len(palette), size)
                got = decoded(self.write(bmpfile.bmp_file(canvas, bits), ".bmp"))
                for (x, y), value in got.items():
                    wanted = canvas.get(x, y)
                    distance = lambda c: sum((c[k] - wanted[k]) ** 2 for k in range(3))
                    nearest = min(palette, key=distance)
                    self.assertEqual(value[:3], nearest, (x, y))

    def test_icon_mask_hides_exactly_the_pixels_not_opaque(self):
        for width, height in ((32, 32), (16, 16)):
            with self.subTest(width=width):
                canvas = patterned(width, height, FEW)
                colours = {(x, y): canvas.get(x, y) for x in range(width) for y in range(height)}
                opaque = lambda x, y: (x + 2 * y) % 3 != 0
                got = decoded(self.write(bmpfile.ico_file(canvas, opaque), ".ico"))
                for (x, y), value in got.items():
                    self.assertEqual(value[3] > 127, opaque(x, y), (x, y))
                    if opaque(x, y):
                        self.assertEqual(value[:3], colours[(x, y)], (x, y))


HEADER = """namespace x {
enum PictureId : int {
  kLogoBitmap = 200,
  kEnglishUSFlagBitmap = 201,
  kGermanFlagBitmap = 202,  // a comment
  kFrenchFlagBitmap = 203,
  kProgramFolderBitmap = 204,
  kQuickLaunchBarMEBitmap = 205,
  kQuickLaunchBarXPBitmap = 206,
  kProgramIcon = 207%s
};
}
"""


class PictureIds(unittest.TestCase):
    def ids(self, text):
        handle, path = tempfile.mkstemp(suffix=".h")
        with os.fdopen(handle, "w") as f:
            f.write(text)
        self.addCleanup(os.remove, path)
        return path, make_pictures.picture_ids(path)

    def test_header_texts(self):
        cases = [
            # (header text, id of kProgramIcon or the error's line and reason)
            (HEADER % ",", 207),
            (HEADER % "", 207),
            (HEADER % ",\n  kExtra = 300,", 207),
            (HEADER.replace("  kProgramIcon = 207%s\n", ""), ":2: enum PictureId lacks kProgram"),
            (HEADER.replace("= 203", "= 0xCB") % ",", ":6: not a 'kName = number,' line"),
            ("enum ControlId : int {\n  kBackBtn = 1001,\n};\n", ":1: no enum PictureId"),
        ]
        for text, expected in cases:
            with self.subTest(expected=expected):
                if isinstance(expected, int):
                    _, ids = self.ids(text)
                    self.assertEqual(ids["kProgramIcon"], expected)
                    self.assertEqual(len(ids), len(make_pictures.BITMAPS) + 1)
                else:
                    with self.assertRaises(make_pictures.InputError) as caught:
                        self.ids(text)
                    self.assertIn(expected, str(caught.exception))


if __name__ == "__main__":
    unittest.main()
