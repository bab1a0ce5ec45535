#include "game/app/screens/controls_screen.h"

namespace {

const char* const kControlsMenuFile = "mnu\\controls.ini";

}  // namespace

void ASP_ControlsScreen::Load() {
    auto built = std::make_unique<ASP_ControlsMenu>(app.Textures(), app.Settings().File(), &app.Joysticks());
    controls = built.get();
    menu = std::move(built);
    controls->Load(&app, kControlsMenuFile, Action([this] { Back(); }));
}

void ASP_ControlsScreen::Enter() {
    controls->Refresh();
}

void ASP_ControlsScreen::Back() {
    app.EnterState(ASP_Main::STATE_OPTIONS);
}

void ASP_ControlsScreen::KeyDown(SDL_Event* e) {
    if (controls->IsWaiting()) {
        controls->OnKeyDown(e);
    } else {
        ASP_MenuScreen::KeyDown(e);
    }
}

void ASP_ControlsScreen::Joystick(SDL_Event* e) {
    controls->OnJoystick(e);
}
