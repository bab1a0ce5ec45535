#include "game/app/screens/network_menu_screen.h"

#include <tuple>

#include "game/app/screens/lobby_screen.h"
#include "game/net/server.h"

namespace {

const char* const kNetworkMenuFile = "mnu\\network.ini";

}  // namespace

void ASP_NetworkMenuScreen::Load() {
    auto built = std::make_unique<ASP_NetworkMenu>(app.Textures());
    network = built.get();
    menu = std::move(built);
    ASP_NetworkMenu::Actions actions;
    actions.host = Action([this] { Host(); });
    actions.players = Action([this] { ChoosePlayers(); });
    actions.join = Action([this] { Join(); });
    actions.back = Action([this] { Back(); });
    network->Load(&app, kNetworkMenuFile, std::move(actions));
}

void ASP_NetworkMenuScreen::Enter() {
    network->ShowPlayers(app.Choice().NetCars());
    network->Search();
}

void ASP_NetworkMenuScreen::Back() {
    app.EnterState(ASP_Main::STATE_MAIN_MENU);
}

void ASP_NetworkMenuScreen::Show() {
    app.EnterState(ASP_Main::STATE_NETWORK_MENU);
}

void ASP_NetworkMenuScreen::ChoosePlayers() {
    app.Choice().timeTrial = false;
    app.Choice().forNetwork = true;
    app.EnterState(ASP_Main::STATE_PLAYERS);
}

void ASP_NetworkMenuScreen::Host() {
    const uint16_t port = network->GetPort();
    if (port == 0) {
        network->ShowBadPort();
        return;
    }
    ASP_LobbyScreen& lobby = app.Screen<ASP_LobbyScreen>();
    ASP_ServerSettings settings;
    settings.port = port;
    settings.discoveryPort = discoveryPort;
    const ASP_TrackEntry track = app.Choice().CurrentTrack();
    std::tie(settings.world, settings.trackName) = std::tie(track.world, track.name);
    settings.name = lobby.NetName();
    // The host's computer opponents fill the grid as in a local race.
    const ASP_ComputerSettings computer = app.Settings().Computer();
    settings.computerCars = computer.opponents;
    settings.difficulty = computer.difficulty;
    auto server = std::make_unique<ASP_NetServer>(settings);
    if (!server->Open()) {
        network->ShowHostFailure(port);
        return;
    }
    lobby.Host(std::move(server), port);
}

void ASP_NetworkMenuScreen::Join() {
    if (!network->GetAddress().empty()) {
        app.Screen<ASP_LobbyScreen>().Join(network->GetAddress(), true);
    }
}
