#pragma once

#include <array>
#include <string>
#include <vector>

#include "game/net/protocol.h"
#include "track/track_list.h"

// What the players chose for the next race on the way through the menus: how many play, each
// one's car, the track, and whether it is a time trial or a network race.
struct ASP_RaceChoice {
    // The chosen track; the first track of the game when there is no list.
    ASP_TrackEntry CurrentTrack() const;
    // This machine's players' cars, as they join a network race.
    std::vector<std::string> NetCars() const;

    std::vector<std::string> carNames;
    int playerCount = 1;
    // Counted from 0.
    int currentPlayer = 0;
    // Index into carNames of each player's car.
    std::array<int, kMaxLocalPlayers> playerCars{};
    // The next race is a time trial.
    bool timeTrial = false;
    // The players and cars menus were opened from the network menu and lead back to it.
    bool forNetwork = false;
    std::vector<ASP_TrackEntry> tracks;
    int currentTrack = 0;
};
