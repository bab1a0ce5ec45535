#pragma once

// Value types of the engine's 2D geometry. Screen pixels, x to the right, y down.

struct Point {
    double x = 0.0;
    double y = 0.0;

    Point() = default;
    Point(double x, double y) : x(x), y(y) {}

    Point& operator+=(Point o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    Point& operator-=(Point o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
};

// Inline: the physics and the corner updates use them millions of times a second.
inline Point operator+(Point a, Point b) {
    return Point(a.x + b.x, a.y + b.y);
}
inline Point operator-(Point a, Point b) {
    return Point(a.x - b.x, a.y - b.y);
}
inline Point operator-(Point a) {
    return Point(-a.x, -a.y);
}
inline Point operator*(Point a, double s) {
    return Point(a.x * s, a.y * s);
}
inline Point operator*(double s, Point a) {
    return a * s;
}
inline Point operator/(Point a, double s) {
    return Point(a.x / s, a.y / s);
}
inline bool operator==(Point a, Point b) {
    return a.x == b.x && a.y == b.y;
}
inline bool operator!=(Point a, Point b) {
    return !(a == b);
}
inline double Dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
// The z of the cross product: positive when b lies clockwise of a on screen (y down).
inline double Cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}
double Length(Point a);

// The corners of an outline, in the order (left, bottom), (right, bottom), (right, top), (left, top)
// of the unrotated shape.
struct Quad {
    Point p[4];
};

// The outline of an axis-aligned w x h box whose top-left corner is (x, y), corners in outline order.
Quad BoxQuad(double x, double y, double w, double h);

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

bool operator==(const Rect& a, const Rect& b);

// The integer part of v, held within +-1e9 so that a position plus an extent still fits an int;
// 0 for NaN. Far-off or huge sprites otherwise overflow the conversion.
int RectCoordinate(double v);
// v truncated toward zero; values beyond the int range are held at its ends and NaN reads 0, so
// that a broken number in a data file cannot overflow the conversion.
int TruncateToInt(double v);
// The rectangle of x, y, w, h, each through RectCoordinate.
Rect MakeRect(double x, double y, double w, double h);

// Mean of the four corners.
Point QuadCentre(const Quad& q);

// False for an outline with a zero-length (or not finite) edge, which overlaps nothing.
bool HasArea(const Quad& q);

// Whether two rectangular outlines overlap (bounding circles, then separating axes along the edges).
// On overlap, the first corner of either quad that lies inside the other (A0, B0, A1, B1, ...) is
// written to contact, if given; when none does, contact keeps what the caller put there. Outlines
// without area overlap nothing.
bool QuadsOverlap(const Quad& a, const Quad& b, Point* contact);

// How two overlapping rectangular outlines a and b meet: the axis of least penetration as a unit
// normal pointing from b towards a, the depth of the overlap along it (moving a by depth along the
// normal, or b against it, leaves them touching), and a point in the middle of the overlap.
struct Penetration {
    Point normal;
    double depth = 0.0;
    Point point;
};

// False, and p untouched, when the outlines do not overlap or one of them has no area.
bool FindPenetration(const Quad& a, const Quad& b, Penetration* p);

// An axis-aligned area: the smallest one around a quad, or what a view shows of a manager.
struct Bounds {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
};

Bounds BoundsOf(const Quad& q);
// Whether the areas share no point.
bool Apart(const Bounds& a, const Bounds& b);

// Whether p lies inside (or on the border of) the rectangular outline q. An outline without area
// contains nothing.
bool PointInQuad(Point p, const Quad& q);

// Turns p about pivot by degrees, counter-clockwise on screen for positive angles: (0, -1) turns
// into (-sin a, -cos a).
void RotatePoint(Point& p, Point pivot, double degrees);

// A depth from a data file counts only inside [-1, 1], the depth range sprites are drawn in.
inline bool IsDepth(double z) {
    return z >= -1.0 && z <= 1.0;
}
