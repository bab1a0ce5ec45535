#include "game/app/net_session.h"

#include <algorithm>

#include "engine/font.h"
#include "engine/ini.h"

namespace {

const char* const kLobbyFont = "fnt\\dejavusans-bold.ttf";
constexpr int kLobbySize = 20;

}  // namespace

ASP_NetSession::ASP_NetSession(CGameBase* game, bool byComputer) : app(game), autopilot(byComputer) {
    client.pictures = &pictures;
    text = std::make_unique<CLabelSprite>(nullptr, app->GetFontFactory()->GetFont(kLobbyFont, kLobbySize));
    text->SetX(40);
    text->SetY(40);
    text->SetWidth(app->width - 80);
    text->SetHeight(app->height - 80);
    text->SetTextBox(0, 0, app->width - 80, app->height - 80);
    text->SetMultiLine(true);
    text->SetAlignH(ALIGN_LEFT);
    text->SetAlignV(ALIGN_TOP);
    text->SetColor(SDL_Color{255, 255, 255, 0});
    text->depthTest = false;
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
    const bool joining = client.Connect(host, port, hello);
    ShowLobby();
    return joining;
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
    ShowLobby();
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

void ASP_NetSession::ShowLobby() {
    std::string lines = "Network race\n\n";
    switch (client.GetStage()) {
        case ASP_NetClient::Stage::Connecting:
            lines += "Joining the server...\n";
            break;
        case ASP_NetClient::Stage::Refused:
        case ASP_NetClient::Stage::Lost:
            lines += client.GetReason() + "\n\nEscape: back to the menu";
            break;
        case ASP_NetClient::Stage::Idle:
            lines += "Not connected.\n\nEscape: back to the menu";
            break;
        default: {
            const ASP_LobbyMessage& lobby = client.GetLobby();
            lines += "Track: " + lobby.trackName + ", " + std::to_string(lobby.laps) + " lap(s)\n";
            lines += "Players: " + std::to_string(lobby.players.size()) + " of " +
                     std::to_string(lobby.maxPlayers) + "\n\n";
            for (const ASP_LobbyPlayer& p : lobby.players) {
                const bool mine = p.client == client.GetClient();
                lines += (mine ? "> " : "  ") + p.name + (p.car.empty() ? "" : "  " + p.car) +
                         (p.ready ? "  ready" : "  not ready") + "\n";
            }
            lines += "\nRound trip: " + std::to_string(client.RoundTrip()) + " ms\n";
            lines += ready ? "Enter: not ready   Escape: leave" : "Enter: ready   Escape: leave";
            lines += host ? "   Left/Right: track" : "";
            break;
        }
    }
    if (text->GetText() != lines) {
        text->SetText(lines);
    }
}

void ASP_NetSession::Draw(void* target) {
    text->Draw(target);
}
