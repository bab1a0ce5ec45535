#pragma once

#include <SDL/SDL.h>

// Events as SDL delivers them, for tests that drive the programs' handlers.

inline SDL_Event KeyEvent(SDLKey key, bool down = true) {
    SDL_Event e{};
    e.type = e.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.sym = key;
    return e;
}

// Mouse motion, or a press or release of a mouse button, at (x, y): motion and button events keep
// the position in the same place.
inline SDL_Event MouseEvent(Uint8 type, double x, double y, Uint8 button = SDL_BUTTON_LEFT) {
    SDL_Event e{};
    e.type = e.button.type = type;
    e.button.button = type == SDL_MOUSEMOTION ? 0 : button;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

// Joystick events: type, joystick and axis, button or hat share their places in the event.
inline SDL_Event JoyEvent(Uint8 type, int joystick, int index) {
    SDL_Event e{};
    e.type = e.jaxis.type = type;
    e.jaxis.which = static_cast<Uint8>(joystick);
    e.jaxis.axis = static_cast<Uint8>(index);
    return e;
}
inline SDL_Event JoyAxis(int joystick, int axis, int value) {
    SDL_Event e = JoyEvent(SDL_JOYAXISMOTION, joystick, axis);
    e.jaxis.value = static_cast<Sint16>(value);
    return e;
}
inline SDL_Event JoyButton(int joystick, int button, bool down) {
    return JoyEvent(down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, joystick, button);
}
inline SDL_Event JoyHat(int joystick, int value) {
    SDL_Event e = JoyEvent(SDL_JOYHATMOTION, joystick, 0);
    e.jhat.value = static_cast<Uint8>(value);
    return e;
}
