#include "game/app/race_choice.h"

ASP_TrackEntry ASP_RaceChoice::CurrentTrack() const {
    if (currentTrack < 0 || currentTrack >= static_cast<int>(tracks.size())) {
        return LoadTrackList("").front();
    }
    return tracks[static_cast<size_t>(currentTrack)];
}

std::vector<std::string> ASP_RaceChoice::NetCars() const {
    std::vector<std::string> cars;
    for (int i = 0; i < playerCount && !carNames.empty(); ++i) {
        const int car = playerCars[static_cast<size_t>(i)];
        cars.push_back(
            carNames[static_cast<size_t>(car >= 0 && car < static_cast<int>(carNames.size()) ? car : 0)]);
    }
    return cars;
}
