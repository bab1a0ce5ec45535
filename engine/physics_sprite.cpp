#include "engine/physics_sprite.h"

#include <cmath>

#include "engine/ini.h"

namespace {

const double kPi = 3.141592653589793;
const double kDegreesPerRadian = 180.0 / kPi;
// Pixels each body moves per push-apart step.
const double kPushStep = 0.05;
// 5000 pixels of travel: far more than any two overlapping bodies need. Only steps that no longer
// change the coordinates (far too large for 0.05 pixels) come this far.
const int kMaxPushSteps = 100000;

bool IsFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

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

CPhysicsSprite::CPhysicsSprite(CSprite* parent) : CImageSpriteEx(parent) {
    UpdateInertia();
}

void CPhysicsSprite::SetWidth(double v) {
    CImageSpriteEx::SetWidth(v);
    UpdateInertia();
}

void CPhysicsSprite::SetHeight(double v) {
    CImageSpriteEx::SetHeight(v);
    UpdateInertia();
}

bool CPhysicsSprite::OnCollision(CSprite* other, Point contact) {
    CPhysicsSprite& a = *this;
    if (!a.IsCollidable()) {
        return true;
    }
    auto* body = dynamic_cast<CPhysicsSprite*>(other);
    if (body == nullptr || !body->IsCollidable()) {
        return true;
    }
    CPhysicsSprite& b = *body;
    // Only bodies on the same layer collide.
    if (a.GetGlobalZ() != b.GetGlobalZ()) {
        return true;
    }

    const Point cA = a.LocalToGlobal(a.LocalCenter());
    const Point cB = b.LocalToGlobal(b.LocalCenter());
    const Point lA = a.GlobalToLocal(contact);
    const Point lB = b.GlobalToLocal(contact);
    // From B to A, not normalised.
    const Point n = cA - cB;
    // Coinciding centres give no direction to push along, and a body far outside the number range
    // none either: the pair is left alone rather than filled with NaN.
    if (n == Point(0.0, 0.0) || !IsFinite(n)) {
        return false;
    }

    const double d = Dot(a.GetPointVelocity(lA) - b.GetPointVelocity(lB), n);
    const double sign = d > 0.0 ? -1.0 : 1.0;
    const double e = (a.bounce + b.bounce) * 0.5;
    const Point rAPerp = Perpendicular(contact - cA);
    const Point rBPerp = Perpendicular(contact - cB);
    const double kA = Dot(rAPerp, n);
    const double kB = Dot(rBPerp, n);
    const double J = -(1.0 + e) * d;

    const double mAInv = a.InverseMass();
    const double mBInv = b.InverseMass();
    const double L = Dot(n, n) * (mAInv + mBInv);
    const double jL = J / L;
    if (a.Moves()) {
        a.SetVelocity(a.velocity + n * sign * jL / a.mass);
    }
    if (b.Moves()) {
        b.SetVelocity(b.velocity - n * sign * jL / b.mass);
    }

    const double aA = a.Turns() ? kA * kA / a.inertia : 0.0;
    const double aB = b.Turns() ? kB * kB / b.inertia : 0.0;
    const double j = J / (L + aA + aB);
    if (a.Turns()) {
        a.angularVelocity -= sign * j * kA / a.inertia * kDegreesPerRadian;
    }
    if (b.Turns()) {
        b.angularVelocity += sign * j * kB / b.inertia * kDegreesPerRadian;
    }

    a.PushApart(b, n);
    return false;
}

void CPhysicsSprite::OnUpdate(double dt) {
    previousX = GetX();
    previousY = GetY();
    previousRotation = GetRotation();
    Move(velocity.x * dt, velocity.y * dt);
    Rotate(angularVelocity * dt);
}

void CPhysicsSprite::RestorePrevious() {
    SetX(previousX);
    SetY(previousY);
    if (!IsFixedRotation()) {
        SetRotation(previousRotation);
    }
}

void CPhysicsSprite::ApplyForceAt(double fx, double fy, double dt, double px, double py) {
    ApplyForce(fx, fy, dt);
    // The point is local and unrotated while the force is taken as it is: no frame conversion.
    const Point r = Point(px, py) - LocalCenter();
    const Point rPerp = Perpendicular(r);
    if (Turns()) {
        angularVelocity += Dot(rPerp, Point(fx, fy)) * dt * kDegreesPerRadian / inertia;
    }
}

void CPhysicsSprite::ApplyForce(double fx, double fy, double dt) {
    if (!IsFixedPosition()) {
        SetVelocity(velocity + Point(fx * dt / mass, fy * dt / mass));
    }
}

void CPhysicsSprite::ApplyResistanceAt(double fx, double fy, double dt, double px, double py) {
    Point F(fx, fy);
    const Point p = ProjectOnto(GetPointVelocity(Point(px, py)), F);
    if (p == Point(0.0, 0.0)) {
        return;
    }
    if (Length(p) <= Length(F * dt / mass)) {
        // Strong enough to stop the motion along F within this step: remove it exactly.
        ApplyForceAt(-mass * p.x, -mass * p.y, 1.0, px, py);
        return;
    }
    if (SameDirection(p, F)) {
        F = -F;
    }
    ApplyForceAt(F.x, F.y, dt, px, py);
}

void CPhysicsSprite::ApplyResistance(double fx, double fy, double dt) {
    Point F(fx, fy);
    const Point p = ProjectOnto(velocity, F);
    if (p == Point(0.0, 0.0)) {
        return;
    }
    if (Length(p) <= Length(F * dt / mass)) {
        // Strong enough to stop the motion along F within this step: remove it exactly.
        ApplyForce(-mass * p.x, -mass * p.y, 1.0);
        return;
    }
    if (SameDirection(p, F)) {
        F = -F;
    }
    ApplyForce(F.x, F.y, dt);
}

bool CPhysicsSprite::IsFixedPosition() const {
    return fixedPosition;
}

void CPhysicsSprite::SetFixedPosition(bool on) {
    fixedPosition = on;
}

bool CPhysicsSprite::IsFixedRotation() const {
    return fixedRotation;
}

void CPhysicsSprite::SetFixedRotation(bool on) {
    fixedRotation = on;
}

bool CPhysicsSprite::IsCollidable() const {
    return collidable;
}

void CPhysicsSprite::SetCollidable(bool on) {
    collidable = on;
}

double CPhysicsSprite::GetMass() const {
    return mass;
}

void CPhysicsSprite::SetMass(double m) {
    if (m == 0.0 || !std::isfinite(m)) {
        return;
    }
    mass = m;
    UpdateInertia();
}

void CPhysicsSprite::SetMassDistribution(const double cornerMass[4]) {
    if (cornerMass == nullptr) {
        LogLine(LOG_WARNING, "Mass distribution without corner masses. Ignoring.");
        return;
    }
    const double total = cornerMass[0] + cornerMass[1] + cornerMass[2] + cornerMass[3];
    if (total == 0.0 || !std::isfinite(total)) {
        // Without a total mass there is no weighted mean; the centre would land on a corner.
        LogLine(LOG_WARNING, "Mass distribution with total mass " + NumberToText(total) + ". Ignoring.");
        return;
    }
    SetMass(total);
    const Point corner[4] = {Point(0.0, 1.0), Point(1.0, 1.0), Point(1.0, 0.0), Point(0.0, 0.0)};
    Point center(0.0, 0.0);
    for (int i = 0; i < 4; ++i) {
        center += corner[i] * (4.0 * cornerMass[i] / mass);
    }
    center = center / 4.0;
    SetRotationCenter(center.x, center.y);
}

double CPhysicsSprite::GetInertia() const {
    return inertia;
}

double CPhysicsSprite::GetAngularVelocity() const {
    return angularVelocity;
}

void CPhysicsSprite::SetAngularVelocity(double degreesPerSecond) {
    angularVelocity = degreesPerSecond;
}

Point CPhysicsSprite::GetVelocity() const {
    return velocity;
}

void CPhysicsSprite::SetVelocity(Point v) {
    velocity.x = std::isnan(v.x) ? 0.0 : v.x;
    velocity.y = std::isnan(v.y) ? 0.0 : v.y;
}

double CPhysicsSprite::GetBounce() const {
    return bounce;
}

void CPhysicsSprite::SetBounce(double v) {
    bounce = v;
}

Point CPhysicsSprite::GetPointVelocity(Point local) const {
    if (angularVelocity == 0.0) {
        return velocity;
    }
    const Point r = local - LocalCenter();
    const Point rPerp = Perpendicular(r);
    return velocity + rPerp * (angularVelocity / kDegreesPerRadian);
}

void CPhysicsSprite::UpdateInertia() {
    // A uniform rectangle about its centre.
    const double w = GetWidth();
    const double h = GetHeight();
    inertia = (w * w + h * h) * mass / 12.0;
}

Point CPhysicsSprite::LocalCenter() const {
    const Point c = GetRotationCenter();
    return Point(c.x * GetWidth(), c.y * GetHeight());
}

bool CPhysicsSprite::Moves() const {
    return !IsFixedPosition();
}

bool CPhysicsSprite::Turns() const {
    // A body without extent has no inertia; spinning it would divide by zero.
    return !IsFixedRotation() && inertia != 0.0;
}

double CPhysicsSprite::InverseMass() const {
    return Moves() ? 1.0 / mass : 0.0;
}

void CPhysicsSprite::PushApart(CPhysicsSprite& b, Point n) {
    const Point step = n / Length(n) * kPushStep;
    if (!Moves() && !b.Moves()) {
        return;
    }
    if (step.x == 0.0 || step.y == 0.0) {
        return;
    }
    for (int i = 0; i < kMaxPushSteps; ++i) {
        if (Moves()) {
            SetX(GetX() + step.x);
            SetY(GetY() + step.y);
        }
        if (b.Moves()) {
            b.SetX(b.GetX() - step.x);
            b.SetY(b.GetY() - step.y);
        }
        if (!Collides(&b, nullptr)) {
            return;
        }
    }
    LogLine(LOG_WARNING,
            "Bodies still overlap after " + NumberToText(kMaxPushSteps) + " push-apart steps. Giving up.");
}
