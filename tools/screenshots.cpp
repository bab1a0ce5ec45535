// Renders the menus and races of the shipped data at 800 x 600 and writes each frame as a BMP
// into the folder given as the first argument. Run in the game's working directory (data/).
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/game_base.h"
#include "engine/image_sprite.h"
#include "engine/ini.h"
#include "engine/texture_manager.h"
#include "game/game.h"
#include "game/menu.h"
#include "game/player.h"
#include "game/world.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr double kFrame = 1.0 / 60;

bool SaveFrame(const std::string& file) {
    std::vector<unsigned char> pixels(kWidth * kHeight * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    SDL_Surface* surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 24, 0xff, 0xff00, 0xff0000, 0);
    if (!surface) {
        return false;
    }
    // OpenGL rows run bottom-up.
    for (int row = 0; row < kHeight; row++) {
        memcpy(static_cast<unsigned char*>(surface->pixels) + row * surface->pitch,
               pixels.data() + (kHeight - 1 - row) * kWidth * 3, kWidth * 3);
    }
    const bool saved = SDL_SaveBMP(surface, file.c_str()) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

void BeginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

// The menus stacked as the game shows them: each one opened over the previous, behind a veil.
void ShootMenus(CGameBase* app, CTextureManager* textures, const std::string& folder) {
    // The car menu is left out: its car preview is filled in by the game application.
    const std::vector<std::string> files = {"mnu\\main.ini", "mnu\\options.ini", "mnu\\players.ini"};
    std::vector<std::unique_ptr<ASP_Menu>> menus;
    for (const std::string& file : files) {
        menus.push_back(LoadMenu(app, textures, file, {}));
    }
    CImageSprite veil(nullptr);
    veil.SetTexture(textures->GetTexture("gfx\\menu\\blend.png", true, false));
    veil.SetWidth(kWidth);
    veil.SetHeight(kHeight);
    veil.depthTest = false;

    const std::vector<std::string> names = {"menu_main", "menu_options", "menu_players"};
    for (size_t shown = 0; shown < menus.size(); shown++) {
        BeginFrame();
        menus[0]->Draw(app->screen);
        if (shown > 0) {
            veil.Draw(app->screen);
            menus[shown]->Draw(app->screen);
        }
        SaveFrame(folder + "/" + names[shown] + ".bmp");
    }
}

SDL_Event KeyEvent(Uint8 type, int key) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.keysym.sym = static_cast<SDLKey>(key);
    return e;
}

// A race of the given number of cars, some seconds after the start with every car driving.
void ShootRace(CGameBase* app, int cars, double seconds, const std::string& file) {
    ASP_Game game(app);
    game.GetWorld()->Load("dat\\world0.dat");
    for (int i = 0; i < cars; i++) {
        const std::string car = GetIniString("main", "car" + NumberToText(i), "", "dat\\cars.dat");
        game.GetWorld()->AddPlayer("dat\\cars.dat", car, "config.ini", "controls" + NumberToText(i));
    }
    for (int i = 0; i < cars; i++) {
        SDL_Event press =
            KeyEvent(SDL_KEYDOWN, GetIniInt("controls" + NumberToText(i), "forward", SDLK_UP, "config.ini"));
        game.OnKeyDown(&press);
    }
    for (double t = 0; t < 4.0 + seconds; t += kFrame) {
        game.Update(kFrame);
    }
    BeginFrame();
    game.Draw(app->screen);
    SaveFrame(file);
}

void ShootCountdown(CGameBase* app, const std::string& file) {
    ASP_Game game(app);
    game.GetWorld()->Load("dat\\world0.dat");
    game.GetWorld()->AddPlayer("dat\\cars.dat", "Vulcan", "config.ini", "controls0");
    for (double t = 0; t < 1.5; t += kFrame) {
        game.Update(kFrame);
    }
    BeginFrame();
    game.Draw(app->screen);
    SaveFrame(file);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    CGameBase app(kWidth, kHeight, false, true, false);
    CTextureManager textures;
    ShootMenus(&app, &textures, folder);
    ShootCountdown(&app, folder + "/race_countdown.bmp");
    ShootRace(&app, 1, 3.0, folder + "/race_1p.bmp");
    ShootRace(&app, 2, 3.0, folder + "/race_2p.bmp");
    ShootRace(&app, 4, 3.0, folder + "/race_4p.bmp");
    return 0;
}
