// The menu, world and car loaders on any file, then a few frames, in one window, from data/ so that
// pictures resolve as in the game. The first byte picks the loader; the rest is the file.
#include <SDL/SDL.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "engine/game_base.h"
#include "engine/ini.h"
#include "engine/texture_manager.h"
#include "game/menus/menu.h"
#include "game/race/game.h"
#include "game/race/world.h"
#include "tests/support/sdl_events.h"
#include "tests/support/temp_folder.h"

namespace {

std::unique_ptr<CGameBase> app;
const TempFolder folder("/dev/shm");

void Ignore(ASP_Button*, SDL_Event*) {}

void Frames(ASP_Game& game) {
    for (int i = 0; i < 3; ++i) {
        game.Update(1.0 / 60.0);
        game.Draw(app->screen);
    }
}

void Menu(const std::string& file) {
    CTextureManager textures;
    const auto menu = LoadMenu(app.get(), &textures, file, std::vector<ASP_ButtonCallback>(6, Ignore));
    SDL_Event e = MouseEvent(SDL_MOUSEMOTION, 100, 100);
    menu->OnMouseMove(&e);
    menu->Update(1.0 / 60.0);
    menu->Draw(app->screen);
}

void World(const std::string& file) {
    ASP_Game game(app.get());
    if (game.GetWorld()->Load(file)) {
        game.GetWorld()->AddPlayer("dat\\cars.dat", "Vulcan", "config.ini", "controls0");
        Frames(game);
    }
}

void Cars(const std::string& file) {
    const std::string track = folder.Write(
        "track.dat", "[main]\nplayers=2\n[start0]\nx=100\ny=100\n[start1]\nx=200\ny=100\nrot=90\n");
    ASP_Game game(app.get());
    game.GetWorld()->Load(track);
    for (int i = 0; i < 2; ++i) {
        const std::string car = GetIniString("main", "car" + NumberToText(i), "", file);
        game.GetWorld()->AddPlayer(file, car, "config.ini", "controls" + NumberToText(i));
    }
    Frames(game);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_VIDEODRIVER", "x11", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    app = std::make_unique<CGameBase>(320, 240, false, true, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string file =
        folder.Write("input.ini", std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    // The file was rewritten behind the INI cache, perhaps within one clock tick.
    WriteIniString("s", "k", "v", folder.File("reset.ini"));
    void (*const loaders[])(const std::string&) = {Menu, World, Cars};
    loaders[data[0] % 3](file);
    return 0;
}
