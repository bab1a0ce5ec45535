#pragma once

#include <SDL/SDL.h>

// Events as SDL delivers them, for tests that drive the game's handlers.

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
