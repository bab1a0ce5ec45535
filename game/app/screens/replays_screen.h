#pragma once

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"
#include "game/menus/replays_menu.h"
#include "game/race/replay_library.h"

// The replays kept in the user's replays folder, and the playback of the one chosen.
class ASP_ReplaysScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_REPLAYS;
    const char* Name() const override { return "replays"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    void Load() override;
    // Lists the replays afresh.
    void Enter() override;
    void Back() override;

    // Shows the replays list.
    void Show();
    // Plays the replay chosen on the list, unless it is refused.
    void Watch();

    ASP_ReplaysMenu* Replays() const { return replays; }
    // Where every race is recorded.
    const ASP_ReplayLibrary& Library() const { return library; }

private:
    ASP_ReplayLibrary library;
    // Owned by the menu screen.
    ASP_ReplaysMenu* replays = nullptr;
};
