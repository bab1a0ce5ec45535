#include "worldedit/we_start_sprite.h"

#include "engine/ini.h"

namespace {

const char kX[] = "x";
const char kY[] = "y";
const char kRot[] = "rot";
// The console calls the rotation what the other objects call it.
const char kAngleLabel[] = "angle";
const char kCarPicture[] = "gfx\\cars\\cadillac.png";
const double kCarWidth = 113.0;
const double kCarHeight = 200.0;

}  // namespace

// A start position always shows the car at the race's size: there is no picture to ask for.
const ASP_WE_ObjectKind ASP_WE_StartSprite::kind = {
    "start", "Player starting position.",       "players", "start", 1, {}, true,
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
    SetX(GetIniDouble(section, kX, 0.0, file));
    SetY(GetIniDouble(section, kY, 0.0, file));
    SetRotation(GetIniDouble(section, kRot, 0.0, file));
}

bool ASP_WE_StartSprite::Save(const std::string& section, const std::string& file) {
    ASP_WE_SectionWriter writer(section, file);
    writer.Double(kX, GetX());
    writer.Double(kY, GetY());
    writer.Double(kRot, GetRotation());
    return writer.Succeeded();
}
