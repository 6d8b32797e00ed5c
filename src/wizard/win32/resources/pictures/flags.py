"""The language flags, 60 x 40 each, with a thin frame and a light waving shade."""

import math

import raster

WIDTH, HEIGHT = 60, 40
FRAME = (64, 64, 64)

US_RED, US_WHITE, US_BLUE = (178, 34, 52), (255, 255, 255), (60, 59, 110)
UK_BLUE, UK_RED = (1, 33, 105), (200, 16, 46)
DE_BLACK, DE_RED, DE_GOLD = (0, 0, 0), (221, 0, 0), (255, 206, 0)
FR_BLUE, FR_RED = (0, 85, 164), (239, 65, 53)

# The 16-colour flag gets four steps of shade only, so that it keeps within its palette.
_DARKEST, _BRIGHTEST = 0.91, 1.04


def _wave(x, steps):
    t = (math.sin(2 * math.pi * x / 38 + 0.9) + 1) / 2
    t = round(t * (steps - 1)) / (steps - 1)
    return _DARKEST + (_BRIGHTEST - _DARKEST) * t


def _render(canvas, x0, y0, width, height, colour_at):
    """Fills a rectangle with colour_at(u, v) (u, v in pixels from its corner), 4 x 4 samples."""
    n = raster.SUPERSAMPLE
    for y in range(height):
        for x in range(width):
            total = [0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = colour_at(x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    for k in range(3):
                        total[k] += c[k]
            canvas.set(x0 + x, y0 + y, tuple(int(round(t / (n * n))) for t in total))


def _framed(draw_inside, steps=16):
    canvas = raster.Canvas(WIDTH, HEIGHT, FRAME)
    draw_inside(canvas)
    for y in range(1, HEIGHT - 1):
        for x in range(1, WIDTH - 1):
            canvas.set(x, y, raster.shade(canvas.get(x, y), _wave(x, steps)))
    return canvas


def _us(u, v, width, height):
    if u < width * 0.42 and v < height * 7 / 13:
        # Stars as a staggered grid of dots on the blue canton.
        col, row = int(u / 2), int(v / 2)
        on_star = (col + row) % 2 == 0 and 0.5 < u % 2 and 0.5 < v % 2 and col > 0 and row > 0
        return US_WHITE if on_star else US_BLUE
    return US_RED if int(v * 13 / height) % 2 == 0 else US_WHITE


def _uk(u, v, width, height):
    unit = min(width, height) / 30
    cx, cy = width / 2, height / 2
    if abs(u - cx) < 3 * unit or abs(v - cy) < 3 * unit:
        return UK_RED
    if abs(u - cx) < 5 * unit or abs(v - cy) < 5 * unit:
        return US_WHITE
    diagonal = math.hypot(width, height)
    d1 = (u * height - v * width) / diagonal
    d2 = ((width - u) * height - v * width) / diagonal
    # The red saltire is counterchanged: it lies to one side of the white one in each quarter.
    side = 1 if u < cx else -1
    if 0 < side * d1 < 2 * unit or 0 < -side * d2 < 2 * unit:
        return UK_RED
    if abs(d1) < 3 * unit or abs(d2) < 3 * unit:
        return US_WHITE
    return UK_BLUE


def english():
    def inside(canvas):
        w, h = 29, HEIGHT - 2
        _render(canvas, 1, 1, w, h, lambda u, v: _us(u, v, w, h))
        _render(canvas, 31, 1, 28, h, lambda u, v: _uk(u, v, 28, h))

    return _framed(inside)


def _bands(canvas, colours, vertical):
    inner_w, inner_h = WIDTH - 2, HEIGHT - 2
    span = inner_w if vertical else inner_h
    for k, colour in enumerate(colours):
        a, b = 1 + round(k * span / 3), 1 + round((k + 1) * span / 3)
        if vertical:
            canvas.fill_rect(a, 1, b, 1 + inner_h, colour)
        else:
            canvas.fill_rect(1, a, 1 + inner_w, b, colour)


def german():
    return _framed(lambda canvas: _bands(canvas, (DE_BLACK, DE_RED, DE_GOLD), vertical=False), 4)


def french():
    return _framed(lambda canvas: _bands(canvas, (FR_BLUE, US_WHITE, FR_RED), vertical=True))
