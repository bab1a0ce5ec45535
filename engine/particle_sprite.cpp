#include "engine/particle_sprite.h"

#include <algorithm>

CParticleSprite::CParticleSprite(CSprite* parent) : CImageSpriteEx(parent) {}

void CParticleSprite::OnUpdate(double dt) {
    if (!frozen) {
        Move(velocity.x * dt, velocity.y * dt);
        Rotate(rotationSpeed * dt);
    }
    if (age >= 0.0 && age < life) {
        age += dt;
        Fade();
    } else if (age >= 0.0 && age >= life && GetAlpha() != 0.0) {
        SetAlpha(0.0);
    }
}

// The alpha for the current age: up over the fade-in, base alpha in between, down over the
// fade-out, transparent once the life is over.
void CParticleSprite::Fade() {
    if (fadeIn > 0.0 && age <= fadeIn) {
        SetAlpha(age / fadeIn * baseAlpha);
    } else if (fadeOut > 0.0 && life - fadeOut <= age && age <= life) {
        SetAlpha((life - age) / fadeOut * baseAlpha);
    } else if (age >= life) {
        SetAlpha(0.0);
    } else if (GetAlpha() != baseAlpha) {
        SetAlpha(baseAlpha);
    }
}

double CParticleSprite::GetMass() const {
    return mass;
}

void CParticleSprite::SetMass(double v) {
    if (v > 0.0) {
        mass = v;
    }
}

Point CParticleSprite::GetVelocity() const {
    return velocity;
}

void CParticleSprite::SetVelocity(Point v) {
    velocity = v;
}

double CParticleSprite::GetRotationSpeed() const {
    return rotationSpeed;
}

void CParticleSprite::SetRotationSpeed(double degreesPerSecond) {
    rotationSpeed = degreesPerSecond;
}

bool CParticleSprite::IsFrozen() const {
    return frozen;
}

void CParticleSprite::SetFrozen(bool on) {
    frozen = on;
}

// The age stops growing once it reaches the life, so a particle whose age lands exactly on its
// life must count as dead too, or it would never be collected.
bool CParticleSprite::IsDead() const {
    return age >= 0.0 && age >= life;
}

void CParticleSprite::Start(double lifeSeconds, double fadeInSeconds, double fadeOutSeconds) {
    if (lifeSeconds <= 0.0) {
        return;
    }
    if (!HasStarted()) {
        baseAlpha = GetAlpha();
        if (fadeInSeconds > 0.0) {
            SetAlpha(0.0);
        }
    }
    life = lifeSeconds;
    fadeIn = fadeInSeconds;
    fadeOut = fadeOutSeconds;
    age = 0.0;
}

void CParticleSprite::ApplyFriction(double frict, double dt) {
    const double speed = Length(velocity);
    if (frict <= 0.0 || dt <= 0.0 || speed == 0.0) {
        return;
    }
    const double slowdown = frict / mass * dt;
    velocity = velocity * (std::max(speed - slowdown, 0.0) / speed);
}
