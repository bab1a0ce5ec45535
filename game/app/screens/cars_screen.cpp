#include "game/app/screens/cars_screen.h"

#include "game/app/screens/main_menu_screen.h"
#include "game/app/screens/network_menu_screen.h"
#include "game/app/screens/players_screen.h"
#include "game/app/screens/race_screen.h"
#include "game/sim/car.h"

namespace {

const char* const kCarsMenuFile = "mnu\\cars.ini";

}  // namespace

void ASP_CarsScreen::Load() {
    menu = LoadMenu(&app, app.Textures(), kCarsMenuFile,
                    {Action([this] { Next(); }), Action([this] { Previous(); }), Action([this] { Chosen(); }),
                     Action([this] { Back(); })});
    preview.Load(menu.get(), kCarsMenuFile);
}

void ASP_CarsScreen::Draw(void* target) {
    app.Screen<ASP_MainMenuScreen>().Menu()->Draw(target);
    app.Screen<ASP_PlayersScreen>().Menu()->Draw(target);
    app.Overlay()->Draw(target);
    menu->Draw(target);
}

void ASP_CarsScreen::ShowCar(int c, int direction) {
    ASP_RaceChoice& choice = app.Choice();
    const int cars = static_cast<int>(choice.carNames.size());
    if (cars == 0 || choice.currentPlayer < 0 || choice.currentPlayer >= kMaxLocalPlayers) {
        return;
    }
    c = PickCar(c, direction, choice.currentPlayer, choice.playerCars, choice.playerCount, cars);
    choice.playerCars[static_cast<size_t>(choice.currentPlayer)] = c;
    preview.Show(kCarFile, choice.carNames[static_cast<size_t>(c)], choice.currentPlayer);
}

void ASP_CarsScreen::Next() {
    const ASP_RaceChoice& choice = app.Choice();
    if (choice.currentPlayer >= 0 && choice.currentPlayer < kMaxLocalPlayers) {
        ShowCar(choice.playerCars[static_cast<size_t>(choice.currentPlayer)] + 1, 1);
    }
}

void ASP_CarsScreen::Previous() {
    const ASP_RaceChoice& choice = app.Choice();
    if (choice.currentPlayer >= 0 && choice.currentPlayer < kMaxLocalPlayers) {
        ShowCar(choice.playerCars[static_cast<size_t>(choice.currentPlayer)] - 1, -1);
    }
}

void ASP_CarsScreen::Chosen() {
    ASP_RaceChoice& choice = app.Choice();
    choice.currentPlayer += 1;
    if (choice.currentPlayer < choice.playerCount) {
        ShowCar(choice.playerCars[static_cast<size_t>(choice.currentPlayer)], 1);
    } else {
        ChooseTrackOrRace();
    }
}

void ASP_CarsScreen::Back() {
    ASP_RaceChoice& choice = app.Choice();
    choice.currentPlayer -= 1;
    if (choice.currentPlayer >= 0) {
        ShowCar(choice.playerCars[static_cast<size_t>(choice.currentPlayer)], 1);
    } else {
        // A time trial has no players menu to go back to.
        app.EnterState(choice.timeTrial ? ASP_Main::STATE_MAIN_MENU : ASP_Main::STATE_PLAYERS);
    }
}

void ASP_CarsScreen::ChooseTrackOrRace() {
    ASP_RaceChoice& choice = app.Choice();
    // A network race's track is the host's choice, in the lobby.
    if (choice.forNetwork) {
        choice.forNetwork = false;
        app.Screen<ASP_NetworkMenuScreen>().Show();
    } else if (choice.tracks.size() > 1) {
        app.EnterState(ASP_Main::STATE_TRACKS);
    } else {
        app.Screen<ASP_RaceScreen>().StartChosenRace();
    }
}
