#include "worldedit/objects/we_racing_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/ini.h"
#include "track/closed_line.h"
#include "track/world_keys.h"
#include "worldedit/objects/we_object.h"

ASP_WE_ClosedLine::ASP_WE_ClosedLine(const char* section, const char* withoutLine)
    : section(section), withoutLine(withoutLine) {}

void ASP_WE_ClosedLine::Load(const std::string& file, std::ostream& out) {
    const ASP_LineReading reading = ReadClosedLine(section, file);
    points = reading.points;
    switch (reading.verdict) {
        case ASP_LineReading::Verdict::kBadCount:
            out << "Refused " << section << " " << world_key::kPointCount << " = " << reading.count
                << ": not from 0 to " << kMaxPoints << ", " << withoutLine << ".\n";
            return;
        case ASP_LineReading::Verdict::kBadPoint:
            out << "Refused " << section << ": point " << reading.badPoint
                << " is missing or not a number from -" << NumberToText(closed_line::kMaxCoordinate) << " to "
                << NumberToText(closed_line::kMaxCoordinate) << ", " << withoutLine << ".\n";
            return;
        case ASP_LineReading::Verdict::kTaken:
            break;
    }
    if (reading.repeats > 0) {
        out << "Dropped " << reading.repeats << " repeated point(s) of the " << section << ".\n";
    }
}

void ASP_WE_ClosedLine::DropRepeats() {
    points = WithoutRepeats(points);
}

bool ASP_WE_ClosedLine::Save(const std::string& file) const {
    if (points.empty()) {
        return true;
    }
    ASP_SectionWriter writer(section, file);
    const int count = static_cast<int>(points.size());
    writer.Int(world_key::kPointCount, count);
    for (int i = 0; i < count; ++i) {
        writer.Double(world_key::kX + NumberToText(i), points[i].x);
        writer.Double(world_key::kY + NumberToText(i), points[i].y);
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
    return DistanceToClosedLine(p, points);
}
