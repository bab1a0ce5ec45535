#include "game/race/physics_sprite.h"

#include "game/race/static_sprite.h"

ASP_PhysicsSprite::ASP_PhysicsSprite(CSprite* parent) : CImageSpriteEx(parent) {}

void ASP_PhysicsSprite::Load(std::string section, std::string file) {
    LoadPlacedImage(*this, section, file);
    // Puts the animation frame and the corners in place before the first frame.
    Update(0.1);
}

void ASP_PhysicsSprite::Follow(const ASP_Body& body) {
    // A body at rest keeps its sprite's kept outline.
    if (body.GetX() != GetX() || body.GetY() != GetY()) {
        SetPosition(body.GetX(), body.GetY());
    }
    if (body.GetRotation() != GetRotation()) {
        SetRotation(body.GetRotation());
    }
}
