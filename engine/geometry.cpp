#include "engine/geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

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

double Radius(const Quad& q) {
    return Length(q.p[0] - QuadCentre(q));
}

// Twice the signed area of the outline: its sign tells which side of each edge is inside.
double SignedArea(const Quad& q) {
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        const Point& p = q.p[i];
        const Point& next = q.p[(i + 1) % 4];
        sum += p.x * next.y - next.x * p.y;
    }
    return sum;
}

// A convex polygon cut from a quad by the four edges of another: each cut adds at most one corner.
struct Polygon {
    static constexpr int kMax = 10;
    Point p[kMax];
    int n = 0;
};

// The part of polygon `in` on the inner side of the edge from `from` to `to`; orientation is the
// sign of the clipping outline's area.
Polygon ClipByEdge(const Polygon& in, Point from, Point to, double orientation) {
    Polygon out;
    const Point edge = to - from;
    const auto side = [&](Point p) {
        return (edge.x * (p.y - from.y) - edge.y * (p.x - from.x)) * orientation;
    };
    for (int i = 0; i < in.n && out.n + 2 <= Polygon::kMax; ++i) {
        const Point& p = in.p[i];
        const Point& q = in.p[(i + 1) % in.n];
        const double sp = side(p);
        const double sq = side(q);
        if (sp >= 0.0) {
            out.p[out.n++] = p;
        }
        if ((sp < 0.0 && sq > 0.0) || (sp > 0.0 && sq < 0.0)) {
            out.p[out.n++] = p + (q - p) * (sp / (sp - sq));
        }
    }
    return out;
}

// The mean of the corners of the region both outlines cover; the mean of the centres when rounding
// leaves no region.
Point OverlapMiddle(const Quad& a, const Quad& b) {
    Polygon region;
    for (const Point& corner : a.p) {
        region.p[region.n++] = corner;
    }
    const double orientation = SignedArea(b) > 0.0 ? 1.0 : -1.0;
    for (int i = 0; i < 4 && region.n > 0; ++i) {
        region = ClipByEdge(region, b.p[i], b.p[(i + 1) % 4], orientation);
    }
    if (region.n == 0) {
        return (QuadCentre(a) + QuadCentre(b)) / 2.0;
    }
    Point sum;
    for (int i = 0; i < region.n; ++i) {
        sum += region.p[i];
    }
    return sum / region.n;
}

}  // namespace

double Length(Point a) {
    return std::sqrt(Dot(a, a));
}

int RectCoordinate(double v) {
    const double limit = 1e9;
    return std::isnan(v) ? 0 : static_cast<int>(std::clamp(v, -limit, limit));
}

int TruncateToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    if (v >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<int>(v);
}

Rect MakeRect(double x, double y, double w, double h) {
    return Rect{RectCoordinate(x), RectCoordinate(y), RectCoordinate(w), RectCoordinate(h)};
}

bool operator==(const Rect& a, const Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

Point QuadCentre(const Quad& q) {
    return (q.p[0] + q.p[1] + q.p[2] + q.p[3]) / 4.0;
}

// A quad with a zero-length edge is a point or a line: treated as an outline it would overlap
// anything its single projection falls into, so it takes part in no overlap at all.
bool HasArea(const Quad& q) {
    return Length(AxisAcross(q)) > 0.0 && Length(AxisAlong(q)) > 0.0;
}

bool PointInQuad(Point p, const Quad& q) {
    if (!HasArea(q)) {
        return false;
    }
    if (Length(p - QuadCentre(q)) > Radius(q)) {
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
    if (Length(QuadCentre(b) - QuadCentre(a)) > Radius(a) + Radius(b)) {
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

bool FindPenetration(const Quad& a, const Quad& b, Penetration* p) {
    if (!HasArea(a) || !HasArea(b)) {
        return false;
    }
    Penetration least;
    least.depth = std::numeric_limits<double>::infinity();
    for (Point axis : {AxisAcross(a), AxisAlong(a), AxisAcross(b), AxisAlong(b)}) {
        const Point u = axis / Length(axis);
        const Interval ia = Project(a, u);
        const Interval ib = Project(b, u);
        // a leaves towards -u by the first amount, towards +u by the second.
        const double down = ia.high - ib.low;
        const double up = ib.high - ia.low;
        if (!(down >= 0.0 && up >= 0.0)) {
            return false;
        }
        if (std::min(down, up) < least.depth) {
            least.depth = std::min(down, up);
            least.normal = down < up ? -u : u;
        }
    }
    least.point = OverlapMiddle(a, b);
    *p = least;
    return true;
}

void RotatePoint(Point& p, Point pivot, double degrees) {
    if (degrees == 0.0) {
        return;
    }
    const double a = degrees / 180.0 * kPi;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const Point d = p - pivot;
    p = pivot + Point(d.x * c + d.y * s, d.y * c - d.x * s);
}

Bounds BoundsOf(const Quad& q) {
    Bounds b{q.p[0].x, q.p[0].y, q.p[0].x, q.p[0].y};
    for (const Point& c : q.p) {
        b.minX = std::min(b.minX, c.x);
        b.minY = std::min(b.minY, c.y);
        b.maxX = std::max(b.maxX, c.x);
        b.maxY = std::max(b.maxY, c.y);
    }
    return b;
}

bool Apart(const Bounds& a, const Bounds& b) {
    return a.maxX < b.minX || a.minX > b.maxX || a.maxY < b.minY || a.minY > b.maxY;
}

Quad BoxQuad(double x, double y, double w, double h) {
    Quad q;
    q.p[0] = Point(x, y + h);
    q.p[1] = Point(x + w, y + h);
    q.p[2] = Point(x + w, y);
    q.p[3] = Point(x, y);
    return q;
}
