#pragma once

#include <SDL/SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"
#include "engine/physics_sprite.h"
#include "game/input/input_source.h"

class ASP_CarDriver;
class ASP_Joysticks;
class ASP_World;
struct SurfaceModifier;

// The car a human drives: a rigid body in the race world (its parent) that turns what its driver
// does (through an input source: keys, a joystick) into forces at its wheels, each wheel feeling
// the ground under it, and drags a tail that stretches and turns with its speed. It also carries
// the player's race record, which the race rules write and the interface reads. Angles in degrees,
// lengths in pixels, times in seconds.
class ASP_Player : public CPhysicsSprite, public ASP_Drivable {
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
    // Seconds from the reset key to the car standing on its last checkpoint: what a reset costs,
    // so that it is never quicker than driving.
    static constexpr double kResetDelay = 1.5;

    explicit ASP_Player(CSprite* parent);
    ~ASP_Player() override;
    ASP_Player(const ASP_Player&) = delete;
    ASP_Player& operator=(const ASP_Player&) = delete;

    // The rigid-body response, then the crash reaction when the other sprite is a car.
    bool OnCollision(CSprite* other, Point contact) override;
    // The car, then its tail over it.
    // The tail reaches out behind the car.
    bool DrawsBeyondOutline() const override { return true; }
    void Render(void* target) override;
    // The driving model; integrates in the middle.
    void OnUpdate(double dt) override;
    // Turn-in and turn-out ranges play once and stay on their last frame.
    void OnAnimationLoop() override;

    // Reads the controls and the camera mode of one player (from 0, which picks the default reset
    // key) and drives from their keys, or from their joystick when it is among joysticks.
    void LoadControls(std::string file, std::string section, int player = 0,
                      const ASP_Joysticks* joysticks = nullptr);
    // Reads the car from `section` of `file` and its tail from section + "-tail".
    void LoadCar(std::string file, std::string section);
    void PlayAnimation(bool loop, int start, int end);
    // Whether the car rolls towards its front; false at rest and when sliding exactly sideways.
    bool MovingForward() const;
    // Sizes, turns, speeds up and places the tail for the current speed of its anchor.
    void UpdateTail();

    // Key and joystick events forwarded by the world, handed to the input source; whether the event
    // concerned this car. Of a key bound to several actions only the first (forward, backward,
    // left, right, reset) acts.
    bool OnInputEvent(const SDL_Event& e);
    bool OnKeyDown(SDLKey key);
    bool OnKeyUp(SDLKey key);
    void Drive(ASP_Action action, double amount) override;
    // The driver asks to be put back on the track.
    void RequestReset();
    // Takes the keys and pad controls as they are held now; a computer's car keeps its driver's.
    // Reset is not held but pressed, so it is left alone.
    void SyncControls();

    // Holds or releases the controls as their keys would, turn animations included.
    void SetControls(bool forward, bool backward, bool left, bool right);
    // Hands the controls to a driver, which then steers the car every step; the keys no longer
    // reach it. The car owns the driver.
    void SetDriver(std::unique_ptr<ASP_CarDriver> newDriver);
    bool IsComputer() const { return driver != nullptr; }

    CImageSpriteEx* GetTail() const { return tail.get(); }
    const std::vector<Wheel>& GetWheels() const { return wheels; }
    double GetDriveBlockTime() const { return driveBlockTime; }
    // Seconds until the car is put back on its last checkpoint; 0 without a pending reset.
    double GetResetTime() const { return resetTime; }
    bool IsForwardHeld() const { return forwardHeld; }
    bool IsBackwardHeld() const { return backwardHeld; }
    bool IsLeftHeld() const { return leftAmount > 0.0; }
    bool IsRightHeld() const { return rightAmount > 0.0; }
    double GetTopSpeed() const { return topSpeed; }
    double GetAccel() const { return accel; }
    double GetBrake() const { return brake; }
    double GetReverseMod() const { return reverseMod; }
    double GetFrict() const { return frict; }
    double GetSteer() const { return steer; }

    // The view of this player turns with the car.
    bool fixedCamera = false;
    // The car's section in the car file, which is also its name.
    std::string carName;

    // The race record, written by the race rules and read by the interface.
    // Total time since the start, frozen at the finish.
    double raceTime = 0.0;
    // Time of the current lap.
    double lapTime = 0.0;
    // Best complete lap; during the first lap, the running one.
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
    // Seconds the car has been driving away from its next checkpoint.
    double wrongWayTime = 0.0;
    // How long driving away from the next checkpoint counts as a slip rather than the wrong way.
    static constexpr double kWrongWaySeconds = 1.0;
    bool IsWrongWay() const { return wrongWayTime >= kWrongWaySeconds; }
    // The best lap the car completed; 0 before it completed one (the first crossing starts lap 1).
    double BestCompleteLap() const { return lap >= 2 ? bestLapTime : 0.0; }
    // Counts time while the car moves clearly away from its compass target.
    void UpdateWrongWay(double dt);

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
    void CountDownReset(double dt);
    // Sets a steering amount; the turn-in plays when steering starts, the turn-out on letting go.
    void Steer(double& held, double amount, const FrameRange& in, const FrameRange& out);
    void ThrowCrashParticles(Point contact) const;
    // Applies a resisting force at a local point; a zero force resists nothing.
    void Resist(Point force, double dt, Point at);

    std::unique_ptr<ASP_InputSource> input;
    bool forwardHeld = false;
    bool backwardHeld = false;
    // Part of full lock, 0 to 1: keys give all or nothing, a stick anything between.
    double leftAmount = 0.0;
    double rightAmount = 0.0;
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
    double resetTime = 0.0;
    // Pixels per second.
    double topSpeed = 0.0;
    double accel = 0.0;
    double brake = 0.0;
    double reverseMod = 0.0;
    double frict = 0.0;
    // Wheel turn at full lock.
    double steer = 0.0;
    std::vector<Wheel> wheels;
    std::unique_ptr<ASP_CarDriver> driver;
};
