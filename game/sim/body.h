#pragma once

#include <vector>

#include "engine/geometry.h"
#include "engine/rigid_body.h"

// A rigid body of the race in the world's own frame: a w x h box whose top-left corner lies at
// (x, y) when unturned, turned by its rotation (degrees, counter-clockwise on screen) about its
// rotation centre (fractions of its size), on a layer z (only bodies of one layer meet). Setters
// never fail, as the sprites' do: a negative size, a rotation that is not finite are ignored.
class ASP_Body {
public:
    double GetX() const { return x; }
    double GetY() const { return y; }
    void SetPosition(double px, double py);
    double GetWidth() const { return width; }
    double GetHeight() const { return height; }
    void SetSize(double w, double h);
    double GetRotation() const { return rotation; }
    // Brought into [0, 360).
    void SetRotation(double degrees);
    Point GetRotationCenter() const { return Point(rotX, rotY); }
    void SetRotationCenter(double cx, double cy);
    double GetZ() const { return z; }
    void SetZ(double layer) { z = layer; }

    // The rotation centre in the body's own pixels, and in the world.
    Point Pivot() const { return Point(rotX * width, rotY * height); }
    Point Centre() const { return Point(x, y) + Pivot(); }
    Point ToWorld(Point local) const { return Pose().ToFrame(local); }
    Point ToLocal(Point world) const;
    CBodyPose Pose() const;
    // The outline in the world, and the box around it, kept until the pose changes.
    const Quad& Outline() const;
    const Bounds& Box() const;

    // Moves by velocity and spin over dt, keeping the pose before for RestorePrevious.
    void Integrate(double dt);
    void RestorePrevious();
    void MoveBy(Point offset);

    CRigidBody motion;

private:
    void Moved() { outlineKnown = false; }

    double x = 0.0;
    double y = 0.0;
    double width = 1.0;
    double height = 1.0;
    double rotation = 0.0;
    double rotX = 0.5;
    double rotY = 0.5;
    double z = 0.0;
    double previousX = 0.0;
    double previousY = 0.0;
    double previousRotation = 0.0;
    mutable Quad outline;
    mutable Bounds box;
    mutable bool outlineKnown = false;
};

// Where and how hard two bodies met.
struct ASP_Contact {
    Point at;
    // The size of the impulse exchanged, mass times pixels per second.
    double impulse = 0.0;
};

// Whether the two bodies can meet at all: both collidable, on one layer, not both fixed.
bool CanCollide(const ASP_Body& a, const ASP_Body& b);
// Answers an overlap of two bodies that can meet with an impulse exchange and a push-apart, as the
// engine's physics sprites do; false (nothing changed) when their outlines do not overlap.
bool Collide(ASP_Body& a, ASP_Body& b, ASP_Contact* contact);

// The shortest move of the outline `mover` that leaves it at least `margin` apart from every outline
// around it, in *offset; false when no such move exists within the moves tried (the mover pressed
// between three or more of them at once). Pushed out of one wall at a time, a body wedged between
// two (a corner, a tree against a wall) is pushed back and forth and stays in one of them; this
// asks all of them at once. Only the outlines near the mover need be given: a move lands clear of
// those given, not of the rest.
bool ShortestWayOut(const Quad& mover, const std::vector<Quad>& around, double margin, Point* offset);
