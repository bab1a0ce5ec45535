#include "game/app/screens/menu_screen.h"

#include "game/app/asp_main.h"
#include "game/app/screens/main_menu_screen.h"

void ASP_MenuScreen::Update(double dt) {
    menu->Update(dt);
}

void ASP_MenuScreen::DrawBehind(void* target) const {
    app.Screen<ASP_MainMenuScreen>().Menu()->Draw(target);
    app.Overlay()->Draw(target);
}

void ASP_MenuScreen::Draw(void* target) {
    DrawBehind(target);
    menu->Draw(target);
}

void ASP_MenuScreen::KeyDown(SDL_Event* e) {
    if (e->key.keysym.sym == SDLK_ESCAPE) {
        Back();
    } else {
        menu->OnKeyDown(e);
    }
}

void ASP_MenuScreen::KeyUp(SDL_Event* e) {
    menu->OnKeyUp(e);
}

void ASP_MenuScreen::MouseMove(SDL_Event* e) {
    menu->OnMouseMove(e);
}

void ASP_MenuScreen::MouseButtonDown(SDL_Event* e) {
    menu->OnMouseButtonDown(e);
}

void ASP_MenuScreen::MouseButtonUp(SDL_Event* e) {
    menu->OnMouseButtonUp(e);
}
