"""Writes dat/world0.dat (sections and keys as the game and the editor read them)
and the docs/track_preview.png picture of the whole circuit."""
import math
import os
import random
import re
import types
from PIL import Image, ImageDraw

import track as T
from common import DATA, ROOT, data_path


def world_names():
    """The world file's section and key names: the table track/world_keys.def that the game and
    the editor compile in, so a name changed there changes here too."""
    with open(os.path.join(ROOT, "track", "world_keys.def")) as f:
        found = re.findall(r'^WORLD_NAME\((\w+), "([^"]*)"\)', f.read(), re.M)
    return types.SimpleNamespace(**dict(found))


K = world_names()


def num(v):
    """Numbers as the game's own writer formats them (C %g)."""
    return "%g" % v


class IniWriter:
    def __init__(self):
        self.sections = []

    def section(self, name, items):
        self.sections.append((name, items))

    def text(self):
        out = []
        for name, items in self.sections:
            out.append("[%s]" % name)
            for k, v in items:
                if isinstance(v, bool):
                    v = "1" if v else "0"
                elif isinstance(v, (int, float)):
                    v = num(v)
                out.append("%s=%s" % (k, v))
            out.append("")
        return "\r\n".join(out)


# texture, tile (frame) size, frame count
OBJECTS = {
    "tree_round": ("gfx\\objects\\tree_round.png", 128, 128, 1),
    "tree_dark": ("gfx\\objects\\tree_dark.png", 128, 128, 1),
    "tree_pine": ("gfx\\objects\\tree_pine.png", 128, 128, 1),
    "bush": ("gfx\\objects\\bush.png", 64, 64, 1),
    "grandstand": ("gfx\\objects\\grandstand.png", 512, 128, 2),
    "pits": ("gfx\\objects\\pits.png", 512, 256, 1),
    "tent": ("gfx\\objects\\tent.png", 128, 128, 1),
    "flag": ("gfx\\objects\\flag.png", 64, 64, 4),
    "gantry": ("gfx\\objects\\gantry.png", 512, 64, 1),
    "tyres": ("gfx\\objects\\tyres.png", 64, 64, 1),
    "checkpoint": ("gfx\\objects\\checkpoint.png", 64, 16, 1),
    "cone": ("gfx\\objects\\cone.png", 32, 32, 1),
    "barrel": ("gfx\\objects\\barrel.png", 64, 64, 1),
    "crate": ("gfx\\objects\\crate.png", 64, 64, 1),
    "barrier": ("gfx\\objects\\barrier.png", 256, 64, 1),
    "tyrewall": ("gfx\\objects\\tyrewall.png", 128, 32, 1),
}


class Obj:
    def __init__(self, kind, cx, cy, w, h, angle=0.0, z=0.0, anim_speed=0.0, anim_pos=0, **extra):
        self.kind, self.cx, self.cy, self.w, self.h = kind, cx, cy, w, h
        self.angle, self.z, self.anim_speed, self.anim_pos, self.extra = angle % 360, z, anim_speed, anim_pos, extra

    def keys(self):
        tex, tw, th, frames = OBJECTS[self.kind]
        items = [(K.kX, round(self.cx - self.w / 2, 2)), (K.kY, round(self.cy - self.h / 2, 2)), (K.kZ, self.z),
                 (K.kWidth, self.w), (K.kHeight, self.h), (K.kRotX, 0.5), (K.kRotY, 0.5),
                 (K.kAngle, round(self.angle, 3)), (K.kTexture, tex), (K.kTileWidth, tw),
                 (K.kTileHeight, th), (K.kAnimStart, 0), (K.kAnimEnd, frames - 1)]
        if frames > 1:
            items += [(K.kAnimPos, self.anim_pos), (K.kAnimSpeed, self.anim_speed)]
        return items


def clearance(p, own_index):
    """Distance from p to the nearest part of the track that is not the section around own_index."""
    best = 1e9
    for i in range(0, T.N, 2):
        if min(abs(i - own_index), T.N - abs(i - own_index)) * 8 < 900:
            continue
        best = min(best, math.dist(p, T.CENTRE[i]))
    return best


def checkpoints():
    out = []
    for k, i in enumerate(T.checkpoint_indices()):
        cx, cy = T.CENTRE[i]
        tx, ty = T.tangent(i)
        room = clearance((cx, cy), i) - (T.ROAD_HALF + T.KERB) - 40
        width = min(T.CHECKPOINT_WIDTH, 2 * room)
        if k == 0:
            cy = T.FINISH_Y - 10
        o = Obj("checkpoint", cx, cy, width, T.CHECKPOINT_DEPTH, T.rotation_for_direction(tx, ty), z=-0.9)
        o.extra = dict(isFinish=(k == 0), index=k)
        out.append(o)
    return out


def free_spot(p, taken, radius):
    return all(math.dist(p, q) > radius + r for q, r in taken)


def statics(surf):
    rng = random.Random(12)
    objs, taken = [], []

    def add(o, r):
        objs.append(o)
        taken.append(((o.cx, o.cy), r))

    # start straight: stands facing the track, pits opposite, gantry over the line
    for cy in (1130, 2330):
        add(Obj("grandstand", 190, cy, 512, 128, angle=90, anim_speed=1.5, anim_pos=(cy // 10) % 2), 270)
    add(Obj("pits", 1000, 1560, 512, 256, angle=90), 300)
    add(Obj("gantry", 560, T.FINISH_Y - 10, 520, 64, z=0.8), 0)
    for x in (300, 822):
        add(Obj("flag", x, T.FINISH_Y - 10, 64, 64, anim_speed=7, anim_pos=x % 4), 40)
    for cy in (1110, 1300, 1460):
        add(Obj("tent", 1260, cy + 200, 128, 128, angle=rng.choice((0, 45))), 90)
    # flags and tyre stacks on the outside of the corners, clear of the gravel
    for i in range(0, T.N, 9):
        c = T.curvature(i)
        if abs(c) > 0.45 and rng.random() < 0.5:
            side = -1 if c > 0 else 1
            p = T.offset(i, side * (T.ROAD_HALF + T.KERB + 340))
            if 60 < p[0] < T.WORLD_W - 60 and 60 < p[1] < T.WORLD_H - 60 and free_spot(p, taken, 60) \
                    and T.distance_to_centre(p) > T.ROAD_HALF + 300:
                kind = "flag" if rng.random() < 0.5 else "tyres"
                add(Obj(kind, p[0], p[1], 64, 64, angle=rng.uniform(0, 360) if kind == "tyres" else 0,
                        anim_speed=6, anim_pos=rng.randint(0, 3)), 50)
    # trees and bushes on open grass
    tries = 0
    count = 0
    while count < 140 and tries < 6000:
        tries += 1
        p = (rng.uniform(70, T.WORLD_W - 70), rng.uniform(70, T.WORLD_H - 70))
        if T.distance_to_centre(p) < T.ROAD_HALF + T.KERB + 170:
            continue
        if tuple(surf[int(p[1]), int(p[0])]) != T.SURF_GRASS:
            continue
        if not free_spot(p, taken, 70):
            continue
        if rng.random() < 0.25:
            s = rng.uniform(44, 64)
            add(Obj("bush", p[0], p[1], s, s, angle=rng.uniform(0, 360)), s / 2)
        else:
            kind = rng.choice(("tree_round", "tree_dark", "tree_pine"))
            s = rng.uniform(110, 170)
            add(Obj(kind, p[0], p[1], s, s, angle=rng.uniform(0, 360)), s / 2.2)
        count += 1
    return objs, taken


def physics(taken):
    rng = random.Random(21)
    objs = []
    W, H = T.WORLD_W, T.WORLD_H
    # concrete walls round the edge of the world
    for x in range(0, W, 256):
        for y in (32 - 32, H - 64):
            objs.append(Obj("barrier", x + 128, y + 32, 256, 64, mass=100000, bounce=0.3, fixedPos=True, fixedRot=True))
    for y in range(64, H - 64, 256):
        h = min(256, H - 64 - y)
        for x in (32, W - 32):
            objs.append(Obj("barrier", x, y + h / 2, h, 64, angle=90, mass=100000, bounce=0.3,
                            fixedPos=True, fixedRot=True))
    # tyre walls behind the gravel of the sharp corners
    last = None
    for i in range(0, T.N, 3):
        c = T.curvature(i)
        if abs(c) < 0.55:
            continue
        side = -1 if c > 0 else 1
        p = T.offset(i, side * (T.ROAD_HALF + T.KERB + 330))
        if last is not None and math.dist(p, last) < 125:
            continue
        if not (80 < p[0] < W - 80 and 80 < p[1] < H - 80):
            continue
        if T.distance_to_centre(p) < T.ROAD_HALF + T.KERB + 250 or not free_spot(p, taken, 70):
            continue
        tx, ty = T.tangent(i)
        objs.append(Obj("tyrewall", p[0], p[1], 128, 32, angle=T.rotation_for_direction(-ty, tx),
                        mass=100000, bounce=0.6, fixedPos=True, fixedRot=True))
        last = p
    # cones marking the apexes; barrels and crates that can be knocked about
    for i in range(0, T.N, 5):
        c = T.curvature(i)
        if abs(c) > 0.5 and (i // 5) % 3 == 0:
            side = 1 if c > 0 else -1
            p = T.offset(i, side * (T.ROAD_HALF + T.KERB + 40))
            if T.distance_to_centre(p) > T.ROAD_HALF + T.KERB + 20 and free_spot(p, taken, 30):
                objs.append(Obj("cone", p[0], p[1], 30, 30, angle=rng.uniform(0, 360), mass=150, bounce=0.5))
    for k, (dx, dy) in enumerate(((0, 0), (70, 0), (35, 60), (0, 120), (70, 120))):
        objs.append(Obj("barrel", 1300 + dx, 2200 + dy, 56, 56, mass=300, bounce=0.4))
    for k, (dx, dy) in enumerate(((0, 0), (0, 70), (70, 35))):
        objs.append(Obj("crate", 1190 + dx, 1140 + dy, 60, 60, angle=rng.uniform(-10, 10), mass=400, bounce=0.2))
    for k in range(6):
        i = (T.finish_index() + 60 + k * 4) % T.N
        p = T.offset(i, T.ROAD_HALF + T.KERB + 50)
        objs.append(Obj("cone", p[0], p[1], 30, 30, mass=150, bounce=0.5))
    for k in range(4):
        objs.append(Obj("barrel", 2880 + k * 66, 1760, 56, 56, mass=300, bounce=0.4))
    return objs


def emitter(prefix, texture, size, life, force, alpha, count_sizes=(0.6, 1.4), angle=25, spin=120):
    part = [(K.kFadeOut, round(life * 0.6, 3)), (K.kFadeIn, 0.05), (K.kLife, life), (K.kParticleFriction, 0),
            (K.kMassMax, 1), (K.kMassMin, 1), (K.kRotMax, spin), (K.kRotMin, -spin),
            (K.kForceMax, force[1]), (K.kForceMin, force[0]), (K.kAlphaMax, alpha[1]), (K.kAlphaMin, alpha[0]),
            (K.kAngleMax, angle), (K.kAngleMin, -angle), (K.kSizeMax, count_sizes[1]),
            (K.kSizeMin, count_sizes[0]), (K.kDYMax, 8), (K.kDYMin, 0), (K.kDXMax, 8), (K.kDXMin, 0),
            (K.kPrototypes, 1)]
    prot = [(K.kTexture, texture), (K.kWidth, size), (K.kHeight, size), (K.kTileWidth, 32), (K.kTileHeight, 32),
            (K.kAnimStart, 0), (K.kAnimEnd, 0), (K.kAnimSpeed, 0)]
    return [(prefix + K.kEmitterSuffix, part), (prefix + K.kPrototypeSuffix + "0", prot)]


# Objects a car must not drive through: written as fixed bodies, so they are solid and drawn on the
# cars' layer instead of over them.
SOLID_KINDS = ("grandstand", "pits", "tent", "tree_round", "tree_dark", "tree_pine", "tyres", "flag")

# Tyres on loose ground, by particle texture.
SURFACE_SOUNDS = {"grass": "snd\\grass.wav", "sand": "snd\\sand.wav", "mud": "snd\\mud.wav", "dust": "snd\\sand.wav"}

# colour, accel, brake, frict, activeAccel, topSpeed, particle texture, size, life, force, alpha.
# activeAccel acts at each of a car's four wheels: drags stay well below the weakest car's drive
# force on that surface: the slowest car must get out of the deepest sand or mud within about three
# seconds at full throttle.
MODIFIERS = [
    (T.SURF_ASPHALT, 1.0, 1.0, 1.0, 0, 1.0, "smoke", 30, 0.9, (20, 60), (25, 60)),
    (T.SURF_KERB, 1.0, 1.0, 0.9, 0, 0.95, "smoke", 30, 0.9, (20, 60), (30, 70)),
    (T.SURF_GRASS, 0.6, 0.8, 0.6, -8000, 0.55, "grass", 26, 0.7, (60, 160), (170, 255)),
    (T.SURF_SAND, 0.7, 0.6, 0.5, -5000, 0.5, "sand", 26, 0.8, (60, 180), (180, 255)),
    (T.SURF_MUD, 0.7, 0.6, 0.4, -4000, 0.55, "mud", 32, 1.0, (50, 140), (160, 240)),
    (T.SURF_BOOST, 1.4, 1.0, 1.0, 60000, 1.5, "boost", 30, 0.5, (100, 220), (180, 255)),
    ((0, 0, 0), 0.4, 0.6, 0.6, -15000, 0.4, "dust", 30, 0.8, (40, 120), (120, 200)),
]


def racing_line_keys(points):
    """The section the game's computer cars follow; older readers skip it."""
    items = [(K.kPointCount, len(points))]
    for i, (x, y) in enumerate(points):
        items += [(K.kX + str(i), round(x, 1)), (K.kY + str(i), round(y, 1))]
    return items


def write_world(rel, header, music, starts, tiles, modifiers, stat, cps, phys, line):
    """A world file: the grid, tiles, surface modifiers with their particles, objects, racing line."""
    ini = IniWriter()
    # Trees, stands and the like are fixed bodies: cars hit them instead of driving through.
    placed = stat
    stat = [o for o in placed if o.kind not in SOLID_KINDS]
    solid = [o for o in placed if o.kind in SOLID_KINDS]
    for o in solid:
        o.extra.update(mass=100000, bounce=0.3, fixedPos=True, fixedRot=True)
    phys = phys + solid
    ini.section(K.kMain, [(K.kLaps, 3), (K.kRequiredCheckpoints, len(cps)), (K.kMusic, music),
                          (K.kFinishTimeout, 45), (K.kStartCount, len(starts)), (K.kTileCount, len(tiles)),
                          (K.kModifierCount, len(modifiers)), (K.kStaticCount, len(stat)),
                          (K.kCheckpointCount, len(cps)), (K.kPhysicsCount, len(phys))])
    for i, (x, y) in enumerate(starts):
        ini.section(K.kStartPrefix + str(i), [(K.kX, x), (K.kY, y), (K.kRotation, 0)])
    for i, (tex, sm, x, y) in enumerate(tiles):
        ini.section(K.kTilePrefix + str(i), [(K.kTexture, tex), (K.kX, x), (K.kY, y), (K.kSurface, sm)])
    for i, (col, acc, brk, fr, act, top, ptex, psize, life, force, alpha) in enumerate(modifiers):
        ini.section(K.kModifierPrefix + str(i),
                    [(K.kRed, col[0]), (K.kGreen, col[1]), (K.kBlue, col[2]), (K.kAccel, acc), (K.kBrake, brk),
                     (K.kFriction, fr), (K.kActiveAccel, act), (K.kTopSpeed, top)]
                    + ([(K.kSound, SURFACE_SOUNDS[ptex])] if ptex in SURFACE_SOUNDS else []))
        for name, items in emitter(K.kModifierPrefix + str(i), "gfx\\particles\\%s.png" % ptex, psize, life,
                                   force, alpha):
            ini.sections.append((name, items))
    for i, o in enumerate(stat):
        ini.section(K.kStaticPrefix + str(i), o.keys())
    for i, o in enumerate(cps):
        ini.section(K.kCheckpointPrefix + str(i),
                    o.keys() + [(K.kIsFinish, o.extra["isFinish"]), (K.kIndex, o.extra["index"])])
    for i, o in enumerate(phys):
        e = o.extra
        ini.section(K.kPhysicsPrefix + str(i), o.keys() + [(K.kMass, e["mass"]), (K.kBounce, e["bounce"]),
                                                           (K.kFixedPosition, e.get("fixedPos", False)),
                                                           (K.kFixedRotation, e.get("fixedRot", False))])
    ini.section(K.kRacingLine, racing_line_keys(line))
    with open(data_path(rel), "w", newline="") as f:
        f.write(header + ini.text())


def write(tiles, surf):
    stat, taken = statics(surf)
    cps = checkpoints()
    phys = physics(taken)
    header = "; Asphaltia circuit \"Green Valley\". Generated by tools/data/gen_world.py; edit with the world editor\r\n"
    write_world("dat\\world0.dat", header, "mus\\asphalt_groove.ogg", T.start_positions(), tiles, MODIFIERS,
                stat, cps, phys, T.racing_line())
    return stat + cps + phys


def preview(ground, objects):
    img = ground.convert("RGBA")
    for o in sorted(objects, key=lambda o: o.z):
        tex, tw, th, frames = OBJECTS[o.kind]
        src = Image.open(os.path.join(DATA, *tex.split("\\"))).convert("RGBA")
        src = src.crop((0, 0, tw, th)).resize((max(1, int(o.w)), max(1, int(o.h))), Image.LANCZOS)
        if o.kind == "checkpoint":
            src = Image.new("RGBA", src.size, (255, 255, 0, 90))
        rotated = src.rotate(o.angle, expand=True, resample=Image.BICUBIC)
        img.alpha_composite(rotated, (int(o.cx - rotated.width / 2), int(o.cy - rotated.height / 2)))
    car = Image.open(os.path.join(DATA, "gfx", "cars", "red.png")).convert("RGBA").crop((0, 0, 64, 128))
    car = car.resize((T.CAR_W, T.CAR_H), Image.LANCZOS)
    for (x, y) in T.start_positions():
        img.alpha_composite(car, (int(x), int(y)))
    d = ImageDraw.Draw(img)
    for k, o in enumerate(o for o in objects if o.kind == "checkpoint"):
        d.text((o.cx - 20, o.cy - 60), "CP %d" % o.extra["index"], fill=(255, 255, 0, 255),
               font=__import__("common").font(48))
    out = img.resize((T.WORLD_W // 4, T.WORLD_H // 4), Image.LANCZOS).convert("RGB")
    os.makedirs(os.path.join(ROOT, "docs"), exist_ok=True)
    out.save(os.path.join(ROOT, "docs", "track_preview.png"), optimize=True)
