#pragma once

#include <SDL/SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"
#include "engine/physics_sprite.h"

class ASP_CarDriver;
class ASP_World;
struct SurfaceModifier;

// The car a human drives: a rigid body in the race world (its parent) that turns its four keys into
// forces at its wheels, each wheel feeling the ground under it, and drags a tail that stretches and
// turns with its speed. It also carries the player's race record, which the race rules write and
// the interface reads. Angles in degrees, lengths in pixels, times in seconds.
class ASP_Player : public CPhysicsSprite {
public:
    // A wheel in the car's unrotated local frame, origin at the car's top-left corner, pixels.
    struct Wheel {
        double x = 0.0;
        double y = 0.0;
        // Turns with the steering keys.
        bool steer = true;
        // Transmits the throttle force.
        bool drive = true;
    };

    // A range of frames of a tile sheet, both ends inclusive.
    struct FrameRange {
        int start = 0;
        int end = 0;
    };

    // More wheels than this is a broken car file, not a car.
    static constexpr int kMaxWheels = 64;
    // How long both cars of a crash have no drive.
    static constexpr double kDriveBlockSeconds = 0.2;

    explicit ASP_Player(CSprite* parent);
    ~ASP_Player() override;
    ASP_Player(const ASP_Player&) = delete;
    ASP_Player& operator=(const ASP_Player&) = delete;

    // The rigid-body response, then the crash reaction when the other sprite is a car.
    bool OnCollision(CSprite* other, Point contact) override;
    // The car, then its tail over it.
    void Render(void* target) override;
    // The driving model; integrates in the middle.
    void OnUpdate(double dt) override;
    // Turn-in and turn-out ranges play once and stay on their last frame.
    void OnAnimationLoop() override;

    // Reads the four keys and the camera mode of one player.
    void LoadControls(std::string file, std::string section);
    // Reads the car from `section` of `file` and its tail from section + "-tail".
    void LoadCar(std::string file, std::string section);
    void PlayAnimation(bool loop, int start, int end);
    // Whether the car rolls towards its front; false at rest and when sliding exactly sideways.
    bool MovingForward() const;
    // Sizes, turns, speeds up and places the tail for the current speed of its anchor.
    void UpdateTail();

    // Key events forwarded by the world. Each returns whether the key is bound on this car; only the
    // first matching binding (forward, backward, left, right) reacts.
    bool OnKeyDown(SDLKey key);
    bool OnKeyUp(SDLKey key);

    // Holds or releases the controls as their keys would, turn animations included.
    void SetControls(bool forward, bool backward, bool left, bool right);
    // Hands the controls to a driver, which then steers the car every step; the keys no longer
    // reach it. The car owns the driver.
    void SetDriver(std::unique_ptr<ASP_CarDriver> newDriver);
    bool IsComputer() const { return driver != nullptr; }
    // The car section it was loaded from.
    const std::string& GetCarName() const { return carName; }

    CImageSpriteEx* GetTail() const { return tail.get(); }
    const std::vector<Wheel>& GetWheels() const { return wheels; }
    double GetDriveBlockTime() const { return driveBlockTime; }
    bool IsForwardHeld() const { return forwardHeld; }
    bool IsBackwardHeld() const { return backwardHeld; }
    bool IsLeftHeld() const { return leftHeld; }
    bool IsRightHeld() const { return rightHeld; }
    double GetTopSpeed() const { return topSpeed; }
    double GetAccel() const { return accel; }
    double GetBrake() const { return brake; }
    double GetReverseMod() const { return reverseMod; }
    double GetFrict() const { return frict; }
    double GetSteer() const { return steer; }

    // The view of this player turns with the car.
    bool fixedCamera = false;

    // The race record, written by the race rules and read by the interface.
    // Total time since the start, frozen at the finish.
    double raceTime = 0.0;
    // Time of the current lap.
    double lapTime = 0.0;
    // Best complete lap.
    double bestLapTime = 0.0;
    // Accepted finish-line crossings.
    int lap = 0;
    // Index of the last accepted checkpoint; -1 before the first.
    int lastCheckpoint = -1;
    // Race position, 1-based.
    int position = 1;
    bool finished = false;
    // World-local point the compass points at.
    Point compassTarget;

private:
    ASP_World* World() const;
    // The ground under a global point; the neutral surface outside a world.
    SurfaceModifier SurfaceAt(Point global) const;
    void EmitDust(int emitter, Point global, double angle) const;
    void LoadTail(const std::string& file, const std::string& section);
    CTexture* SmoothTexture(const std::string& file) const;
    // The rotation centre in the car's own pixels.
    Point Pivot() const;
    double Throttle(bool fwd) const;
    void DriveWheel(const Wheel& wheel, Point c, double T, bool fwd, double dt);
    void LimitTopSpeed(Point c, double dt);
    void StopSlowSpin();
    void CountRaceTime(double dt);
    void ThrowCrashParticles(Point contact) const;
    // Applies a resisting force at a local point; a zero force resists nothing.
    void Resist(Point force, double dt, Point at);

    int forwardKey = SDLK_UP;
    int backwardKey = SDLK_DOWN;
    int leftKey = SDLK_LEFT;
    int rightKey = SDLK_RIGHT;
    bool forwardHeld = false;
    bool backwardHeld = false;
    bool leftHeld = false;
    bool rightHeld = false;
    FrameRange straight;
    FrameRange left;
    FrameRange leftBack;
    FrameRange right;
    FrameRange rightBack;
    bool animLoop = false;
    std::unique_ptr<CImageSpriteEx> tail;
    // Fractions of the car's width and height.
    Point tailAnchor;
    // How far the tail may turn away from the car's facing, on either side.
    double angleDeltaCW = 180.0;
    double angleDeltaCCW = 180.0;
    // Tail size at full speed and at or below minSpeed.
    double tailWidth = 1.0;
    double tailHeight = 1.0;
    double tailScaledWidth = 1.0;
    double tailScaledHeight = 1.0;
    // Speeds of the tail anchor, pixels per second, over which the tail grows.
    double minSpeed = 0.0;
    double maxSpeed = 100.0;
    // Tail frames per second at full speed.
    double tailAnimSpeed = 1.0;
    double driveBlockTime = 0.0;
    // Pixels per second.
    double topSpeed = 0.0;
    double accel = 0.0;
    double brake = 0.0;
    double reverseMod = 0.0;
    double frict = 0.0;
    // Wheel turn at full lock.
    double steer = 0.0;
    std::vector<Wheel> wheels;
    std::string carName;
    std::unique_ptr<ASP_CarDriver> driver;
};
