#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/log.h"
#include "game/race/ghost.h"
#include "game/sim/car.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"

class ASP_Player;
class ASP_World;

// A time trial: one driver alone on a track against the ghost of the track's best lap. The ghost
// drives its lap translucent through the world, with no part in the race, from the line each time
// the driver crosses it. A lap better than the ghost's becomes the ghost at its end: the session's
// replay so far, with that lap's steps, is written to the ghost file. The session's best lap is
// compared, checkpoint by checkpoint, with the ghost it was driven against.
class ASP_TimeTrial : public CLogSource {
public:
    // How much of the ghost shows, of 255: about 40 %.
    static constexpr double kGhostAlpha = 102.0;

    // The ghost of world (as the track list names it) is kept in ghostFile, a host path; the
    // driver is car 0 of the race.
    ASP_TimeTrial(std::string ghostFile, std::string world);
    ~ASP_TimeTrial() override;
    ASP_TimeTrial(const ASP_TimeTrial&) = delete;
    ASP_TimeTrial& operator=(const ASP_TimeTrial&) = delete;

    // Reads the track's ghost and drives its lap again for its poses; without one (logged why)
    // the driver's first lap becomes the ghost.
    void LoadGhost(ASP_TrackPictures& pictures);
    // The ghost shows in world, which must outlive the time trial's use of it; none without.
    void Attach(ASP_World* world);
    // After each step of the race, with the session's replay as recorded so far (none keeps no
    // ghost file).
    void AfterStep(const ASP_Race& race, const ASP_Replay* session);

    const ASP_GhostLap& GetGhost() const { return ghost; }
    // The session's best lap minus the ghost it was driven against, seconds, at each checkpoint
    // (the last the line); none before a lap against a ghost.
    const std::vector<double>& GetGaps() const { return gaps; }
    // The ghost's body, where it shows; null before there is a ghost to show.
    const ASP_Car* GetGhostCar() const { return ghostCar.get(); }
    ASP_Player* GetGhostSprite() const { return ghostSprite; }

private:
    void KeepAsGhost(const ASP_Race& race, const ASP_Replay& session);
    // A ghost car and sprite of the ghost's car, when it has none of that car yet.
    void DressGhost();
    void ShowGhost(const ASP_Race& race);

    std::string ghostFile;
    std::string world;
    ASP_LapTracker tracker{0};
    ASP_GhostLap ghost;
    double bestLap = 0.0;
    std::vector<double> gaps;
    ASP_World* shownIn = nullptr;
    std::unique_ptr<ASP_Car> ghostCar;
    // Owned by the world.
    ASP_Player* ghostSprite = nullptr;
};

// "Gaps to ghost  1 +0.21  2 -0.10 ...": the caption, then each gap after the number of its
// checkpoint, perLine of them a line; no lines without gaps.
std::vector<std::string> GapLines(const std::string& caption, const std::vector<double>& gaps,
                                  size_t perLine);
