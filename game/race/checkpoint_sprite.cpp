#include "game/race/checkpoint_sprite.h"

#include "engine/ini.h"

ASP_CheckpointSprite::ASP_CheckpointSprite(CSprite* parent) : ASP_StaticSprite(parent) {}

void ASP_CheckpointSprite::Load(std::string section, std::string file) {
    ASP_StaticSprite::Load(section, file);
    isFinish = GetIniBool(section, "isFinish", false, file);
    index = GetIniInt(section, "index", 0, file);
}
