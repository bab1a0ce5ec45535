#pragma once

#include <SDL/SDL.h>

class ASP_Menu;

// One screen of the game: it is entered and left, advanced and drawn every frame while it is
// current, and gets the input meanwhile. A screen that shows a menu names it, so that the
// application can fit, release and restore its texts with the others.
class ASP_Screen {
public:
    virtual ~ASP_Screen() = default;

    // Builds what the screen shows; the start-up loader runs it once for every screen, in the
    // order of their states.
    virtual void Load() {}
    // Work that goes on whatever screen is current, every frame (a server hosted here).
    virtual void Background() {}

    // Called just before the screen becomes current (possibly on the loader thread, which hands
    // a screen it built over), and as the current one gives way.
    virtual void Enter() {}
    virtual void Leave() {}
    // dt in seconds.
    virtual void Update(double dt) { (void)dt; }
    virtual void Draw(void* target) { (void)target; }

    virtual void KeyDown(SDL_Event* e) { (void)e; }
    virtual void KeyUp(SDL_Event* e) { (void)e; }
    virtual void MouseMove(SDL_Event* e) { (void)e; }
    virtual void MouseButtonDown(SDL_Event* e) { (void)e; }
    virtual void MouseButtonUp(SDL_Event* e) { (void)e; }
    virtual void Joystick(SDL_Event* e) { (void)e; }
    // The window gained or lost the focus.
    virtual void Activate(SDL_Event* e) { (void)e; }

    // What the log calls the screen as it is entered.
    virtual const char* Name() const = 0;
    // The menu the screen shows; null for none.
    virtual ASP_Menu* Menu() const { return nullptr; }
};
