#pragma once

#include "engine/geometry.h"

// The angle between the vectors a and b in degrees, 0 to 180. With isSigned the result is negated
// when the cross value a.x * b.y - a.y * b.x is positive or zero, so that AngleBetween(true,
// (0, -1), v) is the rotation that turns (0, -1) onto v. A zero vector has no direction: the
// angle to it is 0.
double AngleBetween(bool isSigned, Point a, Point b);
// Sprites at rotation 0 face (0, -1), the top of the screen. Facing is the way a sprite turned by
// degrees faces; HeadingOf is the rotation that faces a sprite along v (0 for a zero vector).
Point Facing(double degrees);
double HeadingOf(Point v);
