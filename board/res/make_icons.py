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


# ---- artwork ---------------------------------------------------------------
#
# Every picture is described in a 16-unit square and rendered at four samples
# per unit and pixel; the 32-bit image keeps the coverage as alpha (soft
# edges), the 8-bit image keeps the pixels covered at least half, with their
# colour rounded to a 6-level cube so the palette stays small.

SAMPLES = 4

BLACK = (20, 20, 20)
RED = (220, 30, 30)
GREEN = (30, 160, 50)
BLUE = (30, 70, 210)
NAVY = (25, 45, 120)
YELLOW = (250, 205, 20)
SHEET = (70, 140, 230)
SHEET_EDGE = (25, 70, 160)
WOOD = (230, 170, 80)


class Layer:
    """A supersampled picture; shapes are painted in order, later on top."""

    def __init__(self, size):
        self.size = size
        self.n = size * SAMPLES
        self.unit = self.n / 16.0
        self.rgba = [[None] * self.n for _ in range(self.n)]

    def paint(self, inside, color):
        for j in range(self.n):
            y = (j + 0.5) / self.unit
            for i in range(self.n):
                x = (i + 0.5) / self.unit
                if inside(x, y):
                    self.rgba[j][i] = color

    def rect(self, x0, y0, x1, y1, color):
        self.paint(lambda x, y: x0 <= x < x1 and y0 <= y < y1, color)

    def frame(self, x0, y0, x1, y1, w, color):
        self.paint(lambda x, y: x0 <= x < x1 and y0 <= y < y1 and not (
            x0 + w <= x < x1 - w and y0 + w <= y < y1 - w), color)

    def line(self, points, w, color):
        segments = list(zip(points, points[1:]))
        self.paint(lambda x, y: any(
            segment_distance(x, y, a, b) <= w / 2 for a, b in segments), color)

    def ring(self, cx, cy, r, w, color):
        self.paint(lambda x, y: abs(((x - cx) ** 2 + (y - cy) ** 2) ** 0.5 - r) <= w / 2, color)

    def polygon(self, points, color):
        self.paint(lambda x, y: inside_polygon(x, y, points), color)

    def render(self, bits):
        canvas = Canvas(self.size)
        area = SAMPLES * SAMPLES
        for py in range(self.size):
            for px in range(self.size):
                r = g = b = count = 0
                for j in range(py * SAMPLES, (py + 1) * SAMPLES):
                    for i in range(px * SAMPLES, (px + 1) * SAMPLES):
                        c = self.rgba[j][i]
                        if c is not None:
                            r, g, b, count = r + c[0], g + c[1], b + c[2], count + 1
                if not count:
                    continue
                color = (r // count, g // count, b // count)
                if bits == 32:
                    canvas.put(px, py, color + (255 * count // area,))
                elif count * 2 >= area:
                    canvas.put(px, py, tuple(min(255, (v + 25) // 51 * 51) for v in color))
        return canvas


def segment_distance(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0 if length == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length))
    return ((x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2) ** 0.5


def inside_polygon(x, y, points):
    inside = False
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


def draw_sheet(layer):
    """Window icon: a blue sheet with a yellow tick mark and a pen."""
    layer.polygon([(2, 1), (11, 1), (14, 4), (14, 15), (2, 15)], SHEET_EDGE)
    layer.polygon([(3, 2), (10.5, 2), (13, 4.5), (13, 14), (3, 14)], SHEET)
    layer.line([(4.5, 8), (6.5, 10.5), (10.5, 4.5)], 1.8, YELLOW)
    layer.line([(8.5, 14.5), (15, 8)], 2.2, WOOD)
    layer.line([(7.5, 15.5), (8.6, 14.4)], 1.2, BLACK)


def draw_rectangles(layer):
    layer.frame(1, 2, 10, 10, 1.2, NAVY)
    layer.frame(6, 6, 15, 14, 1.2, BLUE)


def draw_ellipses(layer):
    layer.ring(6, 6.5, 4.5, 1.2, NAVY)
    layer.ring(10, 9.5, 4.5, 1.2, BLUE)


def draw_cross(layer):
    layer.line([(3, 3), (13, 13)], 2.6, RED)
    layer.line([(13, 3), (3, 13)], 2.6, RED)


def draw_filled(layer):
    for x, color in ((1, RED), (6, BLUE), (11, GREEN)):
        layer.rect(x, 3.5, x + 4, 12.5, color)


def draw_outlined(layer):
    for x, color in ((1, RED), (6, BLUE), (11, GREEN)):
        layer.frame(x, 4, x + 4, 12, 1.2, color)


def draw_line(layer):
    layer.line([(2.5, 13.5), (13.5, 2.5)], 1.6, BLACK)


def draw_widths(layer):
    for top, height in ((2, 1), (4, 2), (7, 3), (11, 4)):
        layer.rect(1.5, top, 14.5, top + height, BLACK)


def draw_squiggle(layer):
    import math
    points = [(1.5 + t * 0.5, 8 - 4.5 * math.sin(t * 0.5 * 0.9) * (0.6 + t / 60))
              for t in range(0, 27)]
    layer.line(points, 1.6, NAVY)


ARTWORK = {
    101: draw_sheet,
    102: draw_rectangles,
    103: draw_ellipses,
    104: draw_cross,
    105: draw_filled,
    106: draw_outlined,
    107: draw_line,
    108: draw_widths,
    109: draw_squiggle,
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for group in range(101, 110):
        sizes = [16, 32] if group == 101 else [16]
        images = []
        for size in sizes:
            layer = Layer(size)
            ARTWORK[group](layer)
            for bits in (8, 32):
                images.append((layer.render(bits), bits))
        write_ico(os.path.join(out, 'icon%d.ico' % group), images)


if __name__ == '__main__':
    main()
