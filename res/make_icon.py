#!/usr/bin/env python3
"""Draws the Tockmeter program icon and writes res/tockmeter.ico.

The icon is an alarm clock (violet rim, cream face, yellow bells, little
feet, hands at ten o'clock) with a pencil laid across it from the lower
left to the upper right.  It is drawn from simple shapes, sampled 8 x 8
times per pixel and averaged down, so edges are smooth and the background
is transparent.  Two images go into the .ico, both 32 bits per pixel with
an alpha channel and stored as DIBs with an AND mask so that every Windows
version can read them:

  32 x 32  the program icon (title bar, task bar, Alt+Tab, Explorer)
  16 x 16  a simplified drawing with heavier lines for the small places

Python 3 standard library only.  Usage:

  python3 res/make_icon.py [--ico PATH] [--preview PATH.png] [--png PATH.png]

Without --ico the icon is written beside this script as tockmeter.ico.
--preview also writes a PNG with both images enlarged 8 times and at their
real size on light and dark backgrounds, for checking the drawing by eye.
--png also writes the program icon at 64 x 64 with transparency, as the
Linux program and its desktop entry use it (res/tockmeter.png).
"""

import argparse
import math
import os
import struct
import zlib

SUPERSAMPLE = 8  # samples per pixel along each axis
LINUX_ICON_SIZE = 64  # the PNG for Linux desktops, which scale it for their places

# All drawing is in units of a 32 x 32 canvas, y pointing down.
CANVAS = 32.0

# Palette (r, g, b).
INK = (46, 26, 72)  # outlines: a very dark violet
RIM_LIGHT = (190, 150, 245)
RIM = (140, 84, 218)
RIM_DARK = (92, 46, 160)
FACE = (255, 247, 222)
FACE_SHADE = (234, 216, 172)
BELL_LIGHT = (255, 240, 140)
BELL = (255, 206, 40)
BELL_DARK = (214, 140, 0)
HAND = (44, 30, 66)
PIN = (214, 52, 72)
WOOD = (244, 206, 154)
WOOD_DARK = (214, 168, 112)
LEAD = (58, 56, 66)
PAINT_LIGHT = (255, 230, 110)
PAINT = (252, 196, 24)
PAINT_DARK = (216, 140, 0)
METAL_LIGHT = (236, 236, 244)
METAL = (184, 186, 200)
METAL_DARK = (124, 126, 144)
ERASER_LIGHT = (255, 176, 192)
ERASER = (244, 128, 156)
ERASER_DARK = (206, 88, 120)


def mix(a, b, t):
    t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def shade3(dark, base, light, t):
    """t in -1 .. 1: -1 gives dark, 0 the base colour, 1 light."""
    return mix(base, light, t) if t >= 0 else mix(base, dark, -t)


# ---------------------------------------------------------------------------
# Signed distance functions: negative inside, positive outside, in canvas units.

def sd_circle(cx, cy, r):
    def f(x, y):
        return math.hypot(x - cx, y - cy) - r
    return f


def sd_segment(ax, ay, bx, by, r):
    """A capsule: all points within r of the segment a-b."""
    dx, dy = bx - ax, by - ay
    len2 = dx * dx + dy * dy

    def f(x, y):
        px, py = x - ax, y - ay
        t = (px * dx + py * dy) / len2
        t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
        return math.hypot(px - dx * t, py - dy * t) - r
    return f


def sd_polygon(points):
    """Exact distance to a simple polygon given as a list of (x, y)."""
    pts = list(points)
    n = len(pts)

    def f(x, y):
        best = float("inf")
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            t = (wx * ex + wy * ey) / (ex * ex + ey * ey)
            t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
            d = math.hypot(wx - ex * t, wy - ey * t)
            if d < best:
                best = d
            if (yi > y) != (yj > y) and x < xi + (y - yi) * ex / ey:
                inside = not inside
            j = i
        return -best if inside else best
    return f


def sd_union(*fs):
    def f(x, y):
        return min(g(x, y) for g in fs)
    return f


def sd_intersect(*fs):
    def f(x, y):
        return max(g(x, y) for g in fs)
    return f


def sd_halfplane(px, py, nx, ny):
    """Inside where (p - point) . n <= 0; n is normalised here."""
    k = math.hypot(nx, ny)
    nx, ny = nx / k, ny / k

    def f(x, y):
        return (x - px) * nx + (y - py) * ny
    return f


def sd_grow(f, w):
    def g(x, y):
        return f(x, y) - w
    return g


# ---------------------------------------------------------------------------
# A scene is a list of layers painted back to front.  Each layer is
# (shape, colour, bbox): shape(x, y) < 0 means covered, colour is either an
# (r, g, b) / (r, g, b, a) tuple or a function of (x, y) giving one, and
# bbox (x0, y0, x1, y1) lets the renderer skip far-away samples.

def bbox_circle(cx, cy, r):
    return (cx - r, cy - r, cx + r, cy + r)


def bbox_points(pts, pad=0.0):
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)


def build_scene(small):
    """The drawing.  small=True tunes line weights for the 16 x 16 image."""
    layers = []

    def add(shape, colour, bbox):
        layers.append((shape, colour, bbox))

    ow = 1.7 if small else 1.0  # outline width

    # -- the clock ---------------------------------------------------------
    cx, cy = (15.0, 16.6) if small else (14.5, 16.2)
    R = 11.4 if small else 11.3  # outer edge of the rim
    rim_w = 3.0 if small else 2.3
    face_r = R - rim_w
    lx, ly = -0.62, -0.78  # light from the upper left

    def dir_at(deg):
        """Unit vector deg degrees clockwise from straight up."""
        a = math.radians(deg)
        return math.sin(a), -math.cos(a)

    # Bells: domes tilted away from the top, their bases hidden by the rim.
    bell_r = 5.2 if small else 4.9
    for side in (-1, 1):
        ux, uy = dir_at(side * 42)
        bx, by = cx + ux * (R - 0.8), cy + uy * (R - 0.8)
        dome = sd_intersect(sd_circle(bx, by, bell_r),
                            sd_halfplane(bx - ux * 0.6, by - uy * 0.6, -ux, -uy))
        # The knob on the crown of the bell.
        kx, ky = bx + ux * (bell_r + 0.5), by + uy * (bell_r + 0.5)
        knob_r = 1.3 if small else 1.15
        knob = sd_circle(kx, ky, knob_r)
        bb = bbox_circle(bx, by, bell_r + 2.5 + ow)
        add(sd_grow(knob, ow), INK, bb)
        add(knob, BELL_DARK, bb)
        add(sd_grow(dome, ow), INK, bb)

        lip = 0.9 / bell_r if small else 0.75 / bell_r

        def bell_colour(x, y, bx=bx, by=by, ux=ux, uy=uy, lip=lip):
            dx, dy = (x - bx) / bell_r, (y - by) / bell_r
            t = dx * lx + dy * ly
            # a soft highlight spot up and to the left of the dome centre
            hx, hy = dx + 0.35, dy + 0.45
            spot = max(0.0, 1.0 - math.hypot(hx, hy) * 1.8)
            c = shade3(BELL_DARK, BELL, BELL_LIGHT, t * 0.9)
            c = mix(c, (255, 252, 220), spot * 0.8)
            # the mouth of the bell: a darker lip along its base
            if dx * ux + dy * uy < lip:
                c = mix(c, BELL_DARK, 0.75)
            return c
        add(dome, bell_colour, bb)

    # The hammer between the bells.
    if not small:
        hx0, hy0 = cx, cy - R + 0.5
        hx1, hy1 = cx, cy - R - 2.4
        stem = sd_segment(hx0, hy0, hx1, hy1, 0.55)
        ball = sd_circle(hx1, hy1, 1.1)
        bb = (cx - 3, hy1 - 3, cx + 3, hy0 + 1)
        add(sd_grow(sd_union(stem, ball), ow), INK, bb)
        add(stem, METAL_DARK, bb)
        add(ball, BELL_DARK, bb)

    # Feet.
    for side in (-1, 1):
        ax, ay = dir_at(side * 140)
        p0 = (cx + ax * (R - 2.0), cy + ay * (R - 2.0))
        p1 = (cx + ax * (R + 1.6), cy + ay * (R + 1.6))
        fr = 1.5 if small else 1.25
        foot = sd_segment(p0[0], p0[1], p1[0], p1[1], fr)
        bb = bbox_points([p0, p1], fr + ow + 0.5)
        add(sd_grow(foot, ow), INK, bb)
        add(foot, RIM_DARK, bb)

    # Body: outline, rim, face.
    body_bb = bbox_circle(cx, cy, R + ow + 0.5)
    add(sd_circle(cx, cy, R + ow), INK, body_bb)

    def rim_colour(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy) or 1.0
        t = (dx * lx + dy * ly) / d
        # the outer half of the rim rounds away from the light a little
        across = (d - face_r) / rim_w  # 0 at the face, 1 at the outer edge
        bulge = 1.0 - abs(across - 0.45) * 1.4
        return shade3(RIM_DARK, RIM, RIM_LIGHT, t * (0.55 + 0.45 * bulge))
    add(sd_circle(cx, cy, R), rim_colour, body_bb)

    # A thin dark line where the rim meets the face.
    face_bb = bbox_circle(cx, cy, face_r + 1)
    if not small:
        add(sd_circle(cx, cy, face_r + 0.45), RIM_DARK, face_bb)

    def face_colour(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy) or 1.0
        # the rim throws a soft shadow on the upper-left edge of the face
        t = (dx * lx + dy * ly) / d
        edge = max(0.0, (d - (face_r - 1.6)) / 1.6)
        return mix(FACE, FACE_SHADE, edge * max(0.0, t) * 0.9)
    add(sd_circle(cx, cy, face_r), face_colour, face_bb)

    # Hour marks at 12, 3, 6 and 9 (the pencil covers some of them).
    if not small:
        for deg in (0, 90, 180, 270):
            ux, uy = dir_at(deg)
            a = (cx + ux * (face_r - 0.9), cy + uy * (face_r - 0.9))
            b = (cx + ux * (face_r - 2.1), cy + uy * (face_r - 2.1))
            add(sd_segment(a[0], a[1], b[0], b[1], 0.5), RIM_DARK,
                bbox_points([a, b], 1.0))

    # Hands at ten o'clock: both stay clear of the pencil.
    hw = 1.0 if small else 0.72
    hour_deg, min_deg = -60, 0
    hands = []
    for deg, length, w in ((hour_deg, face_r * 0.60, hw * 1.15),
                           (min_deg, face_r * 0.88, hw)):
        ux, uy = dir_at(deg)
        tip = (cx + ux * length, cy + uy * length)
        hands.append(((cx, cy), tip, w))
    for (p0, p1, w) in hands:
        add(sd_segment(p0[0], p0[1], p1[0], p1[1], w), HAND,
            bbox_points([p0, p1], w + 1))
    pin_r = 1.3 if small else 1.15
    add(sd_circle(cx, cy, pin_r + 0.45), HAND, bbox_circle(cx, cy, 3))
    if not small:
        add(sd_circle(cx, cy, pin_r), PIN, bbox_circle(cx, cy, 3))

    # -- the pencil --------------------------------------------------------
    # Local frame: s runs along the pencil from the point towards the
    # eraser, n across it (negative n faces the light, up and to the left).
    if small:
        tip, end = (7.6, 30.8), (30.0, 8.4)
    else:
        tip, end = (6.6, 30.4), (29.8, 7.2)
    L = math.hypot(end[0] - tip[0], end[1] - tip[1])
    ux, uy = (end[0] - tip[0]) / L, (end[1] - tip[1]) / L
    vx, vy = -uy, ux  # points down and to the right
    half = 2.7 if small else 2.5
    cone = 5.6 if small else 5.2  # length of the sharpened part
    lead = 2.2 if small else 2.3
    ferrule = 2.8 if small else 2.4
    eraser = 3.2 if small else 2.8
    s_body = cone
    s_ferrule = L - eraser - ferrule
    s_eraser = L - eraser

    def world(s, n):
        return (tip[0] + ux * s + vx * n, tip[1] + uy * s + vy * n)

    def local(x, y):
        dx, dy = x - tip[0], y - tip[1]
        return dx * ux + dy * uy, dx * vx + dy * vy

    cone_poly = [world(0, 0), world(cone, -half), world(cone, half)]
    body_poly = [world(s_body - 0.05, -half), world(s_ferrule + 0.05, -half),
                 world(s_ferrule + 0.05, half), world(s_body - 0.05, half)]
    fw = half + (0.35 if not small else 0.25)
    ferrule_poly = [world(s_ferrule, -fw), world(s_eraser + 0.05, -fw),
                    world(s_eraser + 0.05, fw), world(s_ferrule, fw)]
    # Eraser: a box with its far corners rounded off.
    er = 1.6 if small else 1.4
    e_box = [world(s_eraser, -half), world(L - er, -half),
             world(L - er, half), world(s_eraser, half)]
    eraser_shape = sd_union(
        sd_polygon(e_box),
        sd_polygon([world(L - er - 0.01, -half + er), world(L, -half + er),
                    world(L, half - er), world(L - er - 0.01, half - er)]),
        sd_circle(*world(L - er, -half + er), er),
        sd_circle(*world(L - er, half - er), er))
    cone_shape = sd_polygon(cone_poly)
    body_shape = sd_polygon(body_poly)
    ferrule_shape = sd_polygon(ferrule_poly)
    pencil = sd_union(cone_shape, body_shape, ferrule_shape, eraser_shape)
    pb = bbox_points([tip, end], half + ow + 1.5)

    # A soft shadow on the clock below and to the right of the pencil.
    sh_dx, sh_dy = 0.9, 1.2
    clock_disc = sd_circle(cx, cy, R + ow)

    def shadow_shape(x, y):
        return max(pencil(x - sh_dx, y - sh_dy) - ow, clock_disc(x, y))
    add(shadow_shape, (30, 10, 50, 0.28), pb)

    add(sd_grow(pencil, ow), INK, pb)

    def wood_colour(x, y):
        s, n = local(x, y)
        return mix(WOOD, WOOD_DARK, (n / half + 0.2) * 0.8)
    add(cone_shape, wood_colour, pb)
    lead_shape = sd_intersect(cone_shape,
                              sd_polygon([world(-1, -half), world(lead, -half),
                                          world(lead, half), world(-1, half)]))
    add(lead_shape, LEAD, pb)

    # The painted body: three faces of a hexagonal pencil.
    def paint_colour(x, y):
        s, n = local(x, y)
        k = n / half
        if small:
            return PAINT_LIGHT if k < -0.25 else PAINT if k < 0.35 else PAINT_DARK
        if k < -0.36:
            return PAINT_LIGHT
        if k < 0.36:
            return PAINT
        return PAINT_DARK
    # The paint ends in a scalloped edge where the wood was sharpened.
    def paint_shape(x, y):
        s, n = local(x, y)
        edge = s_body + 0.55 * math.cos(n / half * math.pi * 1.5) ** 2
        return max(body_shape(x, y), edge - s)
    add(body_shape, wood_colour, pb)
    add(paint_shape, paint_colour, pb)

    def metal_colour(x, y):
        s, n = local(x, y)
        k = n / fw
        c = shade3(METAL_DARK, METAL, METAL_LIGHT, -k * 1.4 + 0.1)
        if not small:
            # two crimped rings around the band
            for r in (s_ferrule + ferrule * 0.33, s_ferrule + ferrule * 0.7):
                if abs(s - r) < 0.28:
                    c = mix(c, METAL_DARK, 0.7)
        return c
    add(ferrule_shape, metal_colour, pb)

    def eraser_colour(x, y):
        s, n = local(x, y)
        return shade3(ERASER_DARK, ERASER, ERASER_LIGHT, -n / half * 1.2 + 0.1)
    add(eraser_shape, eraser_colour, pb)

    return layers


# ---------------------------------------------------------------------------
# Rendering.

def render(size, small):
    """Returns size*size (r, g, b, a) tuples, 0..255, straight alpha."""
    layers = build_scene(small)
    unit = CANVAS / size
    ss = SUPERSAMPLE
    offs = [(k + 0.5) / ss for k in range(ss)]
    out = []
    for j in range(size):
        for i in range(size):
            px0, py0 = i * unit, j * unit
            px1, py1 = px0 + unit, py0 + unit
            active = [L for L in layers
                      if L[2][0] <= px1 and L[2][2] >= px0
                      and L[2][1] <= py1 and L[2][3] >= py0]
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            if active:
                for oy in offs:
                    y = py0 + oy * unit
                    for ox in offs:
                        x = px0 + ox * unit
                        r = g = b = a = 0.0
                        for shape, colour, _ in active:
                            if shape(x, y) >= 0:
                                continue
                            c = colour(x, y) if callable(colour) else colour
                            ca = c[3] if len(c) == 4 else 1.0
                            r = c[0] * ca + r * (1 - ca)
                            g = c[1] * ca + g * (1 - ca)
                            b = c[2] * ca + b * (1 - ca)
                            a = ca + a * (1 - ca)
                        acc[0] += r
                        acc[1] += g
                        acc[2] += b
                        acc[3] += a
            n = ss * ss
            a = acc[3] / n
            if a <= 0.5 / 255:
                out.append((0, 0, 0, 0))
                continue
            out.append(tuple(int(round(min(255.0, acc[k] / n / a)))
                             for k in range(3)) + (int(round(a * 255)),))
    return out


# ---------------------------------------------------------------------------
# Writers.

def dib_entry(size, pixels):
    """A 32-bpp BITMAPINFOHEADER image with its AND mask, as an ICO holds it."""
    xor = bytearray()
    for j in range(size - 1, -1, -1):  # bottom-up rows
        for i in range(size):
            r, g, b, a = pixels[j * size + i]
            xor += bytes((b, g, r, a))
    row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for j in range(size - 1, -1, -1):
        row = bytearray(row_bytes)
        for i in range(size):
            if pixels[j * size + i][3] == 0:
                row[i // 8] |= 0x80 >> (i % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def write_ico(path, images):
    """images: list of (size, pixels)."""
    entries = [(size, dib_entry(size, px)) for size, px in images]
    data = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, blob in entries:
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                            len(blob), offset)
        offset += len(blob)
    for _, blob in entries:
        data += blob
    with open(path, "wb") as f:
        f.write(data)


def write_png(path, width, height, rows, alpha=False):
    """rows: bytes of r, g, b (and a, with alpha) for each pixel of each row."""
    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_preview(path, images, zoom=12):
    """Each image enlarged over a checkerboard, then at real size on light,
    mid and dark backgrounds as it would sit in a title bar or task bar."""
    pad = 12
    big_w = sum(s * zoom for s, _ in images) + pad * (len(images) + 1)
    big_h = max(s for s, _ in images) * zoom + pad * 2
    backs = [(255, 255, 255), (240, 240, 240), (128, 128, 128), (32, 32, 32)]
    strip_h = max(s for s, _ in images) + pad * 2
    width, height = big_w, big_h + strip_h
    canvas = [[(200, 200, 200)] * width for _ in range(height)]

    def put(x, y, px, under):
        r, g, b, a = px
        t = a / 255.0
        canvas[y][x] = tuple(int(round(c * t + u * (1 - t)))
                             for c, u in zip((r, g, b), under))

    x0 = pad
    for size, px in images:
        for j in range(size * zoom):
            for i in range(size * zoom):
                check = ((i // zoom) + (j // zoom)) % 2
                under = (255, 255, 255) if check else (214, 214, 214)
                put(x0 + i, pad + j, px[(j // zoom) * size + i // zoom], under)
        x0 += size * zoom + pad
    # Real-size strip.
    seg = width // len(backs)
    for k, back in enumerate(backs):
        for j in range(big_h, height):
            for i in range(k * seg, width if k == len(backs) - 1 else (k + 1) * seg):
                canvas[j][i] = back
        x = k * seg + pad
        for size, px in images:
            for j in range(size):
                for i in range(size):
                    put(x + i, big_h + pad + j, px[j * size + i], back)
            x += size + pad
    rows = [bytearray(b for p in row for b in p) for row in canvas]
    write_png(path, width, height, rows)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description="Draw the Tockmeter icon.")
    ap.add_argument("--ico", default=os.path.join(here, "tockmeter.ico"),
                    help="where to write the icon (default: beside this script)")
    ap.add_argument("--preview", help="also write an enlarged PNG preview here")
    ap.add_argument("--png", help="also write the icon as a 64 x 64 PNG with transparency "
                                  "here, for Linux desktops")
    args = ap.parse_args()

    images = [(32, render(32, small=False)), (16, render(16, small=True))]
    write_ico(args.ico, images)
    print("wrote", args.ico)
    if args.preview:
        write_preview(args.preview, images)
        print("wrote", args.preview)
    if args.png:
        size = LINUX_ICON_SIZE
        pixels = render(size, small=False)
        rows = [b"".join(bytes(pixels[j * size + i]) for i in range(size)) for j in range(size)]
        write_png(args.png, size, size, rows, alpha=True)
        print("wrote", args.png)


if __name__ == "__main__":
    main()
