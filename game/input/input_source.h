#pragma once

#include <SDL/SDL.h>

#include <array>
#include <memory>
#include <string>

#include "game/input/controls.h"

class ASP_Joysticks;

// Whatever a driver steers: a human through an input source, or a computer driver directly.
class ASP_Drivable {
public:
    virtual ~ASP_Drivable() = default;
    // amount 0 lets go of the action and 1 is all of it; steering takes the parts between (an
    // analogue stick), the other actions only ask whether it is above 0.
    virtual void Drive(ASP_Action action, double amount) = 0;
};

// Where a human player's input comes from: turns SDL events into actions on a car.
class ASP_InputSource {
public:
    virtual ~ASP_InputSource() = default;
    // Whether the event concerned this source.
    virtual bool OnEvent(const SDL_Event& e, ASP_Drivable& car) = 0;
    // Once a frame, before the car moves.
    virtual void Poll(ASP_Drivable& car) { (void)car; }
    // Tells the car how far each action's control is held right now, events aside: a key pressed
    // while the race was loading sent its event to the loading screen.
    virtual void Sync(ASP_Drivable& car) = 0;
};

// The player's keys.
class ASP_KeyboardInput : public ASP_InputSource {
public:
    explicit ASP_KeyboardInput(const std::array<int, kActions>& keys) : keys(keys) {}
    // Key presses and releases; only the first action bound to a key acts.
    bool OnEvent(const SDL_Event& e, ASP_Drivable& car) override;
    // Reads SDL's key state.
    void Sync(ASP_Drivable& car) override;

private:
    std::array<int, kActions> keys;
};

// A joystick, with the player's keys as the fallback once it is unplugged. The d-pad steers too,
// unless the player gave its left or right to an action.
class ASP_JoystickInput : public ASP_InputSource {
public:
    ASP_JoystickInput(const ASP_Controls& controls, int joystick, const ASP_Joysticks* joysticks,
                      std::string player);
    bool OnEvent(const SDL_Event& e, ASP_Drivable& car) override;
    // Lets go of everything the joystick held and falls back on the keys when it is gone.
    void Poll(ASP_Drivable& car) override;
    // Reads the pad's state, or the keys once it is gone.
    void Sync(ASP_Drivable& car) override;
    bool OnKeyboard() const { return onKeyboard; }

private:
    // The bound control of each action, and the d-pad direction that also steers.
    std::array<std::array<ASP_PadControl, 2>, kActions> controls;
    std::array<std::array<double, 2>, kActions> parts{};
    std::array<double, kActions> amounts{};
    int joystick;
    int deadZone;
    const ASP_Joysticks* joysticks;
    std::string player;
    ASP_KeyboardInput keyboard;
    bool onKeyboard = false;
};

// The source the controls ask for: their joystick when it is attached, otherwise (with a warning
// when a joystick was asked for) the keys. player names the player in log lines.
std::unique_ptr<ASP_InputSource> MakeInputSource(const ASP_Controls& controls, const ASP_Joysticks* joysticks,
                                                 const std::string& player);
