#include "game/race/time_trial.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/platform/paths.h"
#include "game/race/player.h"
#include "game/race/world.h"
#include "game/sim/results.h"

ASP_TimeTrial::ASP_TimeTrial(std::string ghostFile, std::string world)
    : ghostFile(std::move(ghostFile)), world(std::move(world)) {}

ASP_TimeTrial::~ASP_TimeTrial() = default;

void ASP_TimeTrial::LoadGhost(ASP_TrackPictures& pictures) {
    std::error_code ec;
    if (ghostFile.empty()) {
        LogLine(LOG_WARNING, "There is no folder for ghosts: this time trial's ghost is not kept.");
        return;
    }
    if (!std::filesystem::exists(ghostFile, ec)) {
        LogLine(LOG_STATUS, "No ghost of " + world + " yet: the first lap sets it.");
        return;
    }
    std::string error;
    ASP_GhostLap loaded;
    if (!LoadGhostLap(ghostFile, world, pictures, &loaded, &error)) {
        LogLine(LOG_WARNING, "The ghost " + ghostFile + " is not used: " + error + ".");
        return;
    }
    ghost = std::move(loaded);
    LogLine(LOG_STATUS,
            "Ghost of " + world + " loaded: a lap of " + FormatTime(ghost.Time()) + " in " + ghost.car + ".");
    DressGhost();
}

void ASP_TimeTrial::Attach(ASP_World* shown) {
    shownIn = shown;
    DressGhost();
}

void ASP_TimeTrial::AfterStep(const ASP_Race& race, const ASP_Replay* session) {
    if (tracker.AfterStep(race)) {
        const ASP_GhostLap& lap = tracker.Completed();
        if (bestLap == 0.0 || lap.Time() < bestLap) {
            bestLap = lap.Time();
            gaps.clear();
            for (size_t k = 0; !ghost.IsEmpty() && k < lap.splits.size() && k < ghost.splits.size(); ++k) {
                gaps.push_back(lap.splits[k] - ghost.splits[k]);
            }
        }
        if ((ghost.IsEmpty() || lap.Time() < ghost.Time()) && session != nullptr) {
            KeepAsGhost(race, *session);
        }
    }
    ShowGhost(race);
}

void ASP_TimeTrial::KeepAsGhost(const ASP_Race& race, const ASP_Replay& session) {
    ghost = tracker.Completed();
    DressGhost();
    if (ghostFile.empty()) {
        return;
    }
    ASP_Replay kept = session;
    kept.lapStart = tracker.CompletedStart();
    kept.lapEnd = race.GetSteps();
    kept.finalHash = race.StateHash();
    std::string error;
    MakeFolders(std::filesystem::path(ghostFile).parent_path().string());
    if (!kept.Save(ghostFile, &error)) {
        LogLine(LOG_ERROR, "The ghost " + ghostFile + " was not kept: " + error + ".");
        return;
    }
    LogLine(LOG_STATUS, "New ghost of " + world + ": a lap of " + FormatTime(ghost.Time()) + ".");
}

void ASP_TimeTrial::DressGhost() {
    if (shownIn == nullptr || ghost.IsEmpty() ||
        (ghostCar != nullptr && ghostCar->GetModel().name == ghost.car)) {
        return;
    }
    for (int i = 0; ghostSprite != nullptr && i < shownIn->GetSpriteCount(); ++i) {
        if (shownIn->GetSprite(i) == ghostSprite) {
            shownIn->RemoveSprite(i);
        }
    }
    ghostCar = std::make_unique<ASP_Car>(ASP_CarModel::Load(kCarFile, ghost.car));
    ghostSprite = new ASP_Player(shownIn, *ghostCar, true);
    ghostSprite->LoadCar(kCarFile, ghost.car);
    ghostSprite->SetAlpha(kGhostAlpha);
    ghostSprite->GetTail()->SetAlpha(kGhostAlpha);
    // Under the cars: a car that overtakes its ghost covers it.
    ghostSprite->SetZ(-1e-4);
    ghostSprite->SetVisible(false);
    shownIn->AddSprite(ghostSprite);
}

void ASP_TimeTrial::ShowGhost(const ASP_Race& race) {
    if (ghostSprite == nullptr || tracker.GetCar() >= race.GetCars().size()) {
        return;
    }
    const long long step = race.GetSteps() - tracker.LapStart();
    const bool shown = tracker.LapStart() >= 0 && race.GetCars()[tracker.GetCar()]->record.Racing() &&
                       step < static_cast<long long>(ghost.poses.size());
    ghostSprite->SetVisible(shown);
    if (!shown) {
        return;
    }
    const ASP_GhostLap::Pose& pose = ghost.poses[static_cast<size_t>(step)];
    ghostCar->body.SetPosition(pose.at.x, pose.at.y);
    ghostCar->body.SetRotation(pose.rotation);
    ghostCar->body.motion.SetVelocity(pose.velocity);
    ghostCar->body.motion.SetSpin(pose.spin);
    ghostCar->Control(pose.command);
    ghostSprite->Follow();
}

std::vector<std::string> GapLines(const std::string& caption, const std::vector<double>& gaps,
                                  size_t perLine) {
    std::vector<std::string> lines;
    for (size_t k = 0; k < gaps.size(); ++k) {
        if (k % std::max<size_t>(perLine, 1) == 0) {
            lines.push_back(lines.empty() ? caption : std::string(caption.size(), ' '));
        }
        char gap[48];
        std::snprintf(gap, sizeof gap, "  %zu %+.2f", k + 1, gaps[k]);
        lines.back() += gap;
    }
    return lines;
}
