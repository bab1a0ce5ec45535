// The replays and the time trial: every race recorded into the user's replays folder, the
// replays list and the playback of its choice, and the time trial with the track's ghost.

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "game/app/asp_main.h"
#include "game/race/player.h"
#include "game/race/world.h"

namespace {

const char* const kReplaysMenuFile = "mnu\\replays.ini";
const char* const kReplaysFolder = "replays";
const char* const kGhostsFolder = "ghosts";

}  // namespace

std::string ASP_Main::UserFolder(const std::string& name) const {
    const size_t slash = settingsFile.find_last_of("\\/");
    if (slash != std::string::npos) {
        return settingsFile.substr(0, slash + 1) + name + "/";
    }
    const std::string folder = UserPath(name);
    return folder.empty() ? "" : folder + "/";
}

void ASP_Main::LoadReplaysMenu() {
    replayLibrary = ASP_ReplayLibrary(UserFolder(kReplaysFolder));
    replaysMenu = std::make_unique<ASP_ReplaysMenu>(textures.get());
    replaysMenu->Load(
        this, kReplaysMenuFile, [this](ASP_Button*, SDL_Event*) { WatchReplay(); },
        [this](ASP_Button*, SDL_Event*) { EnterState(STATE_MAIN_MENU); });
}

void ASP_Main::RecordRace(const ASP_TrackEntry& track) {
    ASP_World& world = *game->GetWorld();
    auto replay = std::make_unique<ASP_Replay>();
    replay->world = track.world;
    replay->trackName = track.name;
    replay->date = ReplayDate();
    replay->difficulty = StoredDifficulty();
    replay->seed = world.GetRace().GetSeed();
    replay->laps = world.GetLaps();
    for (const ASP_Player* car : world.GetPlayers()) {
        replay->cars.push_back(ASP_ReplayCar{car->carName, car->IsComputer()});
    }
    replay->worldHash = DataFileHash(track.WorldFile());
    replay->carsHash = DataFileHash(kCarFile);
    game->Record(std::move(replay), replayLibrary.NewFile());
    if (!timeTrial) {
        return;
    }
    const std::string ghosts = UserFolder(kGhostsFolder);
    auto trial = std::make_unique<ASP_TimeTrial>(
        ghosts.empty() ? "" : ghosts + track.world + ASP_ReplayLibrary::kExtension, track.world);
    trial->LoadGhost(racePictures);
    trial->Attach(&world);
    game->SetTimeTrial(std::move(trial));
}

void ASP_Main::ShowReplays() {
    replayLibrary.Prune();
    replaysMenu->Show(replayLibrary.List());
    EnterState(STATE_REPLAYS);
}

void ASP_Main::WatchReplay() {
    if (const ASP_ReplayEntry* entry = replaysMenu->Watchable()) {
        watching = entry->file;
        StartLoader(&ASP_Main::LoadReplay);
    }
}

void ASP_Main::LoadReplay() {
    auto replay = std::make_unique<ASP_Replay>();
    std::string error;
    // The file may have changed since it was listed.
    if (!replay->Load(watching, &error) || !(error = ReplayRefusal(*replay)).empty() ||
        !BeginRace(ReplayWorldFile(*replay), replay->seed)) {
        LogLine(LOG_ERROR, "The replay " + watching + " cannot be watched: " +
                               (error.empty() ? "its track cannot be loaded" : error) + ".");
        game.reset();
        raceTextures->EndReuse();
        RestoreMenus();
        replaysMenu->Show(replayLibrary.List());
        HandOver(STATE_REPLAYS);
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
            world.AddPlayer(kCarFile, car.car, settingsFile,
                            "controls" + NumberToText(static_cast<double>(i)));
        }
    }
    game->Play(std::move(replay));
    EndRaceLoad();
}

void ASP_Main::StartTimeTrial() {
    if (carNames.empty()) {
        LogLine(LOG_WARNING, std::string("No cars in ") + kCarFile + ": there is nothing to choose.");
        return;
    }
    timeTrial = true;
    carsForNetwork = false;
    playerCount = 1;
    currentPlayer = 0;
    ShowCar(playerCars[0], 1);
    EnterState(STATE_CARS);
}
