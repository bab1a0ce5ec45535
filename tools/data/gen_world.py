"""Paints the circuit's ground tiles and surface maps and writes dat/world0.dat.

Also composes docs/track_preview.png. Run gen_sprites.py first (the preview
uses the object pictures).
"""
import math
import os
import random
import numpy as np
from PIL import Image, ImageDraw, ImageFilter

import track as T
from common import DATA, ROOT, data_path, fractal_noise, paletted

W, H = T.WORLD_W, T.WORLD_H
AA = 2  # supersampling of the ground masks


def mask_from(draw_fn):
    img = Image.new("L", (W * AA, H * AA), 0)
    draw_fn(ImageDraw.Draw(img), AA)
    return img


def to_float(img):
    small = img.resize((W, H), Image.BOX)
    return np.asarray(small, dtype=np.float32) / 255.0


def stroke(points, width):
    """A closed band of the given width: discs at every sample joined by quads
    (PIL's wide lines leave slivers between segments)."""
    r = width / 2

    def fn(d, k):
        n = len(points)
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            l = math.hypot(x1 - x0, y1 - y0) or 1
            nx, ny = -(y1 - y0) / l * r, (x1 - x0) / l * r
            d.polygon([((x0 + nx) * k, (y0 + ny) * k), ((x1 + nx) * k, (y1 + ny) * k),
                       ((x1 - nx) * k, (y1 - ny) * k), ((x0 - nx) * k, (y0 - ny) * k)], fill=255)
            d.ellipse([(x0 - r) * k, (y0 - r) * k, (x0 + r) * k, (y0 + r) * k], fill=255)
    return fn


def quads(quad_list):
    def fn(d, k):
        for q in quad_list:
            d.polygon([(x * k, y * k) for x, y in q], fill=255)
    return fn


def kerb_ranges(threshold=0.16):
    """Sample indices inside corners, each with the side the corner's outside lies on."""
    out = []
    for i in range(T.N):
        c = T.curvature(i)
        if abs(c) > threshold:
            out.append((i, c))
    return out


def build_layers():
    road = mask_from(stroke(T.CENTRE, 2 * T.ROAD_HALF))
    verge = mask_from(stroke(T.CENTRE, 2 * (T.ROAD_HALF + T.KERB)))
    kerb_idx = kerb_ranges()
    red_quads, white_quads = [], []
    for i, c in kerb_idx:
        j = (i + 1) % T.N
        for side in (-1, 1):
            a0, a1 = T.offset(i, side * T.ROAD_HALF - side * 4), T.offset(j, side * T.ROAD_HALF - side * 4)
            b0, b1 = T.offset(i, side * (T.ROAD_HALF + T.KERB)), T.offset(j, side * (T.ROAD_HALF + T.KERB))
            (red_quads if (i // 4) % 2 == 0 else white_quads).append([a0, a1, b1, b0])
    kerb_red = mask_from(quads(red_quads))
    kerb_white = mask_from(quads(white_quads))
    # gravel traps on the outside of the sharper corners
    sand_quads = []
    for i, c in kerb_idx:
        if abs(c) < 0.3:
            continue
        side = -1 if c > 0 else 1
        depth = 60 + 260 * min(1.0, (abs(c) - 0.3) / 0.4)
        j = (i + 1) % T.N
        q = [T.offset(i, side * (T.ROAD_HALF + T.KERB - 2)), T.offset(j, side * (T.ROAD_HALF + T.KERB - 2)),
             T.offset(j, side * (T.ROAD_HALF + T.KERB + depth)), T.offset(i, side * (T.ROAD_HALF + T.KERB + depth))]
        sand_quads.append(q)
    sand = mask_from(quads(sand_quads)).filter(ImageFilter.GaussianBlur(14 * AA))
    sand = sand.point(lambda v: 255 if v > 110 else 0)
    # a muddy patch spilling over the inside of the S bend
    rng = random.Random(4)
    mud_i = int(T.N * 0.585)
    blobs = []
    for k in range(16):
        i = (mud_i + rng.randint(-22, 22)) % T.N
        p = T.offset(i, rng.uniform(-40, 220))
        blobs.append((p, rng.uniform(40, 95)))

    def mud_fn(d, k):
        for (x, y), r in blobs:
            d.ellipse([(x - r) * k, (y - r) * k, (x + r) * k, (y + r) * k], fill=255)
    mud = mask_from(mud_fn).filter(ImageFilter.GaussianBlur(10 * AA)).point(lambda v: 255 if v > 120 else 0)
    # boost strip on the bottom straight (driving west)
    boost_i = min(range(T.N), key=lambda i: abs(T.CENTRE[i][0] - 2250) + abs(T.CENTRE[i][1] - 2760) * 2)
    boost_quads = []
    for i in range(boost_i, boost_i + 40):
        j = i + 1
        boost_quads.append([T.offset(i % T.N, -120), T.offset(j % T.N, -120), T.offset(j % T.N, 120),
                            T.offset(i % T.N, 120)])
    boost = mask_from(quads(boost_quads))
    chevrons = []
    for n in range(5):
        i = boost_i + 4 + n * 7
        tip = T.offset((i + 4) % T.N, 0)
        chevrons.append([T.offset(i % T.N, -90), tip, T.offset(i % T.N, 90), T.offset((i + 2) % T.N, 90),
                         T.offset((i + 6) % T.N, 0), T.offset((i + 2) % T.N, -90)])
    chevron = mask_from(quads(chevrons))
    # white edge lines and the start/finish checkers
    lines = mask_from(lambda d, k: [d.line([(x * k, y * k) for x, y in T.edge(s * (T.ROAD_HALF - 14))]
                                           + [(T.edge(s * (T.ROAD_HALF - 14))[0][0] * k,
                                               T.edge(s * (T.ROAD_HALF - 14))[0][1] * k)],
                                           fill=255, width=int(7 * k), joint="curve") for s in (-1, 1)])
    fi = T.finish_index()
    fx, fy = T.CENTRE[fi]
    checker_black, checker_white = [], []
    sq = 20
    for row in range(2):
        for col in range(int(2 * T.ROAD_HALF / sq)):
            x0 = fx - T.ROAD_HALF + col * sq
            y0 = T.FINISH_Y - sq + row * sq
            q = [(x0, y0), (x0 + sq, y0), (x0 + sq, y0 + sq), (x0, y0 + sq)]
            ((checker_black if (row + col) % 2 else checker_white)).append(q)
    grid_lines = []
    for (sx, sy) in T.start_positions():
        x0, x1, y0 = sx - 12, sx + T.CAR_W + 12, sy - 14
        grid_lines += [[(x0, y0), (x1, y0), (x1, y0 + 6), (x0, y0 + 6)],
                       [(x0, y0), (x0 + 6, y0), (x0 + 6, y0 + 50), (x0, y0 + 50)],
                       [(x1 - 6, y0), (x1, y0), (x1, y0 + 50), (x1 - 6, y0 + 50)]]
    paint_white = mask_from(quads(checker_white + grid_lines))
    paint_black = mask_from(quads(checker_black))
    return dict(road=road, verge=verge, kerb_red=kerb_red, kerb_white=kerb_white, sand=sand, mud=mud,
                boost=boost, chevron=chevron, lines=lines, paint_white=paint_white, paint_black=paint_black)


def paint(layers):
    rng = np.random.default_rng(3)
    n1 = fractal_noise(H, W, rng)
    n2 = fractal_noise(H, W, rng, scales=(180, 60, 18), weights=(1.0, 0.5, 0.25))
    fine = fractal_noise(H, W, rng, scales=(6, 3), weights=(1.0, 0.7))
    img = np.zeros((H, W, 3), np.float32)
    # grass: two greens mixed by large noise, mowing stripes, slight fine texture
    g_light = np.array([92, 150, 62], np.float32)
    g_dark = np.array([58, 112, 44], np.float32)
    mix = np.clip(0.5 + n1 * 0.9, 0, 1)[..., None]
    img[:] = g_dark + (g_light - g_dark) * mix
    yy, xx = np.mgrid[0:H, 0:W]
    stripes = ((xx + yy) // 96) % 2
    img *= (1.0 + 0.045 * (stripes[..., None] * 2 - 1))
    img *= (1.0 + 0.05 * fine[..., None])

    def blend(mask, color):
        nonlocal img
        m = to_float(mask)[..., None] if isinstance(mask, Image.Image) else mask[..., None]
        img = img * (1 - m) + color * m

    # darker grass along the verge: worn edges
    verge_soft = to_float(layers["verge"].filter(ImageFilter.GaussianBlur(40 * AA)))
    img *= (1.0 - 0.18 * verge_soft[..., None])
    # sand / gravel
    sand_col = np.stack([218 + 14 * n2, 192 + 12 * n2, 128 + 10 * n2], -1) * (1 + 0.07 * fine[..., None])
    blend(layers["sand"], sand_col)
    # kerbs
    blend(layers["kerb_red"], np.array([206, 38, 40], np.float32))
    blend(layers["kerb_white"], np.array([236, 236, 232], np.float32))
    # asphalt with a darker racing groove in the middle
    road = to_float(layers["road"])
    asphalt = np.stack([84 + 8 * n2, 86 + 8 * n2, 92 + 8 * n2], -1) * (1 + 0.06 * fine[..., None])
    img = img * (1 - road[..., None]) + asphalt * road[..., None]
    edge_shade = to_float(layers["road"].filter(ImageFilter.GaussianBlur(10 * AA)))
    img *= (0.88 + 0.12 * np.clip(edge_shade * 1.4 - 0.4, 0, 1))[..., None] * road[..., None] + (1 - road[..., None])
    blend(layers["lines"], np.array([232, 232, 228], np.float32))
    # mud on top of grass and road
    mud_col = np.stack([96 + 20 * n2, 64 + 12 * n2, 34 + 8 * n2], -1) * (1 + 0.1 * fine[..., None])
    wet = np.clip(fine * 3 - 1.6, 0, 1)[..., None]
    mud_col = mud_col * (1 - wet) + np.array([140, 110, 80], np.float32) * wet
    blend(layers["mud"], mud_col)
    blend(layers["boost"], np.array([40, 44, 60], np.float32))
    blend(layers["chevron"], np.array([255, 170, 20], np.float32))
    blend(layers["paint_white"], np.array([240, 240, 240], np.float32))
    blend(layers["paint_black"], np.array([24, 24, 26], np.float32))
    return Image.fromarray(np.clip(img, 0, 255).astype(np.uint8), "RGB")


def surface_map(layers):
    def hard(name):
        return np.asarray(layers[name].resize((W, H), Image.BOX)) >= 128
    surf = np.zeros((H, W, 3), np.uint8)
    surf[:] = T.SURF_GRASS
    surf[hard("sand")] = T.SURF_SAND
    surf[hard("kerb_red") | hard("kerb_white")] = T.SURF_KERB
    surf[hard("road")] = T.SURF_ASPHALT
    surf[hard("mud")] = T.SURF_MUD
    surf[hard("boost")] = T.SURF_BOOST
    return Image.fromarray(surf, "RGB")


def save_tiles(ground, surf):
    names = []
    for ty in range(H // T.TILE):
        for tx in range(W // T.TILE):
            box = (tx * T.TILE, ty * T.TILE, (tx + 1) * T.TILE, (ty + 1) * T.TILE)
            tex = "gfx\\tiles\\ground_%d_%d.png" % (tx, ty)
            sm = "gfx\\tiles\\surface_%d_%d.png" % (tx, ty)
            ground.crop(box).save(data_path(tex), optimize=True)
            paletted(surf.crop(box)).save(data_path(sm), optimize=True)
            names.append((tex, sm, box[0], box[1]))
    return names


if __name__ == "__main__":
    import world_file
    layers = build_layers()
    ground = paint(layers)
    surf = surface_map(layers)
    tiles = save_tiles(ground, surf)
    objects = world_file.write(tiles, np.asarray(surf))
    world_file.preview(ground, objects)
