#include "game/app/screens/main_menu_screen.h"

#include "game/app/screens/cars_screen.h"
#include "game/app/screens/network_menu_screen.h"
#include "game/app/screens/replays_screen.h"
#include "game/sim/car.h"

namespace {

const char* const kMainMenuFile = "mnu\\main.ini";

}  // namespace

void ASP_MainMenuScreen::Load() {
    menu =
        LoadMenu(&app, app.Textures(), kMainMenuFile,
                 {Action([this] { Play(); }), Action([this] { Options(); }), Action([this] { Exit(); }),
                  Action([this] { TimeTrial(); }), Action([this] { app.Screen<ASP_ReplaysScreen>().Show(); }),
                  Action([this] { app.Screen<ASP_NetworkMenuScreen>().Show(); })});
}

void ASP_MainMenuScreen::Draw(void* target) {
    menu->Draw(target);
}

void ASP_MainMenuScreen::Play() {
    app.Choice().timeTrial = false;
    app.Choice().forNetwork = false;
    app.EnterState(ASP_Main::STATE_PLAYERS);
}

void ASP_MainMenuScreen::Options() {
    app.EnterState(ASP_Main::STATE_OPTIONS);
}

void ASP_MainMenuScreen::Exit() {
    app.quit = true;
}

void ASP_MainMenuScreen::TimeTrial() {
    ASP_RaceChoice& choice = app.Choice();
    if (choice.carNames.empty()) {
        app.LogLine(LOG_WARNING, std::string("No cars in ") + kCarFile + ": there is nothing to choose.");
        return;
    }
    choice.timeTrial = true;
    choice.forNetwork = false;
    choice.playerCount = 1;
    choice.currentPlayer = 0;
    app.Screen<ASP_CarsScreen>().ShowCar(choice.playerCars[0], 1);
    app.EnterState(ASP_Main::STATE_CARS);
}
