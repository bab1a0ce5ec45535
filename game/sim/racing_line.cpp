#include "game/sim/racing_line.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/angle.h"
#include "engine/ini.h"
#include "engine/log.h"
#include "game/sim/track.h"
#include "track/closed_line.h"
#include "track/world_keys.h"

namespace {

// A lap round a track's only checkpoint keeps at least this far from it, pixels: room to turn.
constexpr double kLapReach = 400.0;

Point CentreOf(const ASP_Checkpoint& c) {
    return c.shape.Centre();
}

// The first checkpoint of each index, in index order, leaving out those no line can reach.
std::vector<const ASP_Checkpoint*> FirstCheckpoints(const ASP_Track& track) {
    std::vector<const ASP_Checkpoint*> first;
    for (int k = 0; k < track.GetRequiredCheckpoints(); ++k) {
        const std::vector<const ASP_Checkpoint*> at = track.GetCheckpoints(k);
        if (!at.empty() && UsableLinePoint(CentreOf(*at.front()))) {
            first.push_back(at.front());
        }
    }
    return first;
}

// A lap through a track's only checkpoint: across it through its centre, the way the grid faces,
// then round its end and back, kLapReach (or half its length) clear of it.
std::vector<Point> LapRound(const ASP_Checkpoint& c, const ASP_Track& track) {
    const Quad& q = c.shape.Outline();
    const Point across = q.p[1] - q.p[0];
    const Point up = q.p[3] - q.p[0];
    const bool wide = Length(across) >= Length(up);
    const Point along = wide ? across : up;
    Point travel = wide ? up : across;
    travel = travel / Length(travel);
    const std::vector<StartPosition>& grid = track.GetStartPositions();
    if (!grid.empty() && Dot(Facing(grid.front().rot), travel) < 0.0) {
        travel = -travel;
    }
    const double half = Length(along) * 0.5;
    const double reach = std::max(half, kLapReach);
    const Point side = along / Length(along) * (half + reach);
    const Point before = CentreOf(c) - travel * reach;
    const Point after = CentreOf(c) + travel * reach;
    return {before, after, after + side, before + side};
}

// The line through the checkpoints' centres in index order; round the only one when there is one.
std::vector<Point> CheckpointLine(const ASP_Track& track) {
    const std::vector<const ASP_Checkpoint*> first = FirstCheckpoints(track);
    if (first.size() == 1) {
        return LapRound(*first.front(), track);
    }
    std::vector<Point> centres;
    for (const ASP_Checkpoint* c : first) {
        centres.push_back(CentreOf(*c));
    }
    return centres;
}

}  // namespace

bool ASP_RacingLine::Load(const std::string& file, const ASP_Track& track) {
    std::string refusal = ReadPoints(file);
    if (refusal.empty() && !IsEmpty()) {
        const int missed = FirstMissedCheckpoint(track);
        // A line copied from another track, or left behind when checkpoints moved.
        refusal = missed >= 0 ? "misses checkpoint " + NumberToText(missed) : "";
    }
    if (!refusal.empty()) {
        Log(LOG_WARNING,
            "The racing line of " + file + " " + refusal +
                "; the checkpoints' centres guide the computer cars instead.",
            "ASP_RacingLine");
    }
    if (IsEmpty() || !refusal.empty()) {
        SetPoints(CheckpointLine(track));
    }
    if (IsEmpty()) {
        Log(LOG_WARNING, "No racing line in " + file + ": computer cars stand still.", "ASP_RacingLine");
        return false;
    }
    return true;
}

std::string ASP_RacingLine::ReadPoints(const std::string& file) {
    const ASP_LineReading reading = ReadClosedLine(world_key::kRacingLine, file);
    SetPoints(reading.points);
    switch (reading.verdict) {
        case ASP_LineReading::Verdict::kBadCount:
            Log(LOG_ERROR,
                "Refused a racing line of " + std::to_string(reading.count) + " points in " + file + ".",
                "ASP_RacingLine");
            return "";
        case ASP_LineReading::Verdict::kBadPoint:
            return reading.missing ? "has no " + reading.badKey
                                   : "has " + reading.badKey + " = " + reading.badText +
                                         ", not a number from -" + NumberToText(closed_line::kMaxCoordinate) +
                                         " to " + NumberToText(closed_line::kMaxCoordinate);
        case ASP_LineReading::Verdict::kTaken:
            break;
    }
    if (reading.repeats > 0) {
        // P pressed twice in the editor without moving, say.
        Log(LOG_WARNING,
            "The racing line of " + file + " repeats a point " + NumberToText(reading.repeats) +
                " time(s); the repeats are dropped.",
            "ASP_RacingLine");
    }
    return "";
}

int ASP_RacingLine::FirstMissedCheckpoint(const ASP_Track& track) const {
    std::vector<ASP_LineGate> gates;
    for (const ASP_Checkpoint& c : track.GetAllCheckpoints()) {
        gates.push_back({CentreOf(c), c.shape.GetWidth(), c.index});
    }
    return ::FirstMissedCheckpoint(points, gates, track.GetRequiredCheckpoints());
}

void ASP_RacingLine::SetPoints(std::vector<Point> p) {
    points = WithoutRepeats(p);
    starts.clear();
    length = 0.0;
    for (size_t i = 0; i < points.size(); ++i) {
        starts.push_back(length);
        length += Length(points[(i + 1) % points.size()] - points[i]);
    }
    const bool usable = std::all_of(points.begin(), points.end(), UsableLinePoint);
    if (!usable || !(length > 0.0)) {
        points.clear();
        starts.clear();
        length = 0.0;
    }
}

double ASP_RacingLine::Wrap(double progress) const {
    if (IsEmpty()) {
        return 0.0;
    }
    const double w = std::fmod(progress, length);
    return w < 0.0 ? w + length : w;
}

double ASP_RacingLine::Ahead(double from, double to) const {
    return Wrap(to - from + length * 0.5) - length * 0.5;
}

size_t ASP_RacingLine::SegmentAt(double progress) const {
    const auto after = std::upper_bound(starts.begin(), starts.end(), Wrap(progress));
    return static_cast<size_t>(std::max<std::ptrdiff_t>(0, after - starts.begin() - 1));
}

double ASP_RacingLine::ProgressOf(Point p, double hint, double window) const {
    double best = 0.0;
    double bestDistance = -1.0;
    for (size_t i : SegmentsNear(hint, window)) {
        const Point a = points[i];
        const Point ab = points[(i + 1) % points.size()] - a;
        // Far beyond the line the projection may overflow to no number: the segment's start then.
        const double along = Dot(p - a, ab) / Dot(ab, ab);
        const double t = std::isnan(along) ? 0.0 : std::clamp(along, 0.0, 1.0);
        const double progress = starts[i] + t * Length(ab);
        if (hint >= 0.0) {
            if (std::abs(Ahead(hint, progress)) > window) {
                continue;
            }
        }
        const double distance = Length(a + ab * t - p);
        if (bestDistance < 0.0 || distance < bestDistance) {
            best = progress;
            bestDistance = distance;
        }
    }
    // Nothing near the hint (the car was put elsewhere): the whole line.
    return bestDistance < 0.0 && hint >= 0.0 ? ProgressOf(p) : best;
}

std::vector<size_t> ASP_RacingLine::SegmentsNear(double hint, double window) const {
    std::vector<size_t> near;
    const size_t n = points.size();
    if (hint < 0.0 || !(2.0 * window < length)) {
        for (size_t i = 0; i < n; ++i) {
            near.push_back(i);
        }
        return near;
    }
    // Only segments that reach into the window can have their nearest point in it: from the one
    // holding its start on, until one starts beyond its end.
    const double from = hint - window;
    for (size_t k = SegmentAt(from), walked = 0; walked < n; k = (k + 1) % n, ++walked) {
        if (walked > 0 && Wrap(starts[k] - from) > 2.0 * window) {
            break;
        }
        near.push_back(k);
    }
    std::sort(near.begin(), near.end());
    return near;
}

Point ASP_RacingLine::PointAt(double progress) const {
    if (IsEmpty()) {
        return Point();
    }
    const size_t i = SegmentAt(progress);
    const Point a = points[i];
    const Point b = points[(i + 1) % points.size()];
    const double segment = Length(b - a);
    return a + (b - a) * ((Wrap(progress) - starts[i]) / segment);
}

Point ASP_RacingLine::DirectionAt(double progress) const {
    if (IsEmpty()) {
        return Point(0.0, -1.0);
    }
    const size_t i = SegmentAt(progress);
    const Point d = points[(i + 1) % points.size()] - points[i];
    return d / Length(d);
}

double ASP_RacingLine::CurvatureAt(double progress) const {
    const double turn = AngleBetween(false, DirectionAt(progress - kCurveSpan * 0.5),
                                     DirectionAt(progress + kCurveSpan * 0.5));
    return turn * M_PI / 180.0 / kCurveSpan;
}
