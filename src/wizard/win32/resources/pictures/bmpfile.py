"""Windows bitmap (.bmp) and icon (.ico) files from a canvas.

Rows are stored bottom-up and padded to a multiple of four bytes; pixels are blue, green, red.
Palettised bitmaps take the most frequent colours of the picture and map every other colour to
the nearest palette entry.
"""

import os
import struct

PIXELS_PER_METRE = 3780  # 96 dots per inch


def _row_bytes(width, bits):
    return (width * bits + 31) // 32 * 4


def _info_header(width, height, bits, image_size, colours):
    return struct.pack(
        "<IiiHHIIiiII",
        40, width, height, 1, bits, 0, image_size,
        PIXELS_PER_METRE, PIXELS_PER_METRE, colours, colours,
    )


def palette_of(canvas, size):
    """The palette (at most size colours) and the index of every pixel, row by row from the top."""
    counts = {}
    p = canvas.pixels
    colours = [tuple(p[i : i + 3]) for i in range(0, len(p), 3)]
    for c in colours:
        counts[c] = counts.get(c, 0) + 1
    palette = sorted(counts, key=lambda c: (-counts[c], c))[:size]
    index = {c: i for i, c in enumerate(palette)}
    for c in counts:
        if c not in index:
            index[c] = min(
                range(len(palette)),
                key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)),
            )
    return palette, [index[c] for c in colours]


def _bgr_rows(canvas):
    rows = []
    pad = _row_bytes(canvas.width, 24) - canvas.width * 3
    for y in range(canvas.height - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.width):
            r, g, b = canvas.get(x, y)
            line += bytes((b, g, r))
        rows.append(bytes(line) + b"\0" * pad)
    return b"".join(rows)


def _indexed_rows(width, height, indices, bits):
    rows = []
    size = _row_bytes(width, bits)
    for y in range(height - 1, -1, -1):
        row = indices[y * width : (y + 1) * width]
        if bits == 8:
            line = bytes(row)
        else:
            padded = row + [0] * (len(row) % 2)
            line = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        rows.append(line + b"\0" * (size - len(line)))
    return b"".join(rows)


def bitmap_bytes(canvas, bits):
    """The bitmap as stored in a .bmp file after its 14-byte file header."""
    w, h = canvas.width, canvas.height
    if bits == 24:
        return _info_header(w, h, 24, _row_bytes(w, 24) * h, 0) + _bgr_rows(canvas)
    if bits not in (4, 8):
        raise ValueError("unsupported bit depth %d" % bits)
    palette, indices = palette_of(canvas, 1 << bits)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    table += b"\0\0\0\0" * ((1 << bits) - len(palette))
    pixels = _indexed_rows(w, h, indices, bits)
    return _info_header(w, h, bits, len(pixels), 1 << bits) + table + pixels


def bmp_file(canvas, bits):
    body = bitmap_bytes(canvas, bits)
    colours = struct.unpack_from("<I", body, 32)[0]
    offset = 14 + 40 + 4 * colours
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, offset) + body


def ico_file(canvas, opaque):
    """A one-image 24-bit icon; opaque(x, y) says which pixels show (the AND mask is 0 there)."""
    w, h = canvas.width, canvas.height
    # Where the mask lets the screen through, the colour bits must be black: Windows draws an
    # icon by AND-ing the mask and then XOR-ing the colour.
    for y in range(h):
        for x in range(w):
            if not opaque(x, y):
                canvas.set(x, y, (0, 0, 0))
    colour = _bgr_rows(canvas)
    mask_row = _row_bytes(w, 1)
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray(mask_row)
        for x in range(w):
            if not opaque(x, y):
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    # The icon's header counts the colour and the mask rows together: twice the height.
    image = _info_header(w, 2 * h, 24, len(colour) + len(mask), 0) + colour + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def write_atomically(path, data):
    temporary = path + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)
