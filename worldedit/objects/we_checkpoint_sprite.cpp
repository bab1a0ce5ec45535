#include "worldedit/objects/we_checkpoint_sprite.h"

#include "engine/ini.h"
#include "track/world_keys.h"
#include "track/world_objects.h"

namespace {

using world_key::kIndex;
using world_key::kIsFinish;

}  // namespace

const ASP_WE_ObjectKind ASP_WE_CheckpointSprite::kind = {
    "checkpoint",
    "A checkpoint on the map.",
    world_key::kCheckpointCount,
    world_key::kCheckpointPrefix,
    2,
    {kPicture},
    true,
    nullptr,
    &CreateObject<ASP_WE_CheckpointSprite>,
};

ASP_WE_CheckpointSprite::ASP_WE_CheckpointSprite(CSprite* parent, CTextureManager* textures)
    : ASP_WE_StaticSprite(parent, textures) {}

void ASP_WE_CheckpointSprite::Print(std::ostream& out) {
    ASP_WE_StaticSprite::Print(out);
    out << "index: " << index << "\n";
    out << "isFinish: " << (isFinish ? "true" : "false") << "\n";
}

int ASP_WE_CheckpointSprite::SetProperty(const std::string& name, const std::string& value,
                                         std::ostream& out) {
    if (SameWord(name, kIndex)) {
        return SetTypedInt(value, [this](int v) { index = v; });
    }
    if (SameWord(name, kIsFinish)) {
        return SetTypedBool(value, [this](bool v) { isFinish = v; });
    }
    return ASP_WE_StaticSprite::SetProperty(name, value, out);
}

void ASP_WE_CheckpointSprite::Load(const std::string& section, const std::string& file) {
    ASP_WE_StaticSprite::Load(section, file);
    const ASP_CheckpointKeys keys = ReadCheckpoint(section, file);
    index = keys.index;
    isFinish = keys.isFinish;
}

bool ASP_WE_CheckpointSprite::Save(const std::string& section, const std::string& file) {
    const bool staticKeysSaved = ASP_WE_StaticSprite::Save(section, file);
    return WriteCheckpoint({index, isFinish}, section, file) && staticKeysSaved;
}
