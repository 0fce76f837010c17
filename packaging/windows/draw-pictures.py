#!/usr/bin/env python3
"""Draws the Windows pictures: tolvan.ico, the programs' and the setup's icon, and
welcome.bmp, the setup's welcome and finish page picture.

The icon is the about box's picture (layouts/pictures/draw.sh, appwindow32.png):
an application window showing a picture and lines of text, drawn here anew at
16, 32, 48 and 256 pixels instead of scaled from the 32-pixel file. The files
are committed; run this again only to change a picture (no ImageMagick needed).
"""

import os
import struct
import zlib

NAVY, WHITE, BLACK = (0x00, 0x00, 0x80), (0xFF, 0xFF, 0xFF), (0x00, 0x00, 0x00)
SILVER, GREY = (0xC0, 0xC0, 0xC0), (0x80, 0x80, 0x80)
CYAN, GREEN, YELLOW = (0x00, 0xFF, 0xFF), (0x00, 0x80, 0x00), (0xFF, 0xFF, 0x00)
SAMPLES = 4  # per pixel and axis: the edges are smoothed


def inside_polygon(points, x, y):
    result = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


def shapes(size):
    """The picture as (colour, test) from back to front, each test taking a point in
    pixels; the boxes' edges fall on whole pixels, and the frame and the text lines
    keep about one pixel up to 48 pixels."""
    scale = size / 32
    line = max(1, round(size / 48))

    def at(v):
        return int(v * scale + 0.5)

    def box(left, top, right, bottom, inset=0):
        left, top, right, bottom = at(left) + inset, at(top) + inset, at(right) - inset, at(bottom) - inset
        return lambda x, y: left <= x < right and top <= y < bottom

    def rule(left, y, right):
        left, top, right = at(left), at(y + 0.5) - line // 2, at(right)
        return lambda x, y: left <= x < right and top <= y < top + line

    def frame_top(left, top, right, bottom):
        return lambda x, y: at(left) + line <= x < at(right) - line and at(top) + line <= y < at(bottom)

    green = [(4, 21), (4, 20.5), (8.5, 14), (11.5, 17), (15, 12.5), (15, 21)]
    picture = [
        (BLACK, box(1, 3, 31, 29)),
        (WHITE, box(1, 3, 31, 29, line)),
        (NAVY, frame_top(1, 3, 31, 9)),
        (SILVER, box(26, 5, 29, 8)),
        (CYAN, box(4, 11, 15, 21)),
        (GREEN, lambda x, y: inside_polygon(green, x / scale, y / scale)),
        (YELLOW, lambda x, y: (x / scale - 7.5) ** 2 + (y / scale - 13.5) ** 2 <= 1.6 ** 2),
    ]
    # the text lines; at 16 pixels fewer, a pixel apart
    lines = [(17, 12, 28), (17, 15, 28), (17, 18, 26), (4, 23, 28), (4, 26, 21)]
    if size <= 16:
        lines = [(17, 12, 28), (17, 16, 26), (4, 24, 28)]
    return picture + [(GREY, rule(*text)) for text in lines]


def draw_icon(size):
    """Rows of (r, g, b, a) pixels, top row first."""
    picture = shapes(size)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    colour = None
                    for fill, test in picture:
                        if test(x, y):
                            colour = fill
                    if colour:
                        r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
            # the colour of the covered samples, their share as the opacity
            row.append((r // a, g // a, b // a, a * 255 // SAMPLES ** 2) if a else (0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def dib(rows):
    """An icon's bitmap: 32-bit BGRA bottom row first, then the all-clear AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask = bytes(((size + 31) // 32 * 4) * size)
    return header + colours + mask


def ico(pictures):
    """The small sizes as bitmaps (every Windows reads them), 256 as PNG."""
    images = [png(rows) if len(rows) >= 256 else dib(rows) for rows in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, data in zip(pictures, images):
        side = len(rows) % 256
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def bmp(rows):
    """A 24-bit bitmap, as the setup's wizard pages take it."""
    width, height = len(rows[0]), len(rows)
    stride = (width * 3 + 3) // 4 * 4
    pixels = b"".join(bytes(v for r, g, b in row for v in (b, g, r)).ljust(stride, b"\0")
                      for row in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def welcome(icon):
    """164 x 314: navy fading into a lighter blue, the icon in its upper part."""
    width, height, side = 164, 314, len(icon)
    top, bottom = (0x00, 0x00, 0x80), (0x2E, 0x5C, 0xB8)
    left, upper = (width - side) // 2, 56
    rows = []
    for y in range(height):
        t = y / (height - 1)
        back = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        row = []
        for x in range(width):
            colour = back
            if left <= x < left + side and upper <= y < upper + side:
                r, g, b, a = icon[y - upper][x - left]
                colour = tuple((c * a + k * (255 - a)) // 255 for c, k in zip((r, g, b), back))
            row.append(colour)
        rows.append(row)
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = [draw_icon(size) for size in (16, 32, 48, 256)]
    with open(os.path.join(here, "tolvan.ico"), "wb") as out:
        out.write(ico(pictures))
    with open(os.path.join(here, "welcome.bmp"), "wb") as out:
        out.write(bmp(welcome(draw_icon(128))))


if __name__ == "__main__":
    main()
