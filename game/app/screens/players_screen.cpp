#include "game/app/screens/players_screen.h"

#include "engine/ini.h"
#include "game/app/screens/cars_screen.h"
#include "game/app/screens/network_menu_screen.h"
#include "game/sim/car.h"

namespace {

const char* const kPlayersMenuFile = "mnu\\players.ini";
// Sprite indices of the opponents and difficulty buttons.
constexpr int kOpponentsButton = 6;
constexpr int kDifficultyButton = 7;
constexpr int kDifficulties = 3;

}  // namespace

void ASP_PlayersScreen::Load() {
    const ASP_ButtonCallback count = [this](ASP_Button* button, SDL_Event*) { Count(button); };
    menu = LoadMenu(&app, app.Textures(), kPlayersMenuFile,
                    {count, count, count, count, Action([this] { Back(); }), Action([this] { Opponents(); }),
                     Action([this] { Difficulty(); })});
    RefreshComputerButtons();
}

void ASP_PlayersScreen::Back() {
    if (app.Choice().forNetwork) {
        app.Choice().forNetwork = false;
        app.Screen<ASP_NetworkMenuScreen>().Show();
    } else {
        app.EnterState(ASP_Main::STATE_MAIN_MENU);
    }
}

void ASP_PlayersScreen::Count(ASP_Button* button) {
    const int n = menu->IndexOf(button);
    if (n < 1 || n > kMaxLocalPlayers) {
        return;
    }
    ASP_RaceChoice& choice = app.Choice();
    if (choice.carNames.empty()) {
        app.LogLine(LOG_WARNING, std::string("No cars in ") + kCarFile + ": there is nothing to choose.");
        return;
    }
    choice.playerCount = n;
    choice.currentPlayer = 0;
    app.Screen<ASP_CarsScreen>().ShowCar(choice.playerCars[0], 1);
    app.EnterState(ASP_Main::STATE_CARS);
}

void ASP_PlayersScreen::Opponents() {
    ASP_ComputerSettings computer = app.Settings().Computer();
    computer.opponents = (computer.opponents + 1) % (ASP_Settings::kMaxOpponents + 1);
    app.Settings().Store(computer);
    RefreshComputerButtons();
}

void ASP_PlayersScreen::Difficulty() {
    ASP_ComputerSettings computer = app.Settings().Computer();
    computer.difficulty =
        static_cast<ASP_Difficulty>((static_cast<int>(computer.difficulty) + 1) % kDifficulties);
    app.Settings().Store(computer);
    RefreshComputerButtons();
}

void ASP_PlayersScreen::RefreshComputerButtons() {
    const ASP_ComputerSettings computer = app.Settings().Computer();
    SetCaption(
        dynamic_cast<ASP_Button*>(menu->GetSprite(kOpponentsButton)),
        GetIniString("text", "opponents", "", kPlayersMenuFile) + " " + NumberToText(computer.opponents));
    SetCaption(
        dynamic_cast<ASP_Button*>(menu->GetSprite(kDifficultyButton)),
        GetIniString("text", "difficulty", "", kPlayersMenuFile) + " " + DifficultyText(computer.difficulty));
}
