// The game's side of a network race: what ASP_Game does when its race is one machine's view of a
// race the server runs.
#include <cmath>

#include "game/net/autopilot.h"
#include "game/net/client.h"
#include "game/race/game.h"
#include "game/race/player.h"
#include "game/race/race_sounds.h"

void ASP_Game::PlayOnline(ASP_NetClient* client, bool byComputer) {
    online = client;
    autopilot = byComputer ? std::make_unique<ASP_Autopilot>(ASP_Difficulty::Normal) : nullptr;
    world->viewed.clear();
    for (size_t car : online->GetRace().MyCars()) {
        world->viewed.push_back(static_cast<int>(car));
    }
}

void ASP_Game::OnlineTick(double dt) {
    online->Service(0);
    if (online->GetStage() == ASP_NetClient::Stage::Lost) {
        // The caller says why; there is no race to go on with.
        quitRequested = true;
        return;
    }
    if (state == RaceState::Countdown) {
        // The server's clock counts down; loading the track took some of it.
        countdownTime = std::min(countdownTime, std::max(online->CountdownLeft(), 0.0) + dt);
        UpdateCountdown(dt);
        sounds->Update(*world, dt);
        if (state == RaceState::Countdown) {
            return;
        }
    }
    ASP_NetRace& net = online->GetRace();
    std::vector<ASP_Command> commands;
    if (autopilot != nullptr) {
        commands = autopilot->Drive(GetRace(), net.MyCars(), dt);
    } else {
        const std::vector<ASP_Command> all = world->TakeCommands();
        for (size_t car : net.MyCars()) {
            commands.push_back(car < all.size() ? all[car] : ASP_Command());
        }
    }
    online->Hold(commands);
    net.Predict(GetRace(), online->PresentStep(), [this](const std::vector<ASP_Command>& c, bool fresh) {
        GetRace().IsStarted() ? world->Step(c) : world->StartRace(c);
        // A step guessed again after the server's word is not heard or announced twice.
        if (fresh && state != RaceState::Finished) {
            FollowEvents();
            AgeNotices(kStep);
            sounds->Update(*world, kStep);
        }
    });
    Glide(dt);
    if (net.IsOver() && state != RaceState::Finished) {
        GetRace().CopyState(net.Confirmed());
        LogLine(
            LOG_STATUS,
            "The network race is over; state hash " + ASP_Race::HashText(GetRace().StateHash()) +
                (net.Diverged() ? ", not the server's: the server's results count." : ", as on the server."));
        TakeServerReplay();
        FinishRace();
        sounds->Silence();
    }
    world->Follow();
    UpdateFacts();
}

void ASP_Game::Glide(double dt) {
    const ASP_NetRace& net = online->GetRace();
    const std::vector<ASP_Player*>& cars = world->GetPlayers();
    const bool moved = net.Restarts() != glidedRestarts;
    glidedRestarts = net.Restarts();
    // A tenth of a second to glide; a car put right by more than this is far off and goes at once.
    constexpr double kGlideSeconds = 0.1;
    constexpr double kLongestGlide = 600.0;
    for (size_t i = 0; i < cars.size(); ++i) {
        Point& offset = cars[i]->shownOffset;
        if (moved && i < net.LastCorrections().size()) {
            offset = offset + net.LastCorrections()[i];
        }
        offset = Length(offset) > kLongestGlide ? Point() : offset * std::exp(-dt / kGlideSeconds);
    }
}

void ASP_Game::TakeServerReplay() {
    if (replay == nullptr) {
        return;
    }
    const ASP_Replay header = replay->Blank();
    *replay = online->GetRace().GetReplay();
    replay->trackName = header.trackName;
    replay->date = header.date;
    replay->worldHash = header.worldHash;
    replay->carsHash = header.carsHash;
}
