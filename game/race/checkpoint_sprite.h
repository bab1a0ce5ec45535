#pragma once

#include <string>

#include "engine/geometry.h"
#include "game/race/static_sprite.h"

class ASP_Player;
class ASP_World;

// A static object that the cars must pass in order; finish lines count the laps. The race rules
// run in its collision hook: cars drive through it.
class ASP_CheckpointSprite : public ASP_StaticSprite {
public:
    explicit ASP_CheckpointSprite(CSprite* parent);

    // Applies the race rules to a car passing it; always answers "not handled".
    bool OnCollision(CSprite* other, Point contact) override;
    // Only cars take checkpoints.
    bool ReactsTo(CSprite* other) override;
    void Load(std::string section, std::string file) override;

    // Whether a car whose last taken checkpoint is lastCheckpoint may take this one.
    bool Accepts(int lastCheckpoint, int requiredCheckpoints) const;

    bool isFinish = false;
    // Place in the order of checkpoints, counted from 0.
    int index = 0;

private:
    void TakeBy(ASP_Player* car, ASP_World* world) const;
};

// Ranks car among the world's cars by laps, then by checkpoints taken: a car that reaches a
// checkpoint later than another ranks behind it. The car that held that position moves one down.
void RankPlayer(ASP_Player* car, ASP_World* world);
