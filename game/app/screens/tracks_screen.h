#pragma once

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"
#include "game/menus/track_menu.h"

// The track of a local race, with its picture and records, when the game has more than one.
class ASP_TracksScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_TRACKS;
    const char* Name() const override { return "tracks"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    // Reads the track list too.
    void Load() override;
    // Shows the chosen track.
    void Enter() override;
    // Back to the last player's car.
    void Back() override;

    // Shows track t, wrapped round the list, as the choice.
    void ShowTrack(int t);
    void Next();
    void Previous();
    void Chosen();

    const ASP_TrackChoice& TrackChoice() const { return trackChoice; }

private:
    ASP_TrackChoice trackChoice;
};
