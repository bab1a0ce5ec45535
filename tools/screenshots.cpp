// Plays the game's screens without a player and writes each frame as a PNG into the folder given
// as the first argument: the menus, the car choice and races of one, two and four cars. Run in the
// game's working directory (data/), whose config.ini sets the window.
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <stdlib.h>

#include <fstream>
#include <string>

#include "engine/ini.h"
#include "engine/platform/gl_context.h"
#include "engine/screenshot.h"
#include "game/app/asp_main.h"

namespace {

constexpr double kFrame = 1.0 / 60;

void Shoot(ASP_Main& app, const std::string& file) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    app.OnRender(app.screen);
    glFinish();
    SaveFramePng(file, app.width, app.height);
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
// every car driving for some seconds from the start of the countdown.
void ShootRace(ASP_Main& app, int cars, const std::string& folder, bool withMenus, double seconds = 9.0) {
    ASP_Main::OnPlay(nullptr, nullptr);
    if (withMenus) {
        Shoot(app, folder + "/menu_players.png");
    }
    auto* countButton = dynamic_cast<ASP_Button*>(app.playersMenu->GetSprite(cars));
    ASP_Main::OnPlayerCount(countButton, nullptr);
    if (withMenus) {
        Shoot(app, folder + "/menu_cars.png");
    }
    for (int i = 0; i < cars; i++) {
        ASP_Main::OnCarChosen(nullptr, nullptr);
    }
    if (withMenus) {
        ASP_Main::OnNextTrack(nullptr, nullptr);
        Shoot(app, folder + "/menu_tracks.png");
        ASP_Main::OnPreviousTrack(nullptr, nullptr);
    }
    ASP_Main::OnTrackChosen(nullptr, nullptr);
    for (int i = 0; i < cars; i++) {
        PressForward(app, i);
    }
    if (withMenus) {
        Run(app, 1.5);
        Shoot(app, folder + "/race_countdown.png");
    }
    Run(app, seconds);
    Shoot(app, folder + "/race_" + NumberToText(cars) + "p" +
                   (app.StoredOpponents() > 0 ? "_computers" : "") + ".png");
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
    // A copy of the settings, which the opponents button writes: data/ stays as shipped.
    char settingsFolder[] = "/tmp/asphaltia_screenshots_XXXXXX";
    const std::string settings =
        std::string(mkdtemp(settingsFolder) ? settingsFolder : "/tmp") + "/config.ini";
    std::ifstream shipped("config.ini");
    std::ofstream(settings) << shipped.rdbuf();
    ASP_Main app(settings);
    app.loadInBackground = false;
    app.OnInit();
    Shoot(app, folder + "/menu_main.png");
    ASP_Main::OnOptions(nullptr, nullptr);
    Shoot(app, folder + "/menu_options.png");
    ASP_Main::OnBackToMain(nullptr, nullptr);
    ShootRace(app, 1, folder, true);
    ShootRace(app, 2, folder, false);
    ShootRace(app, 4, folder, false);
    // One player against three computer cars on the second track.
    for (int i = 0; i < 3; i++) {
        ASP_Main::OnOpponents(nullptr, nullptr);
    }
    ASP_Main::OnPlay(nullptr, nullptr);
    Shoot(app, folder + "/menu_players.png");
    app.currentTrack = 1;
    ShootRace(app, 1, folder, false, 6.5);
    app.OnCleanup();
    return 0;
}
