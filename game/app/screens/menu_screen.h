#pragma once

#include <memory>

#include "game/app/screen.h"
#include "game/menus/menu.h"

class ASP_Main;

// A screen that shows a menu over the dimmed main menu. The menu gets the input; Escape is the
// menu's Back, as on every menu screen.
class ASP_MenuScreen : public ASP_Screen {
public:
    explicit ASP_MenuScreen(ASP_Main& app) : app(app) {}

    void Update(double dt) override;
    void Draw(void* target) override;
    void KeyDown(SDL_Event* e) override;
    void KeyUp(SDL_Event* e) override;
    void MouseMove(SDL_Event* e) override;
    void MouseButtonDown(SDL_Event* e) override;
    void MouseButtonUp(SDL_Event* e) override;
    ASP_Menu* Menu() const override { return menu.get(); }

    // What the menu's Back button does, and Escape.
    virtual void Back() = 0;

protected:
    // The main menu, dimmed by the overlay: what every menu over it is drawn on.
    void DrawBehind(void* target) const;
    // A callback that runs action, for the buttons.
    template <class F>
    static ASP_ButtonCallback Action(F action) {
        return [action](ASP_Button*, SDL_Event*) { action(); };
    }

    ASP_Main& app;
    std::unique_ptr<ASP_Menu> menu;
};
