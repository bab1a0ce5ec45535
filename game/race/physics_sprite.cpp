#include "game/race/physics_sprite.h"

#include <cmath>

#include "engine/angle.h"
#include "engine/ini.h"
#include "game/race/static_sprite.h"
#include "game/race/world.h"

ASP_PhysicsSprite::ASP_PhysicsSprite(CSprite* parent) : CPhysicsSprite(parent) {}

void ASP_PhysicsSprite::Load(std::string section, std::string file) {
    LoadPlacedImage(*this, section, file);
    SetMass(GetIniDouble(section, "mass", 1.0, file));
    SetBounce(GetIniDouble(section, "bounce", 0.0, file));
    SetFixedPosition(GetIniBool(section, "fixedPos", false, file));
    SetFixedRotation(GetIniBool(section, "fixedRot", false, file));
    SetVelocity(Point(0.0, 0.0));
    // Puts the animation frame, the corners and the surface state in place before the first frame.
    Update(0.1);
}

void ASP_PhysicsSprite::OnUpdate(double dt) {
    ApplySurface(dt);
    DampSpin(dt);
    CPhysicsSprite::OnUpdate(dt);
}

void ASP_PhysicsSprite::ApplySurface(double dt) {
    const Point v = GetVelocity();
    const double s = Length(v);
    // At rest the motion has no direction, so the ground neither drags nor pushes.
    if (!(s > 0.0)) {
        return;
    }
    auto* world = dynamic_cast<ASP_World*>(GetParent());
    const Point center = GetRotationCenter();
    const Point g = LocalToGlobal(Point(center.x * GetWidth(), center.y * GetHeight()));
    const SurfaceModifier m = world != nullptr ? world->GetModifierAt(g) : SurfaceModifier();
    if (world != nullptr) {
        world->EmitParticle(m.particle, g, HeadingOf(v));
    }
    const Point u = v / s;
    const Point drag = u * kGroundDrag;
    ApplyResistance(drag.x, drag.y, dt);
    const Point A = u * m.activeAccel;
    if (m.activeAccel >= 0.0) {
        ApplyForce(A.x, A.y, dt);
    } else {
        ApplyResistance(A.x, A.y, dt);
    }
}

void ASP_PhysicsSprite::DampSpin(double dt) {
    SetAngularVelocity(GetAngularVelocity() * (1.0 - dt * kSpinDamping));
    if (std::abs(GetAngularVelocity()) < kMinSpin) {
        SetAngularVelocity(0.0);
    }
}
