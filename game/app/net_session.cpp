#include "game/app/net_session.h"

#include <algorithm>

#include "engine/ini.h"

ASP_NetSession::ASP_NetSession(bool byComputer) : autopilot(byComputer) {
    client.pictures = &pictures;
}

bool ASP_NetSession::Join(const std::string& address, const std::string& name,
                          const std::vector<std::string>& playerCars) {
    cars = playerCars;
    std::string host = address;
    uint16_t port = kDefaultPort;
    if (const size_t colon = address.rfind(':'); colon != std::string::npos) {
        host = address.substr(0, colon);
        const int p = TextToInt(address.substr(colon + 1), 0);
        if (p < 1 || p > 65535) {
            LogLine(LOG_ERROR, "The address " + address + " has no port from 1 to 65535 after its colon.");
        } else {
            port = static_cast<uint16_t>(p);
        }
    }
    ASP_HelloMessage hello;
    hello.gameVersion = ASPHALTIA_VERSION;
    hello.name = name.substr(0, kMaxText);
    hello.cars = cars;
    return client.Connect(host, port, hello);
}

bool ASP_NetSession::Ended() const {
    const ASP_NetClient::Stage stage = client.GetStage();
    return stage == ASP_NetClient::Stage::Refused || stage == ASP_NetClient::Stage::Lost ||
           stage == ASP_NetClient::Stage::Idle;
}

bool ASP_NetSession::Update(double) {
    client.Service(0);
    const ASP_NetClient::Stage stage = client.GetStage();
    if (stage == ASP_NetClient::Stage::Lobby && autopilot && !ready) {
        ToggleReady();
    }
    // The server is back in its lobby after a race: everyone says again when they are ready.
    if (stage == ASP_NetClient::Stage::Lobby && raceStarted) {
        raceStarted = false;
        ready = false;
    }
    if (stage == ASP_NetClient::Stage::Countdown && !raceStarted) {
        raceStarted = true;
        return true;
    }
    return false;
}

void ASP_NetSession::ToggleReady() {
    if (client.GetStage() != ASP_NetClient::Stage::Lobby) {
        return;
    }
    ready = !ready;
    client.SetReady(ready, cars);
}

void ASP_NetSession::CycleTrack(int by, const std::vector<ASP_TrackEntry>& tracks) {
    if (!host || tracks.empty() || client.GetStage() != ASP_NetClient::Stage::Lobby) {
        return;
    }
    const int count = static_cast<int>(tracks.size());
    const auto shown = std::find_if(tracks.begin(), tracks.end(), [&](const ASP_TrackEntry& t) {
        return t.world == client.GetLobby().world;
    });
    // A track outside the list moves to the list's first or last.
    const int from = shown != tracks.end() ? static_cast<int>(shown - tracks.begin()) : (by > 0 ? -1 : 0);
    client.ChooseTrack(tracks[static_cast<size_t>(((from + by) % count + count) % count)].world);
}

ASP_LobbyMenu::View ASP_NetSession::Lobby() const {
    ASP_LobbyMenu::View view;
    switch (client.GetStage()) {
        case ASP_NetClient::Stage::Connecting:
            view.line = ASP_LobbyMenu::View::Line::Joining;
            break;
        case ASP_NetClient::Stage::Refused:
        case ASP_NetClient::Stage::Lost:
            view.line = ASP_LobbyMenu::View::Line::Ended;
            view.reason = client.GetReason();
            break;
        case ASP_NetClient::Stage::Idle:
            view.line = ASP_LobbyMenu::View::Line::Idle;
            break;
        default:
            view.line = ASP_LobbyMenu::View::Line::Lobby;
            break;
    }
    view.lobby = client.GetLobby();
    view.self = client.GetClient();
    view.ready = ready;
    view.host = host;
    view.roundTrip = client.RoundTrip();
    return view;
}
