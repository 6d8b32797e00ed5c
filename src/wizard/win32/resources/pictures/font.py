"""Two small fonts: a 5 x 7 pixel font for captions and labels, and stroke letters for the logo.

Pixel glyphs are rows of '#' (set) and '.' (clear), top row first; lower-case letters stand on
the same base line as capitals. Stroke glyphs are polylines on a grid 4 units wide and 6 high.
"""

import raster

PIXEL_GLYPHS = {
    "S": [".###.", "#...#", "#....", ".###.", "....#", "#...#", ".###."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    "t": [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "5": ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    "+": [".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}

# Narrow glyphs keep their blank right columns out of the advance.
_ADVANCE = {"t": 5, "r": 5, "1": 5, " ": 3}


def pixel_text_width(text, bold=False):
    width = sum(_ADVANCE.get(ch, 6) for ch in text) - 1
    return width + (1 if bold else 0)


def draw_pixel_text(canvas, x, y, text, colour, bold=False):
    """Draws text with its top-left corner at (x, y); bold doubles every column to the right."""
    for ch in text:
        for row, bits in enumerate(PIXEL_GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    canvas.set(x + col, y + row, colour)
                    if bold:
                        canvas.set(x + col + 1, y + row, colour)
        x += _ADVANCE.get(ch, 6) + (1 if bold else 0)
    return x


# Chamfered corners give the logo its technical look.
STROKE_GLYPHS = {
    "V": [[(0, 0), (2, 6), (4, 0)]],
    "E": [[(4, 0), (0, 0), (0, 6), (4, 6)], [(0, 3), (3, 3)]],
    "L": [[(0, 0), (0, 6), (4, 6)]],
    "T": [[(0, 0), (4, 0)], [(2, 0), (2, 6)]],
    "R": [[(0, 6), (0, 0), (3, 0), (4, 1), (4, 2), (3, 3), (0, 3)], [(2, 3), (4, 6)]],
    "O": [[(1, 0), (3, 0), (4, 1), (4, 5), (3, 6), (1, 6), (0, 5), (0, 1), (1, 0)]],
    "0": [[(1, 0), (3, 0), (4, 1), (4, 5), (3, 6), (1, 6), (0, 5), (0, 1), (1, 0)],
          [(3, 1.5), (1, 4.5)]],
    "5": [[(4, 0), (0, 0), (0, 2.8), (3, 2.8), (4, 3.8), (4, 5), (3, 6), (0, 6)]],
    "1": [[(0.6, 1.2), (2, 0), (2, 6)]],
    "7": [[(0, 0), (4, 0), (1.6, 6)]],
    "!": [[(0.6, 0), (0.6, 3.9)], [(0.6, 6)]],
    "s": [[(3.2, 2.2), (0.8, 2.2), (0, 2.9), (0, 3.4), (0.7, 4), (2.5, 4), (3.2, 4.6), (3.2, 5.3),
           (2.5, 6), (0, 6)]],
    "t": [[(1, 0.6), (1, 5.3), (1.7, 6), (2.6, 6)], [(0, 2.2), (2.6, 2.2)]],
    "a": [[(0.3, 2.2), (2.5, 2.2), (3.2, 2.9), (3.2, 6)],
          [(3.2, 3.7), (0.8, 3.7), (0, 4.4), (0, 5.3), (0.7, 6), (3.2, 6)]],
    "r": [[(0, 6), (0, 2.2)], [(0, 3.4), (1.2, 2.2), (2.8, 2.2)]],
    " ": [],
}
_STROKE_WIDTH = {"1": 2.6, "!": 1.2, " ": 1.6, "L": 2.8, "s": 3.2, "t": 2.6, "a": 3.2, "r": 2.8}


def stroke_text_width(text, unit, gap):
    return sum(_STROKE_WIDTH.get(ch, 4) * unit + gap for ch in text) - gap


def stroke_text(text, x, y, unit, pen, gap, slant=0.0):
    """The shapes of text with its top-left at (x, y), letters 6 units high, leaning right."""
    shapes = []
    height = 6 * unit
    for ch in text:
        for line in STROKE_GLYPHS[ch]:
            points = [(x + gx * unit, y + gy * unit) for gx, gy in line]
            shapes.extend(raster.stroke(points, pen))
        x += _STROKE_WIDTH.get(ch, 4) * unit + gap
    return raster.transform(shapes, lambda px, py: (px + (y + height - py) * slant, py))
