#include "engine/rigid_body.h"

#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.141592653589793;
const double kDegreesPerRadian = 180.0 / kPi;
// Below these a body is at rest: a resistance that stops the motion exactly leaves residues that
// otherwise shrink for ever, until their square underflows to 0 while they are not 0 themselves.
const double kRestSpeed = 1e-6;  // pixels per second
const double kRestSpin = 1e-6;   // degrees per second

// The part of v along the line of f; (0, 0) when f has no direction.
Point ProjectOnto(Point v, Point f) {
    const double ff = Dot(f, f);
    return ff != 0.0 ? f * (Dot(v, f) / ff) : Point(0.0, 0.0);
}

}  // namespace

Point Perpendicular(Point r) {
    return Point(-r.y, r.x);
}

bool SameDirection(Point a, Point b) {
    const Point zero(0.0, 0.0);
    if (a == zero || b == zero) {
        return false;
    }
    const bool sameX = (a.x >= 0.0 && b.x >= 0.0) || (a.x <= 0.0 && b.x <= 0.0);
    const bool sameY = (a.y >= 0.0 && b.y >= 0.0) || (a.y <= 0.0 && b.y <= 0.0);
    return sameX && sameY;
}

void CRigidBody::SetMass(double m) {
    if (m == 0.0 || !std::isfinite(m)) {
        return;
    }
    mass = m;
    SetExtent(width, height);
}

void CRigidBody::SetExtent(double w, double h) {
    width = w;
    height = h;
    inertia = (w * w + h * h) * mass / 12.0;
}

void CRigidBody::SetVelocity(Point v) {
    velocity.x = std::isfinite(v.x) ? v.x : 0.0;
    velocity.y = std::isfinite(v.y) ? v.y : 0.0;
    if (std::fabs(velocity.x) < kRestSpeed && std::fabs(velocity.y) < kRestSpeed) {
        velocity = Point(0.0, 0.0);
    }
}

void CRigidBody::SetSpin(double degreesPerSecond) {
    // A spin that is not finite would turn every later force into NaN.
    spin =
        std::isfinite(degreesPerSecond) && std::fabs(degreesPerSecond) >= kRestSpin ? degreesPerSecond : 0.0;
}

void CRigidBody::ApplyForce(Point F, double dt) {
    if (Moves()) {
        SetVelocity(velocity + Point(F.x * dt / mass, F.y * dt / mass));
    }
}

void CRigidBody::ApplyForceAt(Point F, double dt, Point r) {
    ApplyForce(F, dt);
    if (Turns()) {
        SetSpin(spin + Dot(Perpendicular(r), F) * dt * kDegreesPerRadian / inertia);
    }
}

void CRigidBody::ApplyResistance(Point F, double dt) {
    const Point p = ProjectOnto(velocity, F);
    if (p == Point(0.0, 0.0)) {
        return;
    }
    if (Length(p) <= Length(F * dt / mass)) {
        // Strong enough to stop the motion along F within this step: remove it exactly.
        ApplyForce(Point(-mass * p.x, -mass * p.y), 1.0);
        return;
    }
    ApplyForce(SameDirection(p, F) ? -F : F, dt);
}

void CRigidBody::ApplyResistanceAt(Point F, double dt, Point r) {
    const Point p = ProjectOnto(PointVelocity(r), F);
    if (p == Point(0.0, 0.0)) {
        return;
    }
    if (Length(p) <= Length(F * dt / mass)) {
        ApplyForceAt(Point(-mass * p.x, -mass * p.y), 1.0, r);
        return;
    }
    ApplyForceAt(SameDirection(p, F) ? -F : F, dt, r);
}

Point CRigidBody::PointVelocity(Point r) const {
    if (spin == 0.0) {
        return velocity;
    }
    return velocity + Perpendicular(r) * (spin / kDegreesPerRadian);
}

Point CBodyPose::ToFrame(Point local) const {
    RotatePoint(local, pivot, rotation);
    return local * scale + at;
}

Quad CBodyPose::Outline() const {
    const Point local[4] = {Point(0.0, height), Point(width, height), Point(width, 0.0), Point(0.0, 0.0)};
    Quad q;
    if (rotation == 0.0) {
        for (int i = 0; i < 4; ++i) {
            q.p[i] = local[i] * scale + at;
        }
        return q;
    }
    // The turn about the pivot, with one sine and cosine for all four corners.
    const double a = rotation * kPi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    for (int i = 0; i < 4; ++i) {
        const Point d = local[i] - pivot;
        q.p[i] = (pivot + Point(d.x * c + d.y * s, d.y * c - d.x * s)) * scale + at;
    }
    return q;
}

double ExchangeImpulse(CRigidBody& a, CRigidBody& b, Point n, Point rA, Point rB) {
    // tA: how the contact point of A moves per radian per second of A's spin (positive angles
    // turn counter-clockwise on screen, with y pointing down).
    const Point tA(rA.y, -rA.x);
    const Point tB(rB.y, -rB.x);
    const Point vA = a.GetVelocity() + tA * (a.GetSpin() / kDegreesPerRadian);
    const Point vB = b.GetVelocity() + tB * (b.GetSpin() / kDegreesPerRadian);
    const double d = Dot(vA - vB, n);
    // Already parting: an impulse now could only throw them apart faster, adding energy.
    if (!(d < 0.0)) {
        return 0.0;
    }
    const double e = std::clamp((a.GetBounce() + b.GetBounce()) * 0.5, 0.0, 1.0);
    const double kA = Dot(tA, n);
    const double kB = Dot(tB, n);
    const double K =
        a.InverseMass() + b.InverseMass() + kA * kA * a.InverseInertia() + kB * kB * b.InverseInertia();
    if (!(K > 0.0)) {
        return 0.0;
    }
    const double j = -(1.0 + e) * d / K;
    if (a.Moves()) {
        a.SetVelocity(a.GetVelocity() + n * (j * a.InverseMass()));
    }
    if (b.Moves()) {
        b.SetVelocity(b.GetVelocity() - n * (j * b.InverseMass()));
    }
    if (a.Turns()) {
        a.SetSpin(a.GetSpin() + j * kA * a.InverseInertia() * kDegreesPerRadian);
    }
    if (b.Turns()) {
        b.SetSpin(b.GetSpin() - j * kB * b.InverseInertia() * kDegreesPerRadian);
    }
    return j;
}
