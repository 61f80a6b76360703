#!/usr/bin/env python3
"""Shows the drawn icons enlarged, for checking the artwork by eye.

Usage: preview_icons.py ICONDIR OUT.png [SCALE]

Reads every *.ico in ICONDIR and writes one PNG: a row per icon file,
each image of the file side by side, composited over a light grey (like a
toolbar) and over a dark background, enlarged SCALE times (default 8).
"""
import glob
import os
import struct
import sys
import zlib

BACKGROUNDS = ((236, 233, 216), (60, 60, 60))


def read_ico(path):
    """Returns [(bits, rows)] with rows of (r, g, b, a), top row first."""
    data = open(path, 'rb').read()
    _, _, count = struct.unpack_from('<HHH', data, 0)
    images = []
    for i in range(count):
        _, _, _, _, _, bits, _, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        size, = struct.unpack_from('<i', data, offset + 4)
        pos = offset + 40
        palette = []
        if bits == 8:
            for j in range(256):
                b, g, r, _ = data[pos + 4 * j:pos + 4 * j + 4]
                palette.append((r, g, b))
            pos += 1024
        stride = (size * bits // 8 + 3) // 4 * 4
        color_rows = []
        for y in range(size):
            line = data[pos + y * stride:pos + (y + 1) * stride]
            if bits == 32:
                row = [(line[4 * x + 2], line[4 * x + 1], line[4 * x], line[4 * x + 3])
                       for x in range(size)]
            else:
                row = [palette[line[x]] + (255,) for x in range(size)]
            color_rows.append(row)
        pos += stride * size
        mask_stride = (size + 31) // 32 * 4
        rows = []
        for y in range(size):
            mask = data[pos + y * mask_stride:pos + (y + 1) * mask_stride]
            row = color_rows[y]
            if bits == 8:
                row = [p if not mask[x // 8] & (0x80 >> (x % 8)) else (0, 0, 0, 0)
                       for x, p in enumerate(row)]
            rows.append(row)
        images.append((bits, list(reversed(rows))))
    return images


def blend(pixel, background):
    r, g, b, a = pixel
    return tuple((c * a + k * (255 - a)) // 255 for c, k in zip((r, g, b), background))


def write_png(path, width, height, pixel_rows):
    raw = b''.join(b'\0' + bytes(c for p in row for c in p) for row in pixel_rows)

    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body
                + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))
    png = (b'\x89PNG\r\n\x1a\n'
           + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
           + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
    open(path, 'wb').write(png)


def main():
    icon_dir, out = sys.argv[1], sys.argv[2]
    scale = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    files = sorted(glob.glob(os.path.join(icon_dir, '*.ico')))
    tiles = []  # per file: its tiles, each a list of rows of rgb
    for path in files:
        row_tiles = []
        for bits, rows in read_ico(path):
            for background in BACKGROUNDS:
                row_tiles.append([[blend(p, background) for p in row] for row in rows])
        tiles.append(row_tiles)
    gap = 4
    width = max(sum(len(t) * scale + gap for t in row_tiles) for row_tiles in tiles)
    heights = [max(len(t) for t in row_tiles) * scale + gap for row_tiles in tiles]
    canvas = [[(255, 255, 255)] * width for _ in range(sum(heights))]
    top = 0
    for row_tiles, height in zip(tiles, heights):
        left = 0
        for tile in row_tiles:
            for y, row in enumerate(tile):
                for x, color in enumerate(row):
                    for dy in range(scale):
                        line = canvas[top + y * scale + dy]
                        for dx in range(scale):
                            line[left + x * scale + dx] = color
            left += len(tile) * scale + gap
        top += height
    write_png(out, width, len(canvas), canvas)


if __name__ == '__main__':
    main()
