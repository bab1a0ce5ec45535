#include "game/race/checkpoint_sprite.h"

#include "track/world_objects.h"

ASP_CheckpointSprite::ASP_CheckpointSprite(CSprite* parent) : ASP_StaticSprite(parent) {}

void ASP_CheckpointSprite::Load(std::string section, std::string file) {
    ASP_StaticSprite::Load(section, file);
    const ASP_CheckpointKeys keys = ReadCheckpoint(section, file);
    isFinish = keys.isFinish;
    index = keys.index;
}
