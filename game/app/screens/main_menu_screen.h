#pragma once

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"

// The main menu: a race, a time trial, the replays, a network race, the options, and the way out.
// It is drawn behind every other menu.
class ASP_MainMenuScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_MAIN_MENU;
    const char* Name() const override { return "main menu"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    void Load() override;
    void Draw(void* target) override;
    // The main menu has nowhere to go back to.
    void Back() override {}

    void Play();
    void Options();
    void Exit();
    // A time trial: one driver, a car, a track, no computer cars, and the track's ghost.
    void TimeTrial();
};
