#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/log.h"
#include "game/menus/lobby_menu.h"
#include "game/net/client.h"
#include "game/race/track_pictures.h"
#include "track/track_list.h"

// This machine in a network game, from joining to leaving: its line to the server, what its lobby
// shows (the track, every player with car and readiness, or why the line ended) and its players'
// readiness. Races themselves run in the game; between them the session shows the
// lobby again.
class ASP_NetSession : public CLogSource {
public:
    // With autopilot the computer drives this machine's cars and they are ready at once.
    explicit ASP_NetSession(bool autopilot);

    // Starts joining HOST[:PORT] with these players' cars; false, with the reason shown, when the
    // address cannot be used.
    bool Join(const std::string& address, const std::string& name, const std::vector<std::string>& cars);
    // Handles the line; true once, when a race starts and its track must be loaded.
    bool Update(double dt);
    // What the lobby shows now; the preview is left to the caller, which knows the tracks.
    ASP_LobbyMenu::View Lobby() const;
    // Enter: ready or no longer.
    void ToggleReady();
    // The server runs on this machine, which joined it first: its lobby offers the track choice.
    void SetHosting(bool hosting) { host = hosting; }
    // Left / Right on the host's lobby: the track before or after the lobby's in this list.
    void CycleTrack(int by, const std::vector<ASP_TrackEntry>& tracks);

    ASP_NetClient& Client() { return client; }
    bool Autopilot() const { return autopilot; }
    // The line is over (refused, lost or left): the lobby shows why until the player leaves.
    bool Ended() const;

private:
    bool autopilot;
    bool host = false;
    ASP_PictureFiles pictures;
    ASP_NetClient client;
    std::vector<std::string> cars;
    bool ready = false;
    bool raceStarted = false;
};
