#!/usr/bin/env python3
"""damage-payload.py SETUP.EXE OUT.EXE ENTRY COUNT: copies a setup program with one byte of the
payload's entry ENTRY (0 is the licence) flipped: the last byte of its first block, which is part
of the block's Adler-32, so that zlib must refuse the block. COUNT is the number of entries (1 +
the script's F lines); the payload is found as the one offset from which exactly COUNT entries of
zlib blocks (header 78 01) parse back to back."""
import os
import struct
import sys


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0] if at + 4 <= len(data) else None


def entry_blocks(data, at):
    """The block offsets of the entry at `at` and the offset after it, or None."""
    length, count = u32(data, at), u32(data, at + 4)
    if length is None or count is None or count == 0 or at + 4 + length > len(data):
        return None
    blocks, pos = [], at + 8
    for _ in range(count):
        size = u32(data, pos)
        if size is None or size < 8 or data[pos + 4:pos + 6] != b"\x78\x01":
            return None
        blocks.append((pos + 4, size))
        pos += 4 + size
    return (blocks, pos) if pos == at + 4 + length else None


def find_payload(data, count):
    start = data.find(b"\x78\x01")
    while start != -1:
        at, entries = start - 12, []
        while at >= 0 and len(entries) < count:
            parsed = entry_blocks(data, at)
            if not parsed:
                break
            entries.append(parsed[0])
            at = parsed[1]
        if len(entries) == count:
            return entries
        start = data.find(b"\x78\x01", start + 1)
    return None


def main():
    source, target, entry, count = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    data = bytearray(open(source, "rb").read())
    entries = find_payload(data, count)
    if not entries:
        sys.exit(f"{source}: no payload of {count} entries found")
    block, size = entries[entry][0]
    data[block + size - 1] ^= 0xFF
    open(target + ".part", "wb").write(data)
    os.replace(target + ".part", target)
    print(f"{target}: entry {entry}, block at {block}, byte {block + size - 1} flipped")


if __name__ == "__main__":
    main()
