#include "game/sim/racing_line.h"

#include <algorithm>
#include <cmath>

#include "engine/angle.h"
#include "engine/ini.h"
#include "engine/log.h"
#include "game/sim/track.h"

namespace {

const char* const kSection = "racingLine";
// More points than this is a broken world file, not a line.
constexpr int kMaxPoints = 10000;

Point CentreOf(const ASP_Checkpoint& c) {
    return c.shape.Centre();
}

// The centres of the first checkpoint of each index, in index order.
std::vector<Point> CheckpointCentres(const ASP_Track& track) {
    std::vector<Point> centres;
    for (int k = 0; k < track.GetRequiredCheckpoints(); ++k) {
        const std::vector<const ASP_Checkpoint*> at = track.GetCheckpoints(k);
        if (!at.empty()) {
            centres.push_back(CentreOf(*at.front()));
        }
    }
    return centres;
}

}  // namespace

bool ASP_RacingLine::Load(const std::string& file, const ASP_Track& track) {
    std::vector<Point> read;
    const int count = GetIniInt(kSection, "points", 0, file);
    if (count > kMaxPoints) {
        Log(LOG_ERROR, "Refused a racing line of " + std::to_string(count) + " points in " + file + ".",
            "ASP_RacingLine");
    }
    for (int i = 0; count <= kMaxPoints && i < count; ++i) {
        read.emplace_back(GetIniDouble(kSection, "x" + NumberToText(i), 0.0, file),
                          GetIniDouble(kSection, "y" + NumberToText(i), 0.0, file));
    }
    SetPoints(read);
    const int missed = FirstMissedCheckpoint(track);
    if (!IsEmpty() && missed >= 0) {
        // A line copied from another track, or left behind when checkpoints moved.
        Log(LOG_WARNING,
            "The racing line of " + file + " misses checkpoint " + NumberToText(missed) +
                "; the checkpoints' centres guide the computer cars instead.",
            "ASP_RacingLine");
    }
    if (IsEmpty() || missed >= 0) {
        SetPoints(CheckpointCentres(track));
    }
    if (IsEmpty()) {
        Log(LOG_WARNING, "No racing line in " + file + ": computer cars stand still.", "ASP_RacingLine");
        return false;
    }
    return true;
}

int ASP_RacingLine::FirstMissedCheckpoint(const ASP_Track& track) const {
    for (int k = 0; k < track.GetRequiredCheckpoints(); ++k) {
        for (const ASP_Checkpoint* c : track.GetCheckpoints(k)) {
            const Point centre = CentreOf(*c);
            if (Length(PointAt(ProgressOf(centre)) - centre) > c->shape.GetWidth() * 0.5) {
                return k;
            }
        }
    }
    return -1;
}

void ASP_RacingLine::SetPoints(std::vector<Point> p) {
    points = std::move(p);
    starts.clear();
    length = 0.0;
    for (size_t i = 0; i < points.size(); ++i) {
        starts.push_back(length);
        length += Length(points[(i + 1) % points.size()] - points[i]);
    }
    if (!(length > 0.0)) {
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
    for (size_t i = 0; i < points.size(); ++i) {
        const Point a = points[i];
        const Point ab = points[(i + 1) % points.size()] - a;
        const double t = std::clamp(Dot(p - a, ab) / Dot(ab, ab), 0.0, 1.0);
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
