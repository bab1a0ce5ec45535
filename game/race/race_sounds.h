#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/audio.h"
#include "engine/geometry.h"
#include "engine/log.h"

class ASP_Car;
class ASP_Player;
class ASP_Race;
class ASP_World;
struct ASP_RaceRecord;

// The sounds of a race: every car's engine, skid and tyre-on-surface loops, and the one-shot
// crashes, checkpoint, lap and finish chimes and wrong-way warnings. It watches the cars' race
// records and motion, so neither the cars nor the race rules know about sound.
class ASP_RaceSounds : public CLogSource {
public:
    static constexpr int kEngineLoops = 4;

    explicit ASP_RaceSounds(CAudio* audio);
    ~ASP_RaceSounds() override;
    ASP_RaceSounds(const ASP_RaceSounds&) = delete;
    ASP_RaceSounds& operator=(const ASP_RaceSounds&) = delete;

    // Reads the sound files of "dat\sounds.dat"; a missing one stays silent.
    void Load(const std::string& file);
    // Follows every car after a step: loops, crashes (sudden changes of speed), chimes and
    // warnings. Starts the loops on its first call.
    void Update(const ASP_World& world, double dt);
    // Stops the loops, for a race that is over; the one-shot sounds play out.
    void Silence();

    // Levels (0 to 1) of the engine loops for a rev of 0 to 1: neighbouring loops cross-fade.
    static std::array<double, kEngineLoops> EngineMix(double rev);
    // Left and right loudness of the sounds of car i of n, placed on the side of its view.
    static Point Pan(int i, int n);

private:
    struct CarSounds {
        std::array<int, kEngineLoops> engine{-1, -1, -1, -1};
        int skid = -1;
        int surface = -1;
        int surfaceSound = -1;
        double rev = 0.0;
        Point velocityBefore;
        double crashCooldown = 0.0;
        double warningCooldown = 0.0;
        int lap = 0;
        int lastCheckpoint = -1;
        bool finished = false;
    };

    void StartLoops(const std::vector<ASP_Player*>& cars);
    // The sound, or its copy that starts this fraction of the way into it.
    int LoopStartingAt(int sound, double start) const;
    void UpdateLoops(CarSounds& s, const ASP_Car& car, const ASP_World& world, double share, double dt);
    void UpdateSurface(CarSounds& s, int sound, double level);
    // A crash is a sudden change of the car's velocity since the last update.
    void PlayCrash(CarSounds& s, Point velocity, Point pan);
    void PlayRaceEvents(CarSounds& s, const ASP_RaceRecord& car, Point pan, double dt);
    void PlayOnce(int sound, double level, Point pan);

    CAudio* audio;
    std::array<int, kEngineLoops> engineSound{-1, -1, -1, -1};
    double engineLevel = 0.5;
    int crashSound = -1;
    int skidSound = -1;
    int checkpointSound = -1;
    int lapSound = -1;
    int finishSound = -1;
    int wrongWaySound = -1;
    std::vector<CarSounds> cars;
    bool started = false;
};
