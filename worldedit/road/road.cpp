#include "worldedit/road/road.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/ini.h"
#include "worldedit/objects/we_object.h"

const char kRoadSection[] = "road";

namespace {

const char kWidth[] = "width";
const char kTheme[] = "theme";
const char kAcross[] = "tilesAcross";
const char kDown[] = "tilesDown";
// Pixels of the spline between two of its points before it is resampled evenly.
const double kSplineStep = 2.0;

// The Catmull-Rom curve between p1 and p2 at t in [0, 1].
Point CatmullRom(Point p0, Point p1, Point p2, Point p3, double t) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
            (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
           0.5;
}

// The closed polyline of the curve, finely divided.
std::vector<Point> Spline(const std::vector<Point>& c) {
    const size_t n = c.size();
    std::vector<Point> fine;
    for (size_t i = 0; i < n; ++i) {
        const Point p0 = c[(i + n - 1) % n], p1 = c[i], p2 = c[(i + 1) % n], p3 = c[(i + 2) % n];
        const int steps = std::max(4, static_cast<int>(Length(p2 - p1) / kSplineStep));
        for (int s = 0; s < steps; ++s) {
            fine.push_back(CatmullRom(p0, p1, p2, p3, static_cast<double>(s) / steps));
        }
    }
    return fine;
}

// Points every step pixels along the closed polyline, from its first point on.
std::vector<Point> Resampled(const std::vector<Point>& fine, double step) {
    std::vector<Point> out = {fine.front()};
    double carry = 0.0;
    for (size_t i = 0; i < fine.size(); ++i) {
        const Point a = fine[i];
        const Point b = fine[(i + 1) % fine.size()];
        const double segment = Length(b - a);
        double d = step - carry;
        for (; d <= segment; d += step) {
            out.push_back(a + (b - a) * (d / segment));
        }
        carry = segment - (d - step);
    }
    // The loop closes on the first point.
    if (out.size() > 1 && Length(out.back() - out.front()) < step * 0.5) {
        out.pop_back();
    }
    return out;
}

}  // namespace

ASP_WE_Road::ASP_WE_Road() : line(kRoadSection, "the road is laid anew") {}

void ASP_WE_Road::Load(const std::string& file, std::ostream& out) {
    line.Load(file, out);
    const double read = GetIniDouble(kRoadSection, kWidth, kDefaultWidth, file);
    width = std::isfinite(read) ? std::clamp(read, kMinWidth, kMaxWidth) : kDefaultWidth;
    if (width != read) {
        out << "The road's width " << read << " was taken as " << width << ".\n";
    }
    theme = GetIniString(kRoadSection, kTheme, "", file);
    across = std::clamp(GetIniInt(kRoadSection, kAcross, 0, file), 0, kMaxTiles);
    down = std::clamp(GetIniInt(kRoadSection, kDown, 0, file), 0, kMaxTiles);
}

bool ASP_WE_Road::Save(const std::string& file) const {
    if (line.points.empty() && across == 0) {
        return true;
    }
    const bool pointsSaved = line.Save(file);
    ASP_SectionWriter writer(kRoadSection, file);
    writer.Double(kWidth, width);
    writer.String(kTheme, theme);
    writer.Int(kAcross, across);
    writer.Int(kDown, down);
    return pointsSaved && writer.Succeeded();
}

bool ASP_WE_Road::operator==(const ASP_WE_Road& other) const {
    return line.points == other.line.points && width == other.width && theme == other.theme &&
           across == other.across && down == other.down;
}

void ASP_WE_Road::Widen(double step) {
    width = std::clamp(width + step, kMinWidth, kMaxWidth);
}

ASP_WE_CentreLine::ASP_WE_CentreLine(const std::vector<Point>& controls) {
    if (controls.size() >= 3) {
        samples = Resampled(Spline(controls), kStep);
    }
}

size_t ASP_WE_CentreLine::Wrap(long i) const {
    const long n = static_cast<long>(samples.size());
    return static_cast<size_t>((i % n + n) % n);
}

Point ASP_WE_CentreLine::Tangent(long i) const {
    const Point d = At(i + 1) - At(i - 1);
    const double length = ::Length(d);
    return length > 0.0 ? d / length : Point(0.0, -1.0);
}

Point ASP_WE_CentreLine::Right(long i) const {
    const Point t = Tangent(i);
    return Point(-t.y, t.x);
}

double ASP_WE_CentreLine::Turn(long i, int span) const {
    const Point a = Tangent(i - span);
    const Point b = Tangent(i + span);
    return std::atan2(Cross(a, b), Dot(a, b));
}

size_t ASP_WE_CentreLine::Nearest(Point p) const {
    size_t nearest = 0;
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < samples.size(); ++i) {
        const Point d = samples[i] - p;
        if (Dot(d, d) < best) {
            best = Dot(d, d);
            nearest = i;
        }
    }
    return nearest;
}

double RotationToward(Point direction) {
    const double degrees = std::atan2(-direction.x, -direction.y) * 180.0 / M_PI;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}
