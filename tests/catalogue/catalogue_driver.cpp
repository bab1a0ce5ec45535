// Drives the game's and the editor's application classes as a player would, from the working
// directory's data, for the bad-input catalogue and the save-kill test. Modes:
//   game PLAYERS [FRAMES]      menus, FRAMES (24) race frames with the accelerators held; the status
//   editor WORLD SAVEAS        open WORLD, draw, save as SAVEAS; 0 if saved, 2 if not
//   save-loop WORLD TARGET [N] save WORLD as TARGET N times (or for ever), laps 2 and 3 in turn
//   options-loop FILE [N]      write FILE's fullscreen setting N times (or for ever), 1 and 0 in turn
//   set-key FILE SECTION KEY VALUE
#include <SDL/SDL.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/ini.h"
#include "engine/log.h"
#include "engine/platform/gl_context.h"
#include "game/app/asp_main.h"
#include "game/app/screens/cars_screen.h"
#include "game/app/screens/main_menu_screen.h"
#include "game/app/screens/players_screen.h"
#include "game/app/screens/tracks_screen.h"
#include "tests/support/sdl_events.h"
#include "worldedit/asp_we_main.h"

namespace {

// Long frames get through the countdown and a stretch of racing in few of them.
const double kDt = 1.0 / 4.0;

void Frame(CGameBase& app) {
    for (SDL_Event e; SDL_PollEvent(&e);) {
        app.DispatchEvent(&e);
    }
    app.OnUpdate(kDt);
    app.OnRender(app.screen);
    SDL_GL_SwapBuffers();
}

// Frames until the state is `wanted` or the program was told to end; false if it never came.
bool FramesUntil(ASP_Main& app, int wanted) {
    for (int i = 0; i < 3000 && !app.quit && app.GetState() != wanted; ++i) {
        Frame(app);
        SDL_Delay(app.GetState() == ASP_Main::STATE_LOADING ? 5 : 0);
    }
    return app.GetState() == wanted;
}

int Game(int players, int frames) {
    EnableThreadedDisplay();
    EnableLogging();
    EnableFileLogging();
    DisableConsoleLogging();
    auto app = std::make_unique<ASP_Main>();
    app->OnInit();
    if (FramesUntil(*app, ASP_Main::STATE_MAIN_MENU)) {
        app->Screen<ASP_MainMenuScreen>().Play();
        app->Screen<ASP_PlayersScreen>().Count(
            dynamic_cast<ASP_Button*>(app->Screen<ASP_PlayersScreen>().Menu()->GetSprite(players)));
        for (int i = 0; i < players && app->GetState() == ASP_Main::STATE_CARS; ++i) {
            app->Screen<ASP_CarsScreen>().Chosen();
        }
        if (app->GetState() == ASP_Main::STATE_TRACKS) {
            app->Screen<ASP_TracksScreen>().Chosen();
        }
        // Without a players or cars menu the choice never ends and no race loads.
        if (app->GetState() != ASP_Main::STATE_PLAYERS && app->GetState() != ASP_Main::STATE_CARS &&
            FramesUntil(*app, ASP_Main::STATE_RACE)) {
            for (const SDLKey key : {SDLK_UP, SDLK_w, SDLK_i, SDLK_KP8}) {
                SDL_Event e = KeyEvent(key);
                app->DispatchEvent(&e);
            }
            for (int i = 0; i < frames && !app->quit; ++i) {
                Frame(*app);
            }
        }
    }
    app->quit = true;
    app->OnCleanup();
    return app->ExitStatus();
}

// Opens WORLD in the editor and saves it as TARGET `times` times (or for ever); with `frames`,
// draws that many frames first and saves once, as it is.
int Editor(const std::string& world, const std::string& target, int times, int frames) {
    std::stringstream in;
    in << world << "\n";
    auto app = std::make_unique<ASP_WE_Main>(in, std::cout);
    app->OnInit();
    for (int i = 0; i < frames && !app->quit; ++i) {
        Frame(*app);
    }
    const bool opened = !app->quit;
    bool saved = true;
    for (int n = 0; opened && saved && n != times; ++n) {
        if (frames == 0) {
            app->laps = 2 + n % 2;
        }
        in.clear();
        in << "y\n" << target << "\n";
        saved = app->SaveWorld();
    }
    app->OnCleanup();
    return !opened ? app->ExitStatus() : saved ? 0 : 2;
}

int OptionsLoop(const std::string& file, int times) {
    for (int n = 0; n != times && !LastIniWriteFailed(); ++n) {
        WriteIniString("system", "fullscreen", n % 2 == 0 ? "1" : "0", file);
    }
    return LastIniWriteFailed() ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "game" && (argc == 3 || argc == 4)) {
        return Game(std::atoi(argv[2]), argc == 4 ? std::atoi(argv[3]) : 24);
    }
    if (mode == "set-key" && argc == 6) {
        WriteIniString(argv[3], argv[4], argv[5], argv[2]);
        return LastIniWriteFailed() ? 2 : 0;
    }
    if (mode == "editor" && argc == 4) {
        return Editor(argv[2], argv[3], 1, 3);
    }
    const int times = argc > 4 || (mode == "options-loop" && argc > 3) ? std::atoi(argv[argc - 1]) : -1;
    if (mode == "save-loop" && (argc == 4 || argc == 5)) {
        return Editor(argv[2], argv[3], times, 0);
    }
    if (mode == "options-loop" && (argc == 3 || argc == 4)) {
        return OptionsLoop(argv[2], times);
    }
    std::fprintf(stderr, "usage: %s MODE ARGUMENTS (modes: see catalogue_driver.cpp)\n", argv[0]);
    return 64;
}
