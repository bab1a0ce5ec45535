#pragma once

#include <SDL/SDL.h>

#include <memory>
#include <string>

#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"
#include "game/input/input_source.h"
#include "game/sim/car.h"
#include "game/sim/command.h"

class ASP_Joysticks;

// A car of the race as the players see and drive it: the race's car (its body, driving model and
// race record live in the race) drawn with its sheet, its steering frames and a tail that stretches
// and turns with its speed; for a human, also the input source whose actions become the car's
// command for each step. Angles in degrees, lengths in pixels, times in seconds.
class ASP_Player : public CImageSpriteEx, public ASP_Drivable {
public:
    // A range of frames of a tile sheet, both ends inclusive.
    struct FrameRange {
        int start = 0;
        int end = 0;
    };

    // Shows car, a car of the world's race (parent).
    ASP_Player(CSprite* parent, const ASP_Car& car, bool computer);
    ~ASP_Player() override;
    ASP_Player(const ASP_Player&) = delete;
    ASP_Player& operator=(const ASP_Player&) = delete;

    // The car, then its tail over it; the tail reaches out behind the car.
    bool DrawsBeyondOutline() const override { return true; }
    void Render(void* target) override;
    // Turn-in and turn-out ranges play once and stay on their last frame.
    void OnAnimationLoop() override;
    // The tail's frames run with the car's.
    void OnUpdate(double dt) override { tail->Update(dt); }

    // Reads the controls and the camera mode of one player (from 0, which picks the default reset
    // key) and drives from their keys, or from their joystick when it is among joysticks.
    void LoadControls(std::string file, std::string section, int player = 0,
                      const ASP_Joysticks* joysticks = nullptr);
    // Reads how the car looks from `section` of `file` and its tail from section + "-tail".
    void LoadCar(std::string file, std::string section);
    void PlayAnimation(bool loop, int start, int end);
    // Takes the race car's place and heading, plays its steering and sizes its tail.
    void Follow();
    // How far from the race's car it is drawn: in a network race the guess of where a car is gets
    // put right, and the car glides there instead of jumping.
    Point shownOffset;
    // Sizes, turns, speeds up and places the tail for the current speed of its anchor.
    void UpdateTail();

    // Key and joystick events forwarded by the world, handed to the input source; whether the event
    // concerned this car. Of a key bound to several actions only the first (forward, backward,
    // left, right, reset) acts. A computer's car does not listen.
    bool OnInputEvent(const SDL_Event& e);
    bool OnKeyDown(SDLKey key);
    bool OnKeyUp(SDLKey key);
    void Drive(ASP_Action action, double amount) override;
    // Takes the keys and pad controls as they are held now.
    void SyncControls();
    // The player leaves the race with the next command.
    void GiveUp() { givingUp = true; }
    // What the human holds for the next step of the race, with a reset or giving up asked for since
    // the last one; once a frame the input source is polled first.
    ASP_Command TakeCommand();

    const ASP_Car& GetCar() const { return car; }
    const ASP_RaceRecord& Record() const { return car.record; }
    bool IsComputer() const { return computer; }
    CImageSpriteEx* GetTail() const { return tail.get(); }
    bool IsForwardHeld() const { return held.forward > 0; }
    bool IsBackwardHeld() const { return held.backward > 0; }
    bool IsLeftHeld() const { return held.left > 0; }
    bool IsRightHeld() const { return held.right > 0; }

    // The view of this player turns with the car.
    bool fixedCamera = false;
    // The car's section in the car file, which is also its name.
    std::string carName;

private:
    void LoadTail(const std::string& file, const std::string& section);
    CTexture* SmoothTexture(const std::string& file) const;
    // Plays the turn-in when steering starts, the turn-out on letting go.
    void FollowSteering(double& seen, double amount, const FrameRange& in, const FrameRange& out);

    const ASP_Car& car;
    bool computer;
    std::unique_ptr<ASP_InputSource> input;
    ASP_Command held;
    bool resetAsked = false;
    bool givingUp = false;
    // The steering last shown, so that its frames play on changes.
    double leftShown = 0.0;
    double rightShown = 0.0;
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
};
