// Drives the game's and the editor's application classes the way a player would, from the
// working directory's data, without a display server's input: the bad-input catalogue and the
// save-kill test run it once per case. Modes:
//   game PLAYERS [FRAMES]      start, menus, FRAMES (120) race frames with the accelerators held,
//                              out; the game's status
//   editor WORLD SAVEAS        open WORLD, draw, save as SAVEAS, out; 0 if saved, 2 if not
//   save-loop WORLD TARGET [N] open WORLD, then save it as TARGET N times (or for ever), laps 2 and 3
//                              in turn
//   options-loop FILE [N]      write the fullscreen setting of FILE N times (or for ever), "1" and
//                              "0" in turn
#include <SDL/SDL.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/ini.h"
#include "engine/log.h"
#include "engine/platform/gl_context.h"
#include "game/app/asp_main.h"
#include "worldedit/asp_we_main.h"

namespace {

// Long frames get through the countdown and a stretch of racing in few of them.
const double kDt = 1.0 / 20.0;

void Frame(ASP_Main& app) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        app.DispatchEvent(&e);
    }
    app.OnUpdate(kDt);
    app.OnRender(app.screen);
    SDL_GL_SwapBuffers();
}

// Frames until the state is `wanted` or the program was told to end; false if it never came.
bool FramesUntil(ASP_Main& app, int wanted) {
    for (int i = 0; i < 3000 && !app.quit; ++i) {
        if (app.GetState() == wanted) {
            return true;
        }
        Frame(app);
        SDL_Delay(app.GetState() == ASP_Main::STATE_LOADING ? 5 : 0);
    }
    return app.GetState() == wanted;
}

void Key(ASP_Main& app, Uint8 type, SDLKey key) {
    SDL_Event e{};
    e.type = e.key.type = type;
    e.key.keysym.sym = key;
    app.DispatchEvent(&e);
}

int Game(int players, int frames) {
    EnableThreadedDisplay();
    EnableLogging();
    EnableFileLogging();
    DisableConsoleLogging();
    auto app = std::make_unique<ASP_Main>();
    app->OnInit();
    std::string reached = "loading";
    if (FramesUntil(*app, ASP_Main::STATE_MAIN_MENU)) {
        reached = "main menu";
        ASP_Main::OnPlay(nullptr, nullptr);
        ASP_Main::OnPlayerCount(dynamic_cast<ASP_Button*>(app->playersMenu->GetSprite(players)), nullptr);
        for (int i = 0; i < players && app->GetState() == ASP_Main::STATE_CARS; ++i) {
            ASP_Main::OnCarChosen(nullptr, nullptr);
        }
        if (app->GetState() == ASP_Main::STATE_TRACKS) {
            ASP_Main::OnTrackChosen(nullptr, nullptr);
        }
        // Without a players or cars menu the choice never ends and no race loads.
        if (app->GetState() != ASP_Main::STATE_PLAYERS && app->GetState() != ASP_Main::STATE_CARS &&
            FramesUntil(*app, ASP_Main::STATE_RACE)) {
            reached = "race";
            for (const SDLKey key : {SDLK_UP, SDLK_w, SDLK_i, SDLK_KP8}) {
                Key(*app, SDL_KEYDOWN, key);
            }
            for (int i = 0; i < frames && !app->quit; ++i) {
                Frame(*app);
            }
        }
    }
    app->quit = true;
    app->OnCleanup();
    const int status = app->ExitStatus();
    std::printf("reached %s, status %d\n", reached.c_str(), status);
    return status;
}

int Editor(const std::string& world, const std::string& saveAs) {
    std::stringstream in;
    in << world << "\n";
    auto app = std::make_unique<ASP_WE_Main>(in, std::cout);
    app->OnInit();
    for (int i = 0; i < 3 && !app->quit; ++i) {
        app->OnUpdate(kDt);
        app->OnRender(app->screen);
        SDL_GL_SwapBuffers();
    }
    if (app->quit) {
        app->OnCleanup();
        return app->ExitStatus();
    }
    in.clear();
    in << "y\n" << saveAs << "\n";
    const bool saved = app->SaveWorld();
    app->OnCleanup();
    return saved ? 0 : 2;
}

int SaveLoop(const std::string& world, const std::string& target, int times) {
    std::stringstream in;
    in << world << "\n";
    std::ostringstream out;
    auto app = std::make_unique<ASP_WE_Main>(in, out);
    app->OnInit();
    for (int n = 0; n != times; ++n) {
        app->laps = 2 + n % 2;
        in.clear();
        in << "y\n" << target << "\n";
        if (!app->SaveWorld()) {
            std::cerr << out.str();
            return 2;
        }
    }
    app->OnCleanup();
    return 0;
}

int OptionsLoop(const std::string& file, int times) {
    for (int n = 0; n != times; ++n) {
        WriteIniString("system", "fullscreen", n % 2 == 0 ? "1" : "0", file);
        if (LastIniWriteFailed()) {
            return 2;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "game" && (argc == 3 || argc == 4)) {
        return Game(std::atoi(argv[2]), argc == 4 ? std::atoi(argv[3]) : 120);
    }
    if (mode == "editor" && argc == 4) {
        return Editor(argv[2], argv[3]);
    }
    const int times = argc > 4 || (mode == "options-loop" && argc > 3) ? std::atoi(argv[argc - 1]) : -1;
    if (mode == "save-loop" && (argc == 4 || argc == 5)) {
        return SaveLoop(argv[2], argv[3], times);
    }
    if (mode == "options-loop" && (argc == 3 || argc == 4)) {
        return OptionsLoop(argv[2], times);
    }
    std::fprintf(stderr,
                 "usage: %s game PLAYERS [FRAMES] | editor WORLD SAVEAS | save-loop WORLD TARGET [N] | "
                 "options-loop FILE [N]\n",
                 argv[0]);
    return 64;
}
