#pragma once

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"

// How many play at this machine, and the computer opponents of a local race with their difficulty.
class ASP_PlayersScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_PLAYERS;
    const char* Name() const override { return "players"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    void Load() override;
    // Back to the menu that led here: the network menu or the main menu.
    void Back() override;

    // The count button's number of players choose their cars; a button that is no count button
    // does nothing.
    void Count(ASP_Button* button);
    // The next number of opponents, and the next difficulty, wrapping round.
    void Opponents();
    void Difficulty();

private:
    // The opponents and difficulty buttons show the stored settings.
    void RefreshComputerButtons();
};
