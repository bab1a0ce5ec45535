"""A small re-statement of the car's driving model, used to tune cars.dat.

It follows the game's rules (forces at the wheels, resisting forces, soft top
speed) on uniform asphalt, so handling numbers can be checked without a window:
top speed, 0-to-speed time, braking distance and turning circle.
"""
import math
import sys


def rotate(p, pivot, deg):
    x, y = p[0] - pivot[0], p[1] - pivot[1]
    if deg == 0:
        return (x + pivot[0], y + pivot[1])
    a = deg / 180 * math.pi
    return (x * math.cos(a) + y * math.sin(a) + pivot[0], y * math.cos(a) - x * math.sin(a) + pivot[1])


class Car:
    def __init__(self, c):
        self.c = c
        self.w, self.h = c["width"], c["height"]
        self.mass = c["mass"]
        self.inertia = (self.w ** 2 + self.h ** 2) * self.mass / 12
        self.x = self.y = 0.0
        self.rot = 0.0
        self.v = [0.0, 0.0]
        self.om = 0.0
        self.piv = (0.5 * self.w, 0.5 * self.h)

    def apply_force(self, fx, fy, dt):
        self.v[0] += fx * dt / self.mass
        self.v[1] += fy * dt / self.mass

    def point_vel(self, p):
        if self.om == 0:
            return tuple(self.v)
        r = (p[0] - self.piv[0], p[1] - self.piv[1])
        rp = (-r[1], r[0])
        return (self.v[0] + rp[0] * self.om * math.pi / 180, self.v[1] + rp[1] * self.om * math.pi / 180)

    def apply_force_at(self, fx, fy, dt, px, py):
        self.apply_force(fx, fy, dt)
        r = (px - self.piv[0], py - self.piv[1])
        rp = (-r[1], r[0])
        self.om += (rp[0] * fx + rp[1] * fy) * dt * 180 / (self.inertia * math.pi)

    def resist(self, fx, fy, dt, at=None):
        vel = self.point_vel(at) if at else tuple(self.v)
        ff = fx * fx + fy * fy
        if ff == 0:
            return
        k = (vel[0] * fx + vel[1] * fy) / ff
        p = (k * fx, k * fy)
        if p == (0, 0):
            return
        lim = math.hypot(fx * dt / self.mass, fy * dt / self.mass)
        if math.hypot(*p) <= lim:
            if at:
                self.apply_force_at(-self.mass * p[0], -self.mass * p[1], 1.0, *at)
            else:
                self.apply_force(-self.mass * p[0], -self.mass * p[1], 1.0)
            return
        same = ((p[0] >= 0) == (fx >= 0) or p[0] == 0 or fx == 0) and ((p[1] >= 0) == (fy >= 0) or p[1] == 0 or fy == 0)
        if same:
            fx, fy = -fx, -fy
        if at:
            self.apply_force_at(fx, fy, dt, *at)
        else:
            self.apply_force(fx, fy, dt)

    def moving_forward(self):
        if self.v == [0.0, 0.0]:
            return False
        f = rotate((0, -1), (0, 0), self.rot)
        return f[0] * self.v[0] + f[1] * self.v[1] > 0

    def step(self, dt, fwd_key, back_key, left, right):
        c = self.c
        fwd = self.moving_forward()
        T = 0.0
        if fwd_key:
            T = -c["accel"] if (fwd or self.v == [0.0, 0.0]) else -c["brake"]
        if back_key:
            T += c["brake"] if fwd else c["reverseMod"] * c["accel"]
        for wx, wy, steer, drive in c["wheels"]:
            a = self.rot
            p = rotate((wx, wy), self.piv, a)
            w = a
            if steer:
                if left:
                    w -= c["steer"]
                if right:
                    w += c["steer"]
            if drive:
                F = rotate((0, T), (0, 0), w)
                self.apply_force_at(F[0], F[1], dt, *p)
            if not fwd_key and not back_key:
                R = rotate((0, 0.2 * c["frict"]), (0, 0), w)
                self.resist(R[0], R[1], dt, p)
            L = rotate((0, c["frict"]), (0, 0), w - 90)
            self.resist(L[0], L[1], dt, p)
        s = math.hypot(*self.v)
        if s > c["topSpeed"]:
            self.resist(2 * c["accel"] * self.v[0] / s, 2 * c["accel"] * self.v[1] / s, dt)
        if not left and not right and abs(self.om) < 5:
            self.om = 0
        self.x += self.v[0] * dt
        self.y += self.v[1] * dt
        self.rot = (self.rot + self.om * dt) % 360


def wheels(w, h, front_drive):
    fy, ry = 0.22 * h, 0.78 * h
    return [(0.12 * w, fy, True, front_drive), (0.88 * w, fy, True, front_drive),
            (0.12 * w, ry, False, not front_drive), (0.88 * w, ry, False, not front_drive)]


def report(name, c):
    dt = 1 / 60
    car = Car(c)
    t = 0
    t400 = None
    while t < 12:
        car.step(dt, True, False, False, False)
        t += dt
        if t400 is None and math.hypot(*car.v) >= 400:
            t400 = t
    vmax = math.hypot(*car.v)
    dist = 0
    while math.hypot(*car.v) > 5 and dist < 5000:
        y0 = car.y
        car.step(dt, False, True, False, False)
        dist += abs(car.y - y0)
    # turning: hold throttle + left from 400 px/s for 3 s; measure heading change and radius
    car = Car(c)
    car.v = [0, -float(c.get("turnSpeed", 600))]
    pts = []
    heading0 = car.rot
    for k in range(int(3 / dt)):
        car.step(dt, True, False, True, False)
        pts.append((car.x, car.y))
    turned = car.rot
    spd = math.hypot(*car.v)
    # radius from chord of the last second
    a, b, m = pts[-60], pts[-1], pts[-30]
    ab, bm, am = math.dist(a, b), math.dist(b, m), math.dist(a, m)
    area = abs((b[0] - a[0]) * (m[1] - a[1]) - (m[0] - a[0]) * (b[1] - a[1])) / 2
    radius = ab * bm * am / (4 * area) if area > 1e-6 else float("inf")
    print("%-9s vmax %5.0f  0-400 %4.2fs  brake-from-vmax %5.0f px  left-turn: heading %6.1f speed %4.0f radius %5.0f  x %+6.0f"
          % (name, vmax, t400 or -1, dist, turned, spd, radius, car.x))


if __name__ == "__main__":
    import json
    for name, c in json.load(open(sys.argv[1])).items():
        c = dict(c)
        c["wheels"] = wheels(c["width"], c["height"], c.get("frontDrive", False))
        report(name, c)
