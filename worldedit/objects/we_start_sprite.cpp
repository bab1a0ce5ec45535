#include "worldedit/objects/we_start_sprite.h"

#include "engine/ini.h"
#include "track/world_keys.h"
#include "track/world_objects.h"

namespace {

using world_key::kX;
using world_key::kY;
// The console calls the rotation what the other objects call it.
const char kAngleLabel[] = "angle";
const char kCarPicture[] = "gfx\\cars\\cadillac.png";
const double kCarWidth = 113.0;
const double kCarHeight = 200.0;

}  // namespace

// A start position always shows the car at the race's size: there is no picture to ask for.
const ASP_WE_ObjectKind ASP_WE_StartSprite::kind = {
    "start", "Player starting position.",       world_key::kStartCount, world_key::kStartPrefix, 1, {}, true,
    nullptr, &CreateObject<ASP_WE_StartSprite>,
};

ASP_WE_StartSprite::ASP_WE_StartSprite(CSprite* parent, CTextureManager* textures) : CImageSpriteEx(parent) {
    SetTexture(TextureFor(textures, kCarPicture));
    SetWidth(kCarWidth);
    SetHeight(kCarHeight);
}

void ASP_WE_StartSprite::Print(std::ostream& out) {
    out << "x: " << GetX() << "\n";
    out << "y: " << GetY() << "\n";
    out << kAngleLabel << ": " << GetRotation() << "\n";
}

int ASP_WE_StartSprite::SetProperty(const std::string& name, const std::string& value, std::ostream& out) {
    (void)out;
    if (SameWord(name, kX)) {
        return SetTypedDouble(value, [this](double v) { SetX(v); });
    }
    if (SameWord(name, kY)) {
        return SetTypedDouble(value, [this](double v) { SetY(v); });
    }
    if (SameWord(name, kAngleLabel)) {
        return SetTypedDouble(value, [this](double v) { SetRotation(v); });
    }
    return -1;
}

void ASP_WE_StartSprite::Load(const std::string& section, const std::string& file) {
    const StartPosition keys = ReadStart(section, file);
    SetX(keys.x);
    SetY(keys.y);
    SetRotation(keys.rot);
}

bool ASP_WE_StartSprite::Save(const std::string& section, const std::string& file) {
    return WriteStart({GetX(), GetY(), GetRotation()}, section, file);
}
