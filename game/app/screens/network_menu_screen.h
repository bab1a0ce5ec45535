#pragma once

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"
#include "game/menus/network_menu.h"

// The network menu: hosting a server here on the typed port, joining one by address or found on
// the LAN, and the players and cars that join from this machine.
class ASP_NetworkMenuScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_NETWORK_MENU;
    const char* Name() const override { return "network menu"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    void Load() override;
    // Shows who joins, and searches the LAN afresh.
    void Enter() override;
    void Back() override;

    // Shows the network menu.
    void Show();
    // Starts a server here on the typed port and joins it as the first machine, which picks the
    // track. A port that is no port, or one that cannot be opened, is said on the menu.
    void Host();
    // The players menu, leading back here.
    void ChoosePlayers();
    // Joins the typed address.
    void Join();

    ASP_NetworkMenu* Network() const { return network; }
    // Tests move the hosted server's LAN answers off the port other programs use.
    void SetDiscoveryPort(uint16_t port) { discoveryPort = port; }

private:
    // Owned by the menu screen.
    ASP_NetworkMenu* network = nullptr;
    uint16_t discoveryPort = kDiscoveryPort;
};
