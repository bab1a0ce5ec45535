#include "game/race/race_sounds.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "engine/ini.h"
#include "game/race/player.h"
#include "game/race/world.h"

namespace {

// Velocity changes (pixels per second) from a collision: below the first a touch is silent, at the
// second a crash is at full volume.
const double kCrashSilent = 40.0;
const double kCrashFull = 450.0;
// Sideways speeds (pixels per second) over which the skid grows to full.
const double kSkidStart = 90.0;
const double kSkidFull = 350.0;
// Speed at which the tyres on loose ground are at full volume.
const double kSurfaceFull = 300.0;
// Seconds the rev takes to follow the throttle, roughly.
const double kRevLag = 0.15;
const double kCrashGap = 0.3;
const double kWarningGap = 2.5;
// How far into its loops each car's engine and skid start (cars beyond four repeat them): loops
// of one sound played in step add up their levels, not their powers, and four engines in step are
// twice as loud as the same four out of step.
const double kLoopStarts[] = {0.0, 0.29, 0.53, 0.77};

double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

}  // namespace

ASP_RaceSounds::ASP_RaceSounds(CAudio* audio) : audio(audio) {}

ASP_RaceSounds::~ASP_RaceSounds() {
    Silence();
}

void ASP_RaceSounds::Load(const std::string& file) {
    if (audio == nullptr) {
        return;
    }
    auto load = [this, &file](const std::string& section, const std::string& key) {
        const std::string name = GetIniString(section, key, "", file);
        return name.empty() ? -1 : audio->LoadSound(name);
    };
    for (int i = 0; i < kEngineLoops; ++i) {
        engineSound[static_cast<size_t>(i)] = load("engine", "loop" + NumberToText(i));
    }
    engineLevel = Clamp01(GetIniDouble("engine", "level", 0.5, file));
    crashSound = load("effects", "crash");
    skidSound = load("effects", "skid");
    checkpointSound = load("effects", "checkpoint");
    lapSound = load("effects", "lap");
    finishSound = load("effects", "finish");
    wrongWaySound = load("effects", "wrongWay");
}

std::array<double, ASP_RaceSounds::kEngineLoops> ASP_RaceSounds::EngineMix(double rev) {
    std::array<double, kEngineLoops> mix{};
    const double at = Clamp01(rev) * (kEngineLoops - 1);
    for (int k = 0; k < kEngineLoops; ++k) {
        // Equal power: the two loops being faded are unrelated, so their powers add.
        mix[static_cast<size_t>(k)] = std::sqrt(std::max(0.0, 1.0 - std::fabs(at - k)));
    }
    return mix;
}

Point ASP_RaceSounds::Pan(int i, int n) {
    const Point left(1.0, 0.45);
    const Point right(0.45, 1.0);
    const Point centre(1.0, 1.0);
    // The views as the world lays them out: two side by side; three with the first in the top
    // middle; four in a grid, the first two on top.
    switch (n) {
        case 2:
        case 4:
            return i % 2 == 0 ? left : right;
        case 3:
            return i == 0 ? centre : (i == 1 ? left : right);
        default:
            return centre;
    }
}

void ASP_RaceSounds::StartLoops(const std::vector<ASP_Player*>& players) {
    started = true;
    cars.assign(players.size(), CarSounds());
    if (audio == nullptr) {
        return;
    }
    for (size_t i = 0; i < players.size(); ++i) {
        CarSounds& s = cars[i];
        const double start = kLoopStarts[i % std::size(kLoopStarts)];
        for (int k = 0; k < kEngineLoops; ++k) {
            s.engine[static_cast<size_t>(k)] =
                audio->PlayLoop(LoopStartingAt(engineSound[static_cast<size_t>(k)], start));
        }
        s.skid = audio->PlayLoop(LoopStartingAt(skidSound, start));
        // A car already moving when the sounds start has not crashed.
        s.velocityBefore = players[i]->GetCar().body.motion.GetVelocity();
        s.lap = players[i]->Record().lap;
        s.lastCheckpoint = players[i]->Record().lastCheckpoint;
        s.finished = players[i]->Record().finished;
    }
}

int ASP_RaceSounds::LoopStartingAt(int sound, double start) const {
    return start > 0.0 ? audio->CopySound(sound, start) : sound;
}

void ASP_RaceSounds::Silence() {
    if (audio == nullptr) {
        return;
    }
    for (CarSounds& s : cars) {
        for (int channel : s.engine) {
            audio->StopChannel(channel);
        }
        audio->StopChannel(s.skid);
        audio->StopChannel(s.surface);
    }
    cars.clear();
}

void ASP_RaceSounds::Update(const ASP_World& world, double dt) {
    const std::vector<ASP_Player*>& players = world.GetPlayers();
    if (audio == nullptr) {
        return;
    }
    if (!started) {
        StartLoops(players);
    }
    const int n = static_cast<int>(std::min(cars.size(), players.size()));
    // Every car gets an equal share, so that four engines together are no louder than two.
    const double share = 1.0 / std::sqrt(std::max(1, n));
    for (int i = 0; i < n; ++i) {
        CarSounds& s = cars[static_cast<size_t>(i)];
        const ASP_Player& car = *players[static_cast<size_t>(i)];
        const Point pan = Pan(i, n);
        UpdateLoops(s, car.GetCar(), world, share, dt);
        for (int channel : s.engine) {
            audio->SetChannelPan(channel, pan.x, pan.y);
        }
        audio->SetChannelPan(s.skid, pan.x, pan.y);
        audio->SetChannelPan(s.surface, pan.x, pan.y);
        PlayCrash(s, car.GetCar().body.motion.GetVelocity(), pan);
        PlayRaceEvents(s, car.Record(), pan, dt);
    }
}

void ASP_RaceSounds::UpdateLoops(CarSounds& s, const ASP_Car& car, const ASP_World& world, double share,
                                 double dt) {
    const Point v = car.body.motion.GetVelocity();
    const double speed = Length(v);
    const double top = car.GetModel().topSpeed;
    const double speedFraction = top > 0.0 ? Clamp01(speed / top) : 0.0;
    const double throttle = car.IsForwardHeld() || car.IsBackwardHeld() ? 1.0 : 0.0;
    // A held throttle revs the engine a little above what the speed alone gives.
    const double targetRev = Clamp01(speedFraction + 0.2 * throttle);
    s.rev += (targetRev - s.rev) * Clamp01(dt / kRevLag);
    const double level = engineLevel * share * (0.45 + 0.3 * throttle + 0.25 * speedFraction);
    const std::array<double, kEngineLoops> mix = EngineMix(s.rev);
    for (size_t k = 0; k < mix.size(); ++k) {
        audio->SetChannelLevel(s.engine[k], level * mix[k]);
    }

    Point side(1.0, 0.0);
    RotatePoint(side, Point(), car.body.GetRotation());
    const double sideways = std::fabs(Dot(v, side));
    audio->SetChannelLevel(s.skid, share * Clamp01((sideways - kSkidStart) / (kSkidFull - kSkidStart)));

    const int m = world.GetRace().GetTrack().ModifierIndexAt(car.body.Centre());
    const std::vector<int>& sounds = world.GetSurfaceSounds();
    const int sound = m >= 0 && static_cast<size_t>(m) < sounds.size() ? sounds[static_cast<size_t>(m)] : -1;
    UpdateSurface(s, sound, share * Clamp01(speed / kSurfaceFull));
}

void ASP_RaceSounds::UpdateSurface(CarSounds& s, int sound, double level) {
    if (sound != s.surfaceSound) {
        audio->StopChannel(s.surface);
        s.surface = audio->PlayLoop(sound);
        s.surfaceSound = sound;
    }
    audio->SetChannelLevel(s.surface, level);
}

void ASP_RaceSounds::PlayCrash(CarSounds& s, Point velocity, Point pan) {
    // Between two steps a car's speed changes this much only when it hits something.
    const double change = Length(velocity - s.velocityBefore);
    s.velocityBefore = velocity;
    if (s.crashCooldown > 0.0 || change < kCrashSilent) {
        return;
    }
    s.crashCooldown = kCrashGap;
    PlayOnce(crashSound, 0.3 + 0.7 * Clamp01((change - kCrashSilent) / (kCrashFull - kCrashSilent)), pan);
}

void ASP_RaceSounds::PlayRaceEvents(CarSounds& s, const ASP_RaceRecord& car, Point pan, double dt) {
    s.crashCooldown -= dt;
    s.warningCooldown -= dt;
    // At full level: the chimes must stand out of the engines and the music.
    if (car.finished && !s.finished) {
        PlayOnce(finishSound, 1.0, pan);
    } else if (car.lap > s.lap && s.lap >= 1) {
        PlayOnce(lapSound, 1.0, pan);
    } else if (car.lastCheckpoint != s.lastCheckpoint) {
        PlayOnce(checkpointSound, 1.0, pan);
    }
    s.finished = car.finished;
    s.lap = car.lap;
    s.lastCheckpoint = car.lastCheckpoint;
    if (car.IsWrongWay() && s.warningCooldown <= 0.0) {
        PlayOnce(wrongWaySound, 0.8, pan);
        s.warningCooldown = kWarningGap;
    }
}

void ASP_RaceSounds::PlayOnce(int sound, double level, Point pan) {
    if (sound < 0 || audio == nullptr) {
        return;
    }
    const int channel = audio->PlaySound(sound);
    audio->SetChannelLevel(channel, level);
    audio->SetChannelPan(channel, pan.x, pan.y);
}
