"""Paints the two extra circuits, writes their world files, the track list dat/tracks.dat and the
preview pictures of the track choice (gfx/tracks/*.png), the shipped circuit's included.

Run after gen_world.py (the Green Valley preview is made from its ground tiles).
"""
import math
import os
import random
import numpy as np
from PIL import Image, ImageDraw, ImageFilter

import track as T
from common import DATA, data_path, fractal_noise, paletted
import world_file
from world_file import OBJECTS, Obj

TILE = 1024
KERB = 24
# Textures are powers of two; the track menu shows the picture in its own 3:2 box.
PREVIEW = (256, 256)
CAR_W, CAR_H = T.CAR_W, T.CAR_H


def filleted(corners, radius, step=6.0):
    """A closed path along the polygon's sides with every corner rounded by an arc of the radius."""
    out = []
    n = len(corners)
    for k in range(n):
        p, v, q = corners[k - 1], corners[k], corners[(k + 1) % n]
        u1 = ((v[0] - p[0]) / math.dist(p, v), (v[1] - p[1]) / math.dist(p, v))
        u2 = ((q[0] - v[0]) / math.dist(v, q), (q[1] - v[1]) / math.dist(v, q))
        turn = math.atan2(u1[0] * u2[1] - u1[1] * u2[0], u1[0] * u2[0] + u1[1] * u2[1])
        t = radius * math.tan(abs(turn) / 2)
        start = (v[0] - u1[0] * t, v[1] - u1[1] * t)
        side = 1 if turn > 0 else -1
        centre = (start[0] - u1[1] * radius * side, start[1] + u1[0] * radius * side)
        a0 = math.atan2(start[1] - centre[1], start[0] - centre[0])
        steps = max(2, int(abs(turn) * radius / step))
        out += [(centre[0] + radius * math.cos(a0 + turn * s / steps),
                 centre[1] + radius * math.sin(a0 + turn * s / steps)) for s in range(steps + 1)]
    return out


class Circuit:
    """A closed road through control points, driven in point order; the grid faces up on the
    first, vertical, straight."""

    def __init__(self, centre, size, road_half, finish_y, start_x):
        self.w, self.h = size
        self.half = road_half
        self.centre = T.resample(centre)
        self.n = len(self.centre)
        self.finish_y = finish_y
        self.start_x = start_x

    def tangent(self, i):
        a, b = self.centre[(i - 1) % self.n], self.centre[(i + 1) % self.n]
        l = math.dist(a, b)
        return (b[0] - a[0]) / l, (b[1] - a[1]) / l

    def offset(self, i, d):
        tx, ty = self.tangent(i)
        x, y = self.centre[i]
        return x - ty * d, y + tx * d

    def curvature(self, i, span=10):
        a, b = self.tangent(i - span), self.tangent((i + span) % self.n)
        return math.atan2(a[0] * b[1] - a[1] * b[0], a[0] * b[0] + a[1] * b[1])

    def distance(self, p):
        return min(math.dist(p, c) for c in self.centre[::3])

    def finish_index(self):
        return min(range(self.n), key=lambda i: abs(self.centre[i][1] - self.finish_y)
                   + abs(self.centre[i][0] - self.start_x))

    def racing_line(self, step=8):
        f = self.finish_index()
        return [self.centre[(f + k) % self.n] for k in range(0, self.n, step)]

    def start_positions(self):
        return T.staggered_grid(self.start_x, self.finish_y + 130, 80)

    def band(self, width, points=None):
        """Mask of a closed band of the given width along the centre (or other points)."""
        img = Image.new("L", (self.w, self.h), 0)
        d = ImageDraw.Draw(img)
        pts = points or self.centre
        r = width / 2
        for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
            l = math.hypot(x1 - x0, y1 - y0) or 1
            nx, ny = -(y1 - y0) / l * r, (x1 - x0) / l * r
            d.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], fill=255)
            d.ellipse([x0 - r, y0 - r, x0 + r, y0 + r], fill=255)
        return img

    def blobs(self, seed, count, spread, radius, along=None):
        rng = random.Random(seed)
        img = Image.new("L", (self.w, self.h), 0)
        d = ImageDraw.Draw(img)
        for _ in range(count):
            i = rng.choice(along) if along else rng.randrange(self.n)
            x, y = self.offset(i, rng.uniform(-spread, spread))
            r = rng.uniform(*radius)
            d.ellipse([x - r, y - r, x + r, y + r], fill=255)
        return img.filter(ImageFilter.GaussianBlur(8)).point(lambda v: 255 if v > 110 else 0)

    def checkpoints(self, count=6):
        f = self.finish_index()
        out = []
        for k in range(count):
            i = (f + round(k * self.n / count)) % self.n
            cx, cy = self.centre[i]
            if k == 0:
                cy = self.finish_y
            room = min((math.dist((cx, cy), self.centre[j]) for j in range(0, self.n, 2)
                        if min(abs(j - i), self.n - abs(j - i)) * 8 > 800), default=1e9)
            width = min(2 * (self.half + KERB) + 300, 2 * (room - self.half - KERB - 30))
            tx, ty = self.tangent(i)
            o = Obj("checkpoint", cx, cy, width, 60, T.rotation_for_direction(tx, ty), z=-0.9)
            o.extra = dict(isFinish=(k == 0), index=k)
            out.append(o)
        return out


def tint(mask, color, strength=1.0):
    return np.asarray(mask, np.float32)[..., None] / 255.0 * strength, np.array(color, np.float32)


def compose(h, w, base, layers):
    img = base
    for mask, color in layers:
        m = np.asarray(mask, np.float32)[..., None] / 255.0
        img = img * (1 - m) + color * m
    return img


def surface(c, base_colour, layers):
    surf = np.zeros((c.h, c.w, 3), np.uint8)
    surf[:] = base_colour
    for mask, colour in layers:
        surf[np.asarray(mask) >= 128] = colour
    return surf


def edge_lines(c, colour_mask_width=7):
    img = Image.new("L", (c.w, c.h), 0)
    d = ImageDraw.Draw(img)
    for side in (-1, 1):
        pts = [c.offset(i, side * (c.half - 14)) for i in range(c.n)]
        d.line(pts + pts[:1], fill=255, width=colour_mask_width, joint="curve")
    return img


def finish_paint(c):
    white, black = Image.new("L", (c.w, c.h), 0), Image.new("L", (c.w, c.h), 0)
    dw, db = ImageDraw.Draw(white), ImageDraw.Draw(black)
    sq = 20
    for row in range(2):
        for col in range(int(2 * c.half / sq)):
            x0, y0 = c.start_x - c.half + col * sq, c.finish_y - sq + row * sq
            (db if (row + col) % 2 else dw).rectangle([x0, y0, x0 + sq, y0 + sq], fill=255)
    for sx, sy in c.start_positions():
        dw.rectangle([sx - 12, sy - 14, sx + CAR_W + 12, sy - 8], fill=255)
    return white, black


def grid_area(c, margin=30):
    """Mask of the road from the finish line's checkers back past the last grid box: the cars start
    on clean asphalt."""
    img = Image.new("L", (c.w, c.h), 0)
    bottom = max(y for _, y in c.start_positions()) + CAR_H + margin
    ImageDraw.Draw(img).rectangle([c.start_x - c.half, c.finish_y + 20, c.start_x + c.half, bottom], fill=255)
    return img


def corner_kerbs(c):
    red = Image.new("L", (c.w, c.h), 0)
    d = ImageDraw.Draw(red)
    for i in range(c.n):
        if abs(c.curvature(i)) > 0.22 and (i // 4) % 2 == 0:
            for side in (-1, 1):
                j = (i + 1) % c.n
                d.polygon([c.offset(i, side * (c.half - 4)), c.offset(j, side * (c.half - 4)),
                           c.offset(j, side * (c.half + KERB)), c.offset(i, side * (c.half + KERB))], fill=255)
    return red


def border_barriers(c):
    objs = []
    for x in range(0, c.w, 256):
        for y in (32, c.h - 32):
            objs.append(Obj("barrier", x + 128, y, 256, 64, mass=100000, bounce=0.3, fixedPos=True, fixedRot=True))
    for y in range(64, c.h - 64, 256):
        h = min(256, c.h - 64 - y)
        for x in (32, c.w - 32):
            objs.append(Obj("barrier", x, y + h / 2, h, 64, angle=90, mass=100000, bounce=0.3,
                            fixedPos=True, fixedRot=True))
    return objs


def scatter(c, seed, kinds, count, min_road, size, avoid=()):
    rng = random.Random(seed)
    out, tries = [], 0
    while len(out) < count and tries < count * 40:
        tries += 1
        p = (rng.uniform(90, c.w - 90), rng.uniform(90, c.h - 90))
        if c.distance(p) < c.half + KERB + min_road or any(math.dist(p, q) < size[1] for q in avoid) \
                or any(math.dist(p, (o.cx, o.cy)) < size[1] for o in out):
            continue
        s = rng.uniform(*size)
        out.append(Obj(rng.choice(kinds), p[0], p[1], s, s, angle=rng.uniform(0, 360)))
    return out


def write_world(c, key, title, music, modifiers, statics, phys, tiles):
    cps = c.checkpoints()
    header = "; Asphaltia circuit \"%s\". Generated by tools/data/gen_tracks.py; edit with the world editor\r\n" % title
    world_file.write_world("dat\\" + key + ".dat", header, music, c.start_positions(), tiles, modifiers, statics,
                           cps, phys, c.racing_line())
    return statics + cps + phys


def save_tiles(key, ground, surf):
    tiles = []
    for ty in range(surf.shape[0] // TILE):
        for tx in range(surf.shape[1] // TILE):
            box = (tx * TILE, ty * TILE, (tx + 1) * TILE, (ty + 1) * TILE)
            tex = "gfx\\tiles\\%s_ground_%d_%d.png" % (key, tx, ty)
            sm = "gfx\\tiles\\%s_surface_%d_%d.png" % (key, tx, ty)
            ground.crop(box).save(data_path(tex), optimize=True)
            paletted(Image.fromarray(surf).crop(box)).save(data_path(sm), optimize=True)
            tiles.append((tex, sm, box[0], box[1]))
    return tiles


def preview(ground, objects, key):
    img = ground.convert("RGBA")
    for o in sorted(objects, key=lambda o: o.z):
        if o.kind == "checkpoint":
            continue
        tex, tw, th, frames = OBJECTS[o.kind]
        src = Image.open(os.path.join(DATA, *tex.split("\\"))).convert("RGBA").crop((0, 0, tw, th))
        src = src.resize((max(1, int(o.w)), max(1, int(o.h)))).rotate(o.angle, expand=True)
        img.alpha_composite(src, (int(o.cx - src.width / 2), int(o.cy - src.height / 2)))
    save_preview(img, key)


def save_preview(img, key):
    img.convert("RGB").resize(PREVIEW, Image.LANCZOS).save(data_path("gfx\\tracks\\%s.png" % key), optimize=True)


SNOW, ICE, ROAD, KERB_C, PAVEMENT, WATER = (235, 240, 250), (150, 200, 255), (128, 128, 128), (200, 40, 40), \
    (90, 90, 100), (20, 40, 90)


def frost_ring():
    c = Circuit(T.catmull_rom([(420, 1650), (420, 1100), (440, 600), (650, 330), (1100, 300), (1500, 520),
                               (1900, 380), (2500, 320), (2800, 560), (2780, 1000), (2500, 1250), (2700, 1550),
                               (2500, 1850), (1500, 1850), (800, 1880), (500, 1800)]),
                (3072, 2048), 190, 800, 420)
    rng = np.random.default_rng(7)
    n1 = fractal_noise(c.h, c.w, rng)
    fine = fractal_noise(c.h, c.w, rng, scales=(6, 3), weights=(1.0, 0.7))
    road, verge, kerbs = c.band(2 * c.half), c.band(2 * (c.half + KERB)), corner_kerbs(c)
    ice = c.blobs(5, 26, c.half * 0.6, (40, 90), along=[i for i in range(c.n) if abs(c.curvature(i)) < 0.1])
    ice = Image.fromarray(np.minimum(np.asarray(ice), np.asarray(road)) * (1 - np.asarray(grid_area(c)) // 255))
    white, black = finish_paint(c)
    base = np.stack([232 + 14 * n1, 238 + 12 * n1, 250 + 5 * n1], -1) * (1 + 0.03 * fine[..., None])
    bank = np.asarray(verge.filter(ImageFilter.GaussianBlur(30)), np.float32)[..., None] / 255.0
    base = base * (1 - 0.12 * bank)
    asphalt = np.stack([96 + 10 * n1, 102 + 10 * n1, 116 + 10 * n1], -1) * (1 + 0.05 * fine[..., None])
    ground = compose(c.h, c.w, base, [(kerbs, np.array([60, 110, 200], np.float32)), (road, asphalt),
                                      (edge_lines(c), np.array([236, 240, 250], np.float32)),
                                      (ice, np.array([190, 222, 250], np.float32)),
                                      (white, np.array([240, 240, 240], np.float32)),
                                      (black, np.array([24, 24, 30], np.float32))])
    ground = Image.fromarray(np.clip(ground, 0, 255).astype(np.uint8), "RGB")
    surf = surface(c, SNOW, [(kerbs, KERB_C), (road, ROAD), (ice, ICE)])
    modifiers = [
        (ROAD, 1.0, 1.0, 0.9, 0, 1.0, "smoke", 30, 0.9, (20, 60), (25, 60)),
        (KERB_C, 1.0, 1.0, 0.85, 0, 0.95, "smoke", 30, 0.9, (20, 60), (30, 70)),
        (ICE, 0.6, 0.5, 0.35, 0, 0.95, "smoke", 26, 0.6, (20, 60), (20, 50)),
        (SNOW, 0.55, 0.7, 0.55, -9000, 0.5, "dust", 30, 0.8, (60, 160), (170, 255)),
        ((0, 0, 0), 0.4, 0.6, 0.6, -15000, 0.4, "dust", 30, 0.8, (40, 120), (120, 200)),
    ]
    statics = scatter(c, 11, ("tree_pine",), 70, 170, (110, 160))
    phys = border_barriers(c) + [Obj("barrel", 1180 + k * 64, 1130, 56, 56, mass=300, bounce=0.4) for k in range(4)]
    tiles = save_tiles("frost", ground, surf)
    objects = write_world(c, "frost", "Frost Ring", "mus\\asphalt_groove.ogg", modifiers, statics, phys, tiles)
    preview(ground, objects, "frost")


def harbour_night():
    # a city block of right angles: the start straight, a U round the warehouses, the quay
    c = Circuit(filleted([(420, 1820), (420, 330), (1000, 330), (1000, 850), (1580, 850), (1580, 330),
                          (2700, 330), (2700, 1100), (2050, 1100), (2050, 1820)], 230), (3072, 2048), 170, 800, 420)
    rng = np.random.default_rng(9)
    n1 = fractal_noise(c.h, c.w, rng, scales=(120, 40, 12), weights=(1.0, 0.6, 0.3))
    fine = fractal_noise(c.h, c.w, rng, scales=(6, 3), weights=(1.0, 0.7))
    road, kerbs = c.band(2 * c.half), corner_kerbs(c)
    # quay water along the bottom edge
    water = Image.new("L", (c.w, c.h), 0)
    ImageDraw.Draw(water).rectangle([0, 1960, c.w, c.h], fill=255)
    white, black = finish_paint(c)
    dash = Image.new("L", (c.w, c.h), 0)
    d = ImageDraw.Draw(dash)
    for i in range(0, c.n, 12):
        d.line([c.centre[i], c.centre[(i + 5) % c.n]], fill=255, width=8)
    base = np.stack([52 + 10 * n1, 52 + 10 * n1, 60 + 10 * n1], -1) * (1 + 0.06 * fine[..., None])
    asphalt = np.stack([34 + 6 * n1, 35 + 6 * n1, 42 + 6 * n1], -1) * (1 + 0.05 * fine[..., None])
    ground = compose(c.h, c.w, base, [(kerbs, np.array([200, 180, 40], np.float32)), (road, asphalt),
                                      (water, np.array([16, 34, 70], np.float32)),
                                      (dash, np.array([220, 190, 60], np.float32)),
                                      (edge_lines(c, 5), np.array([170, 170, 180], np.float32)),
                                      (white, np.array([230, 230, 230], np.float32)),
                                      (black, np.array([14, 14, 16], np.float32))])
    # street lamps: warm pools of light along the road
    yy, xx = np.mgrid[0:c.h, 0:c.w]
    light = np.zeros((c.h, c.w), np.float32)
    lamps = [c.offset(i, (c.half + 60) * (1 if (i // 40) % 2 else -1)) for i in range(0, c.n, 40)]
    for lx, ly in lamps:
        x0, x1, y0, y1 = int(max(0, lx - 320)), int(min(c.w, lx + 320)), int(max(0, ly - 320)), int(min(c.h, ly + 320))
        d2 = (xx[y0:y1, x0:x1] - lx) ** 2 + (yy[y0:y1, x0:x1] - ly) ** 2
        light[y0:y1, x0:x1] += np.exp(-d2 / (2 * 140.0 ** 2))
    ground = ground * (1 + 1.6 * np.minimum(light, 1.2)[..., None] * np.array([1.0, 0.85, 0.6], np.float32))
    ground = Image.fromarray(np.clip(ground, 0, 255).astype(np.uint8), "RGB")
    surf = surface(c, PAVEMENT, [(kerbs, KERB_C), (road, ROAD), (water, WATER)])
    modifiers = [
        (ROAD, 1.0, 1.0, 1.0, 0, 1.0, "smoke", 30, 0.9, (20, 60), (25, 60)),
        (KERB_C, 1.0, 1.0, 0.9, 0, 0.95, "smoke", 30, 0.9, (20, 60), (30, 70)),
        (PAVEMENT, 0.8, 0.9, 0.9, -4000, 0.65, "dust", 30, 0.8, (40, 120), (120, 200)),
        (WATER, 0.3, 0.5, 0.4, -20000, 0.3, "smoke", 30, 1.0, (20, 60), (60, 120)),
        ((0, 0, 0), 0.4, 0.6, 0.6, -15000, 0.4, "dust", 30, 0.8, (40, 120), (120, 200)),
    ]
    statics = scatter(c, 13, ("tent", "bush"), 18, 140, (90, 120), avoid=lamps)
    phys = border_barriers(c)
    rng2 = random.Random(17)
    for i in range(0, c.n, 6):
        k = c.curvature(i)
        if abs(k) > 0.5 and rng2.random() < 0.6:
            side = -1 if k > 0 else 1
            p = c.offset(i, side * (c.half + KERB + 90))
            if c.distance(p) > c.half + KERB + 60 and 100 < p[0] < c.w - 100 and 100 < p[1] < c.h - 100:
                phys.append(Obj("tyres", p[0], p[1], 60, 60, angle=rng2.uniform(0, 360), mass=100000,
                                bounce=0.6, fixedPos=True, fixedRot=True))
    phys += [Obj("crate", 1250 + (k % 3) * 70, 560 + (k // 3) * 70, 60, 60, mass=400, bounce=0.2) for k in range(6)]
    tiles = save_tiles("harbour", ground, surf)
    objects = write_world(c, "harbour", "Harbour Night", "mus\\asphalt_groove.ogg", modifiers, statics, phys,
                          tiles)
    preview(ground, objects, "harbour")


def green_valley_preview():
    img = Image.new("RGB", (T.WORLD_W, T.WORLD_H))
    for ty in range(T.WORLD_H // T.TILE):
        for tx in range(T.WORLD_W // T.TILE):
            tile = Image.open(data_path("gfx\\tiles\\ground_%d_%d.png" % (tx, ty)))
            img.paste(tile, (tx * T.TILE, ty * T.TILE))
    save_preview(img, "world0")


if __name__ == "__main__":
    green_valley_preview()
    frost_ring()
    harbour_night()
    with open(data_path("dat\\tracks.dat"), "w", newline="") as f:
        f.write("; Tracks of the track choice, in menu order: trackN=world file in dat\\|name|preview picture\r\n"
                "[main]\r\n"
                "track0=world0.dat|Green Valley|gfx\\tracks\\world0.png\r\n"
                "track1=frost.dat|Frost Ring|gfx\\tracks\\frost.png\r\n"
                "track2=harbour.dat|Harbour Night|gfx\\tracks\\harbour.png\r\n")
