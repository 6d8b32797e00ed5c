"""The quick-launch bar pictures: the start button and the quick-launch icons of a task bar, in
the classic grey style (161 x 24) and in the green and blue XP style (213 x 30)."""

import math

import font
import icons
import raster

FACE, LIGHT, HIGHLIGHT = (192, 192, 192), (223, 223, 223), (255, 255, 255)
SHADOW, DARK = (128, 128, 128), (0, 0, 0)
PANES = ((234, 66, 36), (118, 184, 42), (28, 120, 226), (252, 192, 20))

XP_BAR = [(0.0, (90, 140, 234)), (0.12, (48, 108, 226)), (0.55, (36, 94, 220)),
          (0.9, (30, 82, 204)), (1.0, (22, 64, 170))]
XP_START = [(0.0, (120, 196, 112)), (0.14, (64, 168, 62)), (0.6, (52, 142, 52)),
            (1.0, (34, 104, 34))]


def _flag_glyph(canvas, x, y, size):
    """Four waving panes, red, green, blue and yellow, with dark gaps between them."""
    def wave(u, v):
        return (x + u * size, y + v * size + 0.1 * size * math.sin(2 * math.pi * u))

    def pane(u0, u1, v0, v1):
        top = [wave(u0 + (u1 - u0) * i / 6, v0) for i in range(7)]
        bottom = [wave(u1 - (u1 - u0) * i / 6, v1) for i in range(7)]
        return [top + bottom]

    canvas.fill([pane(-0.04, 1.04, -0.04, 0.94)], DARK, 0.55)
    quarters = ((0, 0.47, 0, 0.43), (0.53, 1, 0, 0.43), (0, 0.47, 0.47, 0.9), (0.53, 1, 0.47, 0.9))
    for colour, (u0, u1, v0, v1) in zip(PANES, quarters):
        canvas.fill([pane(u0, u1, v0, v1)], colour)


def _monitor(canvas, x, y):
    canvas.fill([raster.rect(x + 1, y + 1, x + 15, y + 11)], (60, 60, 60))
    canvas.fill([raster.rect(x + 2, y + 2, x + 14, y + 10)], (0, 128, 128))
    canvas.fill([raster.rect(x + 6, y + 11, x + 10, y + 13)], (100, 100, 100))
    canvas.fill([raster.rect(x + 3, y + 13, x + 13, y + 15)], (150, 150, 150))


def _globe(canvas, x, y):
    cx, cy = x + 8, y + 8
    canvas.fill([raster.disc(cx, cy, 7.4)], (16, 60, 150))
    canvas.fill([raster.disc(cx, cy, 6.6)], (60, 140, 230))
    land = [raster.disc(cx - 2.5, cy - 2, 2.6), raster.disc(cx + 2.5, cy + 2.6, 2.2)]
    canvas.fill(land, (60, 170, 60))
    canvas.line([(cx - 6.6, cy), (cx + 6.6, cy)], (200, 230, 255), 0.8, 0.6)
    canvas.fill([raster.disc(cx - 2.6, cy - 3.2, 1.5)], (255, 255, 255), 0.5)


def _envelope(canvas, x, y):
    canvas.fill([raster.rect(x + 1, y + 3, x + 15, y + 13)], (90, 90, 90))
    canvas.fill([raster.rect(x + 2, y + 4, x + 14, y + 12)], (250, 250, 240))
    canvas.line([(x + 2.5, y + 4.5), (x + 8, y + 9), (x + 13.5, y + 4.5)], (120, 120, 120), 0.9)
    canvas.fill([raster.rect(x + 10.5, y + 5, x + 13.5, y + 8)], (210, 40, 40))


def _quick_launch_icons(canvas, x, y, step):
    _monitor(canvas, x, y)
    _globe(canvas, x + step, y)
    _envelope(canvas, x + 2 * step, y)
    icons.draw_program_icon(canvas, 0.5, x + 3 * step, y)


def _round_corners(canvas, r):
    """The key colour outside circles of radius r in the four corners (hard edged)."""
    w, h = canvas.width, canvas.height
    for cx, cy, sx, sy in ((r, r, 0, 0), (w - r, r, 1, 0), (r, h - r, 0, 1), (w - r, h - r, 1, 1)):
        for dy in range(r):
            for dx in range(r):
                px = dx if sx == 0 else w - 1 - dx
                py = dy if sy == 0 else h - 1 - dy
                if math.hypot(px + 0.5 - cx, py + 0.5 - cy) > r:
                    canvas.set(px, py, icons.KEY)


def _bevel(canvas, x0, y0, x1, y1, outer, inner):
    """A raised 3-D frame: light top and left, dark bottom and right, two pixels wide."""
    (o_light, o_dark), (i_light, i_dark) = outer, inner
    canvas.fill_rect(x0, y0, x1, y0 + 1, o_light)
    canvas.fill_rect(x0, y0, x0 + 1, y1, o_light)
    canvas.fill_rect(x0, y1 - 1, x1, y1, o_dark)
    canvas.fill_rect(x1 - 1, y0, x1, y1, o_dark)
    canvas.fill_rect(x0 + 1, y0 + 1, x1 - 1, y0 + 2, i_light)
    canvas.fill_rect(x0 + 1, y0 + 1, x0 + 2, y1 - 1, i_light)
    canvas.fill_rect(x0 + 1, y1 - 2, x1 - 1, y1 - 1, i_dark)
    canvas.fill_rect(x1 - 2, y0 + 1, x1 - 1, y1 - 1, i_dark)


def _grip(canvas, x, y0, y1):
    canvas.fill_rect(x, y0, x + 1, y1, HIGHLIGHT)
    canvas.fill_rect(x + 1, y0, x + 2, y1, FACE)
    canvas.fill_rect(x + 2, y0, x + 3, y1, SHADOW)


def classic():
    canvas = raster.Canvas(161, 24, FACE)
    canvas.fill_rect(0, 0, 161, 1, LIGHT)
    canvas.fill_rect(0, 1, 161, 2, HIGHLIGHT)
    _bevel(canvas, 2, 3, 57, 23, (HIGHLIGHT, DARK), (LIGHT, SHADOW))
    _flag_glyph(canvas, 5, 7, 13)
    font.draw_pixel_text(canvas, 21, 9, "Start", DARK, bold=True)
    # An etched separator, then the quick-launch toolbar's grip.
    canvas.fill_rect(59, 4, 60, 22, SHADOW)
    canvas.fill_rect(60, 4, 61, 22, HIGHLIGHT)
    _grip(canvas, 63, 4, 22)
    _quick_launch_icons(canvas, 69, 5, 22)
    _grip(canvas, 157, 4, 22)
    _round_corners(canvas, 2)
    return canvas


def xp():
    canvas = raster.Canvas(213, 30)
    canvas.gradient_rect(0, 0, 213, 30, XP_BAR)
    bulge = [(86 + 11 * math.cos(a), 15 + 15 * math.sin(a))
             for a in (math.radians(-90 + 10 * i) for i in range(19))]
    button = [[(-1, 0)] + bulge + [(-1, 30)]]
    canvas.fill([raster.transform([button], lambda x, y: (x + 1.2, y))[0]], (16, 48, 120), 0.7)
    canvas.fill([button], lambda x, y: raster.gradient_at(XP_START, y / 30))
    _flag_glyph(canvas, 9, 7, 17)
    start = font.stroke_text("start", 33, 5, 2.3, 2.2, 2.0, 0.18)
    canvas.fill(start, (10, 40, 10), 0.6, 1, 1)
    canvas.fill(start, (255, 255, 255))
    # The quick-launch toolbar: a dotted grip, four icons, a separator.
    for y in range(6, 25, 3):
        canvas.fill_rect(104, y, 106, y + 2, (130, 170, 240))
        canvas.fill_rect(105, y + 1, 106, y + 2, (20, 50, 140))
    _quick_launch_icons(canvas, 112, 7, 23)
    canvas.fill_rect(206, 3, 207, 27, (24, 62, 160))
    canvas.fill_rect(207, 3, 208, 27, (96, 146, 236))
    _round_corners(canvas, 3)
    return canvas
