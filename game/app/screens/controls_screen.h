#pragma once

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"
#include "game/menus/controls_menu.h"

// The players' controls, reached from the options and leading back there. Escape cancels a row
// that waits for its key, and otherwise goes back.
class ASP_ControlsScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_CONTROLS;
    const char* Name() const override { return "controls"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    void Load() override;
    // Shows the stored controls.
    void Enter() override;
    void Back() override;
    void KeyDown(SDL_Event* e) override;
    void Joystick(SDL_Event* e) override;

    ASP_ControlsMenu* Controls() const { return controls; }

private:
    // Owned by the menu screen.
    ASP_ControlsMenu* controls = nullptr;
};
