#!/usr/bin/env python3
"""Draws the setup dialog's pictures and writes them, with a header of their resource ids for
the resource compiler, into a folder.

usage: make_pictures.py OUT_DIR CONTROL_IDS_H

The drawing is deterministic: the same sources give the same bytes. The ids are taken from the
C++ header that the view uses, so the resource script and the view cannot disagree.
"""

import os
import re
import sys

# Building must not leave compiled modules in the source folder.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures"))

import banner  # noqa: E402
import bmpfile  # noqa: E402
import flags  # noqa: E402
import icons  # noqa: E402
import taskbars  # noqa: E402

# Resource id name, file, drawing, bits per pixel.
BITMAPS = [
    ("kLogoBitmap", "logo.bmp", banner.draw, 24),
    ("kEnglishUSFlagBitmap", "flag-english.bmp", flags.english, 8),
    ("kGermanFlagBitmap", "flag-german.bmp", flags.german, 4),
    ("kFrenchFlagBitmap", "flag-french.bmp", flags.french, 8),
    ("kProgramFolderBitmap", "program-folder.bmp", icons.program_folder, 24),
    ("kQuickLaunchBarMEBitmap", "quick-launch-classic.bmp", taskbars.classic, 24),
    ("kQuickLaunchBarXPBitmap", "quick-launch-xp.bmp", taskbars.xp, 24),
]
ICON = ("kProgramIcon", "program.ico")
IDS_HEADER = "picture_ids.h"


class InputError(Exception):
    pass


def picture_ids(path):
    """The name -> number pairs of the header's PictureId enumeration."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    enum = re.compile(r"\benum\s+PictureId\b")
    start = next((i for i, line in enumerate(lines) if enum.search(line)), None)
    if start is None:
        raise InputError("%s:1: no enum PictureId" % path)
    ids = {}
    for number, line in enumerate(lines[start + 1 :], start + 2):
        if line.strip().startswith("}"):
            break
        m = re.match(r"\s*(k\w+)\s*=\s*(\d+)\s*,?\s*(//.*)?$", line)
        if m:
            ids[m.group(1)] = int(m.group(2))
        elif line.strip() and not line.strip().startswith("//"):
            reason = "not a 'kName = number,' line: %s" % line.strip()
            raise InputError("%s:%d: %s" % (path, number, reason))
    wanted = [name for name, *_ in BITMAPS] + [ICON[0]]
    missing = [name for name in wanted if name not in ids]
    if missing:
        raise InputError("%s:%d: enum PictureId lacks %s" % (path, start + 1, ", ".join(missing)))
    return {name: ids[name] for name in wanted}


def ids_header(ids):
    lines = ["// Made by make_pictures.py from ControlIds.h, for the resource compiler."]
    lines += ["#define %s %d" % (name, number) for name, number in ids.items()]
    return ("\n".join(lines) + "\n").encode("ascii")


def main(argv):
    if len(argv) != 3:
        print("usage: make_pictures.py OUT_DIR CONTROL_IDS_H", file=sys.stderr)
        return 2
    out_dir, header = argv[1], argv[2]
    try:
        ids = picture_ids(header)
    except (InputError, OSError) as e:
        print("make_pictures.py: %s" % e, file=sys.stderr)
        return 1
    os.makedirs(out_dir, exist_ok=True)
    for _, name, draw, bits in BITMAPS:
        bmpfile.write_atomically(os.path.join(out_dir, name), bmpfile.bmp_file(draw(), bits))
    canvas, opaque = icons.program_icon()
    bmpfile.write_atomically(os.path.join(out_dir, ICON[1]), bmpfile.ico_file(canvas, opaque))
    bmpfile.write_atomically(os.path.join(out_dir, IDS_HEADER), ids_header(ids))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
