#include "game/race/ground_sprite.h"

#include "engine/ini.h"
#include "engine/texture.h"
#include "game/race/static_sprite.h"

ASP_GroundSprite::ASP_GroundSprite(CSprite* parent) : CImageSpriteEx(parent) {}

bool ASP_GroundSprite::ReactsTo(CSprite* other) {
    (void)other;
    return false;
}

void ASP_GroundSprite::Load(const std::string& section, const std::string& file) {
    CTexture* tile = ContainerTexture(GetParent(), GetIniString(section, "texture", "", file));
    SetTexture(tile);
    if (tile != nullptr && tile->smooth) {
        tile->SetSmooth(false);
    }
    // The size is the image's: a tile is never scaled by the file.
    SetWidth(tile != nullptr ? tile->PixelWidth() : 0.0);
    SetHeight(tile != nullptr ? tile->PixelHeight() : 0.0);
    SetX(GetIniDouble(section, "x", 0.0, file));
    SetY(GetIniDouble(section, "y", 0.0, file));
    SetZ(-1.0);
}
