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

// Where a racing line passes through a checkpoint's outline: the middle of the stretch inside it
// nearest the outline's centre, with its progress along the line. Without a stretch inside, the
// point of the line nearest the centre, and found is false.
struct ASP_Crossing {
    Point point;
    double progress = 0.0;
    bool found = false;
};
ASP_Crossing CrossingOf(const ASP_RacingLine& line, const Quad& outline);

// A computer opponent: follows the track's racing line, slows for the corners ahead by its skill,
// steers round cars and objects in its way and backs out when it is stuck. Nearing its next
// checkpoint it aims through it rather than cutting past (a thin one at the apex of a bend), and
// it turns back for a checkpoint it passed without taking.
class ASP_ComputerDriver : public ASP_CarDriver {
public:
    // A driver outside the race (one machine's autopilot in a network race) cannot move its car;
    // it asks for a reset as a player does instead.
    explicit ASP_ComputerDriver(ASP_Difficulty difficulty, bool resetsByCommand = false);
    ASP_Command Drive(ASP_Race& race, size_t car, double dt) override;
    std::unique_ptr<ASP_CarDriver> Clone() const override {
        return std::make_unique<ASP_ComputerDriver>(*this);
    }
    // Whether the car is on its way back to a checkpoint it passed without taking.
    bool IsGoingBack() const { return goingBack; }

private:
    // Where the car heads for: along the line, through its next checkpoint, or back to it.
    Point Aim(const ASP_Race& race, const ASP_Car& car, Point pivot, double speed);
    // Finds the checkpoint the car has to take next, and the line's crossing of it, when that
    // one changes.
    void FollowNextCheckpoint(const ASP_Race& race, const ASP_Car& car);
    // Beyond the next checkpoint's outline, across it the way the line runs, and past it on the
    // line: the car went by without taking it.
    bool Missed(const ASP_Race& race, Point pivot) const;
    // How far the car got towards where it is heading since it last got on, pixels.
    double Gained(const ASP_RacingLine& line, Point pivot) const;
    // The target moved aside for the nearest thing in the way, if any.
    Point AvoidObstacles(const ASP_Race& race, size_t car, Point pivot, Point facing, Point aim) const;
    // The speed, pixels per second, from which the car can still slow down for every bend ahead.
    double SafeSpeed(const ASP_RacingLine& line, const ASP_Car& car, double speed) const;
    // Counts time without getting on and decides to back out.
    bool Reversing(const ASP_RacingLine& line, Point pivot, double dt);
    // The way out when backing out does not help: the car stands on the line a little ahead of
    // where it was (before the checkpoint it missed, when it was going back for one), facing
    // along it.
    void PutBackOnLine(const ASP_RacingLine& line, ASP_Car& car);

    ASP_DriverSkill skill;
    // Progress along the racing line a moment ago; -1 before the first step.
    double progress = -1.0;
    // Progress where the car last got on (its distance to the checkpoint when going back), and the
    // time since.
    double mark = 0.0;
    double stuckFor = 0.0;
    double reverseFor = 0.0;
    // Back-outs since the car last got on.
    int backOuts = 0;
    double offLineFor = 0.0;
    // Seconds until the car is put back on the line; 0 when it is not waiting for that.
    double putBackIn = 0.0;
    bool resetsByCommand = false;
    // The checkpoint to take next (its place among all of the track's), -1 before the first
    // step, and where the line crosses it.
    int checkpoint = -1;
    ASP_Crossing crossing;
    bool goingBack = false;
};
