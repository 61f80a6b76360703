#!/usr/bin/env python3
"""Draws the board plugin's icons and writes them as .ico files.

Usage: make_icons.py OUTDIR NAME...

Writes OUTDIR/NAME.ico for each NAME: the icon ids of resource_ids.h
without their IDI_ prefix, in lower case (the build reads them from there).
Every icon group holds each of its sizes twice: an 8-bit paletted image with
a transparency mask (for old common controls) and a 32-bit image with alpha.

The artwork is drawn by code on a supersampled sketch: every shape is a
signed-distance function (negative inside), tested at SUPERSAMPLE x
SUPERSAMPLE points per pixel, so edges get partial coverage that becomes the
alpha of the 32-bit image. The 8-bit image is the same picture with the alpha
cut at one half and the colours reduced to fit a palette.
"""
import math
import os
import struct
import sys

TRANSPARENT = (0, 0, 0, 0)
SUPERSAMPLE = 6


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[TRANSPARENT] * size for _ in range(size)]


# --- Shapes: signed distance in pixels, negative inside ---------------------

def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else ((x - ax) * dx + (y - ay) * dy) / length2
    t = min(1.0, max(0.0, t))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def line(points, width):
    """A stroke through the points with round caps and joins."""
    segments = list(zip(points, points[1:])) or [(points[0], points[0])]
    half = width / 2.0

    def shape(x, y):
        return min(segment_distance(x, y, ax, ay, bx, by)
                   for (ax, ay), (bx, by) in segments) - half
    return shape


def smooth(points, steps=8):
    """Points along a Catmull-Rom curve through the given points."""
    ends = [points[0]] + list(points) + [points[-1]]
    out = [points[0]]
    for i in range(1, len(ends) - 2):
        (x0, y0), (x1, y1), (x2, y2), (x3, y3) = ends[i - 1:i + 3]
        for j in range(1, steps + 1):
            t = j / float(steps)
            t2, t3 = t * t, t * t * t
            out.append(tuple(0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2
                                    + (3 * b - a - 3 * c + d) * t3)
                             for a, b, c, d in ((x0, x1, x2, x3), (y0, y1, y2, y3))))
    return out


def ellipse(cx, cy, rx, ry):
    # Scaled circle distance: exact for circles, close enough near the edge
    # of a moderately flat ellipse.
    def shape(x, y):
        return (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * min(rx, ry)
    return shape


def rectangle(x0, y0, x1, y1, radius=0.0):
    """Axis-aligned rectangle, corners rounded by radius."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

    def shape(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return shape


def polygon(points):
    edges = list(zip(points, points[1:] + points[:1]))

    def shape(x, y):
        inside = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        d = min(segment_distance(x, y, ax, ay, bx, by) for (ax, ay), (bx, by) in edges)
        return -d if inside else d
    return shape


def border(shape, width):
    """The band of the given width just inside the shape's edge."""
    return lambda x, y: max(shape(x, y), -shape(x, y) - width)


def outline(shape, width):
    """The band of the given width centred on the shape's edge."""
    return lambda x, y: abs(shape(x, y)) - width / 2.0


# --- The supersampled sketch -------------------------------------------------

class Sketch:
    """Paints shapes with opaque colours; `canvas()` averages the samples."""

    def __init__(self, size):
        self.size = size
        n = size * SUPERSAMPLE
        self.samples = [[None] * n for _ in range(n)]  # None: transparent

    def paint(self, shape, color):
        """Paints every sample that lies inside the shape."""
        step = 1.0 / SUPERSAMPLE
        for sy, row in enumerate(self.samples):
            y = (sy + 0.5) * step
            for sx in range(len(row)):
                if shape((sx + 0.5) * step, y) <= 0:
                    row[sx] = color

    def canvas(self):
        out = Canvas(self.size)
        area = SUPERSAMPLE * SUPERSAMPLE
        for py in range(self.size):
            for px in range(self.size):
                r = g = b = count = 0
                for sy in range(py * SUPERSAMPLE, (py + 1) * SUPERSAMPLE):
                    for color in self.samples[sy][px * SUPERSAMPLE:(px + 1) * SUPERSAMPLE]:
                        if color is not None:
                            r += color[0]
                            g += color[1]
                            b += color[2]
                            count += 1
                if count:
                    out.px[py][px] = (round(r / count), round(g / count), round(b / count),
                                      round(255 * count / area))
        return out


def paletted(canvas):
    """The 8-bit form: pixels at least half covered become opaque, the rest
    transparent; colours lose low bits until they fit 255 palette entries
    (entry 0 stays for the masked-out pixels)."""
    for drop in range(0, 8):
        out = Canvas(canvas.size)
        colors = set()
        for y, row in enumerate(canvas.px):
            for x, (r, g, b, a) in enumerate(row):
                if a >= 128:
                    color = tuple(reduce_channel(c, drop) for c in (r, g, b))
                    out.px[y][x] = color + (255,)
                    colors.add(color)
        if len(colors) <= 255:
            return out
    raise ValueError('cannot fit the colours in a palette')


def reduce_channel(value, drop):
    if drop == 0:
        return value
    levels = (1 << (8 - drop)) - 1
    return round(round(value * levels / 255.0) * 255.0 / levels)


# --- The artwork -------------------------------------------------------------

INK = (38, 44, 60)
RED = (214, 40, 40)
DARK_RED = (150, 20, 20)
BLUE = (40, 100, 215)
GREEN = (30, 160, 60)


def draw_freehand(s):
    # A scribble: a rising stroke, one cursive loop and a tail running off.
    stroke = smooth([(1.5, 12.5), (4.5, 10.5), (8.0, 7.5), (9.6, 4.6), (8.2, 2.6),
                     (6.2, 3.6), (6.6, 7.2), (9.4, 11.6), (12.2, 12.8), (14.4, 10.2)])
    s.paint(line(stroke, 1.3), INK)


def draw_line(s):
    s.paint(line([(3.0, 13.0), (13.0, 3.0)], 2.0), INK)


def draw_ellipse(s):
    s.paint(outline(ellipse(6.0, 6.5, 4.5, 4.5), 1.3), INK)
    s.paint(outline(ellipse(10.0, 9.5, 4.5, 4.5), 1.3), INK)


def draw_rectangle(s):
    s.paint(border(rectangle(1, 2, 11, 10, 1.5), 1.0), INK)
    s.paint(border(rectangle(5, 6, 15, 14, 1.5), 1.0), INK)


def draw_widths(s):
    # Bars 1, 2, 3 and 4 pixels thick, corners slightly rounded.
    top = 2.0
    for thickness in (1, 2, 3, 4):
        s.paint(rectangle(2, top, 14, top + thickness, min(0.8, thickness / 2.0)), INK)
        top += thickness + 1.0


COLUMNS = ((RED, 1.0), (BLUE, 6.0), (GREEN, 11.0))


def draw_pen_colour(s):
    for color, left in COLUMNS:
        s.paint(border(rectangle(left, 2, left + 4, 14, 1.2), 1.0), color)


def draw_fill_colour(s):
    for color, left in COLUMNS:
        s.paint(rectangle(left, 2, left + 4, 14, 1.2), color)


def draw_clear(s):
    s.paint(line([(3.5, 3.5), (12.5, 12.5)], 3.2), DARK_RED)
    s.paint(line([(12.5, 3.5), (3.5, 12.5)], 3.2), DARK_RED)
    s.paint(line([(3.5, 3.5), (12.5, 12.5)], 2.0), RED)
    s.paint(line([(12.5, 3.5), (3.5, 12.5)], 2.0), RED)


def draw_board(s):
    """The plugin's own icon: a blue sheet with a yellow tick and a pen,
    designed on a 32-pixel grid and scaled to the sketch."""
    k = s.size / 32.0

    def at(x, y):
        return (x * k, y * k)

    # The sheet: a dark blue edge one pixel wide at every size.
    s.paint(rectangle(*at(2, 2) + at(24, 30), radius=2.0 * k), (24, 70, 160))
    s.paint(rectangle(2 * k + 1, 2 * k + 1, 24 * k - 1, 30 * k - 1, radius=2.0 * k - 1),
            (70, 135, 225))
    tick = [at(6.5, 16.5), at(11, 22), at(19.5, 8.5)]
    s.paint(line(tick, 5.4 * k), (120, 80, 0))
    s.paint(line(tick, 3.6 * k), (255, 214, 40))
    draw_pen(s, tip=at(17, 30.5), angle=55.0, length=21 * k, width=max(5 * k, 3.0))


def draw_pen(s, tip, angle, length, width):
    """A pencil lying from its tip up and to the right at the given angle:
    a black point, a wooden cone and a red body with a dark edge."""
    ux, uy = math.cos(math.radians(angle)), -math.sin(math.radians(angle))
    nx, ny = -uy, ux
    cone = width * 1.3
    tx, ty = tip

    def along(d, side):
        return (tx + ux * d + nx * side, ty + uy * d + ny * side)

    half = width / 2.0
    body = polygon([along(cone, -half), along(length, -half),
                    along(length, half), along(cone, half)])
    wood = polygon([tip, along(cone, -half), along(cone, half)])
    edge = (40, 40, 40)
    s.paint(outline(body, 1.0), edge)
    s.paint(outline(wood, 1.0), edge)
    s.paint(body, (205, 40, 40))
    s.paint(wood, (240, 210, 160))
    s.paint(polygon([tip, along(cone * 0.4, -half * 0.4), along(cone * 0.4, half * 0.4)]), edge)


ARTWORK = {
    'board': draw_board,
    'tool_rectangle': draw_rectangle,
    'tool_ellipse': draw_ellipse,
    'clear': draw_clear,
    'fill_color': draw_fill_colour,
    'pen_color': draw_pen_colour,
    'tool_line': draw_line,
    'pen_widths': draw_widths,
    'tool_freehand': draw_freehand,
}

# The window icon also shows in the title bar and the task switcher.
WINDOW_ICONS = {'board'}


# --- The .ico file -----------------------------------------------------------

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


def render(name, size):
    sketch = Sketch(size)
    ARTWORK[name](sketch)
    smooth = sketch.canvas()
    # Toolbars on new common controls blend these edges; an icon without
    # partial alpha would look jagged there, so refuse to build one.
    if not any(0 < a < 255 for row in smooth.px for (_, _, _, a) in row):
        raise ValueError('icon %s at %d pixels has no soft edge' % (name, size))
    return smooth


def main():
    out, names = sys.argv[1], sys.argv[2:]
    unknown = [name for name in names if name not in ARTWORK]
    if not names or unknown:
        sys.exit('make_icons.py: no artwork for %s' % (', '.join(unknown) or 'nothing named'))
    os.makedirs(out, exist_ok=True)
    for name in names:
        sizes = [16, 32] if name in WINDOW_ICONS else [16]
        images = []
        for size in sizes:
            smooth = render(name, size)
            images.append((paletted(smooth), 8))
            images.append((smooth, 32))
        write_ico(os.path.join(out, '%s.ico' % name), images)


if __name__ == '__main__':
    main()
