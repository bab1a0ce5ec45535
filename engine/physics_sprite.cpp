#include "engine/physics_sprite.h"

#include <algorithm>
#include <cmath>

#include "engine/ini.h"

namespace {

bool IsFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

CPhysicsSprite::CPhysicsSprite(CSprite* parent) : CImageSpriteEx(parent) {
    body.SetExtent(GetWidth(), GetHeight());
}

void CPhysicsSprite::SetWidth(double v) {
    CImageSpriteEx::SetWidth(v);
    body.SetExtent(GetWidth(), GetHeight());
}

void CPhysicsSprite::SetHeight(double v) {
    CImageSpriteEx::SetHeight(v);
    body.SetExtent(GetWidth(), GetHeight());
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
    if (!a.body.Moves() && !a.body.Turns() && !b.body.Moves() && !b.body.Turns()) {
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
    const Point cA = a.InFrame(a.LocalCentre(), frame);
    const Point cB = b.InFrame(b.LocalCentre(), frame);
    ExchangeImpulse(a.body, b.body, n, p.point - cA, p.point - cB);
    a.PushApart(b, n, p.depth);
    return false;
}

bool CPhysicsSprite::ReactsTo(CSprite* other) {
    const auto* body = dynamic_cast<const CPhysicsSprite*>(other);
    return IsCollidable() && body != nullptr && body->IsCollidable() && GetGlobalZ() == body->GetGlobalZ();
}

void CPhysicsSprite::OnUpdate(double dt) {
    previousX = GetX();
    previousY = GetY();
    previousRotation = GetRotation();
    // A body at rest skips the moves that would change nothing but cost a refresh of its corners.
    if (body.GetVelocity() != Point(0.0, 0.0)) {
        MoveBy(body.GetVelocity() * dt);
    }
    if (body.GetSpin() != 0.0) {
        Rotate(body.GetSpin() * dt);
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
    // The point is local and unrotated while the force is taken as it is: no frame conversion.
    body.ApplyForceAt(Point(fx, fy), dt, Point(px, py) - LocalCentre());
}

void CPhysicsSprite::ApplyForce(double fx, double fy, double dt) {
    body.ApplyForce(Point(fx, fy), dt);
}

void CPhysicsSprite::ApplyResistanceAt(double fx, double fy, double dt, double px, double py) {
    body.ApplyResistanceAt(Point(fx, fy), dt, Point(px, py) - LocalCentre());
}

void CPhysicsSprite::ApplyResistance(double fx, double fy, double dt) {
    body.ApplyResistance(Point(fx, fy), dt);
}

bool CPhysicsSprite::IsFixedPosition() const {
    return body.fixedPosition;
}

void CPhysicsSprite::SetFixedPosition(bool on) {
    body.fixedPosition = on;
}

bool CPhysicsSprite::IsFixedRotation() const {
    return body.fixedRotation;
}

void CPhysicsSprite::SetFixedRotation(bool on) {
    body.fixedRotation = on;
}

bool CPhysicsSprite::IsCollidable() const {
    return body.collidable;
}

void CPhysicsSprite::SetCollidable(bool on) {
    body.collidable = on;
}

double CPhysicsSprite::GetMass() const {
    return body.GetMass();
}

void CPhysicsSprite::SetMass(double m) {
    body.SetMass(m);
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
    Point centre(0.0, 0.0);
    for (int i = 0; i < 4; ++i) {
        centre += corner[i] * (4.0 * cornerMass[i] / body.GetMass());
    }
    centre = centre / 4.0;
    SetRotationCenter(centre.x, centre.y);
}

double CPhysicsSprite::GetInertia() const {
    return body.GetInertia();
}

double CPhysicsSprite::GetAngularVelocity() const {
    return body.GetSpin();
}

void CPhysicsSprite::SetAngularVelocity(double degreesPerSecond) {
    body.SetSpin(degreesPerSecond);
}

Point CPhysicsSprite::GetVelocity() const {
    return body.GetVelocity();
}

void CPhysicsSprite::SetVelocity(Point v) {
    body.SetVelocity(v);
}

double CPhysicsSprite::GetBounce() const {
    return body.GetBounce();
}

void CPhysicsSprite::SetBounce(double v) {
    body.SetBounce(v);
}

Point CPhysicsSprite::GetPointVelocity(Point local) const {
    return body.PointVelocity(local - LocalCentre());
}

Point CPhysicsSprite::LocalCentre() const {
    const Point c = GetRotationCenter();
    return Point(c.x * GetWidth(), c.y * GetHeight());
}

CBodyPose CPhysicsSprite::Pose() const {
    return CBodyPose{Point(GetX(), GetY()), GetWidth(),    GetHeight(),
                     GetRotation(),         LocalCentre(), GetScale()};
}

Point CPhysicsSprite::InFrame(Point local, const CSprite* frame) const {
    if (GetParent() == frame) {
        return Pose().ToFrame(local);
    }
    const Point global = LocalToGlobal(local);
    return frame != nullptr ? frame->GlobalToLocal(global) : global;
}

Quad CPhysicsSprite::CornersIn(const CSprite* frame) const {
    if (GetParent() == frame) {
        return Pose().Outline();
    }
    const Quad global = GetCorners();
    Quad q;
    for (int i = 0; i < 4; ++i) {
        q.p[i] = frame != nullptr ? frame->GlobalToLocal(global.p[i]) : global.p[i];
    }
    return q;
}

void CPhysicsSprite::UpdateCorners() {
    // As the image sprite works them out, with the turn computed once: bodies move every frame.
    corners = Pose().Outline();
    if (const CSprite* p = GetParent()) {
        for (Point& corner : corners.p) {
            corner = p->LocalToGlobal(corner);
        }
    }
}

void CPhysicsSprite::PushApart(CPhysicsSprite& b, Point n, double depth) {
    int steps = 0;
    const bool parted = ::PushApart(
        n, depth, (body.Moves() ? 1 : 0) + (b.body.Moves() ? 1 : 0),
        [this, &b](Point offset) { Shift(offset, b); }, [this, &b] { return Collides(&b, nullptr); }, &steps);
    if (!parted) {
        LogLine(LOG_WARNING,
                "Bodies still overlap after " + NumberToText(steps) + " push-apart steps. Giving up.");
    }
}

void CPhysicsSprite::Shift(Point offset, CPhysicsSprite& b) {
    if (body.Moves()) {
        MoveBy(offset);
    }
    if (b.body.Moves()) {
        b.MoveBy(-offset);
    }
}

void CPhysicsSprite::MoveBy(Point offset) {
    // Both coordinates at once: the corners are worked out once rather than after each.
    x += offset.x;
    y += offset.y;
    UpdateCorners();
}
