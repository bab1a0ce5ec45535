#include "track/closed_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/ini.h"
#include "track/world_keys.h"

namespace {

// A point that adds no length to the line, after the one before it: its segment has no direction.
bool Repeats(Point previous, Point p) {
    return !(Dot(p - previous, p - previous) > 0.0);
}

// One coordinate of the section; false, with the reading told why, when it is none.
bool ReadCoordinate(const std::string& section, const std::string& key, const std::string& file, double& v,
                    ASP_LineReading& reading) {
    // A missing key would read as 0, a point the line was never meant to pass.
    const char* const kMissing = "\x01";
    const std::string text = GetIniString(section, key, kMissing, file);
    v = text == kMissing ? NAN : TextToDouble(text, NAN);
    if (std::abs(v) <= closed_line::kMaxCoordinate) {
        return true;
    }
    reading.verdict = ASP_LineReading::Verdict::kBadPoint;
    reading.badKey = key;
    reading.missing = text == kMissing;
    reading.badText = reading.missing ? "" : text;
    return false;
}

}  // namespace

ASP_LineReading ReadClosedLine(const std::string& section, const std::string& file) {
    ASP_LineReading reading;
    reading.count = GetIniInt(section, world_key::kPointCount, 0, file);
    if (reading.count < 0 || reading.count > closed_line::kMaxPoints) {
        reading.verdict = ASP_LineReading::Verdict::kBadCount;
        return reading;
    }
    std::vector<Point> read(static_cast<size_t>(reading.count));
    for (int i = 0; i < reading.count; ++i) {
        Point& p = read[static_cast<size_t>(i)];
        if (!ReadCoordinate(section, world_key::kX + NumberToText(i), file, p.x, reading) ||
            !ReadCoordinate(section, world_key::kY + NumberToText(i), file, p.y, reading)) {
            reading.badPoint = i;
            return reading;
        }
    }
    reading.points = WithoutRepeats(read);
    reading.repeats = read.size() - reading.points.size();
    return reading;
}

double DistanceToSegment(Point p, Point a, Point b) {
    const Point ab = b - a;
    const double squared = Dot(ab, ab);
    const double t = squared > 0.0 ? std::clamp(Dot(p - a, ab) / squared, 0.0, 1.0) : 0.0;
    return Length(a + ab * t - p);
}

bool UsableLinePoint(Point p) {
    return std::abs(p.x) <= closed_line::kMaxCoordinate && std::abs(p.y) <= closed_line::kMaxCoordinate;
}

std::vector<Point> WithoutRepeats(const std::vector<Point>& points) {
    std::vector<Point> kept;
    for (const Point& p : points) {
        if (kept.empty() || !Repeats(kept.back(), p)) {
            kept.push_back(p);
        }
    }
    while (kept.size() > 1 && Repeats(kept.back(), kept.front())) {
        kept.pop_back();
    }
    return kept;
}

double DistanceToClosedLine(Point p, const std::vector<Point>& line) {
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < line.size(); ++i) {
        best = std::min(best, DistanceToSegment(p, line[i], line[(i + 1) % line.size()]));
    }
    return best;
}

int FirstMissedCheckpoint(const std::vector<Point>& line, const std::vector<ASP_LineGate>& gates,
                          int required) {
    int missed = -1;
    for (const ASP_LineGate& gate : gates) {
        const bool counts = gate.index >= 0 && gate.index < required && (missed < 0 || gate.index < missed);
        if (counts && !(DistanceToClosedLine(gate.centre, line) <= gate.width * 0.5)) {
            missed = gate.index;
        }
    }
    return missed;
}
