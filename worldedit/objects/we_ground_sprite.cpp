#include "worldedit/objects/we_ground_sprite.h"

#include "engine/ini.h"
#include "track/world_keys.h"
#include "track/world_objects.h"

namespace {

using world_key::kSurface;
using world_key::kTexture;
using world_key::kX;
using world_key::kY;

}  // namespace

const ASP_WE_ObjectKind ASP_WE_GroundSprite::kind = {
    "ground",
    "Map ground tile.",
    world_key::kTileCount,
    world_key::kTilePrefix,
    0,
    {{"Texture: ", kTexture}, {"Surface Map: ", kSurface}},
    false,
    // The tiles' pictures are most of a track's load.
    &ASP_WE_GroundSprite::Picture,
    &CreateObject<ASP_WE_GroundSprite>,
};

ASP_WE_GroundSprite::ASP_WE_GroundSprite(CSprite* parent, CTextureManager* textures)
    : CImageSprite(parent), textures(textures) {
    SetZ(-1.0);
}

void ASP_WE_GroundSprite::Print(std::ostream& out) {
    out << "x: " << GetX() << "\n";
    out << "y: " << GetY() << "\n";
    out << "texture: " << textureFile << "\n";
    out << "surface: " << surface << "\n";
}

int ASP_WE_GroundSprite::SetProperty(const std::string& name, const std::string& value, std::ostream& out) {
    (void)out;
    if (SameWord(name, kX)) {
        return SetTypedDouble(value, [this](double v) { SetX(v); });
    }
    if (SameWord(name, kY)) {
        return SetTypedDouble(value, [this](double v) { SetY(v); });
    }
    if (SameWord(name, kTexture)) {
        if (!NamesReadableFile(value)) {
            return -2;
        }
        SetTextureFile(value);
        return 0;
    }
    if (SameWord(name, kSurface)) {
        if (!NamesReadableFile(value)) {
            return -2;
        }
        surface = value;
        return 0;
    }
    return -1;
}

std::string ASP_WE_GroundSprite::Picture(const std::string& section, const std::string& file) {
    return ReadTile(section, file).texture;
}

void ASP_WE_GroundSprite::Load(const std::string& section, const std::string& file) {
    const ASP_TileKeys keys = ReadTile(section, file);
    SetX(keys.x);
    SetY(keys.y);
    SetZ(-1.0);
    SetTextureFile(keys.texture);
    // A tile is never scaled: it is as large as its picture.
    SetWidth(texture != nullptr ? texture->PixelWidth() : 0.0);
    SetHeight(texture != nullptr ? texture->PixelHeight() : 0.0);
    if (texture != nullptr && texture->smooth) {
        texture->SetSmooth(false);
    }
    surface = keys.surface;
}

bool ASP_WE_GroundSprite::Save(const std::string& section, const std::string& file) {
    return WriteTile({GetX(), GetY(), textureFile, surface}, section, file);
}

void ASP_WE_GroundSprite::SetTextureFile(const std::string& file) {
    textureFile = file;
    SetTexture(TextureFor(textures, file));
}
