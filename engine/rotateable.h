#pragma once

#include "engine/geometry.h"

// The interface of sprites that can turn: an angle in degrees (counter-clockwise on screen) and a
// centre as fractions of the sprite's size, (0, 0) top-left, (1, 1) bottom-right. This base is
// inert; sprites that really turn override it.
class CRotateable {
public:
    virtual ~CRotateable() = default;

    virtual double GetRotation() const { return 0.0; }
    virtual void SetRotation(double degrees) { (void)degrees; }
    virtual double GetGlobalRotation() const { return 0.0; }
    virtual void SetGlobalRotation(double degrees) { (void)degrees; }
    virtual Point GetRotationCenter() const { return Point(0.5, 0.5); }
    virtual void SetRotationCenter(double cx, double cy) {
        (void)cx;
        (void)cy;
    }
};
