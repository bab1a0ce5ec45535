#include "game/app/screens/race_screen.h"

#include <algorithm>
#include <random>

#include "engine/ini.h"
#include "game/app/screens/lobby_screen.h"
#include "game/app/screens/replays_screen.h"
#include "game/race/player.h"
#include "game/race/world.h"

namespace {

const char* const kGhostsFolder = "ghosts";

}  // namespace

ASP_RaceScreen::ASP_RaceScreen(ASP_Main& app) : app(app), textures(std::make_unique<CTextureManager>()) {}

void ASP_RaceScreen::Update(double dt) {
    game->Update(dt);
    LeaveIfAsked();
}

void ASP_RaceScreen::Draw(void* target) {
    game->Draw(target);
}

void ASP_RaceScreen::KeyDown(SDL_Event* e) {
    game->OnKeyDown(e);
    LeaveIfAsked();
}

void ASP_RaceScreen::KeyUp(SDL_Event* e) {
    game->OnKeyUp(e);
    LeaveIfAsked();
}

void ASP_RaceScreen::MouseMove(SDL_Event* e) {
    game->OnMouseMove(e);
    LeaveIfAsked();
}

void ASP_RaceScreen::MouseButtonDown(SDL_Event* e) {
    game->OnMouseButtonDown(e);
    LeaveIfAsked();
}

void ASP_RaceScreen::MouseButtonUp(SDL_Event* e) {
    game->OnMouseButtonUp(e);
    LeaveIfAsked();
}

void ASP_RaceScreen::Joystick(SDL_Event* e) {
    game->OnJoystick(e);
}

void ASP_RaceScreen::Activate(SDL_Event* e) {
    if ((e->active.state & SDL_APPINPUTFOCUS) != 0 && e->active.gain == 0) {
        game->TogglePause();
    }
}

void ASP_RaceScreen::LeaveIfAsked() {
    if (game == nullptr || !game->QuitRequested()) {
        return;
    }
    const bool watched = game->IsReplay();
    const bool online = game->IsOnline();
    ASP_NetSession* session = app.Screen<ASP_LobbyScreen>().Session();
    // Left before the end, a network race is left with its server.
    if (online && !game->IsFinished() && !session->Ended()) {
        session->Client().Disconnect();
    }
    // The race keeps its replay as it goes, a race left before its end too: then the oldest go.
    game.reset();
    app.Screen<ASP_ReplaysScreen>().Library().Prune();
    app.RestoreMenus();
    app.LogLine(LOG_STATUS, "Race left.");
    // The race's music stops before the menus' starts.
    app.HaltMusic();
    if (watched) {
        app.Screen<ASP_ReplaysScreen>().Show();
    } else if (online) {
        app.EnterState(ASP_Main::STATE_NETWORK);
    } else {
        app.EnterState(ASP_Main::STATE_MAIN_MENU);
    }
}

// Loaders

void ASP_RaceScreen::StartChosenRace() {
    app.StartLoader([this] { LoadChosenRace(); });
}

void ASP_RaceScreen::StartReplay(const std::string& file) {
    watching = file;
    app.StartLoader([this] { LoadReplay(); });
}

void ASP_RaceScreen::StartNetRace() {
    app.StartLoader([this] { LoadNetRace(); });
}

bool ASP_RaceScreen::BeginRace(const std::string& worldFile, uint64_t seed) {
    app.ReleaseMenus();
    // Another track's pictures go before this one's are loaded, so that the two never add up.
    if (worldFile != texturesWorld) {
        textures->UnloadAll();
        texturesWorld = worldFile;
    }
    textures->BeginReuse();
    ASP_World::Services services;
    services.textures = textures.get();
    services.pictures = &pictures;
    services.joysticks = &app.Joysticks();
    game = std::make_unique<ASP_Game>(&app, services, seed);
    return game->GetWorld()->Load(worldFile);
}

void ASP_RaceScreen::EndRaceLoad() {
    textures->EndReuse();
    app.LoadingTextures()->Release();
    app.HandOver(kState);
}

void ASP_RaceScreen::LoadChosenRace() {
    const ASP_RaceChoice& choice = app.Choice();
    const ASP_TrackEntry track = choice.CurrentTrack();
    // Every race has a seed of its own, which its replay keeps.
    if (!BeginRace(track.WorldFile(), std::random_device()())) {
        // Only the main thread may end the program: it may be inside GL calls right now.
        app.FailLoad();
        return;
    }
    for (int i = 0; i < choice.playerCount; ++i) {
        const int car = choice.playerCars[static_cast<size_t>(i)];
        if (car < 0 || car >= static_cast<int>(choice.carNames.size())) {
            app.LogLine(LOG_ERROR, "Player " + NumberToText(i + 1) + " has no car.");
            continue;
        }
        game->GetWorld()->AddPlayer(kCarFile, choice.carNames[static_cast<size_t>(car)],
                                    app.Settings().File(), "controls" + NumberToText(i));
    }
    if (!choice.timeTrial) {
        AddComputerCars();
    }
    game->KeepRecords(track.world, app.Settings().RecordsFile());
    RecordRace(track);
    EndRaceLoad();
}

void ASP_RaceScreen::AddComputerCars() {
    const ASP_RaceChoice& choice = app.Choice();
    const ASP_ComputerSettings computer = app.Settings().Computer();
    ASP_World* world = game->GetWorld();
    const int room = std::min<int>(ASP_Race::kMaxCars, static_cast<int>(world->GetStartPositions().size()));
    const int opponents = std::min(computer.opponents, room - static_cast<int>(world->GetPlayers().size()));
    const int cars = static_cast<int>(choice.carNames.size());
    const auto humans = choice.playerCars.begin() + choice.playerCount;
    int next = 0;
    for (int i = 0; i < opponents && cars > 0; ++i) {
        // Cars the humans left free first; with too few cars they repeat.
        for (int tries = 0;
             tries < cars && std::find(choice.playerCars.begin(), humans, next % cars) != humans; ++tries) {
            ++next;
        }
        world->AddComputerCar(kCarFile, choice.carNames[static_cast<size_t>(next % cars)],
                              computer.difficulty);
        ++next;
    }
}

void ASP_RaceScreen::RecordRace(const ASP_TrackEntry& track) {
    ASP_World& world = *game->GetWorld();
    auto replay = std::make_unique<ASP_Replay>();
    replay->world = track.world;
    replay->trackName = track.name;
    replay->date = ReplayDate();
    replay->difficulty = app.Settings().Computer().difficulty;
    replay->seed = world.GetRace().GetSeed();
    replay->laps = world.GetLaps();
    for (const ASP_Player* car : world.GetPlayers()) {
        replay->cars.push_back(ASP_ReplayCar{car->carName, car->IsComputer()});
    }
    replay->worldHash = DataFileHash(track.WorldFile());
    replay->carsHash = DataFileHash(kCarFile);
    game->Record(std::move(replay), app.Screen<ASP_ReplaysScreen>().Library().NewFile());
    if (!app.Choice().timeTrial) {
        return;
    }
    const std::string ghosts = app.Settings().UserFolder(kGhostsFolder);
    auto trial = std::make_unique<ASP_TimeTrial>(
        ghosts.empty() ? "" : ghosts + track.world + ASP_ReplayLibrary::kExtension, track.world);
    trial->LoadGhost(pictures);
    trial->Attach(&world);
    game->SetTimeTrial(std::move(trial));
}

void ASP_RaceScreen::LoadReplay() {
    auto replay = std::make_unique<ASP_Replay>();
    std::string error;
    // The file may have changed since it was listed.
    if (!replay->Load(watching, &error) || !(error = ReplayRefusal(*replay)).empty() ||
        !BeginRace(ReplayWorldFile(*replay), replay->seed)) {
        app.LogLine(LOG_ERROR, "The replay " + watching + " cannot be watched: " +
                                   (error.empty() ? "its track cannot be loaded" : error) + ".");
        game.reset();
        textures->EndReuse();
        app.RestoreMenus();
        app.HandOver(ASP_Main::STATE_REPLAYS);
        return;
    }
    ASP_World& world = *game->GetWorld();
    // A network race may have run other laps than the track's.
    if (replay->laps > 0) {
        world.GetRace().SetLaps(replay->laps);
    }
    for (size_t i = 0; i < replay->cars.size(); ++i) {
        const ASP_ReplayCar& car = replay->cars[i];
        if (car.computer) {
            world.AddComputerCar(kCarFile, car.car, replay->difficulty);
        } else {
            world.AddPlayer(kCarFile, car.car, app.Settings().File(),
                            "controls" + NumberToText(static_cast<double>(i)));
        }
    }
    game->Play(std::move(replay));
    EndRaceLoad();
}

void ASP_RaceScreen::LoadNetRace() {
    ASP_NetSession& session = *app.Screen<ASP_LobbyScreen>().Session();
    const ASP_StartMessage& start = session.Client().GetStart();
    if (!BeginRace("dat\\" + start.world, start.seed)) {
        app.FailLoad();
        return;
    }
    ASP_World& world = *game->GetWorld();
    world.GetRace().SetLaps(start.laps);
    const auto difficulty = static_cast<ASP_Difficulty>(start.difficulty);
    int local = 0;
    for (const ASP_StartCar& car : start.cars) {
        if (car.client == kComputerClient) {
            world.AddComputerCar(kCarFile, car.car, difficulty);
        } else {
            // Other machines' players steer by what the server says; this machine's by its controls.
            const bool mine = car.client == session.Client().GetClient();
            world.AddPlayer(kCarFile, car.car, app.Settings().File(),
                            mine ? "controls" + NumberToText(local++) : "remote");
        }
    }
    auto replay = std::make_unique<ASP_Replay>();
    replay->world = start.world;
    for (const ASP_TrackEntry& track : LoadTrackList(track_list::kFile)) {
        if (track.world == start.world) {
            replay->trackName = track.name;
        }
    }
    replay->date = ReplayDate();
    replay->worldHash = DataFileHash("dat\\" + start.world);
    replay->carsHash = DataFileHash(kCarFile);
    game->Record(std::move(replay), app.Screen<ASP_ReplaysScreen>().Library().NewFile());
    game->PlayOnline(&session.Client(), session.Autopilot());
    EndRaceLoad();
}
