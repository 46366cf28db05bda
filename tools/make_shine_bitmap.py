#!/usr/bin/env python3
"""Draws the shine sparkle (bitmap resource 132) and writes it as a 28x28,
24-bit, bottom-up BMP: a soft round glow under a thin four-rayed star turned
by 20 degrees, grey on black, brightest (255) in the one pixel at column 14,
row 13. Run: python3 tools/make_shine_bitmap.py core/resources/shine.bmp
"""
import math
import struct
import sys

SIZE = 28
CENTER_X, CENTER_Y = 14, 13
TURN_DEGREES = 20.0
RAY_LENGTH = 13.5
RAY_WIDTH = 0.55
GLOW_RADIUS = 3.6
GLOW_STRENGTH = 0.55


def star(dx, dy):
    strongest = 0.0
    for k in range(4):
        angle = math.radians(TURN_DEGREES + 90.0 * k)
        along = dx * math.cos(angle) + dy * math.sin(angle)
        across = -dx * math.sin(angle) + dy * math.cos(angle)
        if along < 0:
            continue
        fade = max(0.0, 1.0 - along / RAY_LENGTH) ** 1.6
        strongest = max(strongest, fade * math.exp(-across * across / (2 * RAY_WIDTH ** 2)))
    return strongest


def glow(dx, dy):
    return GLOW_STRENGTH * math.exp(-(dx * dx + dy * dy) / (2 * GLOW_RADIUS ** 2))


def brightness(x, y):
    dx, dy = x - CENTER_X, y - CENTER_Y
    lit = 1.0 - (1.0 - star(dx, dy)) * (1.0 - glow(dx, dy))  # screen blend of the two
    return int(255.0 * lit + 0.5) if lit * 255.0 >= 1.0 else 0


def image_rows():
    return [[brightness(x, y) for x in range(SIZE)] for y in range(SIZE)]


def bmp_bytes(rows):
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for value in row:
            pixels += bytes((value, value, value))
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def main():
    rows = image_rows()
    peak = [(x, y) for y in range(SIZE) for x in range(SIZE) if rows[y][x] == 255]
    assert peak == [(CENTER_X, CENTER_Y)], peak
    data = bmp_bytes(rows)
    assert len(data) == 14 + 40 + SIZE * SIZE * 3
    with open(sys.argv[1], 'wb') as out:
        out.write(data)


if __name__ == '__main__':
    main()
