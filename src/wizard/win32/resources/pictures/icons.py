"""Small pictures: the program's icon (a chip marked with a V) and the program-group folder.

Shapes are laid out on a 32-unit grid and scaled, so the task-bar pictures reuse them at 16
pixels. Pictures shown transparent carry KEY in their lower-left pixel and wherever the
background shows.
"""

import raster

KEY = (240, 240, 240)

PIN = (196, 202, 208)
PIN_EDGE = (96, 104, 112)
BODY = [(0.0, (46, 104, 128)), (1.0, (10, 40, 58))]
BODY_EDGE = (6, 22, 34)
MARK = [(0.0, (255, 222, 140)), (1.0, (222, 112, 28))]


def _scaled(shapes, scale, ox, oy):
    return raster.transform(shapes, lambda x, y: (ox + x * scale, oy + y * scale))


def _pins():
    """The pins as (x0, y0, x1, y1), four on each side."""
    pins = []
    for k in range(4):
        p = 8.5 + k * 5
        pins += [(1, p - 1.3, 6, p + 1.3), (26, p - 1.3, 31, p + 1.3)]
        pins += [(p - 1.3, 1, p + 1.3, 6), (p - 1.3, 26, p + 1.3, 31)]
    return pins


def program_icon_shapes(scale=1.0, ox=0.0, oy=0.0):
    """The outline of the icon (pins and body), for its mask."""
    shapes = [raster.rounded_rect(5, 5, 27, 27, 3)] + [raster.rect(*pin) for pin in _pins()]
    return _scaled(shapes, scale, ox, oy)


def draw_program_icon(canvas, scale=1.0, ox=0.0, oy=0.0):
    s = lambda shapes: _scaled(shapes, scale, ox, oy)
    for x0, y0, x1, y1 in _pins():
        canvas.fill(s([raster.rect(x0, y0, x1, y1)]), PIN_EDGE)
        canvas.fill(s([raster.rect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5)]), PIN)
    top, height = oy + 5 * scale, 22 * scale
    canvas.fill(s([raster.rounded_rect(5, 5, 27, 27, 3)]), BODY_EDGE)
    body = lambda x, y: raster.gradient_at(BODY, (y - top) / height)
    canvas.fill(s([raster.rounded_rect(6, 6, 26, 26, 2.4)]), body)
    canvas.fill(s([raster.disc(9.5, 9.5, 1.4)]), BODY_EDGE, 0.8)
    mark = lambda x, y: raster.gradient_at(MARK, (y - top) / height)
    v = raster.stroke([(10.5, 10.5), (16, 22), (21.5, 10.5)], 3.6)
    canvas.fill(s(v), (3, 16, 26), 0.6, 1 if scale >= 1 else 0, 1 if scale >= 1 else 0)
    canvas.fill(s(v), mark)


def program_icon():
    """The 32 x 32 icon and which of its pixels are opaque."""
    canvas = raster.Canvas(32, 32, KEY)
    draw_program_icon(canvas)
    silhouette = raster.cover(program_icon_shapes(), 32, 32)

    def opaque(x, y):
        ox, oy = x - silhouette.x0, y - silhouette.y0
        inside = 0 <= ox < silhouette.width and 0 <= oy < silhouette.height
        return inside and silhouette.counts[oy * silhouette.width + ox] >= 8

    return canvas, opaque


FOLDER_BACK = (214, 160, 44)
FOLDER_FRONT = [(0.0, (255, 228, 122)), (1.0, (236, 184, 60))]
FOLDER_EDGE = (122, 84, 14)


def program_folder():
    """A 25 x 25 program-group folder with a program window standing in it."""
    canvas = raster.Canvas(25, 25, KEY)
    back = [[(1.5, 4), (8.5, 4), (10.5, 6.5), (21.5, 6.5), (21.5, 21.5), (1.5, 21.5)]]
    canvas.fill([back], FOLDER_EDGE)
    inner = [[(2.5, 5), (8, 5), (10, 7.5), (20.5, 7.5), (20.5, 20.5), (2.5, 20.5)]]
    canvas.fill([inner], FOLDER_BACK)
    # The window: grey frame, blue title bar, white client area.
    canvas.fill([raster.rect(5.5, 8.5, 19.5, 18.5)], (64, 64, 64))
    canvas.fill([raster.rect(6.5, 9.5, 18.5, 17.5)], (255, 255, 255))
    canvas.fill([raster.rect(6.5, 9.5, 18.5, 11.8)], (10, 36, 140))
    canvas.fill([raster.rect(8, 13.2, 15, 14.2)], (150, 160, 180))
    front = [[(1.5, 12.5), (20, 12.5), (23.5, 21.5), (4, 21.5)]]
    canvas.fill([front], FOLDER_EDGE)
    front_inner = [[(2.6, 13.4), (19.4, 13.4), (22.1, 20.6), (4.6, 20.6)]]
    canvas.fill([front_inner], lambda x, y: raster.gradient_at(FOLDER_FRONT, (y - 13) / 8))
    canvas.set(0, 24, KEY)
    return canvas
