// Plays the game's screens without a player and writes each frame as a BMP into the folder given
// as the first argument: the menus, the car choice and races of one, two and four cars. Run in the
// game's working directory (data/), whose config.ini sets the window.
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "engine/platform/gl_context.h"
#include "game/app/asp_main.h"

namespace {

constexpr double kFrame = 1.0 / 60;

bool SaveFrame(const CGameBase& app, const std::string& file) {
    const int w = app.width;
    const int h = app.height;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xff, 0xff00, 0xff0000, 0);
    if (!surface) {
        return false;
    }
    // OpenGL rows run bottom-up.
    for (int row = 0; row < h; row++) {
        memcpy(static_cast<unsigned char*>(surface->pixels) + row * surface->pitch,
               pixels.data() + static_cast<size_t>(h - 1 - row) * w * 3, static_cast<size_t>(w) * 3);
    }
    const bool saved = SDL_SaveBMP(surface, file.c_str()) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

void Shoot(ASP_Main& app, const std::string& file) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    app.OnRender(app.screen);
    SaveFrame(app, file);
}

void Run(ASP_Main& app, double seconds) {
    for (double t = 0; t < seconds; t += kFrame) {
        app.OnUpdate(kFrame);
    }
}

void PressForward(ASP_Main& app, int player) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.keysym.sym = static_cast<SDLKey>(
        GetIniInt("controls" + NumberToText(player), "forward", SDLK_UP, app.settingsFile));
    app.OnKeyDown(&e);
}

// From the main menu through the player and car choice into a race of the given number of cars,
// every car driving for a few seconds after the countdown.
void ShootRace(ASP_Main& app, int cars, const std::string& folder, bool withMenus) {
    ASP_Main::OnPlay(nullptr, nullptr);
    if (withMenus) {
        Shoot(app, folder + "/menu_players.bmp");
    }
    auto* countButton = dynamic_cast<ASP_Button*>(app.playersMenu->GetSprite(cars));
    ASP_Main::OnPlayerCount(countButton, nullptr);
    if (withMenus) {
        Shoot(app, folder + "/menu_cars.bmp");
    }
    for (int i = 0; i < cars; i++) {
        ASP_Main::OnCarChosen(nullptr, nullptr);
    }
    for (int i = 0; i < cars; i++) {
        PressForward(app, i);
    }
    if (withMenus) {
        Run(app, 1.5);
        Shoot(app, folder + "/race_countdown.bmp");
    }
    Run(app, 9.0);
    Shoot(app, folder + "/race_" + NumberToText(cars) + "p.bmp");
    app.game->QuitRace();
    // The application acts on the request after the next event it hands to the race.
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    app.OnMouseMove(&motion);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    EnableThreadedDisplay();
    ASP_Main app;
    app.loadInBackground = false;
    app.OnInit();
    Shoot(app, folder + "/menu_main.bmp");
    ASP_Main::OnOptions(nullptr, nullptr);
    Shoot(app, folder + "/menu_options.bmp");
    ASP_Main::OnBackToMain(nullptr, nullptr);
    ShootRace(app, 1, folder, true);
    ShootRace(app, 2, folder, false);
    ShootRace(app, 4, folder, false);
    app.OnCleanup();
    return 0;
}
