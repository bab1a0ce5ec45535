#pragma once

#include <SDL/SDL.h>

#include <array>
#include <string>

// What a driver can do with a car. The order is the order in which a key is matched: a key bound
// to two actions acts as the first of them only.
enum class ASP_Action { Forward = 0, Backward = 1, Left = 2, Right = 3, Reset = 4 };
constexpr int kActions = 5;

// One control of a joystick: a button, one direction of an axis or one direction of a hat (the
// d-pad of most pads).
struct ASP_PadControl {
    enum Kind { NONE, BUTTON, AXIS, HAT };

    Kind kind = NONE;
    int index = 0;
    // Axis: +1 or -1. Hat: one SDL_HAT_* bit.
    int direction = 0;

    // The stored form: "button3", "axis0+", "axis0-", "hat0up" (right, down, left); "" for none.
    std::string Text() const;
    // Reads the stored form; false for text that names no control.
    static bool Parse(const std::string& text, ASP_PadControl* control);
    // The caption shown to players, counted from 1 as pads are labelled.
    std::string Caption() const;
    // How far this event pushes the control, 0 to 1 (axes beyond deadZone, in proportion); -1 when
    // the event is about another control or another joystick.
    double Amount(const SDL_Event& e, int joystick, int deadZone) const;
    // The control an event pushes decidedly (an axis at least half-way), NONE for anything else.
    static ASP_PadControl PushedBy(const SDL_Event& e);

    bool operator==(const ASP_PadControl& o) const {
        return kind == o.kind && index == o.index && direction == o.direction;
    }
};

// One player's controls, the keys of a section controlsN of the settings file.
struct ASP_Controls {
    static constexpr int kKeyboard = -1;
    static constexpr int kDefaultDeadZone = 8000;

    // SDL key codes, by action.
    std::array<int, kActions> keys{};
    std::array<ASP_PadControl, kActions> pad{};
    bool fixedCamera = false;
    // The joystick's index and name, kKeyboard for none.
    int joystick = kKeyboard;
    std::string joystickName;
    // Axis values (of 32767) that count as centred.
    int deadZone = kDefaultDeadZone;

    // The controls of a section without keys; player (from 0) picks the reset key.
    static ASP_Controls Defaults(int player);
    // player (from 0) picks the default reset key; text that names no pad control is logged and
    // takes the default.
    static ASP_Controls Read(const std::string& file, const std::string& section, int player);
};

// The keys of a controls section, by action.
extern const std::array<const char*, kActions> kActionKeys;
extern const std::array<const char*, kActions> kPadKeys;
extern const char* const kJoystickKey;
extern const char* const kJoystickNameKey;
extern const char* const kFixedCameraKey;

// The section of player (from 0): "controls0", ...
std::string ControlsSection(int player);
// A key as players know it: "Up", "Backspace", "Keypad 0".
std::string KeyCaption(int key);
