#include "worldedit/we_static_sprite.h"

#include "engine/geometry.h"
#include "engine/ini.h"

namespace {

const char kX[] = "x";
const char kY[] = "y";
const char kZ[] = "z";
const char kWidth[] = "width";
const char kHeight[] = "height";
const char kRotX[] = "rotX";
const char kRotY[] = "rotY";
const char kAngle[] = "angle";
const char* const kTexture = ASP_WE_StaticSprite::kPicture.property;
const char kTileWidth[] = "tileWidth";
const char kTileHeight[] = "tileHeight";
const char kAnimStart[] = "animStart";
const char kAnimEnd[] = "animEnd";
const char kAnimPos[] = "animPos";
const char kAnimSpeed[] = "animSpeed";

using Sprite = ASP_WE_StaticSprite;

void SetDepthIfInRange(Sprite& s, double z) {
    if (IsDepth(z)) {
        s.SetZ(z);
    }
}

// Editing the frame range starts the animation when the range holds more than one frame.
void AnimateByRange(Sprite& s) {
    s.SetAnimated(s.GetAnimStart() != s.GetAnimEnd());
}

struct Property {
    const char* name;
    int (*set)(Sprite& s, const std::string& value);
};

const Property kProperties[] = {
    {kX, [](Sprite& s, const std::string& v) { return SetTypedDouble(v, [&s](double x) { s.SetX(x); }); }},
    {kY, [](Sprite& s, const std::string& v) { return SetTypedDouble(v, [&s](double y) { s.SetY(y); }); }},
    {kZ, [](Sprite& s,
            const std::string& v) { return SetTypedDouble(v, [&s](double z) { SetDepthIfInRange(s, z); }); }},
    {kWidth,
     [](Sprite& s, const std::string& v) { return SetTypedDouble(v, [&s](double w) { s.SetWidth(w); }); }},
    {kHeight,
     [](Sprite& s, const std::string& v) { return SetTypedDouble(v, [&s](double h) { s.SetHeight(h); }); }},
    {kRotX,
     [](Sprite& s, const std::string& v) {
         return SetTypedDouble(v, [&s](double cx) { s.SetRotationCenter(cx, s.GetRotationCenter().y); });
     }},
    {kRotY,
     [](Sprite& s, const std::string& v) {
         return SetTypedDouble(v, [&s](double cy) { s.SetRotationCenter(s.GetRotationCenter().x, cy); });
     }},
    {kAngle,
     [](Sprite& s, const std::string& v) { return SetTypedDouble(v, [&s](double a) { s.SetRotation(a); }); }},
    {kTexture,
     [](Sprite& s, const std::string& v) {
         if (!NamesReadableFile(v)) {
             return -2;
         }
         s.SetTextureFile(v);
         return 0;
     }},
    {kTileWidth,
     [](Sprite& s, const std::string& v) { return SetTypedInt(v, [&s](int w) { s.SetTileWidth(w); }); }},
    {kTileHeight,
     [](Sprite& s, const std::string& v) { return SetTypedInt(v, [&s](int h) { s.SetTileHeight(h); }); }},
    {kAnimStart,
     [](Sprite& s, const std::string& v) {
         return SetTypedInt(v, [&s](int f) {
             s.SetAnimStart(f);
             AnimateByRange(s);
         });
     }},
    {kAnimEnd,
     [](Sprite& s, const std::string& v) {
         return SetTypedInt(v, [&s](int f) {
             s.SetAnimEnd(f);
             AnimateByRange(s);
         });
     }},
    {kAnimPos,
     [](Sprite& s, const std::string& v) {
         if (!s.AnimPosEditable()) {
             return -1;
         }
         return SetTypedDouble(v, [&s](double p) { s.SetAnimPos(p); });
     }},
    {kAnimSpeed,
     [](Sprite& s, const std::string& v) {
         return SetTypedDouble(v, [&s](double fps) { s.SetAnimSpeed(fps); });
     }},
};

}  // namespace

const ASP_WE_ObjectKind ASP_WE_StaticSprite::kind = {
    "static",
    "A static object on the map, for decoration only.",
    "statics",
    "static",
    3,
    {kPicture},
    true,
    nullptr,
    &CreateObject<ASP_WE_StaticSprite>,
};

ASP_WE_StaticSprite::ASP_WE_StaticSprite(CSprite* parent, CTextureManager* textures)
    : CImageSpriteEx(parent), textures(textures) {}

void ASP_WE_StaticSprite::Print(std::ostream& out) {
    const Point center = GetRotationCenter();
    out << "x: " << GetX() << "\n";
    out << "y: " << GetY() << "\n";
    out << "z: " << GetZ() << "\n";
    out << "width: " << GetWidth() << "\n";
    out << "height: " << GetHeight() << "\n";
    out << "rotX: " << center.x << "\n";
    out << "rotY: " << center.y << "\n";
    out << "angle: " << GetRotation() << "\n";
    out << "texture: " << textureFile << "\n";
    out << "tileWidth: " << GetTileWidth() << "\n";
    out << "tileHeight: " << GetTileHeight() << "\n";
    out << "animStart: " << GetAnimStart() << "\n";
    out << "animEnd: " << GetAnimEnd() << "\n";
    if (AnimPosEditable()) {
        out << "animPos: " << GetAnimPos() << "\n";
    }
    out << "animSpeed: " << GetAnimSpeed() << "\n";
}

int ASP_WE_StaticSprite::SetProperty(const std::string& name, const std::string& value, std::ostream& out) {
    (void)out;
    for (const Property& p : kProperties) {
        if (SameWord(name, p.name)) {
            return p.set(*this, value);
        }
    }
    return -1;
}

void ASP_WE_StaticSprite::Load(const std::string& section, const std::string& file) {
    SetX(GetIniDouble(section, kX, 0.0, file));
    SetY(GetIniDouble(section, kY, 0.0, file));
    SetDepthIfInRange(*this, GetIniDouble(section, kZ, 0.0, file));
    SetWidth(GetIniDouble(section, kWidth, 1.0, file));
    SetHeight(GetIniDouble(section, kHeight, 1.0, file));
    const double rotY = GetIniDouble(section, kRotY, 0.5, file);
    const double rotX = GetIniDouble(section, kRotX, 0.5, file);
    SetRotationCenter(rotX, rotY);
    SetRotation(GetIniDouble(section, kAngle, 0.0, file));
    SetTextureFile(GetIniString(section, kTexture, "", file));
    // The editor shows every object pixel for pixel, as it shows the ground.
    if (texture != nullptr && texture->smooth) {
        texture->SetSmooth(false);
    }
    SetTileWidth(TruncateToInt(GetIniDouble(section, kTileWidth, 1.0, file)));
    SetTileHeight(TruncateToInt(GetIniDouble(section, kTileHeight, 1.0, file)));
    SetAnimStart(GetIniInt(section, kAnimStart, 0, file));
    SetAnimEnd(GetIniInt(section, kAnimEnd, 0, file));
    SetAnimPos(GetIniInt(section, kAnimPos, GetAnimStart(), file));
    SetAnimSpeed(GetIniDouble(section, kAnimSpeed, 0.0, file));
}

bool ASP_WE_StaticSprite::Save(const std::string& section, const std::string& file) {
    const Point center = GetRotationCenter();
    ASP_WE_SectionWriter writer(section, file);
    writer.Double(kX, GetX());
    writer.Double(kY, GetY());
    writer.Double(kZ, GetZ());
    writer.Double(kWidth, GetWidth());
    writer.Double(kHeight, GetHeight());
    writer.Double(kRotX, center.x);
    writer.Double(kRotY, center.y);
    writer.Double(kAngle, GetRotation());
    writer.String(kTexture, textureFile);
    writer.Double(kTileWidth, GetTileWidth());
    writer.Double(kTileHeight, GetTileHeight());
    writer.Int(kAnimStart, GetAnimStart());
    writer.Int(kAnimEnd, GetAnimEnd());
    // A standing animation keeps the frame it shows (a running one starts at its first frame in
    // the race): a saved world is written afresh, so nothing else would keep it.
    if (AnimPosEditable()) {
        writer.Int(kAnimPos, TruncateToInt(GetAnimPos()));
    }
    writer.Double(kAnimSpeed, GetAnimSpeed());
    return writer.Succeeded();
}

bool ASP_WE_StaticSprite::AnimPosEditable() const {
    return !IsAnimated() || GetAnimSpeed() == 0.0;
}

void ASP_WE_StaticSprite::SetTextureFile(const std::string& file) {
    textureFile = file;
    SetTexture(TextureFor(textures, file));
}
