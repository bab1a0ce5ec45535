#pragma once

#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"

// A short-lived image that moves, spins, fades in and out and dies. Prototypes are never started;
// the particle engine copies them and starts the copies.
class CParticleSprite : public CImageSpriteEx {
public:
    explicit CParticleSprite(CSprite* parent);
    // Emission copies a prototype: every field of the image sprite and of the particle.
    CParticleSprite(const CParticleSprite& other) = default;

    void OnUpdate(double dt) override;

    virtual double GetMass() const;
    // Values <= 0 are ignored: the push and the forces divide by the mass.
    virtual void SetMass(double v);
    virtual Point GetVelocity() const;
    virtual void SetVelocity(Point v);
    virtual double GetRotationSpeed() const;
    virtual void SetRotationSpeed(double degreesPerSecond);
    virtual bool IsFrozen() const;
    virtual void SetFrozen(bool on);
    virtual bool IsDead() const;

    // Starts the life clock (seconds). The current alpha becomes the base alpha on the first start;
    // with a fade-in the particle starts transparent. A life <= 0 leaves the particle unstarted.
    void Start(double lifeSeconds, double fadeInSeconds, double fadeOutSeconds);
    // Friction frict acts as a constant force against the motion, so the speed drops by
    // frict / mass pixels per second every second until the particle stands still; it never
    // reverses the direction of motion. Negative values act as no friction.
    void ApplyFriction(double frict, double dt);

    bool HasStarted() const { return age >= 0.0; }
    double GetAge() const { return age; }
    double GetLife() const { return life; }
    double GetFadeIn() const { return fadeIn; }
    double GetFadeOut() const { return fadeOut; }
    double GetBaseAlpha() const { return baseAlpha; }

protected:
    double mass = 1.0;
    Point velocity;
    double rotationSpeed = 0.0;
    bool frozen = false;
    double baseAlpha = 255.0;
    double life = 1.0;
    double fadeIn = 0.0;
    double fadeOut = 0.0;
    double age = -1.0;

private:
    void Fade();
};
