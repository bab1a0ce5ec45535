// Network games: the network menu (hosting a server here, joining one by address or found on the
// LAN) or --connect, the lobby, and each race loaded as the server started it, recorded as this
// machine's replay of the server's race.

#include <cstdlib>
#include <tuple>

#include "engine/ini.h"
#include "game/app/asp_main.h"
#include "game/race/replay_library.h"
#include "game/race/track_list.h"
#include "game/race/world.h"

namespace {

const char* const kNetworkMenuFile = "mnu\\network.ini";

}  // namespace

void ASP_Main::LoadNetworkMenu() {
    networkMenu = std::make_unique<ASP_NetworkMenu>(textures.get());
    ASP_NetworkMenu::Actions actions;
    actions.host = [this](ASP_Button*, SDL_Event*) { HostNetwork(); };
    actions.players = [this](ASP_Button*, SDL_Event*) {
        timeTrial = false;
        carsForNetwork = true;
        EnterState(STATE_PLAYERS);
    };
    actions.join = [this](ASP_Button*, SDL_Event*) { JoinTyped(); };
    actions.back = [this](ASP_Button*, SDL_Event*) { EnterState(STATE_MAIN_MENU); };
    networkMenu->Load(this, kNetworkMenuFile, std::move(actions));
}

std::vector<std::string> ASP_Main::NetCars() const {
    std::vector<std::string> cars;
    for (int i = 0; i < playerCount && !carNames.empty(); ++i) {
        const int car = playerCars[static_cast<size_t>(i)];
        cars.push_back(
            carNames[static_cast<size_t>(car >= 0 && car < static_cast<int>(carNames.size()) ? car : 0)]);
    }
    return cars;
}

std::string ASP_Main::NetName() const {
    if (!netName.empty()) {
        return netName;
    }
    const char* user = std::getenv("USER");
    return user != nullptr && *user != '\0' ? user : "Player";
}

void ASP_Main::ShowNetworkMenu() {
    networkMenu->ShowPlayers(NetCars());
    networkMenu->Search();
    EnterState(STATE_NETWORK_MENU);
}

void ASP_Main::HostNetwork() {
    ASP_ServerSettings settings;
    settings.port = hostPort;
    settings.discoveryPort = hostDiscoveryPort;
    const ASP_TrackEntry track = CurrentTrack();
    std::tie(settings.world, settings.trackName) = std::tie(track.world, track.name);
    settings.name = NetName();
    // The host's computer opponents fill the grid as in a local race.
    settings.computerCars = StoredOpponents();
    settings.difficulty = StoredDifficulty();
    auto server = std::make_unique<ASP_NetServer>(settings);
    if (!server->Open()) {
        networkMenu->ShowHostFailure(hostPort);
        return;
    }
    hostedServer = std::move(server);
    connectTo = "127.0.0.1:" + std::to_string(hostPort);
    joinedFromMenu = true;
    StartNetwork();
}

void ASP_Main::JoinTyped() {
    if (networkMenu->GetAddress().empty()) {
        return;
    }
    connectTo = networkMenu->GetAddress();
    joinedFromMenu = true;
    StartNetwork();
}

void ASP_Main::StartNetwork() {
    network = std::make_unique<ASP_NetSession>(this, netAutopilot);
    network->SetHosting(hostedServer != nullptr);
    network->Join(connectTo, NetName(), NetCars());
    EnterState(STATE_NETWORK);
}

void ASP_Main::LeaveNetwork() {
    network.reset();
    if (hostedServer != nullptr) {
        hostedServer->Close();
        hostedServer.reset();
    }
    // Joined from the network menu, the player goes back to it; joined with --connect, to the main menu.
    if (joinedFromMenu) {
        joinedFromMenu = false;
        ShowNetworkMenu();
    } else {
        EnterState(STATE_MAIN_MENU);
    }
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
