"""The 600 x 75 banner: the product's wordmark over a circuit board with a schematic overlay.

The view writes a white "V12" with a black shadow over x 525..592, y 32..74, so the board is
darkened towards the right edge.
"""

import math

import font
import raster

WIDTH, HEIGHT = 600, 75

BOARD = [(0.0, (14, 62, 82)), (0.55, (10, 45, 66)), (0.85, (6, 26, 42)), (1.0, (4, 17, 29))]
TRACE = (34, 112, 128)
TRACE_EDGE = (52, 146, 160)
COPPER = (214, 165, 78)
HOLE = (8, 26, 38)
INK = (140, 212, 232)
LOGO_WHITE = [(0.0, (255, 255, 255)), (0.55, (226, 240, 247)), (1.0, (160, 196, 214))]
LOGO_ORANGE = [(0.0, (255, 222, 140)), (0.5, (250, 170, 62)), (1.0, (214, 104, 24))]

# Copper buses: centre line, number of parallel traces, their spacing.
BUSES = [
    ([(-5, 6), (300, 6)], 2, 5),
    ([(-5, 66), (330, 66), (348, 48), (372, 48)], 3, 5),
    ([(478, 70), (505, 70), (520, 55), (540, 55)], 2, 5),
]
# Single traces with a via or pad at either end.
TRACES = [
    [(20, 60), (120, 60), (128, 52)],
    [(255, 20), (268, 20), (280, 8), (340, 8), (352, 20), (372, 20)],
    [(486, 8), (520, 8), (532, 20), (541, 20)],
    [(486, 40), (510, 40), (520, 30), (541, 30)],
    [(583, 25), (598, 25)],
    [(583, 45), (598, 45)],
]
VIAS = [(300, 16), (324, 26), (128, 52), (20, 60), (560, 68), (498, 24), (586, 8)]


def _offset_polyline(points, distance):
    """The polyline moved sideways by distance, corners mitred so parallel traces stay parallel."""
    def normal(a, b):
        dx, dy = b[0] - a[0], b[1] - a[1]
        length = math.hypot(dx, dy)
        return (-dy / length, dx / length)

    normals = [normal(points[i], points[i + 1]) for i in range(len(points) - 1)]
    result = []
    for i, (x, y) in enumerate(points):
        n1 = normals[max(0, i - 1)]
        n2 = normals[min(len(normals) - 1, i)]
        mx, my = n1[0] + n2[0], n1[1] + n2[1]
        length = math.hypot(mx, my)
        mx, my = mx / length, my / length
        scale = distance / (mx * n1[0] + my * n1[1])
        result.append((x + mx * scale, y + my * scale))
    return result


def _trace(canvas, points, width=2.2):
    canvas.line(points, TRACE_EDGE, width + 1.0, opacity=0.5)
    canvas.line(points, TRACE, width)


def _via(canvas, x, y, outer=3.2, inner=1.3):
    canvas.fill([raster.disc(x, y, outer + 0.8)], HOLE, opacity=0.6)
    canvas.fill([raster.ring(x, y, outer, inner)], COPPER)
    canvas.fill([raster.disc(x, y, inner)], HOLE)


def _draw_board(canvas):
    for x in range(WIDTH):
        column = raster.gradient_at(BOARD, (x + 0.5) / WIDTH)
        for y in range(HEIGHT):
            canvas.set(x, y, raster.shade(column, 1.12 - 0.24 * y / HEIGHT))
    # A faint grid of dots, as on a drawing sheet.
    for y in range(3, HEIGHT, 8):
        for x in range(3, WIDTH, 8):
            canvas.blend(x, y, INK, 0.16)
    for centre, count, spacing in BUSES:
        for k in range(count):
            line = _offset_polyline(centre, (k - (count - 1) / 2) * spacing)
            _trace(canvas, line)
            _via(canvas, line[-1][0], line[-1][1], 2.4, 1.0)
    for points in TRACES:
        _trace(canvas, points)
        for x, y in (points[0], points[-1]):
            _via(canvas, x, y, 2.6, 1.1)
    for x, y in VIAS:
        _via(canvas, x, y)


def _draw_chip(canvas):
    """A quad flat package in the dark right part, its pins on all four sides."""
    x0, y0, x1, y1 = 545, 14, 580, 60
    for k in range(6):
        y = y0 + 5 + k * 7.4
        canvas.fill([raster.rect(x0 - 5, y - 1.4, x0, y + 1.4)], (150, 158, 166), 0.7)
        canvas.fill([raster.rect(x1, y - 1.4, x1 + 5, y + 1.4)], (150, 158, 166), 0.7)
    for k in range(4):
        x = x0 + 6 + k * 7.5
        canvas.fill([raster.rect(x - 1.4, y0 - 5, x + 1.4, y0)], (150, 158, 166), 0.7)
        canvas.fill([raster.rect(x - 1.4, y1, x + 1.4, y1 + 5)], (150, 158, 166), 0.7)
    canvas.fill([raster.rounded_rect(x0, y0, x1, y1, 2)], (22, 30, 38))
    canvas.fill([raster.rounded_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 1.5)], (32, 42, 52))
    canvas.fill([raster.disc(x0 + 5, y0 + 5, 1.6)], (14, 20, 26))


def _ink(canvas, points, opacity=0.85):
    canvas.line(points, INK, 1.1, opacity)


def _draw_schematic(canvas):
    """A resistor and a capacitor at an integrated circuit, in thin lines over the board."""
    # U1 with three pins each side.
    x0, y0, x1, y1 = 430, 14, 466, 58
    _ink(canvas, [(x0, y0), (x1, y0), (x1, y1), (x0, y1), (x0, y0)])
    notch = [(448 + 4 * math.cos(math.pi * i / 10), y0 + 4 * math.sin(math.pi * i / 10))
             for i in range(11)]
    _ink(canvas, notch)
    for y in (23, 36, 49):
        _ink(canvas, [(x0 - 9, y), (x0, y)])
        _ink(canvas, [(x1, y), (x1 + 9, y)])
    font.draw_pixel_text(canvas, 442, 32, "U1", INK)
    # R1 into pin 1.
    zigzag = [(392, 23)] + [(395 + 3 * i, 23 + (-3 if i % 2 == 0 else 3)) for i in range(8)]
    _ink(canvas, [(372, 23)] + zigzag + [(420, 23), (x0 - 9, 23)])
    font.draw_pixel_text(canvas, 397, 11, "R1", INK)
    # C1 from pin 3 to ground.
    _ink(canvas, [(398, 49), (x0 - 9, 49)])
    canvas.fill([raster.disc(410, 49, 1.8)], INK, 0.9)
    _ink(canvas, [(410, 49), (410, 57)])
    _ink(canvas, [(404, 57), (416, 57)])
    _ink(canvas, [(404, 60), (416, 60)])
    _ink(canvas, [(410, 60), (410, 66)])
    for k, half in enumerate((7, 4.5, 2)):
        _ink(canvas, [(410 - half, 66 + 2.5 * k), (410 + half, 66 + 2.5 * k)])
    font.draw_pixel_text(canvas, 393, 54, "C1", INK)
    # Outputs to terminals.
    for y in (23, 36, 49):
        _ink(canvas, [(x1 + 9, y), (488, y)])
        canvas.fill([raster.ring(491, y, 3, 1.9)], INK, 0.85)
    font.draw_pixel_text(canvas, 473, 27, "5V", INK)


def _draw_wordmark(canvas):
    unit, pen, gap, slant = 5.0, 4.4, 7.0, 0.2
    left, top = 17, 18
    right = left + font.stroke_text_width("VELTRO 5107!", unit, gap)
    orange_x = left + font.stroke_text_width("VELTRO ", unit, gap) + gap
    parts = [("VELTRO", left, LOGO_WHITE), ("5107!", orange_x, LOGO_ORANGE)]
    outlines = [font.stroke_text(t, x, top, unit, pen + 2.6, gap, slant) for t, x, _ in parts]
    for outline in outlines:
        canvas.fill(outline, (0, 0, 0), 0.45, 3, 3)
    for outline in outlines:
        canvas.fill(outline, (3, 16, 26))
    for text, x, colours in parts:
        fill = lambda px, py, c=colours: raster.gradient_at(c, (py - top) / (6 * unit))
        canvas.fill(font.stroke_text(text, x, top, unit, pen, gap, slant), fill)
    # An underline that runs into the board as a trace.
    _trace(canvas, [(left, 58), (right - 2, 58), (right + 4, 52)], 1.6)
    _via(canvas, right + 4, 52, 2.4, 1.0)


def _darken_right(canvas):
    def factor(x, y):
        t = min(1.0, max(0.0, (x - 496) / 40))
        return 1.0 - 0.45 * t

    canvas.darken(factor)


def draw():
    canvas = raster.Canvas(WIDTH, HEIGHT)
    _draw_board(canvas)
    _draw_schematic(canvas)
    _darken_right(canvas)
    _draw_chip(canvas)
    _draw_wordmark(canvas)
    return canvas
