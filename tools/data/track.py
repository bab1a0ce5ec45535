"""Geometry of the shipped circuit: centre line, road edges, checkpoints, grid.

Shared by the ground renderer, the world-file writer and the preview so that
the painted road, the surface map and the checkpoints can never disagree.
"""
import math

WORLD_W, WORLD_H = 4096, 3072
TILE = 1024
ROAD_HALF = 210          # half the asphalt width in world pixels
KERB = 26                # kerb band outside the asphalt
CAR_W, CAR_H = 80, 160

# Clockwise loop; the grid sits on the left straight, cars face up (rotation 0),
# which is where the race start push sends them.
CONTROL = [
    (560, 2250), (560, 1500), (560, 950), (720, 560), (1250, 420),
    (1900, 620), (2550, 430), (3250, 430), (3640, 760), (3560, 1220),
    (3100, 1420), (2450, 1380), (2150, 1720), (2450, 2080), (3200, 2060),
    (3620, 2330), (3480, 2720), (2800, 2800), (1700, 2700), (1000, 2790),
    (640, 2620),
]


def catmull_rom(points, per_segment=60):
    out = []
    n = len(points)
    for i in range(n):
        p0, p1, p2, p3 = (points[(i - 1) % n], points[i], points[(i + 1) % n],
                          points[(i + 2) % n])
        for s in range(per_segment):
            t = s / per_segment
            t2, t3 = t * t, t * t * t
            x = 0.5 * ((2 * p1[0]) + (-p0[0] + p2[0]) * t
                       + (2 * p0[0] - 5 * p1[0] + 4 * p2[0] - p3[0]) * t2
                       + (-p0[0] + 3 * p1[0] - 3 * p2[0] + p3[0]) * t3)
            y = 0.5 * ((2 * p1[1]) + (-p0[1] + p2[1]) * t
                       + (2 * p0[1] - 5 * p1[1] + 4 * p2[1] - p3[1]) * t2
                       + (-p0[1] + 3 * p1[1] - 3 * p2[1] + p3[1]) * t3)
            out.append((x, y))
    return out


def resample(points, step=8.0):
    """Evenly spaced points along the closed polyline."""
    pts = points + [points[0]]
    out = [pts[0]]
    carry = 0.0
    for a, b in zip(pts, pts[1:]):
        seg = math.dist(a, b)
        d = step - carry
        while d <= seg:
            t = d / seg
            out.append((a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t))
            d += step
        carry = seg - (d - step)
    if math.dist(out[-1], out[0]) < step * 0.5:
        out.pop()
    return out


CENTRE = resample(catmull_rom(CONTROL))
N = len(CENTRE)


def tangent(i):
    a, b = CENTRE[(i - 1) % N], CENTRE[(i + 1) % N]
    dx, dy = b[0] - a[0], b[1] - a[1]
    l = math.hypot(dx, dy)
    return dx / l, dy / l


def normal(i):
    """Unit vector to the right of the driving direction (outside of a clockwise loop)."""
    tx, ty = tangent(i)
    return -ty, tx


def curvature(i, span=12):
    """Signed turn in radians over +-span samples; positive = turning right."""
    a = tangent((i - span) % N)
    b = tangent((i + span) % N)
    return math.atan2(a[0] * b[1] - a[1] * b[0], a[0] * b[0] + a[1] * b[1])


def offset(i, d):
    nx, ny = normal(i)
    x, y = CENTRE[i]
    return x + nx * d, y + ny * d


def edge(d):
    return [offset(i, d) for i in range(N)]


def nearest_index(p):
    return min(range(N), key=lambda i: (CENTRE[i][0] - p[0]) ** 2 + (CENTRE[i][1] - p[1]) ** 2)


def distance_to_centre(p):
    return min(math.dist(p, c) for c in CENTRE[::2])


def rotation_for_direction(tx, ty):
    """Sprite rotation (degrees, counter-clockwise) that points a sprite's top along (tx, ty)."""
    return math.degrees(math.atan2(-tx, -ty)) % 360.0


# Finish line just ahead of the grid on the left straight.
FINISH_Y = 1680


def finish_index():
    return min(range(N), key=lambda i: abs(CENTRE[i][1] - FINISH_Y) + abs(CENTRE[i][0] - 560))


def checkpoint_indices(count=7):
    """Checkpoint 0 is the finish; the rest are spread by arc length in driving order."""
    f = finish_index()
    return [(f + round(k * N / count)) % N for k in range(count)]


def racing_line(step=8):
    """Points along the centre line in driving order from the finish line, for the computer cars."""
    f = finish_index()
    return [CENTRE[(f + k) % N] for k in range(0, N, step)]


CHECKPOINT_WIDTH = 2 * (ROAD_HALF + KERB) + 380   # road, kerbs and run-off either side
CHECKPOINT_DEPTH = 60


# Cars a race takes at most: every track has a grid box for each.
GRID_CARS = 8
# Each car starts this far behind the one before it, in the other column: a car's length (the
# longest car is 170 pixels) and a gap before the next car of its own column.
GRID_STAGGER = 100


def staggered_grid(centre_x, first_y, half_gap):
    """Top-left corners of the grid boxes of a vertical straight driven upwards: two columns either
    side of centre_x, the pole on the left at first_y, each car half a row behind the one before."""
    return [(centre_x + (half_gap if k % 2 else -half_gap) - CAR_W / 2, float(first_y + k * GRID_STAGGER))
            for k in range(GRID_CARS)]


def start_positions():
    """The grid behind the finish line, on the left straight before it bends into the last corner."""
    return staggered_grid(560, 1800, 95)


# Surface colours of the surface maps (also the keys of the world's modifiers).
SURF_ASPHALT = (128, 128, 128)
SURF_KERB = (200, 40, 40)
SURF_GRASS = (40, 160, 40)
SURF_SAND = (230, 200, 110)
SURF_MUD = (110, 70, 30)
SURF_BOOST = (255, 0, 255)
