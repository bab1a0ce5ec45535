#pragma once

#include <string>
#include <vector>

#include "engine/geometry.h"
#include "game/sim/command.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"

// One lap of a car as its ghost shows it: the car's pose at every step from the line crossing
// that began the lap to the one that ended it, and its time (seconds into the lap) at each
// checkpoint taken, the last one the line: the lap's time.
struct ASP_GhostLap {
    struct Pose {
        // The body's top-left corner, rotation (degrees), velocity (pixels per second) and spin
        // (degrees per second): what the car's picture and its tail show.
        Point at;
        double rotation = 0.0;
        Point velocity;
        double spin = 0.0;
        // What the driver held, for the steering frames.
        ASP_Command command;
    };

    std::vector<Pose> poses;
    std::vector<double> splits;
    // The car it was driven in (its section of the car file).
    std::string car;

    bool IsEmpty() const { return splits.empty(); }
    double Time() const { return splits.empty() ? 0.0 : splits.back(); }
};

// Follows the laps of one car of a race, step by step: the lap it drives, and each lap it
// completes.
class ASP_LapTracker {
public:
    explicit ASP_LapTracker(size_t car) : car(car) {}

    // After the start or a step of race; true when the step completed a lap, which Completed()
    // then holds.
    bool AfterStep(const ASP_Race& race);

    // The lap being driven; empty before the car first crosses the line.
    const ASP_GhostLap& Current() const { return current; }
    const ASP_GhostLap& Completed() const { return completed; }
    // The steps of the line crossings that began the current lap (-1 before the first) and began
    // the completed one.
    long long LapStart() const { return lapStart; }
    long long CompletedStart() const { return completedStart; }
    size_t GetCar() const { return car; }

private:
    size_t car;
    int lapSeen = 0;
    long long lapStart = -1;
    long long completedStart = -1;
    ASP_GhostLap current;
    ASP_GhostLap completed;
};

// A ghost file: the replay of the session that drove the lap, with the lap's steps. The lap is
// driven again from the replay's commands with no window (on pictures' surface maps), which gives
// the ghost's poses. False, with why in error, for a file that cannot be read, whose track or cars
// changed, that is not of this world file, or whose lap does not come out as recorded.
bool LoadGhostLap(const std::string& file, const std::string& world, ASP_TrackPictures& pictures,
                  ASP_GhostLap* lap, std::string* error);
