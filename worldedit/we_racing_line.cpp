#include "worldedit/we_racing_line.h"

#include <algorithm>
#include <limits>

#include "engine/ini.h"
#include "worldedit/we_object.h"

const char kRacingLineSection[] = "racingLine";

namespace {

const char kCount[] = "points";

double DistanceToSegment(Point p, Point a, Point b) {
    const Point ab = b - a;
    const double squared = Dot(ab, ab);
    const double t = squared > 0.0 ? std::clamp(Dot(p - a, ab) / squared, 0.0, 1.0) : 0.0;
    return Length(a + ab * t - p);
}

}  // namespace

void ASP_WE_RacingLine::Load(const std::string& file, std::ostream& out) {
    points.clear();
    const int count = GetIniInt(kRacingLineSection, kCount, 0, file);
    if (count < 0 || count > kMaxPoints) {
        out << "Refused " << kRacingLineSection << " " << kCount << " = " << count << ": not from 0 to "
            << kMaxPoints << ", the race follows the checkpoints.\n";
        return;
    }
    for (int i = 0; i < count; ++i) {
        points.emplace_back(GetIniDouble(kRacingLineSection, "x" + NumberToText(i), 0.0, file),
                            GetIniDouble(kRacingLineSection, "y" + NumberToText(i), 0.0, file));
    }
}

bool ASP_WE_RacingLine::Save(const std::string& file) const {
    if (points.empty()) {
        return true;
    }
    ASP_WE_SectionWriter section(kRacingLineSection, file);
    const int count = static_cast<int>(points.size());
    section.Int(kCount, count);
    for (int i = 0; i < count; ++i) {
        section.Double("x" + NumberToText(i), points[i].x);
        section.Double("y" + NumberToText(i), points[i].y);
    }
    return section.Succeeded();
}

int ASP_WE_RacingLine::PointNear(Point p, double radius) const {
    int nearest = -1;
    double best = radius;
    for (size_t i = 0; i < points.size(); ++i) {
        const double distance = Length(points[i] - p);
        if (distance <= best) {
            nearest = static_cast<int>(i);
            best = distance;
        }
    }
    return nearest;
}

int ASP_WE_RacingLine::Insert(Point p) {
    size_t after = points.size();
    double best = std::numeric_limits<double>::infinity();
    // Of equally near segments the later one, so that points added one after another, as a new
    // line is laid out, follow each other (with two points both segments are equally near).
    for (size_t i = 0; i < points.size(); ++i) {
        const double distance = DistanceToSegment(p, points[i], points[(i + 1) % points.size()]);
        if (distance <= best) {
            after = i + 1;
            best = distance;
        }
    }
    points.insert(points.begin() + static_cast<std::ptrdiff_t>(after), p);
    return static_cast<int>(after);
}

double ASP_WE_RacingLine::DistanceTo(Point p) const {
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < points.size(); ++i) {
        best = std::min(best, DistanceToSegment(p, points[i], points[(i + 1) % points.size()]));
    }
    return best;
}
