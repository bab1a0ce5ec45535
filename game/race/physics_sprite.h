#pragma once

#include <string>

#include "engine/physics_sprite.h"
#include "engine/sprite.h"

// A movable object of the world (cone, barrel, crate, or with a fixed position a wall): a rigid
// body that the cars push around and that slows down, is pushed by and kicks up the ground under
// its centre.
class ASP_PhysicsSprite : public CPhysicsSprite {
public:
    // Pixels per second squared times mass: how hard the ground holds a sliding object.
    static constexpr double kGroundDrag = 200000.0;
    // Fraction of the spin lost per second.
    static constexpr double kSpinDamping = 0.95;
    // Degrees per second below which a spin stops.
    static constexpr double kMinSpin = 5.0;

    explicit ASP_PhysicsSprite(CSprite* parent);

    void OnUpdate(double dt) override;

    virtual void Load(std::string section, std::string file);

private:
    void ApplySurface(double dt);
    void DampSpin(double dt);
};
