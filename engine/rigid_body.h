#pragma once

#include <cmath>

#include "engine/geometry.h"

// r⊥: r turned by -90 degrees, (x, y) -> (-y, x). Exact, unlike RotatePoint with its cos(90°) residue.
Point Perpendicular(Point r);

// False if either vector is (0, 0); otherwise whether both x components and both y components lie
// on the same side of 0 (a zero component agrees with either side).
bool SameDirection(Point a, Point b);

// The motion of a rigid body, apart from where it is: a linear velocity (pixels per second), a spin
// (degrees per second, counter-clockwise on screen), a mass, a moment of inertia and a restitution.
// Its owner keeps the pose; lever arms r are given from the rotation centre, in the body's own
// unrotated pixel frame, and forces as they are. Forces change the velocity at once (force * dt).
// The engine's physics sprites and the race's bodies move by the same rules through this.
class CRigidBody {
public:
    double GetMass() const { return mass; }
    // Ignores 0 (and values that are not finite), so that the divisions by the mass stay defined.
    void SetMass(double m);
    // The inertia of a uniform w x h rectangle about its centre, for the current mass.
    void SetExtent(double w, double h);
    double GetInertia() const { return inertia; }
    Point GetVelocity() const { return velocity; }
    // A component that is not finite is stored as 0, and a speed too small to show as rest.
    void SetVelocity(Point v);
    double GetSpin() const { return spin; }
    // Stores 0 for a spin that is not finite or too small to show.
    void SetSpin(double degreesPerSecond);
    double GetBounce() const { return bounce; }
    void SetBounce(double v) { bounce = v; }

    bool fixedPosition = false;
    bool fixedRotation = false;
    bool collidable = true;

    bool Moves() const { return !fixedPosition; }
    // A body without extent has no inertia; spinning it would divide by zero.
    bool Turns() const { return !fixedRotation && inertia != 0.0; }
    double InverseMass() const { return Moves() ? 1.0 / mass : 0.0; }
    double InverseInertia() const { return Turns() ? 1.0 / inertia : 0.0; }

    void ApplyForce(Point F, double dt);
    void ApplyForceAt(Point F, double dt, Point r);
    // Friction and braking: act against the motion along the force's line, never reversing it.
    void ApplyResistance(Point F, double dt);
    void ApplyResistanceAt(Point F, double dt, Point r);
    Point PointVelocity(Point r) const;

private:
    double mass = 1.0;
    double width = 1.0;
    double height = 1.0;
    double inertia = 0.0;
    Point velocity;
    double spin = 0.0;
    double bounce = 1.0;
};

// Where a body stands: its unrotated w x h box has its top-left corner at `at` of its frame and is
// turned by `rotation` degrees about `pivot` (own pixels), then scaled about `at`.
struct CBodyPose {
    Point at;
    double width = 1.0;
    double height = 1.0;
    double rotation = 0.0;
    Point pivot;
    double scale = 1.0;

    // A point of the body's own pixels in its frame.
    Point ToFrame(Point local) const;
    // The outline in its frame, corners in outline order.
    Quad Outline() const;
};

// The impulse at a contact with lever arms rA, rB (frame coordinates, from each rotation centre)
// along n, the unit normal pointing towards a: the speed of approach at the contact turns into the
// mean restitution times that speed of parting, and the energy never grows. Its size, 0 when the
// bodies already part.
double ExchangeImpulse(CRigidBody& a, CRigidBody& b, Point n, Point rA, Point rB);

// Parts two overlapping bodies along n by steps, `shift` moving the first forwards and the second
// backwards by its offset (each only if it moves), until `overlapping` says no more. False when
// they still overlap after all the steps it allows.
template <class Shift, class Overlapping>
bool PushApart(Point n, double depth, int movers, Shift shift, Overlapping overlapping, int* stepsTaken);

// Pixels each body moves per push-apart step.
constexpr double kPushStep = 0.05;

template <class Shift, class Overlapping>
bool PushApart(Point n, double depth, int movers, Shift shift, Overlapping overlapping, int* stepsTaken) {
    // 5000 pixels of travel: far more than any two overlapping bodies need.
    constexpr int kMaxPushSteps = 100000;
    // Single steps tried after the computed ones, for overlaps that rounding leaves behind.
    constexpr int kExtraPushSteps = 8;
    if (movers == 0) {
        return true;
    }
    // Along the normal the depth shrinks by a known amount per step, so the count is worked out
    // rather than tested step by step.
    const Point step = n * kPushStep;
    const double needed = std::floor(depth / (kPushStep * movers)) + 1.0;
    int steps = static_cast<int>(needed < kMaxPushSteps ? needed : kMaxPushSteps);
    shift(step * steps);
    // Rounding may leave them touching; a few single steps settle that.
    for (int extra = 0; extra < kExtraPushSteps && overlapping(); ++extra, ++steps) {
        shift(step);
    }
    *stepsTaken = steps;
    return !overlapping();
}
