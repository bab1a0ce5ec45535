#include "worldedit/objects/we_static_sprite.h"

#include "engine/geometry.h"
#include "engine/ini.h"
#include "track/world_keys.h"
#include "track/world_objects.h"

namespace {

// The console's names for the properties are the keys'.
using world_key::kAngle;
using world_key::kAnimEnd;
using world_key::kAnimPos;
using world_key::kAnimSpeed;
using world_key::kAnimStart;
using world_key::kHeight;
using world_key::kRotX;
using world_key::kRotY;
using world_key::kTexture;
using world_key::kTileHeight;
using world_key::kTileWidth;
using world_key::kWidth;
using world_key::kX;
using world_key::kY;
using world_key::kZ;

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
    world_key::kStaticCount,
    world_key::kStaticPrefix,
    3,
    {kPicture},
    true,
    nullptr,
    &CreateObject<ASP_WE_StaticSprite>,
};

ASP_WE_StaticSprite::ASP_WE_StaticSprite(CSprite* parent, CTextureManager* textures)
    : CImageSpriteEx(parent), textures(textures) {}

void ASP_WE_StaticSprite::Print(std::ostream& out) {
    const Point centre = GetRotationCenter();
    out << "x: " << GetX() << "\n";
    out << "y: " << GetY() << "\n";
    out << "z: " << GetZ() << "\n";
    out << "width: " << GetWidth() << "\n";
    out << "height: " << GetHeight() << "\n";
    out << "rotX: " << centre.x << "\n";
    out << "rotY: " << centre.y << "\n";
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
    const ASP_PlacedKeys keys = ReadPlaced(section, file);
    SetX(keys.x);
    SetY(keys.y);
    SetDepthIfInRange(*this, keys.z);
    SetWidth(keys.width);
    SetHeight(keys.height);
    SetRotationCenter(keys.rotX, keys.rotY);
    SetRotation(keys.angle);
    SetTextureFile(keys.texture);
    // The editor shows every object pixel for pixel, as it shows the ground.
    if (texture != nullptr && texture->smooth) {
        texture->SetSmooth(false);
    }
    SetTileWidth(keys.tileWidth);
    SetTileHeight(keys.tileHeight);
    SetAnimStart(keys.animStart);
    SetAnimEnd(keys.animEnd);
    SetAnimPos(keys.animPos.value_or(GetAnimStart()));
    SetAnimSpeed(keys.animSpeed);
}

bool ASP_WE_StaticSprite::Save(const std::string& section, const std::string& file) {
    ASP_PlacedKeys keys;
    keys.x = GetX();
    keys.y = GetY();
    keys.z = GetZ();
    keys.width = GetWidth();
    keys.height = GetHeight();
    keys.rotX = GetRotationCenter().x;
    keys.rotY = GetRotationCenter().y;
    keys.angle = GetRotation();
    keys.texture = textureFile;
    keys.tileWidth = GetTileWidth();
    keys.tileHeight = GetTileHeight();
    keys.animStart = GetAnimStart();
    keys.animEnd = GetAnimEnd();
    // A standing animation keeps the frame it shows (a running one starts at its first frame in
    // the race): a saved world is written afresh, so nothing else would keep it.
    if (AnimPosEditable()) {
        keys.animPos = TruncateToInt(GetAnimPos());
    }
    keys.animSpeed = GetAnimSpeed();
    return WritePlaced(keys, section, file);
}

bool ASP_WE_StaticSprite::AnimPosEditable() const {
    return !IsAnimated() || GetAnimSpeed() == 0.0;
}

void ASP_WE_StaticSprite::SetTextureFile(const std::string& file) {
    textureFile = file;
    SetTexture(TextureFor(textures, file));
}
