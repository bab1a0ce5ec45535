// Network games: joining a server with --connect, its lobby, and each of its races loaded as the
// server started it, recorded as this machine's replay of the server's race.

#include <cstdlib>

#include "engine/ini.h"
#include "game/app/asp_main.h"
#include "game/race/replay_library.h"
#include "game/race/track_list.h"
#include "game/race/world.h"

void ASP_Main::StartNetwork() {
    std::vector<std::string> cars;
    for (int i = 0; i < playerCount && !carNames.empty(); ++i) {
        const int car = playerCars[static_cast<size_t>(i)];
        cars.push_back(
            carNames[static_cast<size_t>(car >= 0 && car < static_cast<int>(carNames.size()) ? car : 0)]);
    }
    std::string name = netName;
    if (name.empty()) {
        const char* user = std::getenv("USER");
        name = user != nullptr && *user != '\0' ? user : "Player";
    }
    network = std::make_unique<ASP_NetSession>(this, netAutopilot);
    network->Join(connectTo, name, cars);
    EnterState(STATE_NETWORK);
}

void ASP_Main::LeaveNetwork() {
    network.reset();
    EnterState(STATE_MAIN_MENU);
}

void ASP_Main::LoadNetRace() {
    const ASP_StartMessage& start = network->Client().GetStart();
    if (!BeginRace("dat\\" + start.world, start.seed)) {
        loadFailed = true;
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
            const bool mine = car.client == network->Client().GetClient();
            world.AddPlayer(kCarFile, car.car, settingsFile,
                            mine ? "controls" + NumberToText(local++) : "remote");
        }
    }
    auto replay = std::make_unique<ASP_Replay>();
    replay->world = start.world;
    for (const ASP_TrackEntry& track : LoadTrackList("dat\\tracks.dat")) {
        if (track.world == start.world) {
            replay->trackName = track.name;
        }
    }
    replay->date = ReplayDate();
    replay->worldHash = DataFileHash("dat\\" + start.world);
    replay->carsHash = DataFileHash(kCarFile);
    game->Record(std::move(replay), replayLibrary.NewFile());
    game->PlayOnline(&network->Client(), network->Autopilot());
    EndRaceLoad();
}
