"""Renders the car sheets, tails, world objects, particles and the countdown sheet.

Everything is drawn at 4x and downsampled, so edges are anti-aliased.
Run with Debian's python3 (needs python3-pil and python3-numpy).
"""
import math
import random
import numpy as np
from PIL import Image, ImageDraw, ImageFilter

from common import Canvas, SS, save, shade_radial, fractal_noise

FRAME_W, FRAME_H = 64, 128
# Car sheet layout, shared with cars.dat: frame -> front wheel angle (degrees, + = left).
CAR_FRAMES = [0, 8, 16, 24, 16, 8, 0, -8, -16, -24, -16, -8, 0, 0, 0, 0]


def rot(points, cx, cy, deg):
    a = math.radians(deg)
    out = []
    for x, y in points:
        dx, dy = x - cx, y - cy
        out.append((cx + dx * math.cos(a) + dy * math.sin(a), cy + dy * math.cos(a) - dx * math.sin(a)))
    return out


def wheel(c, cx, cy, w, h, angle):
    pts = [(cx - w / 2, cy - h / 2), (cx + w / 2, cy - h / 2), (cx + w / 2, cy + h / 2), (cx - w / 2, cy + h / 2)]
    c.polygon(rot(pts, cx, cy, angle), (22, 22, 24, 255))
    tread = [(cx - w / 2 + 1.2, cy - h / 2 + 1.5), (cx + w / 2 - 1.2, cy - h / 2 + 1.5),
             (cx + w / 2 - 1.2, cy + h / 2 - 1.5), (cx - w / 2 + 1.2, cy + h / 2 - 1.5)]
    c.polygon(rot(tread, cx, cy, angle), (48, 48, 52, 255))


def lighten(col, f):
    return tuple(min(255, int(v + (255 - v) * f)) for v in col[:3]) + (255,)


def darken(col, f):
    return tuple(int(v * (1 - f)) for v in col[:3]) + (255,)


STYLES = {
    # body colour, stripe colour, body width inset, kind
    "red": dict(body=(200, 30, 36), stripe=(245, 245, 245), inset=6, kind="sports"),
    "blue": dict(body=(36, 92, 200), stripe=(250, 200, 40), inset=9, kind="hatch"),
    "cadillac": dict(body=(236, 226, 210), stripe=(170, 30, 60), inset=5, kind="cruiser"),
    "green": dict(body=(52, 140, 60), stripe=(20, 20, 20), inset=8, kind="buggy"),
    "yellow": dict(body=(240, 190, 30), stripe=(20, 20, 20), inset=6, kind="muscle"),
}


def draw_car(style, wheel_angle):
    s = STYLES[style]
    c = Canvas(FRAME_W, FRAME_H)
    body, stripe, inset, kind = s["body"] + (255,), s["stripe"] + (255,), s["inset"], s["kind"]
    x0, x1 = inset, FRAME_W - inset
    y0, y1 = 6, FRAME_H - 6
    if kind == "hatch":
        y0, y1 = 14, FRAME_H - 12
    # soft shadow under the car
    c.shadow(lambda d, col: d.rounded_rectangle([x0 * SS, y0 * SS, x1 * SS, y1 * SS], 12 * SS, fill=col),
             offset=(2, 3), blur=3, alpha=120)
    fy, ry = y0 + 24, y1 - 22
    ww, wh = 9, 18
    for wx in (x0 + 1, x1 - 1):
        wheel(c, wx, fy, ww, wh, wheel_angle)
        wheel(c, wx, ry, ww, wh, 0)
    if kind == "buggy":
        # open frame: roll cage over a slim tub
        c.rect(x0 + 4, y0 + 8, x1 - 4, y1 - 4, darken(body, 0.1), radius=10)
        c.rect(x0 + 7, y0 + 12, x1 - 7, y1 - 8, body, radius=8)
        c.rect(x0 + 12, y0 + 40, x1 - 12, y0 + 80, (30, 30, 30, 255), radius=6)
        c.ellipse(FRAME_W / 2, y0 + 58, 8, 9, (230, 230, 230, 255))
        c.ellipse(FRAME_W / 2 - 2, y0 + 56, 4, 4, (255, 255, 255, 255))
        for yy in (y0 + 36, y0 + 84):
            c.line([(x0 + 8, yy), (x1 - 8, yy)], (60, 60, 60, 255), 3)
        c.line([(x0 + 10, y0 + 36), (x0 + 10, y0 + 84)], (60, 60, 60, 255), 3)
        c.line([(x1 - 10, y0 + 36), (x1 - 10, y0 + 84)], (60, 60, 60, 255), 3)
        c.rect(x0 + 8, y0 + 4, x1 - 8, y0 + 12, (250, 220, 80, 255), radius=3)
        c.rect(x0 + 10, y1 - 10, x1 - 10, y1 - 4, (60, 60, 60, 255), radius=2)
        img = c.finish()
        return shade_radial(img, FRAME_W / 2, FRAME_H * 0.45, FRAME_H * 0.6, 0.25)
    radius = 14 if kind in ("sports", "cruiser") else 10
    c.rect(x0, y0, x1, y1, darken(body, 0.25), radius=radius)
    c.rect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, body, radius=radius - 2)
    c.rect(x0 + 8, y0 + 4, x1 - 8, y1 - 4, lighten(body, 0.12), radius=radius - 4)
    if kind in ("sports", "muscle", "hatch"):
        cx = FRAME_W / 2
        c.rect(cx - 7, y0 + 1, cx - 3, y1 - 1, stripe)
        c.rect(cx + 3, y0 + 1, cx + 7, y1 - 1, stripe)
    if kind == "cruiser":
        c.line([(x0 + 3, y0 + 30), (x0 + 3, y1 - 30)], (200, 200, 205, 255), 2)
        c.line([(x1 - 3, y0 + 30), (x1 - 3, y1 - 30)], (200, 200, 205, 255), 2)
        # tail fins
        c.polygon([(x0 + 2, y1 - 26), (x0 + 8, y1 - 2), (x0 + 2, y1 - 2)], darken(body, 0.2))
        c.polygon([(x1 - 2, y1 - 26), (x1 - 8, y1 - 2), (x1 - 2, y1 - 2)], darken(body, 0.2))
    # glasshouse
    gl_top = y0 + (34 if kind != "hatch" else 26)
    gl_bot = y1 - (30 if kind not in ("hatch",) else 16)
    glass = (40, 56, 80, 255)
    c.polygon([(x0 + 8, gl_top + 6), (x1 - 8, gl_top + 6), (x1 - 11, gl_top + 22), (x0 + 11, gl_top + 22)], glass)
    c.polygon([(x0 + 10, gl_top + 7), (x0 + 22, gl_top + 7), (x0 + 18, gl_top + 13), (x0 + 11, gl_top + 13)],
              (120, 150, 190, 200))
    roof_col = darken(body, 0.08) if kind != "cruiser" else (170, 30, 60, 255)
    c.rect(x0 + 10, gl_top + 22, x1 - 10, gl_bot - 12, roof_col, radius=5)
    if kind in ("sports", "muscle", "hatch"):
        cx = FRAME_W / 2
        c.rect(cx - 7, gl_top + 22, cx - 3, gl_bot - 12, stripe)
        c.rect(cx + 3, gl_top + 22, cx + 7, gl_bot - 12, stripe)
    c.polygon([(x0 + 11, gl_bot - 12), (x1 - 11, gl_bot - 12), (x1 - 9, gl_bot), (x0 + 9, gl_bot)], glass)
    # lights
    c.rect(x0 + 3, y0 + 2, x0 + 12, y0 + 6, (255, 250, 200, 255), radius=2)
    c.rect(x1 - 12, y0 + 2, x1 - 3, y0 + 6, (255, 250, 200, 255), radius=2)
    c.rect(x0 + 3, y1 - 5, x0 + 12, y1 - 2, (230, 30, 30, 255), radius=1)
    c.rect(x1 - 12, y1 - 5, x1 - 3, y1 - 2, (230, 30, 30, 255), radius=1)
    if kind == "sports":
        c.rect(x0 - 1, y1 - 14, x1 + 1, y1 - 8, darken(body, 0.45), radius=2)   # rear wing
    if kind == "muscle":
        c.rect(FRAME_W / 2 - 9, y0 + 16, FRAME_W / 2 + 9, y0 + 30, (30, 30, 30, 255), radius=3)  # bonnet scoop
    img = c.finish()
    return shade_radial(img, FRAME_W / 2, FRAME_H * 0.42, FRAME_H * 0.62, 0.22)


def car_sheet(style, name=None):
    sheet = Image.new("RGBA", (FRAME_W * 4, FRAME_H * 4), (0, 0, 0, 0))
    for f, angle in enumerate(CAR_FRAMES):
        sheet.paste(draw_car(style, angle), ((f % 4) * FRAME_W, (f // 4) * FRAME_H))
    save(sheet, "gfx\\cars\\" + (name or style) + ".png")


def marker():
    """Single big picture of the cruiser: the world editor shows start positions with it."""
    img = draw_car("cadillac", 0).resize((128, 256), Image.LANCZOS)
    save(img, "gfx\\cars\\cadillac.png")


def flame_sheet(name, inner, outer):
    w, h, frames = 32, 64, 4
    sheet = Image.new("RGBA", (w * frames, h), (0, 0, 0, 0))
    rng = random.Random(7)
    for f in range(frames):
        c = Canvas(w, h)
        layer = c.blank_layer()
        d = ImageDraw.Draw(layer)
        length = h * (0.82 + 0.18 * math.sin(f * 1.7))
        for i in range(28):
            t = i / 27
            y = 2 + t * (length - 10)
            r = (7 - 5 * t) * (1 + 0.15 * math.sin(f * 2.1 + t * 9))
            x = w / 2 + rng.uniform(-1.2, 1.2) * t * 3
            col = tuple(int(outer[k] + (inner[k] - outer[k]) * (1 - t) ** 1.5) for k in range(3))
            a = int(230 * (1 - t) ** 0.8)
            d.ellipse([(x - r) * SS, (y - r) * SS, (x + r) * SS, (y + r) * SS], fill=col + (a,))
        layer = layer.filter(ImageFilter.GaussianBlur(1.5 * SS))
        c.paste_layer(layer)
        c.ellipse(w / 2, 5, 3.2, 3.2, (255, 255, 240, 235))
        sheet.paste(c.finish(), (f * w, 0))
    save(sheet, "gfx\\cars\\" + name + ".png")


def dust_sheet():
    w, h, frames = 64, 64, 4
    sheet = Image.new("RGBA", (w * frames, h), (0, 0, 0, 0))
    rng = random.Random(11)
    for f in range(frames):
        c = Canvas(w, h)
        layer = c.blank_layer()
        d = ImageDraw.Draw(layer)
        for i in range(26):
            t = rng.random()
            y = 4 + t * 52
            x = w / 2 + rng.uniform(-1, 1) * (6 + t * 18)
            r = 5 + t * 9
            a = int(140 * (1 - t) + 30)
            shade = rng.randint(150, 190)
            d.ellipse([(x - r) * SS, (y - r) * SS, (x + r) * SS, (y + r) * SS],
                      fill=(shade, shade - 14, shade - 40, a))
        layer = layer.filter(ImageFilter.GaussianBlur(3 * SS))
        c.paste_layer(layer)
        sheet.paste(c.finish(), (f * w, 0))
    save(sheet, "gfx\\cars\\dust.png")


# ---------------------------------------------------------------- world objects

def tree(name, seed, base, kind):
    size = 128
    rng = random.Random(seed)
    c = Canvas(size, size)
    cx = cy = size / 2
    c.shadow(lambda d, col: d.ellipse([20 * SS, 20 * SS, 110 * SS, 110 * SS], fill=col), offset=(8, 10), blur=6,
             alpha=120)
    if kind == "round":
        for i in range(16):
            a = i / 16 * math.tau
            r = rng.uniform(30, 40)
            c.ellipse(cx + math.cos(a) * 26, cy + math.sin(a) * 26, r * 0.55, r * 0.55, darken(base, 0.15))
        c.ellipse(cx, cy, 42, 42, base + (255,))
        for i in range(22):
            a = rng.uniform(0, math.tau)
            d = rng.uniform(0, 30)
            r = rng.uniform(8, 16)
            col = lighten(base, rng.uniform(0.0, 0.25)) if math.sin(a + 2.3) > 0 else darken(base, rng.uniform(0.05, 0.2))
            c.ellipse(cx + math.cos(a) * d, cy + math.sin(a) * d, r, r, col)
    else:
        for layer_r, shade in ((48, 0.25), (38, 0.1), (26, 0.0), (14, -0.15)):
            pts = []
            for i in range(18):
                a = i / 18 * math.tau
                r = layer_r * (1.0 if i % 2 == 0 else 0.72)
                pts.append((cx + math.cos(a) * r, cy + math.sin(a) * r))
            col = darken(base, shade) if shade >= 0 else lighten(base, -shade)
            c.polygon(pts, col)
        c.ellipse(cx, cy, 4, 4, (90, 60, 30, 255))
    img = c.finish()
    save(shade_radial(img, size * 0.4, size * 0.38, size * 0.6, 0.35), "gfx\\objects\\" + name + ".png")


def bush():
    c = Canvas(64, 64)
    rng = random.Random(5)
    c.shadow(lambda d, col: d.ellipse([10 * SS, 10 * SS, 56 * SS, 56 * SS], fill=col), offset=(4, 5), blur=4)
    for i in range(12):
        a = rng.uniform(0, math.tau)
        d = rng.uniform(0, 14)
        r = rng.uniform(9, 14)
        c.ellipse(32 + math.cos(a) * d, 32 + math.sin(a) * d, r, r,
                  lighten((60, 120, 40), rng.uniform(0, 0.25)))
    for i in range(5):
        c.ellipse(rng.uniform(20, 44), rng.uniform(20, 44), 2.2, 2.2, (230, 90, 160, 255))
    save(shade_radial(c.finish(), 26, 24, 36, 0.3), "gfx\\objects\\bush.png")


def grandstand():
    w, h = 512, 128
    sheet = Image.new("RGBA", (w, h * 2), (0, 0, 0, 0))
    for f in range(2):
        rng = random.Random(31)
        c = Canvas(w, h)
        c.shadow(lambda d, col: d.rectangle([4 * SS, 4 * SS, 508 * SS, 124 * SS], fill=col), offset=(6, 8), blur=6)
        c.rect(2, 2, w - 2, h - 2, (70, 74, 84, 255))
        # rows of seats with spectators, front row towards the track (right side of the image)
        for row in range(7):
            y = 10 + row * 14
            c.rect(8, y, w - 8, y + 10, (120, 124, 136, 255))
            for k in range(62):
                x = 12 + k * 8
                if rng.random() < 0.85:
                    col = rng.choice([(220, 40, 40), (240, 240, 240), (40, 90, 200), (250, 200, 40),
                                      (30, 160, 70), (230, 120, 30), (160, 60, 170)])
                    jump = (1.2 if (k + row + f) % 3 == 0 else 0) * (1 if f else -1)
                    c.ellipse(x + 2, y + 5 + jump, 3, 3, col + (255,))
                    c.ellipse(x + 2, y + 5 + jump, 1.6, 1.6, (236, 196, 160, 255))
        c.rect(2, h - 12, w - 2, h - 2, (200, 200, 205, 255))
        for k in range(8):
            c.rect(4 + k * 64, h - 11, 4 + k * 64 + 30, h - 3, (200, 30, 40, 255))
        sheet.paste(c.finish(), (0, f * h))
    save(sheet, "gfx\\objects\\grandstand.png")


def pits():
    w, h = 512, 256
    c = Canvas(w, h)
    c.shadow(lambda d, col: d.rectangle([6 * SS, 6 * SS, 506 * SS, 250 * SS], fill=col), offset=(10, 12), blur=8)
    c.rect(4, 4, w - 4, h - 4, (180, 184, 192, 255))
    for k in range(12):
        x = 10 + k * 41.5
        c.rect(x, 10, x + 36, h - 10, (196, 200, 208, 255))
        c.line([(x + 18, 12), (x + 18, h - 12)], (170, 174, 182, 255), 1)
    c.rect(150, 80, 362, 176, (30, 40, 60, 255), radius=10)
    c.text(256, 128, "PITS", 64, (250, 250, 250, 255))
    for k in range(6):
        c.ellipse(40 + k * 86, 40, 10, 10, (120, 124, 130, 255))
        c.ellipse(40 + k * 86, 40, 6, 6, (90, 94, 100, 255))
    save(c.finish(), "gfx\\objects\\pits.png")


def tent():
    c = Canvas(128, 128)
    c.shadow(lambda d, col: d.rectangle([8 * SS, 8 * SS, 120 * SS, 120 * SS], fill=col), offset=(6, 8), blur=5)
    for i in range(8):
        col = (230, 40, 40, 255) if i % 2 == 0 else (245, 245, 245, 255)
        a0, a1 = i / 8 * math.tau - math.pi / 8, (i + 1) / 8 * math.tau - math.pi / 8
        pts = [(64, 64)]
        for t in range(9):
            a = a0 + (a1 - a0) * t / 8
            r = 56 / max(abs(math.cos(a)), abs(math.sin(a)))
            pts.append((64 + math.cos(a) * r, 64 + math.sin(a) * r))
        c.polygon(pts, col)
    c.ellipse(64, 64, 5, 5, (250, 210, 60, 255))
    save(shade_radial(c.finish(), 50, 46, 90, 0.3), "gfx\\objects\\tent.png")


def flag():
    w, h, frames = 64, 64, 4
    sheet = Image.new("RGBA", (w * frames, h), (0, 0, 0, 0))
    for f in range(frames):
        c = Canvas(w, h)
        pole = (10, 32)
        pts_top, pts_bot = [], []
        for k in range(11):
            t = k / 10
            x = pole[0] + t * 48
            wave = math.sin(t * 5.0 - f * math.pi / 2) * 4 * t
            pts_top.append((x, 20 + wave))
            pts_bot.append((x, 44 + wave))
        c.shadow(lambda d, col: d.polygon([(x * SS, y * SS) for x, y in pts_top + pts_bot[::-1]], fill=col),
                 offset=(4, 6), blur=3, alpha=90)
        for i in range(10):
            for j in range(4):
                t0, t1 = i / 10, (i + 1) / 10
                quad = [(pts_top[i][0], pts_top[i][1] + j * 6), (pts_top[i + 1][0], pts_top[i + 1][1] + j * 6),
                        (pts_top[i + 1][0], pts_top[i + 1][1] + (j + 1) * 6), (pts_top[i][0], pts_top[i][1] + (j + 1) * 6)]
                light = 0.85 + 0.15 * math.cos(t0 * 5.0 - f * math.pi / 2)
                v = 245 if (i + j) % 2 == 0 else 25
                c.polygon(quad, (int(v * light), int(v * light), int(v * light), 255))
        c.ellipse(pole[0], pole[1], 4, 4, (120, 120, 130, 255))
        c.ellipse(pole[0] - 1, pole[1] - 1, 1.8, 1.8, (230, 230, 240, 255))
        sheet.paste(c.finish(), (f * w, 0))
    save(sheet, "gfx\\objects\\flag.png")


def gantry():
    w, h = 512, 64
    c = Canvas(w, h)
    c.shadow(lambda d, col: d.rectangle([0, 14 * SS, w * SS, 50 * SS], fill=col), offset=(10, 18), blur=6, alpha=90)
    c.rect(0, 16, 26, 48, (90, 94, 104, 255))
    c.rect(w - 26, 16, w, 48, (90, 94, 104, 255))
    c.rect(20, 22, w - 20, 42, (50, 54, 64, 255))
    for k in range(24):
        x = 26 + k * 19.5
        c.line([(x, 22), (x + 19.5, 42)], (120, 124, 136, 255), 1.5)
    # The lamps are dark: the race's own start lights, over every view, count down and go green.
    c.rect(186, 14, 326, 50, (20, 20, 24, 255), radius=4)
    for k in range(5):
        c.ellipse(200 + k * 28, 32, 9, 9, (58, 22, 24, 255))
        c.ellipse(198 + k * 28, 30, 3, 3, (96, 70, 72, 255))
    save(c.finish(), "gfx\\objects\\gantry.png")


def tyre_stack():
    c = Canvas(64, 64)
    c.shadow(lambda d, col: d.ellipse([6 * SS, 6 * SS, 58 * SS, 58 * SS], fill=col), offset=(4, 5), blur=3)
    for (x, y) in ((22, 22), (42, 22), (22, 42), (42, 42)):
        c.ellipse(x, y, 11, 11, (26, 26, 28, 255))
        c.ellipse(x, y, 5, 5, (60, 60, 64, 255))
        c.ellipse(x, y, 9, 9, None, outline=(250, 250, 250, 255), width=1)
    save(c.finish(), "gfx\\objects\\tyres.png")


def checkpoint_marker():
    """Nearly invisible band: it lets the editor show and select checkpoints."""
    img = Image.new("RGBA", (64, 16), (255, 255, 255, 18))
    d = ImageDraw.Draw(img)
    for x in range(0, 64, 16):
        d.rectangle([x, 6, x + 7, 9], fill=(255, 255, 255, 40))
    save(img, "gfx\\objects\\checkpoint.png")


def cone():
    c = Canvas(32, 32)
    c.shadow(lambda d, col: d.ellipse([6 * SS, 6 * SS, 26 * SS, 26 * SS], fill=col), offset=(2, 3), blur=2)
    c.rect(5, 5, 27, 27, (230, 100, 20, 255), radius=4)
    c.ellipse(16, 16, 9, 9, (255, 130, 30, 255))
    c.ellipse(16, 16, 6, 6, (250, 250, 250, 255))
    c.ellipse(16, 16, 3.5, 3.5, (255, 140, 40, 255))
    save(c.finish(), "gfx\\objects\\cone.png")


def barrel():
    c = Canvas(64, 64)
    c.shadow(lambda d, col: d.ellipse([6 * SS, 6 * SS, 58 * SS, 58 * SS], fill=col), offset=(4, 5), blur=3)
    c.ellipse(32, 32, 26, 26, (30, 70, 170, 255))
    c.ellipse(32, 32, 22, 22, (50, 100, 210, 255))
    c.ellipse(32, 32, 22, 22, None, outline=(20, 50, 130, 255), width=2)
    c.ellipse(22, 26, 4, 4, (25, 25, 30, 255))
    c.ellipse(24, 24, 8, 5, (150, 180, 240, 140))
    save(shade_radial(c.finish(), 26, 24, 36, 0.3), "gfx\\objects\\barrel.png")


def crate():
    c = Canvas(64, 64)
    c.shadow(lambda d, col: d.rectangle([4 * SS, 4 * SS, 60 * SS, 60 * SS], fill=col), offset=(4, 5), blur=3)
    c.rect(4, 4, 60, 60, (140, 96, 48, 255))
    for k in range(5):
        c.rect(6, 6 + k * 10.6, 58, 6 + k * 10.6 + 9, (176, 126, 70, 255))
    c.rect(4, 4, 60, 60, None, outline=(96, 62, 28, 255), width=3)
    c.line([(6, 6), (58, 58)], (110, 74, 36, 255), 4)
    save(c.finish(), "gfx\\objects\\crate.png")


def barrier():
    w, h = 256, 64
    c = Canvas(w, h)
    c.shadow(lambda d, col: d.rectangle([0, 8 * SS, w * SS, 56 * SS], fill=col), offset=(4, 6), blur=4)
    c.rect(0, 8, w, 56, (170, 172, 176, 255))
    c.rect(0, 14, w, 50, (196, 198, 202, 255))
    for k in range(8):
        col = (210, 30, 40, 255) if k % 2 == 0 else (245, 245, 245, 255)
        c.rect(k * 32, 24, k * 32 + 32, 40, col)
    c.line([(0, 8), (w, 8)], (120, 122, 128, 255), 2)
    save(c.finish(), "gfx\\objects\\barrier.png")


def tyre_wall():
    w, h = 128, 32
    c = Canvas(w, h)
    c.shadow(lambda d, col: d.rectangle([0, 2 * SS, w * SS, 30 * SS], fill=col), offset=(3, 4), blur=3)
    for k in range(8):
        x = 8 + k * 16
        c.ellipse(x, 16, 8, 13, (24, 24, 26, 255))
        c.ellipse(x, 16, 4, 7, (58, 58, 62, 255))
    c.rect(0, 13, w, 19, (40, 90, 200, 255))
    save(c.finish(), "gfx\\objects\\tyrewall.png")


# ---------------------------------------------------------------- particles

def particle(name, color, size=32, soft=True, kind="blob", seed=1):
    rng = random.Random(seed)
    c = Canvas(size, size)
    layer = c.blank_layer()
    d = ImageDraw.Draw(layer)
    m = size / 2
    if kind == "blob":
        for i in range(7):
            x, y = m + rng.uniform(-5, 5) * size / 32, m + rng.uniform(-5, 5) * size / 32
            r = rng.uniform(5, 9) * size / 32
            d.ellipse([(x - r) * SS, (y - r) * SS, (x + r) * SS, (y + r) * SS], fill=color + (150,))
        layer = layer.filter(ImageFilter.GaussianBlur(2.5 * SS * size / 32))
    elif kind == "bits":
        for i in range(6):
            x, y = m + rng.uniform(-9, 9) * size / 32, m + rng.uniform(-9, 9) * size / 32
            r = rng.uniform(1.5, 3) * size / 32
            shade = rng.uniform(0.8, 1.15)
            col = tuple(min(255, int(v * shade)) for v in color) + (255,)
            pts = [(x + math.cos(a) * r * rng.uniform(0.6, 1.4), y + math.sin(a) * r * rng.uniform(0.6, 1.4))
                   for a in np.linspace(0, math.tau, 6, endpoint=False)]
            d.polygon([(px * SS, py * SS) for px, py in pts], fill=col)
    elif kind == "spark":
        d.ellipse([(m - 9) * SS, (m - 9) * SS, (m + 9) * SS, (m + 9) * SS], fill=color + (120,))
        layer = layer.filter(ImageFilter.GaussianBlur(3 * SS))
        d = ImageDraw.Draw(layer)
        d.ellipse([(m - 3.5) * SS, (m - 3.5) * SS, (m + 3.5) * SS, (m + 3.5) * SS], fill=(255, 255, 230, 255))
    c.paste_layer(layer)
    save(c.finish(), "gfx\\particles\\" + name + ".png")


def countdown_sheet():
    w = 256
    sheet = Image.new("RGBA", (w * 4, w), (0, 0, 0, 0))
    items = [("GO!", (60, 220, 90)), ("1", (250, 200, 40)), ("2", (250, 140, 40)), ("3", (240, 60, 50))]
    for f, (txt, col) in enumerate(items):
        c = Canvas(w, w)
        size = 150 if len(txt) == 1 else 104
        layer = c.blank_layer()
        ImageDraw.Draw(layer).text((w / 2 * SS + 6 * SS, w / 2 * SS + 8 * SS), txt, anchor="mm",
                                   font=__import__("common").font(size * SS), fill=(0, 0, 0, 160))
        c.paste_layer(layer.filter(ImageFilter.GaussianBlur(5 * SS)))
        c.text(w / 2, w / 2, txt, size, col + (255,), stroke=6, stroke_fill=(20, 20, 28, 255))
        c.text(w / 2, w / 2 - 3, txt, size, lighten(col, 0.25)[:3] + (255,), stroke=0)
        sheet.paste(c.finish(), (f * w, 0))
    save(sheet, "gfx\\hud\\countdown.png")


def main():
    for style in STYLES:
        car_sheet(style)
    car_sheet("cadillac", "cadillac_sheet")
    marker()
    flame_sheet("flame_blue", (230, 240, 255), (40, 80, 255))
    flame_sheet("flame_orange", (255, 250, 200), (255, 90, 10))
    dust_sheet()
    tree("tree_round", 1, (46, 110, 40), "round")
    tree("tree_dark", 2, (34, 86, 44), "round")
    tree("tree_pine", 3, (30, 90, 60), "pine")
    bush()
    grandstand()
    pits()
    tent()
    flag()
    gantry()
    tyre_stack()
    checkpoint_marker()
    cone()
    barrel()
    crate()
    barrier()
    tyre_wall()
    particle("smoke", (200, 200, 205), seed=1)
    particle("dust", (196, 170, 120), seed=2)
    particle("grass", (60, 150, 40), kind="bits", seed=3)
    particle("sand", (220, 190, 120), kind="bits", seed=4)
    particle("mud", (90, 56, 26), kind="blob", seed=5)
    particle("boost", (60, 220, 255), kind="spark", seed=6)
    particle("spark", (255, 200, 60), kind="spark", seed=7)
    particle("debris", (70, 70, 76), kind="bits", seed=8)
    countdown_sheet()


if __name__ == "__main__":
    main()
