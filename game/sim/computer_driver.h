#pragma once

#include <memory>
#include <string>

#include "engine/geometry.h"
#include "game/sim/race.h"

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

// A computer opponent: follows the track's racing line, slows for the corners ahead by its skill,
// steers round cars and objects in its way and backs out when it is stuck.
class ASP_ComputerDriver : public ASP_CarDriver {
public:
    explicit ASP_ComputerDriver(ASP_Difficulty difficulty);
    ASP_Command Drive(ASP_Race& race, size_t car, double dt) override;
    std::unique_ptr<ASP_CarDriver> Clone() const override { return std::make_unique<ASP_ComputerDriver>(*this); }

private:
    // The target moved aside for the nearest thing in the way, if any.
    Point AvoidObstacles(const ASP_Race& race, size_t car, Point pivot, Point facing, Point aim) const;
    // The speed, pixels per second, from which the car can still slow down for every bend ahead.
    double SafeSpeed(const ASP_RacingLine& line, const ASP_Car& car, double speed) const;
    // Counts time without getting on along the line and decides to back out.
    bool Reversing(const ASP_RacingLine& line, double dt);
    // The way out when backing out does not help: the car stands on the line where it was,
    // facing along it.
    void PutBackOnLine(const ASP_RacingLine& line, ASP_Car& car);

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
