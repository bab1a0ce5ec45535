#include "game/race/static_sprite.h"

#include "engine/ini.h"
#include "engine/sprite_manager.h"

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
    sprite.SetX(GetIniDouble(section, "x", 0.0, file));
    sprite.SetY(GetIniDouble(section, "y", 0.0, file));
    const double z = GetIniDouble(section, "z", 0.0, file);
    if (IsDepth(z)) {
        sprite.SetZ(z);
    }
    sprite.SetWidth(GetIniDouble(section, "width", 1.0, file));
    sprite.SetHeight(GetIniDouble(section, "height", 1.0, file));
    const double rotY = GetIniDouble(section, "rotY", 0.5, file);
    const double rotX = GetIniDouble(section, "rotX", 0.5, file);
    sprite.SetRotationCenter(rotX, rotY);
    sprite.SetRotation(GetIniDouble(section, "angle", 0.0, file));
    sprite.SetTexture(ContainerTexture(sprite.GetParent(), GetIniString(section, "texture", "", file)));
    sprite.SetTileWidth(TruncateToInt(GetIniDouble(section, "tileWidth", 1.0, file)));
    sprite.SetTileHeight(TruncateToInt(GetIniDouble(section, "tileHeight", 1.0, file)));
    sprite.SetAnimStart(GetIniInt(section, "animStart", 0, file));
    sprite.SetAnimEnd(GetIniInt(section, "animEnd", 0, file));
    sprite.SetAnimPos(GetIniInt(section, "animPos", sprite.GetAnimStart(), file));
    sprite.SetAnimSpeed(GetIniDouble(section, "animSpeed", 0.0, file));
    sprite.SetAnimated(sprite.GetAnimEnd() != sprite.GetAnimStart());
}
