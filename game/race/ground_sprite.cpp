#include "game/race/ground_sprite.h"

#include "engine/ini.h"
#include "engine/texture.h"
#include "game/race/static_sprite.h"
#include "track/world_objects.h"

ASP_GroundSprite::ASP_GroundSprite(CSprite* parent) : CImageSpriteEx(parent) {}

bool ASP_GroundSprite::ReactsTo(CSprite* other) {
    (void)other;
    return false;
}

void ASP_GroundSprite::Load(const std::string& section, const std::string& file) {
    const ASP_TileKeys keys = ReadTile(section, file);
    CTexture* tile = ContainerTexture(GetParent(), keys.texture);
    SetTexture(tile);
    if (tile != nullptr && tile->smooth) {
        tile->SetSmooth(false);
    }
    // The size is the image's: a tile is never scaled by the file.
    SetWidth(tile != nullptr ? tile->PixelWidth() : 0.0);
    SetHeight(tile != nullptr ? tile->PixelHeight() : 0.0);
    SetX(keys.x);
    SetY(keys.y);
    SetZ(-1.0);
}
