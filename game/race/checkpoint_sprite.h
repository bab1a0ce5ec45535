#pragma once

#include <string>

#include "game/race/static_sprite.h"

// How a checkpoint of the track looks: a placed picture. The race takes checkpoints by their
// shape; this only shows where they are.
class ASP_CheckpointSprite : public ASP_StaticSprite {
public:
    explicit ASP_CheckpointSprite(CSprite* parent);

    void Load(std::string section, std::string file) override;

    bool isFinish = false;
    // Place in the order of checkpoints, counted from 0.
    int index = 0;
};
