// Plays the game's screens without a player and writes each frame as a PNG into the folder given
// as the first argument: the menus, the car choice, races of one, two (one car driving the wrong
// way) and four cars, the results table, and a time trial against a ghost. Run in the
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
#include "game/app/screens/cars_screen.h"
#include "game/app/screens/main_menu_screen.h"
#include "game/app/screens/options_screen.h"
#include "game/app/screens/players_screen.h"
#include "game/app/screens/race_screen.h"
#include "game/app/screens/tracks_screen.h"
#include "game/race/player.h"
#include "game/race/replay_library.h"
#include "game/race/time_trial.h"
#include "game/race/track_pictures.h"
#include "game/race/world.h"
#include "game/sim/computer_driver.h"

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

void Press(ASP_Main& app, int player, const std::string& key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.keysym.sym = static_cast<SDLKey>(
        GetIniInt("controls" + NumberToText(player), key, SDLK_UP, app.Settings().File()));
    // Held as a real key is, so that the race's look at the keys at GO finds it down.
    SDL_GetKeyState(nullptr)[e.key.keysym.sym] = 1;
    app.OnKeyDown(&e);
}

// Ends the race with every car but the last finished where it is, for the results table.
void EndRace(ASP_Main& app, const std::string& file) {
    ASP_Race& race = app.Screen<ASP_RaceScreen>().Game()->GetRace();
    for (size_t i = 0; i + 1 < race.GetCars().size(); i++) {
        race.GetCar(i).record.finished = true;
    }
    race.Abandon();
    app.Screen<ASP_RaceScreen>().Game()->FinishRace();
    Shoot(app, file);
}

// From the main menu through the player and car choice into a race of the given number of cars,
// every car driving for a few seconds after the countdown; the last one backwards when it is to
// show the wrong-way sign.
void ShootRace(ASP_Main& app, int cars, const std::string& folder, bool withMenus, const std::string& name,
               bool lastReverses = false, double seconds = 9.0) {
    app.Screen<ASP_MainMenuScreen>().Play();
    if (withMenus) {
        Shoot(app, folder + "/menu_players.png");
    }
    auto* countButton = dynamic_cast<ASP_Button*>(app.Screen<ASP_PlayersScreen>().Menu()->GetSprite(cars));
    app.Screen<ASP_PlayersScreen>().Count(countButton);
    if (withMenus) {
        Shoot(app, folder + "/menu_cars.png");
    }
    for (int i = 0; i < cars; i++) {
        app.Screen<ASP_CarsScreen>().Chosen();
    }
    if (withMenus) {
        app.Screen<ASP_TracksScreen>().Next();
        Shoot(app, folder + "/menu_tracks.png");
        app.Screen<ASP_TracksScreen>().Previous();
    }
    app.Screen<ASP_TracksScreen>().Chosen();
    for (int i = 0; i < cars; i++) {
        Press(app, i, lastReverses && i == cars - 1 ? "backward" : "forward");
    }
    if (withMenus) {
        Run(app, 1.5);
        Shoot(app, folder + "/race_countdown.png");
    }
    // The countdown, then a few seconds of driving; backwards, a car soon leaves the track, so
    // the sign is shown while it is still on it.
    Run(app, lastReverses ? 7.0 : seconds);
    Shoot(app, folder + "/" + name + ".png");
    if (cars == 4) {
        EndRace(app, folder + "/race_results.png");
    }
    app.Screen<ASP_RaceScreen>().Game()->QuitRace();
    // The application acts on the request after the next event it hands to the race.
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    app.OnMouseMove(&motion);
}

// The ghost of the shipped circuit: two laps the computer drives in car, through the commands a
// driver gives, the second (flying) kept as the ghost in the user's folder.
void KeepGhost(ASP_Main& app, const std::string& car) {
    ASP_PictureFiles pictures;
    ASP_Race race(1);
    race.Load("dat\\world0.dat", pictures);
    race.AddCar(ASP_CarModel::Load(kCarFile, car));
    ASP_Replay session;
    session.world = "world0.dat";
    session.seed = 1;
    session.cars = {{car, false}};
    session.worldHash = DataFileHash("dat\\world0.dat");
    session.carsHash = DataFileHash(kCarFile);
    ASP_TimeTrial trial(app.Settings().UserFolder("ghosts") + "world0.dat.replay", "world0.dat");
    ASP_ComputerDriver driver(ASP_Difficulty::Hard);
    race.Start({ASP_Command()});
    session.Record(race.GetStepCommands());
    while (race.GetCar(0).record.lap < 3 && race.GetSteps() < 30000) {
        race.Step({driver.Drive(race, 0, ASP_Race::kStep)});
        session.Record(race.GetStepCommands());
        trial.AfterStep(race, &session);
    }
}

// A time trial against that ghost, a moment after the car crossed the line.
void ShootGhost(ASP_Main& app, const std::string& folder) {
    app.Screen<ASP_MainMenuScreen>().TimeTrial();
    KeepGhost(app, app.Choice().carNames.at(static_cast<size_t>(app.Choice().playerCars[0])));
    app.Choice().currentTrack = 0;
    app.Screen<ASP_CarsScreen>().Chosen();
    app.Screen<ASP_TracksScreen>().Chosen();
    Press(app, 0, "forward");
    for (int frame = 0;
         frame < 600 && app.Screen<ASP_RaceScreen>().Game()->GetRace().GetCar(0).record.lap < 1; ++frame) {
        Run(app, kFrame);
    }
    Run(app, 0.6);
    Shoot(app, folder + "/race_ghost.png");
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
    // The first races are the humans' alone; the computer cars join the last.
    WriteIniString("computer", "opponents", "0", settings);
    ASP_Main app(settings);
    app.SetLoadInBackground(false);
    app.OnInit();
    Shoot(app, folder + "/menu_main.png");
    app.Screen<ASP_MainMenuScreen>().Options();
    Shoot(app, folder + "/menu_options.png");
    app.Screen<ASP_OptionsScreen>().Controls();
    Shoot(app, folder + "/menu_controls.png");
    app.EnterState(ASP_Main::STATE_MAIN_MENU);
    ShootRace(app, 1, folder, true, "race_1p");
    ShootRace(app, 2, folder, false, "race_2p_wrong_way", true);
    ShootRace(app, 4, folder, false, "race_4p");
    // One player against three computer cars on the second track.
    for (int i = 0; i < 3; i++) {
        app.Screen<ASP_PlayersScreen>().Opponents();
    }
    app.Screen<ASP_MainMenuScreen>().Play();
    Shoot(app, folder + "/menu_players.png");
    app.Choice().currentTrack = 1;
    ShootRace(app, 1, folder, false, "race_1p_computers", false, 6.5);
    ShootGhost(app, folder);
    app.OnCleanup();
    return 0;
}
