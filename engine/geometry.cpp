#include "engine/geometry.h"

#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.141592653589793;

struct Interval {
    double low;
    double high;
};

Interval Project(const Quad& q, Point axis) {
    Interval iv{Dot(q.p[0], axis), Dot(q.p[0], axis)};
    for (int i = 1; i < 4; ++i) {
        const double v = Dot(q.p[i], axis);
        iv.low = std::min(iv.low, v);
        iv.high = std::max(iv.high, v);
    }
    return iv;
}

bool Overlap(Interval a, Interval b) {
    return a.low <= b.high && b.low <= a.high;
}

// The two edge directions the outline is measured along.
Point AxisAcross(const Quad& q) {
    return q.p[3] - q.p[2];
}

Point AxisAlong(const Quad& q) {
    return q.p[2] - q.p[1];
}

// A quad with a zero-length edge is a point or a line: treated as an outline it would overlap
// anything its single projection falls into, so it takes part in no overlap at all.
bool HasArea(const Quad& q) {
    return Length(AxisAcross(q)) > 0.0 && Length(AxisAlong(q)) > 0.0;
}

double Radius(const Quad& q) {
    return Length(q.p[0] - QuadCenter(q));
}

}  // namespace

Point& Point::operator+=(Point o) {
    x += o.x;
    y += o.y;
    return *this;
}

Point& Point::operator-=(Point o) {
    x -= o.x;
    y -= o.y;
    return *this;
}

Point operator+(Point a, Point b) {
    return Point(a.x + b.x, a.y + b.y);
}

Point operator-(Point a, Point b) {
    return Point(a.x - b.x, a.y - b.y);
}

Point operator-(Point a) {
    return Point(-a.x, -a.y);
}

Point operator*(Point a, double s) {
    return Point(a.x * s, a.y * s);
}

Point operator*(double s, Point a) {
    return a * s;
}

Point operator/(Point a, double s) {
    return Point(a.x / s, a.y / s);
}

bool operator==(Point a, Point b) {
    return a.x == b.x && a.y == b.y;
}

bool operator!=(Point a, Point b) {
    return !(a == b);
}

double Dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}

double Length(Point a) {
    return std::sqrt(Dot(a, a));
}

int RectCoordinate(double v) {
    const double limit = 1e9;
    return std::isnan(v) ? 0 : static_cast<int>(std::clamp(v, -limit, limit));
}

Rect MakeRect(double x, double y, double w, double h) {
    return Rect{RectCoordinate(x), RectCoordinate(y), RectCoordinate(w), RectCoordinate(h)};
}

bool operator==(const Rect& a, const Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

Point QuadCenter(const Quad& q) {
    return (q.p[0] + q.p[1] + q.p[2] + q.p[3]) / 4.0;
}

bool PointInQuad(Point p, const Quad& q) {
    if (!HasArea(q)) {
        return false;
    }
    if (Length(p - QuadCenter(q)) > Radius(q)) {
        return false;
    }
    for (Point axis : {AxisAcross(q), AxisAlong(q)}) {
        const double v = Dot(p, axis);
        if (!Overlap(Project(q, axis), Interval{v, v})) {
            return false;
        }
    }
    return true;
}

bool QuadsOverlap(const Quad& a, const Quad& b, Point* contact) {
    if (!HasArea(a) || !HasArea(b)) {
        return false;
    }
    if (Length(QuadCenter(b) - QuadCenter(a)) > Radius(a) + Radius(b)) {
        return false;
    }
    for (Point axis : {AxisAcross(a), AxisAlong(a), AxisAcross(b), AxisAlong(b)}) {
        if (!Overlap(Project(a, axis), Project(b, axis))) {
            return false;
        }
    }
    if (contact != nullptr) {
        for (int i = 0; i < 4; ++i) {
            if (PointInQuad(a.p[i], b)) {
                *contact = a.p[i];
                break;
            }
            if (PointInQuad(b.p[i], a)) {
                *contact = b.p[i];
                break;
            }
        }
    }
    return true;
}

void RotatePoint(Point& p, Point pivot, double degrees) {
    if (degrees == 0.0) {
        return;
    }
    const double a = degrees / 180.0 * kPi;
    const Point d = p - pivot;
    p = pivot + Point(d.x * std::cos(a) + d.y * std::sin(a), d.y * std::cos(a) - d.x * std::sin(a));
}

Quad BoxQuad(double x, double y, double w, double h) {
    Quad q;
    q.p[0] = Point(x, y + h);
    q.p[1] = Point(x + w, y + h);
    q.p[2] = Point(x + w, y);
    q.p[3] = Point(x, y);
    return q;
}
