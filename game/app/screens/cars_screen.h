#pragma once

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"
#include "game/menus/car_preview.h"

// Each player in turn chooses a car; after the last one the track choice, the race or the network
// menu follows.
class ASP_CarsScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_CARS;
    const char* Name() const override { return "cars"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    void Load() override;
    // Over the players menu, which it was chosen from.
    void Draw(void* target) override;
    // The player before, or the menu before the first player.
    void Back() override;

    // Shows car c, or the next free one in direction (+1 / -1), as the current player's choice.
    void ShowCar(int c, int direction);
    void Next();
    void Previous();
    // The current player has chosen: the next player chooses, or the choice goes on.
    void Chosen();

    const ASP_CarPreview& Preview() const { return preview; }

private:
    // After the last car choice: the track choice, or the race straight away with only one track.
    void ChooseTrackOrRace();

    ASP_CarPreview preview;
};
