#!/usr/bin/env python3
"""Draws the board plugin's icons and writes them as .ico files.

Usage: make_icons.py OUTDIR

Every icon group holds each of its sizes twice: an 8-bit paletted image with
a transparency mask (for old common controls) and a 32-bit image with alpha.
"""
import os
import struct
import sys

TRANSPARENT = (0, 0, 0, 0)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[TRANSPARENT] * size for _ in range(size)]

    def put(self, x, y, color):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = color + (255,) if len(color) == 3 else color


def write_ico(path, images):
    """images: list of (Canvas, bits) with bits 8 or 32."""
    blobs = [encode(canvas, bits) for canvas, bits in images]
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for (canvas, bits), blob in zip(images, blobs):
        w = canvas.size if canvas.size < 256 else 0
        entries += struct.pack('<BBBBHHII', w, w, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(header + entries + b''.join(blobs))


def encode(canvas, bits):
    n = canvas.size
    info = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bits, 0, 0, 0, 0, 0, 0)
    rows = list(reversed(canvas.px))  # bottom-up
    mask_stride = ((n + 31) // 32) * 4
    mask = b''
    for row in rows:
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    if bits == 32:
        xor = b''.join(bytes((b, g, r, a)) for row in rows for (r, g, b, a) in row)
        return info + xor + mask
    # 8-bit: a palette of the opaque colours; transparent pixels use entry 0
    # (black), hidden by the mask.
    palette = [(0, 0, 0)]
    index = {}
    data = b''
    stride = (n + 3) // 4 * 4
    for row in rows:
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a < 128:
                continue
            key = (r, g, b)
            if key not in index:
                if len(palette) >= 256:
                    raise ValueError('too many colours for an 8-bit image')
                index[key] = len(palette)
                palette.append(key)
            line[x] = index[key]
        data += bytes(line)
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    pal += bytes(4 * (256 - len(palette)))
    return info + pal + data + mask


def draw_placeholder(canvas, color, bits):
    for y in range(2, canvas.size - 2):
        for x in range(2, canvas.size - 2):
            canvas.put(x, y, color)
    if bits == 32:
        for x in range(2, canvas.size - 2):
            canvas.put(x, 1, color + (128,))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for group in range(101, 110):
        sizes = [16, 32] if group == 101 else [16]
        images = []
        for size in sizes:
            for bits in (8, 32):
                c = Canvas(size)
                draw_placeholder(c, (group * 20 % 256, 80, 160), bits)
                images.append((c, bits))
        write_ico(os.path.join(out, 'icon%d.ico' % group), images)


if __name__ == '__main__':
    main()
