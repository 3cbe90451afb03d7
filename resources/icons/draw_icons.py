#!/usr/bin/env python3
"""Draws the three programs' icons and writes them as .ico files (32x32 and 16x16, 32-bit).

Run from anywhere: python3 resources/icons/draw_icons.py. Standard library only, so the
artwork can be regenerated on any machine; the .ico files it writes are kept in the tree.
"""

import math
import os
import struct

SUPERSAMPLE = 6  # samples per pixel along each axis, for smooth edges

# Palette (r, g, b, a).
OUTLINE = (52, 48, 44, 255)
PAPER = (242, 230, 196, 255)
PAPER_DARK = (214, 196, 152, 255)
PAPER_DARKER = (186, 166, 120, 255)
MEADOW = (126, 184, 88, 255)
WATER = (84, 150, 214, 255)
WATER_LIGHT = (168, 206, 240, 255)
SAND = (236, 208, 140, 255)
ARROW_GREEN = (46, 160, 60, 255)
ARROW_GREEN_DARK = (20, 92, 32, 255)
SWAP_ORANGE = (240, 132, 32, 255)
SWAP_ORANGE_DARK = (150, 70, 10, 255)
BANDAGE = (226, 170, 118, 255)
BANDAGE_DARK = (140, 92, 54, 255)
PAD = (250, 232, 208, 255)
HOLE = (176, 124, 82, 255)


# --- Shapes: each is a predicate on a point (x, y) in pixel units, y growing downwards. ---

def rounded_rect(x0, y0, x1, y1, r, angle=0.0):
    """Rectangle with rounded corners, optionally turned by angle (radians) about its centre."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hw, hh = (x1 - x0) / 2, (y1 - y0) / 2
    c, s = math.cos(angle), math.sin(angle)

    def inside(x, y):
        dx, dy = x - cx, y - cy
        lx, ly = abs(dx * c + dy * s), abs(-dx * s + dy * c)
        if lx > hw or ly > hh:
            return False
        qx, qy = lx - (hw - r), ly - (hh - r)
        return qx <= 0 or qy <= 0 or qx * qx + qy * qy <= r * r
    return inside


def polygon(points):
    """Even-odd fill of a closed polygon."""
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, width):
    """Stroke of a straight line with round caps."""
    vx, vy = x1 - x0, y1 - y0
    length2 = vx * vx + vy * vy
    half2 = (width / 2) ** 2

    def inside(x, y):
        t = ((x - x0) * vx + (y - y0) * vy) / length2 if length2 else 0.0
        t = max(0.0, min(1.0, t))
        px, py = x0 + t * vx - x, y0 + t * vy - y
        return px * px + py * py <= half2
    return inside


def arc(cx, cy, r, width, start, end):
    """Stroke of a circle's arc from angle start to end (degrees, clockwise on screen)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (a - start) % 360 <= (end - start) % 360
    return inside


def union(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


def minus(shape, cut):
    return lambda x, y: shape(x, y) and not cut(x, y)


def grown(points, amount):
    """Polygon pushed outwards by amount, for an outline drawn beneath the fill."""
    n = len(points)
    area = sum(points[i][0] * points[(i + 1) % n][1] - points[(i + 1) % n][0] * points[i][1]
               for i in range(n))
    sign = 1 if area > 0 else -1
    out = []
    for i in range(n):
        px, py = points[i - 1]
        cx, cy = points[i]
        nx, ny = points[(i + 1) % n]
        normals = []
        for ax, ay, bx, by in ((px, py, cx, cy), (cx, cy, nx, ny)):
            ex, ey = bx - ax, by - ay
            length = math.hypot(ex, ey)
            normals.append((sign * ey / length, -sign * ex / length))
        mx, my = normals[0][0] + normals[1][0], normals[0][1] + normals[1][1]
        dot = normals[0][0] * mx + normals[0][1] * my
        scale = amount / dot if dot else amount
        out.append((cx + mx * scale, cy + my * scale))
    return out


# --- Canvas ---

class Canvas:
    """Layers of (shape, colour), painted in order and averaged over the samples of each pixel."""

    def __init__(self, size):
        self.size = size
        self.layers = []

    def fill(self, shape, colour):
        self.layers.append((shape, colour))

    def render(self):
        n = SUPERSAMPLE
        pixels = []
        for py in range(self.size):
            row = []
            for px in range(self.size):
                acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
                for sy in range(n):
                    for sx in range(n):
                        x, y = px + (sx + 0.5) / n, py + (sy + 0.5) / n
                        r = g = b = a = 0.0
                        for shape, (cr, cg, cb, ca) in self.layers:
                            if shape(x, y):
                                alpha = ca / 255
                                r = cr * alpha + r * (1 - alpha)
                                g = cg * alpha + g * (1 - alpha)
                                b = cb * alpha + b * (1 - alpha)
                                a = alpha + a * (1 - alpha)
                        acc[0] += r
                        acc[1] += g
                        acc[2] += b
                        acc[3] += a
                count = n * n
                alpha = acc[3] / count
                if alpha <= 0.0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append(tuple(int(round(min(255.0, c / count / alpha))) for c in acc[:3])
                               + (int(round(alpha * 255)),))
            pixels.append(row)
        return pixels


def map_tile(canvas, x0, y0, x1, y1, line, style):
    """One map tile: outlined sheet with a bit of terrain, in a few looks."""
    r = max(1.0, (x1 - x0) * 0.12)
    w, h = x1 - x0, y1 - y0
    canvas.fill(rounded_rect(x0, y0, x1, y1, r), OUTLINE)
    sheet = rounded_rect(x0 + line, y0 + line, x1 - line, y1 - line, max(0.5, r - line))
    if style == "back":
        canvas.fill(sheet, PAPER_DARK)
        return
    if style == "back2":
        canvas.fill(sheet, PAPER_DARKER)
        return
    if style == "sea":
        canvas.fill(sheet, WATER_LIGHT)
        island = polygon([(x0 + w * 0.22, y0 + h * 0.62), (x0 + w * 0.34, y0 + h * 0.30),
                          (x0 + w * 0.60, y0 + h * 0.24), (x0 + w * 0.80, y0 + h * 0.44),
                          (x0 + w * 0.70, y0 + h * 0.74), (x0 + w * 0.40, y0 + h * 0.80)])
        canvas.fill(lambda x, y: sheet(x, y) and island(x, y), SAND)
        canvas.fill(lambda x, y: sheet(x, y) and circle(x0 + w * 0.52, y0 + h * 0.50, w * 0.14)(x, y),
                    MEADOW)
        return
    canvas.fill(sheet, PAPER)
    meadow = polygon([(x0, y0 + h * 0.55), (x0 + w * 0.35, y0 + h * 0.42),
                      (x0 + w * 0.62, y0 + h * 0.58), (x1, y0 + h * 0.46),
                      (x1, y1), (x0, y1)])
    canvas.fill(lambda x, y: sheet(x, y) and meadow(x, y), MEADOW)
    river_w = max(1.0, w * 0.11)
    river = union(segment(x0 + w * 0.18, y0, x0 + w * 0.34, y0 + h * 0.40, river_w),
                  segment(x0 + w * 0.34, y0 + h * 0.40, x0 + w * 0.30, y0 + h * 0.70, river_w),
                  segment(x0 + w * 0.30, y0 + h * 0.70, x0 + w * 0.42, y1, river_w))
    canvas.fill(lambda x, y: sheet(x, y) and river(x, y), WATER)


def outlined_polygon(canvas, points, fill, edge, line):
    canvas.fill(polygon(grown(points, line)), edge)
    canvas.fill(polygon(points), fill)


# --- The three designs, in pixel units; the 16-pixel images get their own simpler layouts. ---

def draw_grenwick(size):
    """A stack of map tiles with a green arrow dropping a mod onto it."""
    line = 1.0
    c = Canvas(size)
    # Edges sit on whole pixels so the outlines stay crisp at both sizes.
    if size >= 32:
        map_tile(c, 9, 8, 30, 25, line, "back2")
        map_tile(c, 5, 11, 26, 28, line, "back")
        map_tile(c, 1, 14, 22, 31, line, "land")
        ax, shaft, head, top, neck, tip = 24, 3, 7, 2, 11, 20
    else:
        map_tile(c, 3, 4, 15, 13, line, "back")
        map_tile(c, 0, 7, 12, 16, line, "land")
        ax, shaft, head, top, neck, tip = 12, 1, 3, 1, 5, 9
    # Arrow pointing down into the stack, at the upper right.
    arrow = [(ax - shaft, top), (ax + shaft, top), (ax + shaft, neck), (ax + head, neck),
             (ax, tip), (ax - head, neck), (ax - shaft, neck)]
    outlined_polygon(c, arrow, ARROW_GREEN, ARROW_GREEN_DARK, line)
    return c.render()


def draw_tavlin(size):
    """Two map tiles trading places, with a pair of swap arrows between them."""
    line = 1.0
    c = Canvas(size)
    if size < 32:
        # Too small for curves: two right-angled arrows on whole pixels stay readable.
        map_tile(c, 0, 0, 8, 8, line, "land")
        map_tile(c, 8, 8, 16, 16, line, "sea")
        arrow = [(9, 1), (14, 1), (14, 5), (16, 5), (13, 8), (10, 5), (12, 5), (12, 3), (9, 3)]
        for points in (arrow, [(16 - x, 16 - y) for x, y in arrow]):
            c.fill(polygon(points), SWAP_ORANGE)
        return c.render()
    map_tile(c, 1, 1, 16, 16, line, "land")
    map_tile(c, 16, 16, 31, 31, line, "sea")
    r, width, cx, cy = 11.5, 3.0, 16, 16
    # Upper-right arc runs from the first tile to the second, lower-left arc back again.
    for start, end in ((280, 340), (100, 160)):
        body = arc(cx, cy, r, width, start, end)
        ea = math.radians(end + 4)
        ex, ey = cx + r * math.cos(ea), cy + r * math.sin(ea)
        tx, ty = -math.sin(ea), math.cos(ea)  # clockwise tangent
        nx, ny = math.cos(ea), math.sin(ea)
        head_len, head_w = 5.0, 4.2
        head = [(ex + nx * head_w, ey + ny * head_w),
                (ex + tx * head_len, ey + ty * head_len),
                (ex - nx * head_w, ey - ny * head_w)]
        edge = union(arc(cx, cy, r, width + 2 * line, start - 2, end),
                     polygon(grown(head, line)))
        c.fill(edge, SWAP_ORANGE_DARK)
        c.fill(union(body, polygon(head)), SWAP_ORANGE)
    return c.render()


def draw_orrisk(size):
    """A map tile with a sticking plaster across it: a patch for the map."""
    k = size / 32
    line = 1.0
    c = Canvas(size)
    if size >= 32:
        map_tile(c, 2, 2, 30, 30, line, "land")
    else:
        map_tile(c, 0, 0, 16, 16, line, "land")
    angle = math.radians(-40)
    half_len = 15.5 * k
    half_w = 5.0 * k if size >= 32 else 3.2
    cx = cy = size / 2
    strip = rounded_rect(cx - half_len, cy - half_w, cx + half_len, cy + half_w, half_w * 0.9, angle)
    rim = rounded_rect(cx - half_len - line, cy - half_w - line, cx + half_len + line,
                       cy + half_w + line, half_w * 0.9 + line, angle)
    c.fill(rim, BANDAGE_DARK)
    c.fill(strip, BANDAGE)
    pad_half = 4.8 * k if size >= 32 else 2.6
    pad_w = half_w - (1.4 * k if size >= 32 else 0.9)
    c.fill(rounded_rect(cx - pad_half, cy - pad_w, cx + pad_half, cy + pad_w, 0.8, angle), PAD)
    if size >= 32:
        # Breathing holes on the adhesive ends.
        ca, sa = math.cos(angle), math.sin(angle)
        for along in (-10.5, -8.0, 8.0, 10.5):
            for across in (-1.8, 1.8):
                hx = cx + along * k * ca - across * k * sa
                hy = cy + along * k * sa + across * k * ca
                c.fill(circle(hx, hy, 0.75), HOLE)
    return c.render()


# --- .ico writer: BITMAPINFOHEADER images, 32-bit BGRA plus the 1-bit AND mask. ---

def ico_image(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:  # transparent where the colour image is empty
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(colour) + bytes(mask)


def write_ico(path, images):
    entries = bytearray()
    blobs = bytearray()
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        blob = ico_image(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + bytes(entries) + bytes(blobs))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    resources = os.path.dirname(here)
    for name, draw in (("grenwick", draw_grenwick), ("tavlin", draw_tavlin),
                       ("orrisk", draw_orrisk)):
        path = os.path.join(resources, name, name + ".ico")
        write_ico(path, [draw(32), draw(16)])
        print("wrote", os.path.relpath(path, os.getcwd()))


if __name__ == "__main__":
    main()
