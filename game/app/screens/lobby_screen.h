#pragma once

#include <memory>
#include <string>

#include "game/app/asp_main.h"
#include "game/app/net_session.h"
#include "game/app/screens/menu_screen.h"
#include "game/menus/lobby_menu.h"
#include "game/net/server.h"

// This machine in a network game between races: the lobby of the server it joined (from the
// network menu, or with --connect), and the server it hosts, serviced every frame, races included,
// until the lobby is left.
class ASP_LobbyScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_NETWORK;
    const char* Name() const override { return "network"; }

    // connectTo is the --connect address ("" for none), name the --name ("" for the login).
    ASP_LobbyScreen(ASP_Main& app, std::string connectTo, std::string name, bool autopilot);

    void Load() override;
    void Background() override;
    // Loads the race once the server starts it.
    void Update(double dt) override;
    // Escape leaves, Enter is ready or no longer, Left and Right pick the host's track.
    void KeyDown(SDL_Event* e) override;
    void Back() override { LeaveLobby(); }

    // Joins the --connect address, if one was given.
    void JoinGiven();
    // Joins HOST[:PORT]; from the network menu, leaving leads back there.
    void Join(const std::string& address, bool fromMenu);
    // Joins the server this machine opened on port.
    void Host(std::unique_ptr<ASP_NetServer> server, uint16_t port);
    // Closes the line and the server hosted here, back to the menu the lobby was joined from.
    void LeaveLobby();
    // The name this machine's players go by: --name, else the user's login.
    std::string NetName() const;

    ASP_NetSession* Session() const { return session.get(); }
    ASP_NetServer* Server() const { return server.get(); }
    ASP_LobbyMenu* Lobby() const { return lobby; }

private:
    void ToggleReady();
    void CycleTrack(int by);

    // Owned by the menu screen.
    ASP_LobbyMenu* lobby = nullptr;
    std::string connectTo;
    const std::string name;
    const bool autopilot;
    std::unique_ptr<ASP_NetSession> session;
    std::unique_ptr<ASP_NetServer> server;
    // The lobby was reached from the network menu, and leaving it goes back there.
    bool joinedFromMenu = false;
};
