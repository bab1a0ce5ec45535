#include "worldedit/we_racing_line.h"

#include <algorithm>
#include <cmath>
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

ASP_WE_ClosedLine::ASP_WE_ClosedLine(const char* section, const char* withoutLine)
    : section(section), withoutLine(withoutLine) {}

void ASP_WE_ClosedLine::Load(const std::string& file, std::ostream& out) {
    points.clear();
    const int count = GetIniInt(section, kCount, 0, file);
    if (count < 0 || count > kMaxPoints) {
        out << "Refused " << section << " " << kCount << " = " << count << ": not from 0 to " << kMaxPoints
            << ", " << withoutLine << ".\n";
        return;
    }
    for (int i = 0; i < count; ++i) {
        // A missing coordinate reads as no number and refuses the line, as the race does.
        const Point p(GetIniDouble(section, "x" + NumberToText(i), NAN, file),
                      GetIniDouble(section, "y" + NumberToText(i), NAN, file));
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            out << "Refused " << section << ": point " << i << " is missing or not a number, " << withoutLine
                << ".\n";
            points.clear();
            return;
        }
        points.push_back(p);
    }
    const size_t read = points.size();
    DropRepeats();
    if (points.size() < read) {
        out << "Dropped " << read - points.size() << " repeated point(s) of the " << section << ".\n";
    }
}

void ASP_WE_ClosedLine::DropRepeats() {
    std::vector<Point> kept;
    for (const Point& p : points) {
        if (kept.empty() || kept.back() != p) {
            kept.push_back(p);
        }
    }
    while (kept.size() > 1 && kept.back() == kept.front()) {
        kept.pop_back();
    }
    points = kept;
}

bool ASP_WE_ClosedLine::Save(const std::string& file) const {
    if (points.empty()) {
        return true;
    }
    ASP_WE_SectionWriter writer(section, file);
    const int count = static_cast<int>(points.size());
    writer.Int(kCount, count);
    for (int i = 0; i < count; ++i) {
        writer.Double("x" + NumberToText(i), points[i].x);
        writer.Double("y" + NumberToText(i), points[i].y);
    }
    return writer.Succeeded();
}

int ASP_WE_ClosedLine::PointNear(Point p, double radius) const {
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

int ASP_WE_ClosedLine::Insert(Point p) {
    // A second point in the same place would give the race a segment of no length.
    if (std::find(points.begin(), points.end(), p) != points.end()) {
        return -1;
    }
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

double ASP_WE_ClosedLine::DistanceTo(Point p) const {
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < points.size(); ++i) {
        best = std::min(best, DistanceToSegment(p, points[i], points[(i + 1) % points.size()]));
    }
    return best;
}
