#include "game/race/checkpoint_sprite.h"

#include "engine/ini.h"
#include "game/race/player.h"
#include "game/race/world.h"

ASP_CheckpointSprite::ASP_CheckpointSprite(CSprite* parent) : ASP_StaticSprite(parent) {}

void ASP_CheckpointSprite::Load(std::string section, std::string file) {
    ASP_StaticSprite::Load(section, file);
    isFinish = GetIniBool(section, "isFinish", false, file);
    index = GetIniInt(section, "index", 0, file);
}

bool ASP_CheckpointSprite::Accepts(int lastCheckpoint, int requiredCheckpoints) const {
    return lastCheckpoint == index - 1 || (isFinish && lastCheckpoint == requiredCheckpoints - 1);
}

bool ASP_CheckpointSprite::ReactsTo(CSprite* other) {
    return dynamic_cast<ASP_Player*>(other) != nullptr;
}

bool ASP_CheckpointSprite::OnCollision(CSprite* other, Point contact) {
    (void)contact;
    auto* car = dynamic_cast<ASP_Player*>(other);
    auto* world = dynamic_cast<ASP_World*>(GetParent());
    if (car != nullptr && world != nullptr && Accepts(car->lastCheckpoint, world->GetRequiredCheckpoints())) {
        TakeBy(car, world);
    }
    return true;
}

void ASP_CheckpointSprite::TakeBy(ASP_Player* car, ASP_World* world) const {
    car->lastCheckpoint = index;
    world->SetCheckpointTarget(car, index + 1);
    if (isFinish) {
        car->lap += 1;
        if (car->lapTime < car->bestLapTime) {
            car->bestLapTime = car->lapTime;
        }
        car->lapTime = 0.0;
        if (car->lap > world->GetLaps()) {
            world->FinishPlayer(car);
        }
    }
    RankPlayer(car, world);
}

void RankPlayer(ASP_Player* car, ASP_World* world) {
    int p = 1;
    for (const ASP_Player* q : world->GetPlayers()) {
        if (q != car &&
            (q->lap > car->lap || (q->lap == car->lap && q->lastCheckpoint >= car->lastCheckpoint))) {
            ++p;
        }
    }
    car->position = p;
    for (ASP_Player* q : world->GetPlayers()) {
        if (q != car && q->position == p) {
            q->position += 1;
        }
    }
}
