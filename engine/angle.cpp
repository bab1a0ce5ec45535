#include "engine/angle.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;
}

Point Facing(double degrees) {
    Point f(0.0, -1.0);
    RotatePoint(f, Point(), degrees);
    return f;
}

double HeadingOf(Point v) {
    return AngleBetween(true, Point(0.0, -1.0), v);
}

double AngleBetween(bool isSigned, Point a, Point b) {
    const double lengths = Length(a) * Length(b);
    if (!(lengths > 0.0)) {
        return 0.0;
    }
    // Rounding can carry the cosine of (anti)parallel vectors just past 1, where acos has no value.
    const double cosine = std::clamp(Dot(a, b) / lengths, -1.0, 1.0);
    const double angle = std::acos(cosine) * 180.0 / kPi;
    if (!isSigned) {
        return angle;
    }
    return Cross(a, b) >= 0.0 ? -angle : angle;
}
