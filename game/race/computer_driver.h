#pragma once

#include <memory>
#include <string>

#include "engine/geometry.h"

class ASP_Player;
class ASP_World;

// Whatever holds a car's controls when the keyboard does not: called at the start of every step
// of the car, before its driving model reads the controls.
class ASP_CarDriver {
public:
    virtual ~ASP_CarDriver() = default;
    virtual void Drive(ASP_Player& car, double dt) = 0;
};

enum class ASP_Difficulty { Easy = 0, Normal = 1, Hard = 2 };

// How a difficulty drives: the share of the car's top speed it aims for on straights, the sideways
// acceleration it dares in corners and the deceleration it counts on when braking for them
// (pixels per second squared): a lower skill slows down more and earlier.
struct ASP_DriverSkill {
    double straightSpeed;
    double cornerGrip;
    double braking;
};
ASP_DriverSkill SkillFor(ASP_Difficulty difficulty);
// "easy", "normal" or "hard"; anything else is normal.
ASP_Difficulty DifficultyFromText(const std::string& text);
std::string DifficultyText(ASP_Difficulty difficulty);

// A computer opponent: follows the world's racing line, slows for the corners ahead by its skill,
// steers round cars and objects in its way and backs out when it is stuck.
class ASP_ComputerDriver : public ASP_CarDriver {
public:
    ASP_ComputerDriver(const ASP_World& world, ASP_Difficulty difficulty);
    void Drive(ASP_Player& car, double dt) override;

private:
    // The target moved aside for the nearest thing in the way, if any.
    Point AvoidObstacles(const ASP_Player& car, Point pivot, Point facing, Point aim) const;
    // The speed, pixels per second, from which the car can still slow down for every bend ahead.
    double SafeSpeed(const ASP_Player& car, double speed) const;
    // Counts time without getting on along the line and decides to back out.
    bool Reversing(double dt);
    // The way out when backing out does not help: the car stands on the line where it was,
    // facing along it.
    void PutBackOnLine(ASP_Player& car);

    const ASP_World& world;
    ASP_DriverSkill skill;
    // Progress along the racing line a moment ago; -1 before the first step.
    double progress = -1.0;
    // Progress where the car last got on, and the time since.
    double mark = 0.0;
    double stuckFor = 0.0;
    double reverseFor = 0.0;
    // Back-outs since the car last got on.
    int backOuts = 0;
    double offLineFor = 0.0;
    // Seconds until the car is put back on the line; 0 when it is not waiting for that.
    double putBackIn = 0.0;
};

// Adds a car driven by a computer driver on the next start position; false when there is none.
bool AddComputerCar(ASP_World& world, const std::string& carFile, const std::string& carSection,
                    ASP_Difficulty difficulty);

// Ranks the cars that have not finished behind those that have, by laps, then checkpoints taken,
// then closeness to their next checkpoint: the order of a race stopped where it stands.
void RankCarsStillRunning(ASP_World& world);
