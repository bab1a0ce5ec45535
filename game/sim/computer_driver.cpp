#include "game/sim/computer_driver.h"

#include <algorithm>
#include <cmath>
#include <tuple>
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
// A car whose pivot is this far, pixels, beyond a checkpoint's outline has gone past it.
constexpr double kMissedBy = 40.0;
// A car put back for a checkpoint it missed stands this far before it on the line, pixels.
constexpr double kBeforeMissed = 200.0;

ASP_Command Controls(bool forward, bool backward, bool left, bool right) {
    ASP_Command c;
    c.forward = forward ? 255 : 0;
    c.backward = backward ? 255 : 0;
    c.left = left ? 255 : 0;
    c.right = right ? 255 : 0;
    return c;
}

// The part [t0, t1] of the segment a + t (b - a), 0 <= t <= 1, inside a rectangular outline; false
// when none is.
bool ClipToOutline(Point a, Point b, const Quad& q, double* t0, double* t1) {
    const Point centre = QuadCentre(q);
    double enter = 0.0;
    double leave = 1.0;
    for (int k = 0; k < 4; ++k) {
        const Point from = q.p[k];
        const Point edge = q.p[(k + 1) % 4] - from;
        Point inward(-edge.y, edge.x);
        if (Dot(inward, centre - from) < 0.0) {
            inward = -inward;
        }
        // Inside where Dot(inward, a + t (b - a) - from) >= 0.
        const double at = Dot(inward, a - from);
        const double rate = Dot(inward, b - a);
        if (rate == 0.0) {
            if (at < 0.0) {
                return false;
            }
        } else if (rate > 0.0) {
            enter = std::max(enter, -at / rate);
        } else {
            leave = std::min(leave, -at / rate);
        }
    }
    *t0 = enter;
    *t1 = leave;
    return enter <= leave;
}

// A stretch of the line, by progress from its start to its end.
struct Stretch {
    double from;
    double to;
};

// The stretches of the line inside an outline; one that runs on into the next segment, or over the
// line's first point, is one stretch.
std::vector<Stretch> StretchesInside(const ASP_RacingLine& line, const Quad& outline) {
    const std::vector<Point>& points = line.GetPoints();
    std::vector<Stretch> inside;
    double along = 0.0;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point a = points[i];
        const Point b = points[(i + 1) % points.size()];
        const double length = Length(b - a);
        double t0 = 0.0;
        double t1 = 0.0;
        if (ClipToOutline(a, b, outline, &t0, &t1)) {
            const Stretch s{along + t0 * length, along + t1 * length};
            if (!inside.empty() && s.from - inside.back().to < 1e-9) {
                inside.back().to = s.to;
            } else {
                inside.push_back(s);
            }
        }
        along += length;
    }
    const double loop = line.GetLength();
    if (inside.size() > 1 && inside.front().from < 1e-9 && loop - inside.back().to < 1e-9) {
        inside.front().from = inside.back().from - loop;
        inside.pop_back();
    }
    return inside;
}

}  // namespace

ASP_Crossing CrossingOf(const ASP_RacingLine& line, const Quad& outline) {
    const Point centre = QuadCentre(outline);
    ASP_Crossing crossing;
    crossing.progress = line.ProgressOf(centre);
    crossing.point = line.PointAt(crossing.progress);
    if (!HasArea(outline)) {
        return crossing;
    }
    double nearest = 0.0;
    for (const Stretch& s : StretchesInside(line, outline)) {
        const double middle = (s.from + s.to) * 0.5;
        const Point p = line.PointAt(middle);
        if (!crossing.found || Length(p - centre) < nearest) {
            crossing = ASP_Crossing{p, middle < 0.0 ? middle + line.GetLength() : middle, true};
            nearest = Length(p - centre);
        }
    }
    return crossing;
}

ASP_DriverSkill SkillFor(ASP_Difficulty difficulty) {
    switch (difficulty) {
        case ASP_Difficulty::Easy:
            return {0.65, 150.0, 140.0};
        case ASP_Difficulty::Hard:
            return {1.0, 300.0, 240.0};
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

ASP_ComputerDriver::ASP_ComputerDriver(ASP_Difficulty difficulty, bool byCommand)
    : skill(SkillFor(difficulty)), resetsByCommand(byCommand) {}

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
    const Point target = AvoidObstacles(race, i, pivot, facing, Aim(race, car, pivot, v));

    const double wanted = SafeSpeed(line, car, v);
    // Counter-clockwise positive: the turn that faces the car at its target.
    const double turn = -AngleBetween(true, target - pivot, facing);
    const bool reversing = Reversing(line, pivot, dt);
    offLineFor = Length(line.PointAt(progress) - pivot) > kLostDistance ? offLineFor + dt : 0.0;
    if (backOuts > kBackOutsBeforeReset || offLineFor > kOffLineSeconds) {
        if (resetsByCommand) {
            // The reset puts the car back at its last checkpoint; the line is found again from there.
            std::tie(progress, backOuts, offLineFor, reverseFor) = std::tuple(-1.0, 0, 0.0, 0.0);
            std::tie(checkpoint, goingBack) = std::tuple(-1, false);
            ASP_Command reset;
            reset.flags = ASP_Command::kReset;
            return reset;
        }
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
    double wanted = car.GetModel().topSpeed * skill.straightSpeed;
    const double reach = speed * speed / (2.0 * skill.braking) + kLookStep;
    for (double d = 0.0; d <= reach; d += kLookStep) {
        const double bendSpeed = std::sqrt(skill.cornerGrip / std::max(line.CurvatureAt(progress + d), 1e-6));
        wanted = std::min(wanted, std::sqrt(bendSpeed * bendSpeed + 2.0 * skill.braking * d));
    }
    return wanted;
}

Point ASP_ComputerDriver::Aim(const ASP_Race& race, const ASP_Car& car, Point pivot, double speed) {
    const ASP_RacingLine& line = race.GetTrack().GetRacingLine();
    const Point onward = line.PointAt(progress + kAimAhead + 0.3 * speed);
    FollowNextCheckpoint(race, car);
    if (checkpoint < 0) {
        return onward;
    }
    if (!goingBack && Missed(race, pivot)) {
        goingBack = true;
        mark = Length(crossing.point - pivot);
        stuckFor = 0.0;
    }
    if (goingBack) {
        return crossing.point;
    }
    // Straight at a point beyond a checkpoint at a sharp bend of the line, the car would cut by it.
    const double toCrossing = line.Ahead(progress, crossing.progress);
    const Quad& outline =
        race.GetTrack().GetAllCheckpoints()[static_cast<size_t>(checkpoint)].shape.Outline();
    double t0 = 0.0;
    double t1 = 0.0;
    if (toCrossing >= 0.0 && toCrossing < kAimAhead + 0.3 * speed &&
        !ClipToOutline(pivot, onward, outline, &t0, &t1)) {
        return crossing.point;
    }
    return onward;
}

void ASP_ComputerDriver::FollowNextCheckpoint(const ASP_Race& race, const ASP_Car& car) {
    const ASP_Track& track = race.GetTrack();
    const int last = car.record.lastCheckpoint;
    const int index = last + 1 < track.GetRequiredCheckpoints() ? last + 1 : 0;
    const std::vector<ASP_Checkpoint>& all = track.GetAllCheckpoints();
    // The one of that index the compass points at.
    int next = -1;
    for (size_t k = 0; k < all.size(); ++k) {
        if (all[k].index == index && (next < 0 || Length(all[k].shape.Centre() - car.record.compassTarget) <
                                                      Length(all[static_cast<size_t>(next)].shape.Centre() -
                                                             car.record.compassTarget))) {
            next = static_cast<int>(k);
        }
    }
    if (next == checkpoint) {
        return;
    }
    checkpoint = next;
    if (next >= 0) {
        crossing = CrossingOf(track.GetRacingLine(), all[static_cast<size_t>(next)].shape.Outline());
    }
    if (goingBack) {
        // Taken at last: on along the line from here.
        goingBack = false;
        mark = progress;
        stuckFor = 0.0;
    }
}

bool ASP_ComputerDriver::Missed(const ASP_Race& race, Point pivot) const {
    const ASP_RacingLine& line = race.GetTrack().GetRacingLine();
    if (!(line.Ahead(progress, crossing.progress) < 0.0)) {
        return false;
    }
    const Quad& q = race.GetTrack().GetAllCheckpoints()[static_cast<size_t>(checkpoint)].shape.Outline();
    const Point e = q.p[1] - q.p[0];
    const Point f = q.p[3] - q.p[0];
    // A car drives through a checkpoint across its short side.
    const Point across = Length(e) < Length(f) ? e : f;
    const double thickness = Length(across);
    if (!(thickness > 0.0)) {
        return false;
    }
    Point onward = across / thickness;
    if (Dot(onward, line.DirectionAt(crossing.progress)) < 0.0) {
        onward = -onward;
    }
    return Dot(pivot - QuadCentre(q), onward) > thickness * 0.5 + kMissedBy;
}

double ASP_ComputerDriver::Gained(const ASP_RacingLine& line, Point pivot) const {
    return goingBack ? mark - Length(crossing.point - pivot) : line.Ahead(mark, progress);
}

bool ASP_ComputerDriver::Reversing(const ASP_RacingLine& line, Point pivot, double dt) {
    if (Gained(line, pivot) > kAdvance) {
        mark = goingBack ? Length(crossing.point - pivot) : progress;
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
    if (goingBack) {
        progress = crossing.progress - kBeforeMissed;
        goingBack = false;
    } else {
        // A little ahead, past whatever held the car where it was, but short of its next checkpoint.
        const double toCheckpoint = line.Ahead(
            progress, checkpoint >= 0 ? crossing.progress : line.ProgressOf(car.record.compassTarget));
        progress += toCheckpoint > 0.0 ? std::min(kResetAhead, toCheckpoint * 0.5) : kResetAhead;
    }
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
