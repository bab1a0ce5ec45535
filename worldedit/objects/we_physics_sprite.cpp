#include "worldedit/objects/we_physics_sprite.h"

#include "engine/ini.h"
#include "track/world_keys.h"
#include "track/world_objects.h"

namespace {

using world_key::kBounce;
using world_key::kMass;
const char* const kFixedPos = world_key::kFixedPosition;
const char* const kFixedRot = world_key::kFixedRotation;
// The console's names where they differ from the keys.
const char kFixedPosLabel[] = "fixedLoc";
const char kZLabel[] = "z";

const char* BoolText(bool v) {
    return v ? "true" : "false";
}

}  // namespace

const ASP_WE_ObjectKind ASP_WE_PhysicsSprite::kind = {
    "physobj",
    "A physics-enabled object.",
    world_key::kPhysicsCount,
    world_key::kPhysicsPrefix,
    4,
    {kPicture},
    true,
    nullptr,
    &CreateObject<ASP_WE_PhysicsSprite>,
};

ASP_WE_PhysicsSprite::ASP_WE_PhysicsSprite(CSprite* parent, CTextureManager* textures)
    : ASP_WE_StaticSprite(parent, textures) {}

void ASP_WE_PhysicsSprite::Print(std::ostream& out) {
    ASP_WE_StaticSprite::Print(out);
    out << "mass: " << mass << "\n";
    out << "bounce: " << bounce << "\n";
    out << kFixedPosLabel << ": " << BoolText(fixedPos) << "\n";
    out << "fixedRot: " << BoolText(fixedRot) << "\n";
}

int ASP_WE_PhysicsSprite::SetProperty(const std::string& name, const std::string& value, std::ostream& out) {
    if (SameWord(name, kMass)) {
        return SetTypedDouble(value, [this](double v) { mass = v; });
    }
    if (SameWord(name, kBounce)) {
        return SetTypedDouble(value, [this](double v) { bounce = v; });
    }
    // The console shows "fixedLoc"; the file's own name is taken as well.
    if (SameWord(name, kFixedPosLabel) || SameWord(name, kFixedPos)) {
        return SetTypedBool(value, [this](bool v) { fixedPos = v; });
    }
    if (SameWord(name, kFixedRot)) {
        return SetTypedBool(value, [this](bool v) { fixedRot = v; });
    }
    if (SameWord(name, kZLabel)) {
        // Bodies collide only with bodies at the cars' depth.
        out << "Z-Value may not be set on physics sprites.\n";
        return 0;
    }
    return ASP_WE_StaticSprite::SetProperty(name, value, out);
}

void ASP_WE_PhysicsSprite::Load(const std::string& section, const std::string& file) {
    ASP_WE_StaticSprite::Load(section, file);
    const ASP_PhysicsKeys keys = ReadPhysics(section, file);
    mass = keys.mass;
    bounce = keys.bounce;
    fixedPos = keys.fixedPos;
    fixedRot = keys.fixedRot;
}

bool ASP_WE_PhysicsSprite::Save(const std::string& section, const std::string& file) {
    const bool staticKeysSaved = ASP_WE_StaticSprite::Save(section, file);
    return WritePhysics({mass, bounce, fixedPos, fixedRot}, section, file) && staticKeysSaved;
}
