#include "game/sim/computer_driver.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/angle.h"

namespace {

// A car that has not got kAdvance pixels further along the racing line for kStuckSeconds is
// stuck, and backs out for kReverseSeconds; after kBackOutsBeforeReset back-outs in vain it waits
// as long as a player's reset takes and is put back on the line, kResetAhead pixels on.
constexpr double kAdvance = 150.0;
constexpr double kStuckSeconds = 2.5;
constexpr double kReverseSeconds = 1.6;
constexpr int kBackOutsBeforeReset = 1;
constexpr double kResetAhead = 400.0;
// Things further than this ahead, or further aside of the path than kPassWidth, are not in the way.
constexpr double kLookForObstacles = 320.0;
constexpr double kPassWidth = 110.0;
// How far along the line the car aims, pixels, plus 0.3 s of its speed: beyond its tightest
// turning circle, or it would circle round the target.
constexpr double kAimAhead = 330.0;
// Further off the racing line than this for kOffLineSeconds, the car is lost and put back too.
constexpr double kLostDistance = 400.0;
constexpr double kOffLineSeconds = 4.0;
// Spacing of the looks ahead for bends, pixels.
constexpr double kLookStep = 40.0;
// Facing further off the target than this, degrees, the car slows to kTurningSpeed.
constexpr double kSharpTurn = 35.0;
constexpr double kTurningSpeed = 180.0;
// Brakes only this much, pixels per second, above the wanted speed: rolling slows it by itself.
constexpr double kBrakeMargin = 25.0;
// Steering holds still within this many degrees of the target.
constexpr double kSteerDeadBand = 4.0;

ASP_Command Controls(bool forward, bool backward, bool left, bool right) {
    ASP_Command c;
    c.forward = forward ? 255 : 0;
    c.backward = backward ? 255 : 0;
    c.left = left ? 255 : 0;
    c.right = right ? 255 : 0;
    return c;
}

}  // namespace

ASP_DriverSkill SkillFor(ASP_Difficulty difficulty) {
    switch (difficulty) {
        case ASP_Difficulty::Easy:
            return {0.65, 150.0, 140.0};
        case ASP_Difficulty::Hard:
            return {0.95, 270.0, 220.0};
        case ASP_Difficulty::Normal:
            break;
    }
    return {0.8, 220.0, 180.0};
}

ASP_Difficulty DifficultyFromText(const std::string& text) {
    if (text == "easy") {
        return ASP_Difficulty::Easy;
    }
    return text == "hard" ? ASP_Difficulty::Hard : ASP_Difficulty::Normal;
}

std::string DifficultyText(ASP_Difficulty difficulty) {
    switch (difficulty) {
        case ASP_Difficulty::Easy:
            return "easy";
        case ASP_Difficulty::Hard:
            return "hard";
        case ASP_Difficulty::Normal:
            break;
    }
    return "normal";
}

ASP_ComputerDriver::ASP_ComputerDriver(ASP_Difficulty difficulty) : skill(SkillFor(difficulty)) {}

ASP_Command ASP_ComputerDriver::Drive(ASP_Race& race, size_t i, double dt) {
    ASP_Car& car = race.GetCar(i);
    const ASP_RacingLine& line = race.GetTrack().GetRacingLine();
    if (line.IsEmpty() || !car.record.Racing()) {
        return ASP_Command();
    }
    if (putBackIn > 0.0) {
        // A put-back costs what a player's reset does: the car waits, hands off.
        putBackIn -= dt;
        if (putBackIn <= 0.0) {
            PutBackOnLine(line, car);
        }
        return ASP_Command();
    }
    const Point pivot = car.body.Centre();
    const Point facing = Facing(car.body.GetRotation());
    const double v = Length(car.body.motion.GetVelocity());
    if (progress < 0.0) {
        progress = mark = line.ProgressOf(pivot);
    }
    progress = line.ProgressOf(pivot, progress);
    const Point target = AvoidObstacles(race, i, pivot, facing, line.PointAt(progress + kAimAhead + 0.3 * v));

    const double wanted = SafeSpeed(line, car, v);
    // Counter-clockwise positive: the turn that faces the car at its target.
    const double turn = -AngleBetween(true, target - pivot, facing);
    const bool reversing = Reversing(line, dt);
    offLineFor = Length(line.PointAt(progress) - pivot) > kLostDistance ? offLineFor + dt : 0.0;
    if (backOuts > kBackOutsBeforeReset || offLineFor > kOffLineSeconds) {
        putBackIn = ASP_Car::kResetDelay;
        return ASP_Command();
    }
    // Backing out, the wheels point the other way to swing the nose round.
    const double steer = reversing ? -turn : turn;
    // Far off the aim the car turns tight and slow rather than circling round it.
    const double aimed = std::abs(turn) > kSharpTurn ? std::min(wanted, kTurningSpeed) : wanted;
    return Controls(!reversing && v < aimed, reversing || v > aimed + kBrakeMargin, steer > kSteerDeadBand,
                    steer < -kSteerDeadBand);
}

double ASP_ComputerDriver::SafeSpeed(const ASP_RacingLine& line, const ASP_Car& car, double speed) const {
    double wanted = car.GetSpec().topSpeed * skill.straightSpeed;
    const double reach = speed * speed / (2.0 * skill.braking) + kLookStep;
    for (double d = 0.0; d <= reach; d += kLookStep) {
        const double bendSpeed = std::sqrt(skill.cornerGrip / std::max(line.CurvatureAt(progress + d), 1e-6));
        wanted = std::min(wanted, std::sqrt(bendSpeed * bendSpeed + 2.0 * skill.braking * d));
    }
    return wanted;
}

bool ASP_ComputerDriver::Reversing(const ASP_RacingLine& line, double dt) {
    if (line.Ahead(mark, progress) > kAdvance) {
        mark = progress;
        stuckFor = 0.0;
        backOuts = 0;
    } else {
        stuckFor += dt;
    }
    if (reverseFor > 0.0) {
        reverseFor -= dt;
        return true;
    }
    if (stuckFor > kStuckSeconds) {
        stuckFor = 0.0;
        ++backOuts;
        reverseFor = kReverseSeconds;
    }
    return false;
}

void ASP_ComputerDriver::PutBackOnLine(const ASP_RacingLine& line, ASP_Car& car) {
    // A little ahead, past whatever held the car where it was, but short of its next checkpoint.
    const double toCheckpoint = line.Ahead(progress, line.ProgressOf(car.record.compassTarget));
    progress += toCheckpoint > 0.0 ? std::min(kResetAhead, toCheckpoint * 0.5) : kResetAhead;
    car.PutAt(line.PointAt(progress) - car.body.Pivot(), HeadingOf(line.DirectionAt(progress)));
    offLineFor = 0.0;
    backOuts = 0;
    reverseFor = 0.0;
    mark = progress;
}

Point ASP_ComputerDriver::AvoidObstacles(const ASP_Race& race, size_t car, Point pivot, Point facing,
                                         Point aim) const {
    double nearest = kLookForObstacles;
    Point aside;
    const auto consider = [&](const ASP_Body& thing) {
        // Walls and other fixed things stand clear of the racing line.
        if (!thing.motion.Moves()) {
            return;
        }
        const Point d = thing.Centre() - pivot;
        const double ahead = Dot(d, facing);
        const double across = Cross(facing, d);
        const double room = kPassWidth + 0.5 * std::max(thing.GetWidth(), thing.GetHeight());
        if (ahead <= 0.0 || ahead >= nearest || std::abs(across) >= room) {
            return;
        }
        nearest = ahead;
        // Pass on the side away from it: a right-hand perpendicular of the facing when it is left.
        const Point right(-facing.y, facing.x);
        aside = right * (across < 0.0 ? room + across : across - room);
    };
    for (size_t i : race.GetMovable()) {
        if (i != car) {
            consider(race.BodyAt(i));
        }
    }
    return aim + aside;
}
