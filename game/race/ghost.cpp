#include "game/race/ghost.h"

#include <climits>
#include <memory>

#include "game/race/replay_library.h"
#include "game/sim/computer_driver.h"

namespace {

// A lap that ends later than an hour into its session is a broken file, not a lap: driving it
// again would hold the loader for long.
constexpr long long kMaxGhostSteps = static_cast<long long>(3600.0 / ASP_Race::kStep);

}  // namespace

bool ASP_LapTracker::AfterStep(const ASP_Race& race) {
    if (car >= race.GetCars().size()) {
        return false;
    }
    const ASP_Car& c = *race.GetCars()[car];
    ASP_GhostLap::Pose pose{Point(c.body.GetX(), c.body.GetY()), c.body.GetRotation(),
                            c.body.motion.GetVelocity(), c.body.motion.GetSpin(), ASP_Command()};
    if (car < race.GetStepCommands().size()) {
        pose.command = race.GetStepCommands()[car];
        pose.command.flags = 0;
    }
    if (c.record.lap == lapSeen) {
        if (lapStart < 0) {
            return false;
        }
        for (const ASP_RaceEvent& e : race.GetEvents()) {
            if (e.kind == ASP_RaceEvent::Checkpoint && e.car == static_cast<int>(car)) {
                current.splits.push_back(c.record.lapTime);
            }
        }
        current.poses.push_back(pose);
        return false;
    }
    // The line: the lap driven ends here (the first crossing ends none) and the next begins.
    bool done = false;
    for (const ASP_RaceEvent& e : race.GetEvents()) {
        if (e.kind == ASP_RaceEvent::Lap && e.car == static_cast<int>(car) && lapStart >= 0) {
            current.poses.push_back(pose);
            current.splits.push_back(e.time);
            completed = std::move(current);
            completedStart = lapStart;
            done = true;
        }
    }
    current = ASP_GhostLap();
    current.car = c.GetModel().name;
    current.poses.push_back(pose);
    lapSeen = c.record.lap;
    lapStart = race.GetSteps();
    return done;
}

bool LoadGhostLap(const std::string& file, const std::string& world, ASP_TrackPictures& pictures,
                  ASP_GhostLap* lap, std::string* error) {
    ASP_Replay replay;
    if (!replay.Load(file, error)) {
        return false;
    }
    if (replay.world != world) {
        *error = "it is a ghost of " + replay.world + ", not of " + world;
        return false;
    }
    if (const std::string refused = ReplayRefusal(replay); !refused.empty()) {
        *error = refused;
        return false;
    }
    if (replay.lapStart < 1 || replay.lapEnd <= replay.lapStart || replay.lapEnd >= replay.Steps() ||
        replay.lapEnd > kMaxGhostSteps) {
        *error = "it holds no lap";
        return false;
    }
    ASP_Race race(replay.seed);
    if (!race.Load(ReplayWorldFile(replay), pictures)) {
        *error = "its track cannot be read";
        return false;
    }
    size_t driver = SIZE_MAX;
    for (const ASP_ReplayCar& car : replay.cars) {
        auto computer = car.computer ? std::make_unique<ASP_ComputerDriver>(replay.difficulty) : nullptr;
        const int index = race.AddCar(ASP_CarModel::Load(kCarFile, car.car), std::move(computer));
        if (index >= 0 && !car.computer && driver == SIZE_MAX) {
            driver = static_cast<size_t>(index);
        }
    }
    ASP_LapTracker tracker(driver);
    race.Start(replay.CommandsAt(0));
    for (long long s = 1; s <= replay.lapEnd && !race.IsOver(); ++s) {
        race.Step(replay.CommandsAt(s));
        if (tracker.AfterStep(race) && s == replay.lapEnd && tracker.CompletedStart() == replay.lapStart) {
            *lap = tracker.Completed();
            return true;
        }
    }
    *error = "its lap does not come out as it was driven";
    return false;
}
