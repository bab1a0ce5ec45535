#pragma once

#include <string>

#include "engine/image_sprite_ex.h"
#include "game/sim/body.h"

// How a movable object of the track looks (cone, barrel, crate, or with a fixed position a wall):
// a placed picture that follows the object's body in the race.
class ASP_PhysicsSprite : public CImageSpriteEx {
public:
    explicit ASP_PhysicsSprite(CSprite* parent);

    virtual void Load(std::string section, std::string file);
    // Takes the body's place and heading.
    void Follow(const ASP_Body& body);
};
