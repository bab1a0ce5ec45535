#include "engine/physics_sprite.h"

#include <algorithm>
#include <cmath>

#include "engine/ini.h"

namespace {

const double kPi = 3.141592653589793;
const double kDegreesPerRadian = 180.0 / kPi;
// Pixels each body moves per push-apart step.
const double kPushStep = 0.05;
// 5000 pixels of travel: far more than any two overlapping bodies need.
const int kMaxPushSteps = 100000;
// Single steps tried after the computed ones, for overlaps that rounding leaves behind.
const int kExtraPushSteps = 8;
// Below these a body is at rest: a resistance that stops the motion exactly leaves residues that
// otherwise shrink for ever, until their square underflows to 0 while they are not 0 themselves.
const double kRestSpeed = 1e-6;  // pixels per second
const double kRestSpin = 1e-6;   // degrees per second

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
    (void)contact;
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
    // Two walls that overlap have nothing to exchange and nowhere to go.
    if (!a.Moves() && !a.Turns() && !b.Moves() && !b.Turns()) {
        return false;
    }

    // Worked out in the frame the velocities live in, so that the camera's zoom and turn of the
    // screen play no part. The contact is found from the overlap itself: the axis of least
    // penetration tells which way the bodies part, wherever their centres lie.
    const CSprite* frame = a.GetParent();
    Penetration p;
    if (!FindPenetration(a.CornersIn(frame), b.CornersIn(frame), &p) || !IsFinite(p.point)) {
        return false;
    }
    const Point n = p.normal;
    const Point cA = a.InFrame(a.LocalCenter(), frame);
    const Point cB = b.InFrame(b.LocalCenter(), frame);
    a.Exchange(b, n, p.point - cA, p.point - cB);
    a.PushApart(b, n, p.depth);
    return false;
}

bool CPhysicsSprite::ReactsTo(CSprite* other) {
    const auto* body = dynamic_cast<const CPhysicsSprite*>(other);
    return IsCollidable() && body != nullptr && body->collidable && GetGlobalZ() == body->GetGlobalZ();
}

void CPhysicsSprite::OnUpdate(double dt) {
    previousX = GetX();
    previousY = GetY();
    previousRotation = GetRotation();
    // A body at rest skips the moves that would change nothing but cost a refresh of its corners.
    if (velocity != Point(0.0, 0.0)) {
        MoveBy(velocity * dt);
    }
    if (angularVelocity != 0.0) {
        Rotate(angularVelocity * dt);
    }
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
        SetSpin(angularVelocity + Dot(rPerp, Point(fx, fy)) * dt * kDegreesPerRadian / inertia);
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
    SetSpin(degreesPerSecond);
}

void CPhysicsSprite::SetSpin(double degreesPerSecond) {
    // A spin that is not finite would turn every later force into NaN.
    angularVelocity =
        std::isfinite(degreesPerSecond) && std::fabs(degreesPerSecond) >= kRestSpin ? degreesPerSecond : 0.0;
}

Point CPhysicsSprite::GetVelocity() const {
    return velocity;
}

void CPhysicsSprite::SetVelocity(Point v) {
    velocity.x = std::isfinite(v.x) ? v.x : 0.0;
    velocity.y = std::isfinite(v.y) ? v.y : 0.0;
    if (std::fabs(velocity.x) < kRestSpeed && std::fabs(velocity.y) < kRestSpeed) {
        velocity = Point(0.0, 0.0);
    }
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

Point CPhysicsSprite::InFrame(Point local, const CSprite* frame) const {
    if (GetParent() == frame) {
        RotatePoint(local, LocalCenter(), GetRotation());
        return local * GetScale() + Point(GetX(), GetY());
    }
    const Point global = LocalToGlobal(local);
    return frame != nullptr ? frame->GlobalToLocal(global) : global;
}

Quad CPhysicsSprite::CornersIn(const CSprite* frame) const {
    if (GetParent() == frame) {
        return ParentCorners();
    }
    const Quad global = GetCorners();
    Quad q;
    for (int i = 0; i < 4; ++i) {
        q.p[i] = frame != nullptr ? frame->GlobalToLocal(global.p[i]) : global.p[i];
    }
    return q;
}

Quad CPhysicsSprite::ParentCorners() const {
    const double w = GetWidth();
    const double h = GetHeight();
    const Point local[4] = {Point(0.0, h), Point(w, h), Point(w, 0.0), Point(0.0, 0.0)};
    const Point at(GetX(), GetY());
    Quad q;
    if (GetRotation() == 0.0) {
        for (int i = 0; i < 4; ++i) {
            q.p[i] = local[i] * GetScale() + at;
        }
        return q;
    }
    // The turn about the pivot, with one sine and cosine for all four corners.
    const double a = GetRotation() * kPi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const Point pivot = LocalCenter();
    for (int i = 0; i < 4; ++i) {
        const Point d = local[i] - pivot;
        q.p[i] = (pivot + Point(d.x * c + d.y * s, d.y * c - d.x * s)) * GetScale() + at;
    }
    return q;
}

void CPhysicsSprite::UpdateCorners() {
    // As the image sprite works them out, with the turn computed once: bodies move every frame.
    corners = ParentCorners();
    if (const CSprite* p = GetParent()) {
        for (Point& corner : corners.p) {
            corner = p->LocalToGlobal(corner);
        }
    }
}

double CPhysicsSprite::InverseInertia() const {
    return Turns() ? 1.0 / inertia : 0.0;
}

void CPhysicsSprite::Exchange(CPhysicsSprite& b, Point n, Point rA, Point rB) {
    CPhysicsSprite& a = *this;
    // tA: how the contact point of A moves per radian per second of A's spin (positive angles
    // turn counter-clockwise on screen, with y pointing down).
    const Point tA(rA.y, -rA.x);
    const Point tB(rB.y, -rB.x);
    const Point vA = a.velocity + tA * (a.angularVelocity / kDegreesPerRadian);
    const Point vB = b.velocity + tB * (b.angularVelocity / kDegreesPerRadian);
    const double d = Dot(vA - vB, n);
    // Already parting: an impulse now could only throw them apart faster, adding energy.
    if (!(d < 0.0)) {
        return;
    }
    const double e = std::clamp((a.bounce + b.bounce) * 0.5, 0.0, 1.0);
    const double kA = Dot(tA, n);
    const double kB = Dot(tB, n);
    const double K =
        a.InverseMass() + b.InverseMass() + kA * kA * a.InverseInertia() + kB * kB * b.InverseInertia();
    if (!(K > 0.0)) {
        return;
    }
    // One impulse j along n moves and turns both bodies, so the speed of approach at the contact
    // point turns into e times that speed of parting, and the energy never grows.
    const double j = -(1.0 + e) * d / K;
    if (a.Moves()) {
        a.SetVelocity(a.velocity + n * (j * a.InverseMass()));
    }
    if (b.Moves()) {
        b.SetVelocity(b.velocity - n * (j * b.InverseMass()));
    }
    if (a.Turns()) {
        a.SetSpin(a.angularVelocity + j * kA * a.InverseInertia() * kDegreesPerRadian);
    }
    if (b.Turns()) {
        b.SetSpin(b.angularVelocity - j * kB * b.InverseInertia() * kDegreesPerRadian);
    }
}

void CPhysicsSprite::PushApart(CPhysicsSprite& b, Point n, double depth) {
    const int movers = (Moves() ? 1 : 0) + (b.Moves() ? 1 : 0);
    if (movers == 0) {
        return;
    }
    // Steps of kPushStep each until the outlines part: along the normal the depth shrinks by a
    // known amount per step, so the count is worked out rather than tested step by step.
    const Point step = n * kPushStep;
    const double needed = std::floor(depth / (kPushStep * movers)) + 1.0;
    int steps = static_cast<int>(std::min(needed, static_cast<double>(kMaxPushSteps)));
    Shift(step * steps, b);
    // Rounding may leave them touching; a few single steps settle that.
    for (int extra = 0; extra < kExtraPushSteps && Collides(&b, nullptr); ++extra, ++steps) {
        Shift(step, b);
    }
    if (Collides(&b, nullptr)) {
        LogLine(LOG_WARNING,
                "Bodies still overlap after " + NumberToText(steps) + " push-apart steps. Giving up.");
    }
}

void CPhysicsSprite::Shift(Point offset, CPhysicsSprite& b) {
    if (Moves()) {
        MoveBy(offset);
    }
    if (b.Moves()) {
        b.MoveBy(-offset);
    }
}

void CPhysicsSprite::MoveBy(Point offset) {
    // Both coordinates at once: the corners are worked out once rather than after each.
    x += offset.x;
    y += offset.y;
    UpdateCorners();
}
