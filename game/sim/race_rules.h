#pragma once

#include <memory>
#include <vector>

#include "engine/geometry.h"
#include "game/sim/car.h"

class ASP_Track;
struct ASP_Checkpoint;

// Something of a step that drawing, sound and the game's results follow.
struct ASP_RaceEvent {
    enum Kind {
        // Two bodies met: car and other are body indices of the race (cars first, then objects).
        Contact,
        // A car took a checkpoint (value: its index).
        Checkpoint,
        // A car completed a lap (value: the lap number now begun, time: the lap's time).
        Lap,
        // A car finished (value: its place, time: its race time).
        Finish,
        // A car left the race unplaced.
        Retired,
        // A car started driving the wrong way.
        WrongWay,
        // The race is over; the results stand.
        RaceOver,
    };
    Kind kind = Contact;
    int car = -1;
    int other = -1;
    int value = 0;
    double time = 0.0;
    // Contacts: where, and how hard (the impulse).
    Point at;
    double impulse = 0.0;
};

using ASP_Cars = std::vector<std::unique_ptr<ASP_Car>>;

// The race rules and the one owner of every car's progress: which checkpoint a car may take next,
// laps and best laps, positions (worked out once a step), the finish, the time the others have
// after the first finish, giving up, and when the race is over. Cars whose driver is a human
// decide when the race ends; without any, every car does.
class ASP_RaceRules {
public:
    explicit ASP_RaceRules(const ASP_Track& track);

    // A car's outline lies over a checkpoint: takes it when the car may.
    void Pass(ASP_Cars& cars, size_t car, const ASP_Checkpoint& checkpoint,
              std::vector<ASP_RaceEvent>& events);
    // Points the car's compass at the nearest checkpoint of this index (0 after the last one).
    void SetCheckpointTarget(ASP_Car& car, int index) const;
    // Where a reset asked for now puts the car: on its last accepted checkpoint (the nearest of
    // that index), facing the next one; before the first, on its start position.
    ASP_PutBack PutBackPlace(const ASP_Car& car, size_t index) const;
    // Puts the car there at rest and points its compass at the checkpoint it has to take next.
    void PutBack(ASP_Car& car, const ASP_PutBack& place) const;
    // The car's driver leaves the race.
    void Retire(ASP_Cars& cars, size_t car, std::vector<ASP_RaceEvent>& events);
    // After each step: the positions, the finish timeout, the end of the race.
    void AfterStep(ASP_Cars& cars, const std::vector<bool>& humans, double dt,
                   std::vector<ASP_RaceEvent>& events);

    // Takes the progress of the rules of another race of the same track.
    void CopyState(const ASP_RaceRules& from);
    // Ends the race now, the cars still driving placed where they stand.
    void Stop(ASP_Cars& cars, std::vector<ASP_RaceEvent>& events);

    bool IsOver() const { return over; }
    // Seconds until the race ends for the cars still driving; below 0 while nobody finished, or
    // when the track waits for every car.
    double GetRaceEndIn() const { return raceEndIn; }

private:
    // The place of every car: finishers by their finish, the others by laps, checkpoints and then
    // by who got there first (before the first crossing, and at the end, by how near they are to
    // their next checkpoint), retired cars last.
    void Rank(ASP_Cars& cars, bool byDistance);
    const ASP_Checkpoint* NearestCheckpoint(Point from, int index) const;
    // The nearest of the checkpoints of this index, the finish's (0) past the last one.
    const ASP_Checkpoint* NextCheckpoint(Point from, int index) const;

    const ASP_Track& track;
    // Steps so far; when each car took its last checkpoint and when it finished.
    long long step = 0;
    std::vector<long long> reachedAt;
    std::vector<long long> finishedAt;
    double raceEndIn = -1.0;
    bool over = false;
};
