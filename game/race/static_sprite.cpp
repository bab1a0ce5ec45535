#include "game/race/static_sprite.h"

#include "engine/ini.h"
#include "engine/sprite_manager.h"
#include "track/world_objects.h"

ASP_StaticSprite::ASP_StaticSprite(CSprite* parent) : CImageSpriteEx(parent) {}

bool ASP_StaticSprite::ReactsTo(CSprite* other) {
    (void)other;
    return false;
}

void ASP_StaticSprite::Load(std::string section, std::string file) {
    LoadPlacedImage(*this, section, file);
}

CTexture* ContainerTexture(CSprite* parent, const std::string& file) {
    auto* container = dynamic_cast<CSpriteManager*>(parent);
    if (container == nullptr || container->textureManager == nullptr) {
        return nullptr;
    }
    return container->textureManager->GetTexture(file, true, false);
}

void LoadPlacedImage(CImageSpriteEx& sprite, const std::string& section, const std::string& file) {
    const ASP_PlacedKeys keys = ReadPlaced(section, file);
    sprite.SetX(keys.x);
    sprite.SetY(keys.y);
    if (IsDepth(keys.z)) {
        sprite.SetZ(keys.z);
    }
    sprite.SetWidth(keys.width);
    sprite.SetHeight(keys.height);
    sprite.SetRotationCenter(keys.rotX, keys.rotY);
    sprite.SetRotation(keys.angle);
    sprite.SetTexture(ContainerTexture(sprite.GetParent(), keys.texture));
    sprite.SetTileWidth(keys.tileWidth);
    sprite.SetTileHeight(keys.tileHeight);
    sprite.SetAnimStart(keys.animStart);
    sprite.SetAnimEnd(keys.animEnd);
    sprite.SetAnimPos(keys.animPos.value_or(sprite.GetAnimStart()));
    sprite.SetAnimSpeed(keys.animSpeed);
    sprite.SetAnimated(sprite.GetAnimEnd() != sprite.GetAnimStart());
}
