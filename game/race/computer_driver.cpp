#include "game/race/computer_driver.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/angle.h"
#include "engine/physics_sprite.h"
#include "game/race/player.h"
#include "game/race/racing_line.h"
#include "game/race/world.h"

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

Point PivotOf(const CImageSpriteEx& s) {
    const Point c = s.GetRotationCenter();
    return Point(s.GetX() + s.GetWidth() * c.x, s.GetY() + s.GetHeight() * c.y);
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

ASP_ComputerDriver::ASP_ComputerDriver(const ASP_World& world, ASP_Difficulty difficulty)
    : world(world), skill(SkillFor(difficulty)) {}

void ASP_ComputerDriver::Drive(ASP_Player& car, double dt) {
    const ASP_RacingLine& line = world.GetRacingLine();
    if (line.IsEmpty() || car.finished) {
        car.SetControls(false, false, false, false);
        return;
    }
    if (putBackIn > 0.0) {
        // A put-back costs what a player's reset does: the car waits, hands off.
        car.SetControls(false, false, false, false);
        putBackIn -= dt;
        if (putBackIn <= 0.0) {
            PutBackOnLine(car);
        }
        return;
    }
    const Point pivot = PivotOf(car);
    const Point facing = Facing(car.GetRotation());
    const double v = Length(car.GetVelocity());
    if (progress < 0.0) {
        progress = mark = line.ProgressOf(pivot);
    }
    progress = line.ProgressOf(pivot, progress);
    const Point target = AvoidObstacles(car, pivot, facing, line.PointAt(progress + kAimAhead + 0.3 * v));

    const double wanted = SafeSpeed(car, v);
    // Counter-clockwise positive: the turn that faces the car at its target.
    const double turn = -AngleBetween(true, target - pivot, facing);
    const bool reversing = Reversing(dt);
    offLineFor = Length(line.PointAt(progress) - pivot) > kLostDistance ? offLineFor + dt : 0.0;
    if (backOuts > kBackOutsBeforeReset || offLineFor > kOffLineSeconds) {
        putBackIn = ASP_Player::kResetDelay;
        return;
    }
    // Backing out, the wheels point the other way to swing the nose round.
    const double steer = reversing ? -turn : turn;
    // Far off the aim the car turns tight and slow rather than circling round it.
    const double aimed = std::abs(turn) > kSharpTurn ? std::min(wanted, kTurningSpeed) : wanted;
    car.SetControls(!reversing && v < aimed, reversing || v > aimed + kBrakeMargin, steer > kSteerDeadBand,
                    steer < -kSteerDeadBand);
}

double ASP_ComputerDriver::SafeSpeed(const ASP_Player& car, double speed) const {
    const ASP_RacingLine& line = world.GetRacingLine();
    double wanted = car.GetTopSpeed() * skill.straightSpeed;
    const double reach = speed * speed / (2.0 * skill.braking) + kLookStep;
    for (double d = 0.0; d <= reach; d += kLookStep) {
        const double bendSpeed = std::sqrt(skill.cornerGrip / std::max(line.CurvatureAt(progress + d), 1e-6));
        wanted = std::min(wanted, std::sqrt(bendSpeed * bendSpeed + 2.0 * skill.braking * d));
    }
    return wanted;
}

bool ASP_ComputerDriver::Reversing(double dt) {
    if (world.GetRacingLine().Ahead(mark, progress) > kAdvance) {
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

void ASP_ComputerDriver::PutBackOnLine(ASP_Player& car) {
    const ASP_RacingLine& line = world.GetRacingLine();
    // A little ahead, past whatever held the car where it was, but short of its next checkpoint.
    const double toCheckpoint = line.Ahead(progress, line.ProgressOf(car.compassTarget));
    progress += toCheckpoint > 0.0 ? std::min(kResetAhead, toCheckpoint * 0.5) : kResetAhead;
    const Point on = line.PointAt(progress);
    const Point c = car.GetRotationCenter();
    car.SetX(on.x - car.GetWidth() * c.x);
    car.SetY(on.y - car.GetHeight() * c.y);
    car.SetRotation(HeadingOf(line.DirectionAt(progress)));
    offLineFor = 0.0;
    car.SetVelocity(Point());
    car.SetAngularVelocity(0.0);
    car.SetControls(false, false, false, false);
    backOuts = 0;
    reverseFor = 0.0;
    mark = progress;
}

Point ASP_ComputerDriver::AvoidObstacles(const ASP_Player& car, Point pivot, Point facing, Point aim) const {
    double nearest = kLookForObstacles;
    Point aside;
    for (int i = 0; i < world.GetSpriteCount(); ++i) {
        const auto* thing = dynamic_cast<const CPhysicsSprite*>(world.GetSprite(i));
        // Walls and other fixed things stand clear of the racing line.
        if (thing == nullptr || thing == &car || thing->IsFixedPosition()) {
            continue;
        }
        const Point d = PivotOf(*thing) - pivot;
        const double ahead = Dot(d, facing);
        const double across = Cross(facing, d);
        const double room = kPassWidth + 0.5 * std::max(thing->GetWidth(), thing->GetHeight());
        if (ahead <= 0.0 || ahead >= nearest || std::abs(across) >= room) {
            continue;
        }
        nearest = ahead;
        // Pass on the side away from it: a right-hand perpendicular of the facing when it is left.
        const Point right(-facing.y, facing.x);
        aside = right * (across < 0.0 ? room + across : across - room);
    }
    return aim + aside;
}

bool AddComputerCar(ASP_World& world, const std::string& carFile, const std::string& carSection,
                    ASP_Difficulty difficulty) {
    if (!world.AddPlayer(carFile, carSection, "", "")) {
        return false;
    }
    world.GetPlayers().back()->SetDriver(std::make_unique<ASP_ComputerDriver>(world, difficulty));
    return true;
}

void RankCarsStillRunning(ASP_World& world) {
    std::vector<ASP_Player*> running;
    int finished = 0;
    for (ASP_Player* car : world.GetPlayers()) {
        if (car->finished) {
            ++finished;
        } else {
            running.push_back(car);
        }
    }
    auto ahead = [](const ASP_Player* a, const ASP_Player* b) {
        if (a->lap != b->lap) {
            return a->lap > b->lap;
        }
        if (a->lastCheckpoint != b->lastCheckpoint) {
            return a->lastCheckpoint > b->lastCheckpoint;
        }
        return Length(a->compassTarget - PivotOf(*a)) < Length(b->compassTarget - PivotOf(*b));
    };
    std::stable_sort(running.begin(), running.end(), ahead);
    for (size_t i = 0; i < running.size(); ++i) {
        running[i]->position = finished + 1 + static_cast<int>(i);
    }
}
