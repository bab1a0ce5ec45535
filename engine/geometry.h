#pragma once

// Value types of the engine's 2D geometry. Screen pixels, x to the right, y down.

struct Point {
    double x = 0.0;
    double y = 0.0;

    Point() = default;
    Point(double x, double y) : x(x), y(y) {}

    Point& operator+=(Point o);
    Point& operator-=(Point o);
};

Point operator+(Point a, Point b);
Point operator-(Point a, Point b);
Point operator-(Point a);
Point operator*(Point a, double s);
Point operator*(double s, Point a);
Point operator/(Point a, double s);
bool operator==(Point a, Point b);
bool operator!=(Point a, Point b);
double Dot(Point a, Point b);
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
// The rectangle of x, y, w, h, each through RectCoordinate.
Rect MakeRect(double x, double y, double w, double h);

// Mean of the four corners.
Point QuadCenter(const Quad& q);

// Whether two rectangular outlines overlap (bounding circles, then separating axes along the edges).
// On overlap, the first corner of either quad that lies inside the other (A0, B0, A1, B1, ...) is
// written to contact, if given; when none does, contact keeps what the caller put there. Outlines
// without area overlap nothing.
bool QuadsOverlap(const Quad& a, const Quad& b, Point* contact);

// Whether p lies inside (or on the border of) the rectangular outline q. An outline without area
// contains nothing.
bool PointInQuad(Point p, const Quad& q);

// Turns p about pivot by degrees, counter-clockwise on screen for positive angles: (0, -1) turns
// into (-sin a, -cos a).
void RotatePoint(Point& p, Point pivot, double degrees);
