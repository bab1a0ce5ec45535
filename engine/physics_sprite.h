#pragma once

#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"
#include "engine/rigid_body.h"
#include "engine/sprite.h"

// The engine's rigid body in screen pixels: a rotatable image sprite with a linear velocity
// (pixels per second), an angular velocity (degrees per second), a mass, a moment of inertia and a
// restitution. Forces change the velocity at once (force * dt); OnUpdate integrates; OnCollision
// answers an overlap with another body by an impulse exchange followed by a push-apart.
class CPhysicsSprite : public CImageSpriteEx {
public:
    explicit CPhysicsSprite(CSprite* parent);

    void SetWidth(double v) override;
    void SetHeight(double v) override;
    bool OnCollision(CSprite* other, Point contact) override;
    // Only collidable bodies on the same layer meet.
    bool ReactsTo(CSprite* other) override;
    void OnUpdate(double dt) override;
    void UpdateCorners() override;

    // Undoes the last integration step.
    virtual void RestorePrevious();
    // (px, py) is a point in the sprite's own unrotated, unscaled pixel frame.
    virtual void ApplyForceAt(double fx, double fy, double dt, double px, double py);
    virtual void ApplyForce(double fx, double fy, double dt);
    // Friction and braking: act against the motion along the force's line, never reversing it.
    virtual void ApplyResistanceAt(double fx, double fy, double dt, double px, double py);
    virtual void ApplyResistance(double fx, double fy, double dt);
    virtual bool IsFixedPosition() const;
    virtual void SetFixedPosition(bool on);
    virtual bool IsFixedRotation() const;
    virtual void SetFixedRotation(bool on);
    virtual bool IsCollidable() const;
    virtual void SetCollidable(bool on);
    virtual double GetMass() const;
    // Ignores 0 (and values that are not finite), so that the divisions by the mass stay defined.
    virtual void SetMass(double m);
    // Masses at the corners bottom-left, bottom-right, top-right, top-left: sets the total mass and
    // moves the rotation centre to their weighted mean.
    virtual void SetMassDistribution(const double cornerMass[4]);
    virtual double GetInertia() const;
    virtual double GetAngularVelocity() const;
    // Stores 0 for a spin that is not finite or too small to show.
    virtual void SetAngularVelocity(double degreesPerSecond);
    virtual Point GetVelocity() const;
    // A component that is not finite is stored as 0, and a speed too small to show as rest.
    virtual void SetVelocity(Point v);
    virtual double GetBounce() const;
    virtual void SetBounce(double v);
    // Velocity of a point given in the sprite's own unrotated, unscaled pixel frame.
    virtual Point GetPointVelocity(Point local) const;

protected:
    // Mass, motion and restitution; the pose is the sprite's own.
    CRigidBody body;
    double previousX = 0.0;
    double previousY = 0.0;
    double previousRotation = 0.0;

private:
    // Rotation centre in the own pixel frame.
    Point LocalCentre() const;
    // Where the sprite stands in its parent's frame.
    CBodyPose Pose() const;
    // A point of the own pixel frame in the coordinates of frame, an ancestor or null (the screen).
    Point InFrame(Point local, const CSprite* frame) const;
    Quad CornersIn(const CSprite* frame) const;
    // Parts the outlines by steps along n, this body forwards and b backwards.
    void PushApart(CPhysicsSprite& b, Point n, double depth);
    void Shift(Point offset, CPhysicsSprite& b);
    void MoveBy(Point offset);
};
