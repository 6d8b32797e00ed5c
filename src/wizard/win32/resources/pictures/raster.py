"""An RGB canvas with anti-aliased polygon filling.

Shapes are lists of contours (lists of (x, y) points in pixel units, y downwards). The contours
of one shape are filled with the even-odd rule, so a shape can have holes; several shapes given
together are united. Coverage is found by sampling each pixel on a 4 x 4 grid.
"""

import math

SUPERSAMPLE = 4
_FULL = SUPERSAMPLE * SUPERSAMPLE


def mix(a, b, t):
    """The colour t of the way from a to b (t in 0..1)."""
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def shade(colour, factor):
    """The colour made brighter (factor > 1) or darker (factor < 1), clipped to 0..255."""
    return tuple(max(0, min(255, int(round(c * factor)))) for c in colour)


class Coverage:
    """How much of each pixel of a rectangle a set of shapes covers, in sixteenths."""

    def __init__(self, x0, y0, width, height, counts):
        self.x0, self.y0, self.width, self.height, self.counts = x0, y0, width, height, counts


def _shape_rows(shape, left, top, hi_width, hi_height, hi):
    edges = []
    for contour in shape:
        for i, (xa, ya) in enumerate(contour):
            xb, yb = contour[(i + 1) % len(contour)]
            if ya != yb:
                edges.append((xa, ya, xb, yb))
    if not edges:
        return
    ymin = min(min(e[1], e[3]) for e in edges)
    ymax = max(max(e[1], e[3]) for e in edges)
    first = max(0, int(math.floor((ymin - top) * SUPERSAMPLE - 0.5)))
    last = min(hi_height - 1, int(math.ceil((ymax - top) * SUPERSAMPLE)))
    for row in range(first, last + 1):
        y = top + (row + 0.5) / SUPERSAMPLE
        xs = sorted(
            xa + (y - ya) * (xb - xa) / (yb - ya)
            for xa, ya, xb, yb in edges
            if (ya <= y < yb) or (yb <= y < ya)
        )
        base = row * hi_width
        for k in range(0, len(xs) - 1, 2):
            a = max(0, int(math.ceil((xs[k] - left) * SUPERSAMPLE - 0.5)))
            b = min(hi_width, int(math.ceil((xs[k + 1] - left) * SUPERSAMPLE - 0.5)))
            if b > a:
                hi[base + a : base + b] = b"\x01" * (b - a)


def cover(shapes, clip_width, clip_height):
    """The coverage of the union of the shapes, clipped to the canvas size."""
    points = [p for shape in shapes for contour in shape for p in contour]
    if not points:
        return Coverage(0, 0, 0, 0, [])
    x0 = max(0, int(math.floor(min(p[0] for p in points))))
    y0 = max(0, int(math.floor(min(p[1] for p in points))))
    x1 = min(clip_width, int(math.ceil(max(p[0] for p in points))) + 1)
    y1 = min(clip_height, int(math.ceil(max(p[1] for p in points))) + 1)
    width, height = max(0, x1 - x0), max(0, y1 - y0)
    hi_width, hi_height = width * SUPERSAMPLE, height * SUPERSAMPLE
    hi = bytearray(hi_width * hi_height)
    for shape in shapes:
        _shape_rows(shape, x0, y0, hi_width, hi_height, hi)
    counts = []
    for oy in range(height):
        rows = [
            hi[(oy * SUPERSAMPLE + k) * hi_width : (oy * SUPERSAMPLE + k + 1) * hi_width]
            for k in range(SUPERSAMPLE)
        ]
        column_sums = [sum(c) for c in zip(*rows)]
        counts.extend(
            sum(column_sums[ox * SUPERSAMPLE : (ox + 1) * SUPERSAMPLE]) for ox in range(width)
        )
    return Coverage(x0, y0, width, height, counts)


# --- Shapes ---------------------------------------------------------------------------------


def rect(x0, y0, x1, y1):
    return [[(x0, y0), (x1, y0), (x1, y1), (x0, y1)]]


def circle_contour(cx, cy, r, steps=None):
    steps = steps or max(12, int(r * 6))
    return [
        (cx + r * math.cos(2 * math.pi * i / steps), cy + r * math.sin(2 * math.pi * i / steps))
        for i in range(steps)
    ]


def disc(cx, cy, r):
    return [circle_contour(cx, cy, r)]


def ring(cx, cy, outer, inner):
    return [circle_contour(cx, cy, outer), circle_contour(cx, cy, inner)]


def rounded_rect(x0, y0, x1, y1, r):
    contour = []
    corners = ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90),
               (x0 + r, y0 + r, 180))
    for cx, cy, start in corners:
        for i in range(7):
            a = math.radians(start + 15 * i)
            contour.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return [contour]


def capsule(p, q, r):
    """A segment from p to q, r wide on each side, with round ends."""
    (px, py), (qx, qy) = p, q
    angle = math.atan2(qy - py, qx - px)
    steps = max(6, int(r * 4))
    contour = []
    for centre, start in ((q, angle - math.pi / 2), (p, angle + math.pi / 2)):
        for i in range(steps + 1):
            a = start + math.pi * i / steps
            contour.append((centre[0] + r * math.cos(a), centre[1] + r * math.sin(a)))
    return [contour]


def stroke(points, width):
    """A polyline drawn with a round pen: one capsule per segment, united."""
    r = width / 2
    if len(points) == 1:
        return [disc(points[0][0], points[0][1], r)]
    return [capsule(points[i], points[i + 1], r) for i in range(len(points) - 1)]


def transform(shapes, fn):
    return [[[fn(x, y) for x, y in contour] for contour in shape] for shape in shapes]


# --- Canvas ---------------------------------------------------------------------------------


class Canvas:
    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = bytearray(bytes(colour) * (width * height))

    def get(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i : i + 3])

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = (y * self.width + x) * 3
            self.pixels[i : i + 3] = bytes(colour)

    def blend(self, x, y, colour, alpha):
        if alpha <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        i = (y * self.width + x) * 3
        p = self.pixels
        for k in range(3):
            p[i + k] = int(round(p[i + k] + (colour[k] - p[i + k]) * min(1.0, alpha)))

    def fill_rect(self, x0, y0, x1, y1, colour):
        """Fills whole pixels [x0, x1) x [y0, y1)."""
        x0, x1 = max(0, x0), min(self.width, x1)
        row = bytes(colour) * max(0, x1 - x0)
        for y in range(max(0, y0), min(self.height, y1)):
            i = (y * self.width + x0) * 3
            self.pixels[i : i + len(row)] = row

    def gradient_rect(self, x0, y0, x1, y1, stops, vertical=True):
        """Fills whole pixels with a gradient through the colours of stops [(t, colour), ...]."""
        span = (y1 - y0) if vertical else (x1 - x0)
        for k in range(span):
            colour = gradient_at(stops, (k + 0.5) / span)
            if vertical:
                self.fill_rect(x0, y0 + k, x1, y0 + k + 1, colour)
            else:
                self.fill_rect(x0 + k, y0, x0 + k + 1, y1, colour)

    def paint(self, coverage, colour, opacity=1.0, dx=0, dy=0):
        """Blends a colour (or a function of x, y giving one) where the coverage says."""
        pick = colour if callable(colour) else (lambda x, y: colour)
        c = coverage
        for oy in range(c.height):
            y = c.y0 + oy + dy
            base = oy * c.width
            for ox in range(c.width):
                n = c.counts[base + ox]
                if n:
                    x = c.x0 + ox + dx
                    self.blend(x, y, pick(x, y), opacity * n / _FULL)

    def fill(self, shapes, colour, opacity=1.0, dx=0, dy=0):
        self.paint(cover(shapes, self.width, self.height), colour, opacity, dx, dy)

    def line(self, points, colour, width=1.0, opacity=1.0):
        self.fill(stroke(points, width), colour, opacity)

    def darken(self, fn):
        """Multiplies every pixel by fn(x, y)."""
        for y in range(self.height):
            for x in range(self.width):
                self.set(x, y, shade(self.get(x, y), fn(x, y)))


def gradient_at(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (ta, ca), (tb, cb) in zip(stops, stops[1:]):
        if t <= tb:
            return mix(ca, cb, (t - ta) / (tb - ta))
    return stops[-1][1]
