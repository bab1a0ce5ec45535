#include "game/app/screens/lobby_screen.h"

#include <algorithm>
#include <cstdlib>

#include "game/app/screens/network_menu_screen.h"
#include "game/app/screens/race_screen.h"

namespace {

const char* const kLobbyMenuFile = "mnu\\lobby.ini";

}  // namespace

ASP_LobbyScreen::ASP_LobbyScreen(ASP_Main& app, std::string connectTo, std::string name, bool autopilot)
    : ASP_MenuScreen(app), connectTo(std::move(connectTo)), name(std::move(name)), autopilot(autopilot) {}

void ASP_LobbyScreen::Load() {
    auto built = std::make_unique<ASP_LobbyMenu>(app.Textures());
    lobby = built.get();
    menu = std::move(built);
    ASP_LobbyMenu::Actions actions;
    actions.leave = Action([this] { LeaveLobby(); });
    actions.ready = Action([this] { ToggleReady(); });
    actions.previousTrack = Action([this] { CycleTrack(-1); });
    actions.nextTrack = Action([this] { CycleTrack(1); });
    lobby->Load(&app, kLobbyMenuFile, std::move(actions));
}

void ASP_LobbyScreen::Background() {
    if (server != nullptr) {
        server->Service(0);
    }
}

void ASP_LobbyScreen::Update(double dt) {
    if (session == nullptr) {
        return;
    }
    if (session->Update(dt)) {
        app.Screen<ASP_RaceScreen>().StartNetRace();
        return;
    }
    ASP_LobbyMenu::View view = session->Lobby();
    const std::vector<ASP_TrackEntry>& tracks = app.Choice().tracks;
    const auto shown = std::find_if(tracks.begin(), tracks.end(),
                                    [&](const ASP_TrackEntry& t) { return t.world == view.lobby.world; });
    view.preview = shown != tracks.end() ? shown->preview : "";
    lobby->Show(view);
    ASP_MenuScreen::Update(dt);
}

void ASP_LobbyScreen::KeyDown(SDL_Event* e) {
    const SDLKey key = e->key.keysym.sym;
    if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
        ToggleReady();
    } else if (key == SDLK_LEFT || key == SDLK_RIGHT) {
        CycleTrack(key == SDLK_LEFT ? -1 : 1);
    } else {
        ASP_MenuScreen::KeyDown(e);
    }
}

void ASP_LobbyScreen::ToggleReady() {
    if (session != nullptr) {
        session->ToggleReady();
    }
}

void ASP_LobbyScreen::CycleTrack(int by) {
    if (session != nullptr && server != nullptr) {
        session->CycleTrack(by, app.Choice().tracks);
    }
}

std::string ASP_LobbyScreen::NetName() const {
    if (!name.empty()) {
        return name;
    }
    const char* user = std::getenv("USER");
    return user != nullptr && *user != '\0' ? user : "Player";
}

void ASP_LobbyScreen::JoinGiven() {
    if (!connectTo.empty()) {
        Join(connectTo, false);
    }
}

void ASP_LobbyScreen::Host(std::unique_ptr<ASP_NetServer> opened, uint16_t port) {
    server = std::move(opened);
    Join("127.0.0.1:" + std::to_string(port), true);
}

void ASP_LobbyScreen::Join(const std::string& address, bool fromMenu) {
    connectTo = address;
    joinedFromMenu = fromMenu;
    session = std::make_unique<ASP_NetSession>(autopilot);
    session->SetHosting(server != nullptr);
    session->Join(connectTo, NetName(), app.Choice().NetCars());
    app.EnterState(kState);
}

void ASP_LobbyScreen::LeaveLobby() {
    session.reset();
    if (server != nullptr) {
        server->Close();
        server.reset();
    }
    // Joined from the network menu, the player goes back to it; joined with --connect, to the main menu.
    if (joinedFromMenu) {
        joinedFromMenu = false;
        app.Screen<ASP_NetworkMenuScreen>().Show();
    } else {
        app.EnterState(ASP_Main::STATE_MAIN_MENU);
    }
}
