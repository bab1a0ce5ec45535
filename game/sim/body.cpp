#include "game/sim/body.h"

#include <cmath>

#include "engine/ini.h"
#include "engine/log.h"

void ASP_Body::SetPosition(double px, double py) {
    x = px;
    y = py;
    Moved();
}

void ASP_Body::SetSize(double w, double h) {
    width = w >= 0.0 ? w : width;
    height = h >= 0.0 ? h : height;
    motion.SetExtent(width, height);
    Moved();
}

void ASP_Body::SetRotation(double degrees) {
    if (!std::isfinite(degrees)) {
        return;
    }
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0.0) {
        degrees += 360.0;
    }
    rotation = degrees >= 360.0 ? 0.0 : degrees;
    Moved();
}

void ASP_Body::SetRotationCenter(double cx, double cy) {
    rotX = cx;
    rotY = cy;
    Moved();
}

CBodyPose ASP_Body::Pose() const {
    return CBodyPose{Point(x, y), width, height, rotation, Pivot(), 1.0};
}

Point ASP_Body::ToLocal(Point world) const {
    Point local = world - Point(x, y);
    RotatePoint(local, Pivot(), -rotation);
    return local;
}

const Quad& ASP_Body::Outline() const {
    if (!outlineKnown) {
        outline = Pose().Outline();
        box = BoundsOf(outline);
        outlineKnown = true;
    }
    return outline;
}

const Bounds& ASP_Body::Box() const {
    Outline();
    return box;
}

void ASP_Body::Integrate(double dt) {
    previousX = x;
    previousY = y;
    previousRotation = rotation;
    if (motion.GetVelocity() != Point(0.0, 0.0)) {
        MoveBy(motion.GetVelocity() * dt);
    }
    if (motion.GetSpin() != 0.0) {
        SetRotation(rotation + motion.GetSpin() * dt);
    }
}

void ASP_Body::RestorePrevious() {
    SetPosition(previousX, previousY);
    if (!motion.fixedRotation) {
        SetRotation(previousRotation);
    }
}

void ASP_Body::MoveBy(Point offset) {
    SetPosition(x + offset.x, y + offset.y);
}

bool CanCollide(const ASP_Body& a, const ASP_Body& b) {
    const CRigidBody& ma = a.motion;
    const CRigidBody& mb = b.motion;
    // Two walls that overlap have nothing to exchange and nowhere to go.
    return ma.collidable && mb.collidable && a.GetZ() == b.GetZ() &&
           (ma.Moves() || ma.Turns() || mb.Moves() || mb.Turns());
}

bool Collide(ASP_Body& a, ASP_Body& b, ASP_Contact* contact) {
    // The axis of least penetration tells which way the bodies part, wherever their centres lie.
    Penetration p;
    if (!FindPenetration(a.Outline(), b.Outline(), &p) || !std::isfinite(p.point.x) ||
        !std::isfinite(p.point.y)) {
        return false;
    }
    const double j =
        ExchangeImpulse(a.motion, b.motion, p.normal, p.point - a.Centre(), p.point - b.Centre());
    const auto shift = [&a, &b](Point offset) {
        if (a.motion.Moves()) {
            a.MoveBy(offset);
        }
        if (b.motion.Moves()) {
            b.MoveBy(-offset);
        }
    };
    int steps = 0;
    const int movers = (a.motion.Moves() ? 1 : 0) + (b.motion.Moves() ? 1 : 0);
    if (!PushApart(
            p.normal, p.depth, movers, shift,
            [&a, &b] { return QuadsOverlap(a.Outline(), b.Outline(), nullptr); }, &steps)) {
        Log(LOG_WARNING,
            "Bodies still overlap after " + NumberToText(steps) + " push-apart steps. Giving up.",
            "ASP_Body");
    }
    *contact = ASP_Contact{p.point, std::fabs(j)};
    return true;
}
