#!/usr/bin/env python3
"""Writes program.ico: a small cluster map (a grid of coloured cells) at 16 and 32 pixels.

Run from this directory; the output is committed, so the build needs no Python.
"""
import struct

# Cell colours of the map, as (r, g, b): free, not fragmented, fragmented, defragmented.
PALETTE = [(40, 40, 48), (60, 140, 230), (230, 70, 60), (80, 200, 110)]
PATTERN = [
    "1112",
    "1321",
    "0113",
    "3100",
]


def pixel(x, y, size):
    cell = size // 4
    gap = max(1, size // 16)
    cx, cy = x // cell, y // cell
    inside = (x % cell) < cell - gap and (y % cell) < cell - gap
    if not inside:
        return (0, 0, 0, 0)
    r, g, b = PALETTE[int(PATTERN[cy][cx])]
    return (r, g, b, 255)


def icon_image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):  # bottom-up rows
        rows.append(b"".join(struct.pack("BBBB", b, g, r, a)
                             for r, g, b, a in (pixel(x, y, size) for x in range(size))))
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = bytearray(mask_row)
        for x in range(size):
            if pixel(x, y, size)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + b"".join(rows) + mask


def main():
    sizes = [16, 32]
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open("program.ico", "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
