#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/log.h"
#include "game/sim/car.h"
#include "game/sim/command.h"
#include "game/sim/race_rules.h"
#include "game/sim/track.h"

class ASP_Race;

// Whatever decides a car's commands when no human does: asked at the start of every step of its
// car. It may put its car back on the track through the race, as a reset would.
class ASP_CarDriver {
public:
    virtual ~ASP_CarDriver() = default;
    virtual ASP_Command Drive(ASP_Race& race, size_t car, double dt) = 0;
    // A driver in the same state, for a copy of the race.
    virtual std::unique_ptr<ASP_CarDriver> Clone() const = 0;
};

// A race as a simulation of its own: the track, the cars with their driving model and drivers, the
// movable objects, collisions and the race rules, stepped with a fixed step and one command per
// car per step, in the world's own frame. It draws nothing, plays nothing and reads no clock, so
// the same track, cars, seed and commands give the same race to the bit, wherever it runs.
class ASP_Race : public CLogSource {
public:
    // The race advances in steps of this length, whatever the frame rate: at the boost strip's
    // 1,350 pixels per second a car moves 11 pixels a step, well under half the thinnest wall (32
    // pixels), so no step carries it through one.
    static constexpr double kStep = 1.0 / 120.0;
    // Cars a race takes at most, whatever its grid.
    static constexpr int kMaxCars = 8;

    explicit ASP_Race(uint64_t seed = 0);
    ~ASP_Race() override;
    ASP_Race(const ASP_Race&) = delete;
    ASP_Race& operator=(const ASP_Race&) = delete;

    // Reads the track and puts its objects in place. False (logged) if the file is missing.
    bool Load(const std::string& worldFile, ASP_TrackPictures& pictures);
    // Adds a car on the next free start position, driven by commands or, given one, by its
    // driver; its index, or -1 (logged) when the grid is full.
    int AddCar(const ASP_CarModel& model, std::unique_ptr<ASP_CarDriver> driver = nullptr);
    // GO: every car gets one push off the grid and one first move of a tenth of a second, holding
    // what its command (or driver) says.
    void Start(const std::vector<ASP_Command>& held);
    // One step: commands by car index (those of cars with a driver, and missing ones, are ignored).
    // Nothing happens once the race is over.
    void Step(const std::vector<ASP_Command>& commands);

    // Ends the race where it stands, the cars still driving ranked as they are.
    void Abandon();
    // From the next step on, a driver drives the car instead of its commands (a player who left).
    void TakeOver(size_t car, std::unique_ptr<ASP_CarDriver> driver);
    // Takes everything that changes during a race from another race of the same track and cars,
    // so that stepping both the same way keeps them the same: a guess ahead of what is known can be
    // started again from it.
    void CopyState(const ASP_Race& from);

    // What the last step (or the start) brought.
    const std::vector<ASP_RaceEvent>& GetEvents() const { return events; }
    // The command each car drove the last step with, its driver's for a computer car.
    const std::vector<ASP_Command>& GetStepCommands() const { return applied; }
    // Positions, velocities, spins and progress of every car and object, as a 64-bit FNV-1a hash.
    uint64_t StateHash() const;
    // "0123456789abcdef": the hash as the log and the command line show it.
    static std::string HashText(uint64_t hash);

    const ASP_Track& GetTrack() const { return track; }
    // Before the start: the race runs this many laps instead of the track's.
    void SetLaps(int laps) { track.SetLaps(laps); }
    const ASP_Cars& GetCars() const { return cars; }
    ASP_Car& GetCar(size_t i) { return *cars[i]; }
    const std::vector<ASP_TrackObject>& GetObjects() const { return objects; }
    // Body i: the cars first, then the objects.
    const ASP_Body& BodyAt(size_t i) const {
        return i < cars.size() ? cars[i]->body : objects[i - cars.size()].body;
    }
    // The bodies that may move, by body index, in order.
    const std::vector<size_t>& GetMovable() const { return movable; }
    ASP_RaceRules& GetRules() { return rules; }
    const ASP_RaceRules& GetRules() const { return rules; }
    bool IsComputer(size_t car) const { return car < drivers.size() && drivers[car] != nullptr; }
    bool IsOver() const { return rules.IsOver(); }
    bool IsStarted() const { return started; }
    long long GetSteps() const { return steps; }
    uint64_t GetSeed() const { return seed; }
    // Random bits for the drivers, from the race's seed.
    uint64_t Random() { return random(); }

private:
    ASP_Command CommandFor(size_t car, const std::vector<ASP_Command>& commands, double dt);
    void StepObjects(double dt);
    // Finds the walls and other objects that never move: they are sorted into a grid once.
    void FileStaticObjects();
    void Collide();
    // The pair a < b (body indices) meets, if their outlines overlap.
    void CollidePair(size_t a, size_t b);
    // Takes a body that met something this step out of the fixed bodies it still lies in.
    void SettleAmongFixed(size_t body);
    bool Awake(size_t body) const;
    void PassCheckpoints();
    // Whether the car's outline meets another car's.
    bool OverlapsACar(size_t car) const;
    // The checkpoints the car lies over now count as reached already: after a put-back.
    void SettleOnCheckpoints(size_t car);
    void FollowWrongWay();
    // The state hash in the log at every lap and at the end, to compare two runs of a race.
    void LogHashes();
    // Body i of the collision pass: the cars, then the objects.
    ASP_Body& BodyAt(size_t i);

    uint64_t seed;
    std::mt19937_64 random;
    ASP_Track track;
    ASP_Cars cars;
    std::vector<std::unique_ptr<ASP_CarDriver>> drivers;
    std::vector<ASP_TrackObject> objects;
    ASP_RaceRules rules;
    // Body indices of the bodies that may move (the cars, then movable objects), and of the objects
    // that never do by grid cell.
    std::vector<size_t> movable;
    std::unordered_map<uint64_t, std::vector<size_t>> staticCells;
    std::vector<size_t> found;
    // Body indices of the bodies that met something in the step's collision pass.
    std::vector<size_t> pressed;
    std::vector<ASP_RaceEvent> events;
    std::vector<ASP_Command> applied;
    std::vector<bool> wrongWay;
    // By car, the checkpoints its outline lay over after the last step: a checkpoint is taken when
    // a car reaches it, not for every step it stays on it.
    std::vector<std::vector<char>> onCheckpoint;
    long long steps = 0;
    bool started = false;
};
