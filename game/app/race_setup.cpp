// The choices between the cars and the race: computer opponents and their difficulty on the
// players menu, the track choice, and what they add to the race the loader builds.

#include <algorithm>

#include "engine/ini.h"
#include "game/app/asp_main.h"
#include "game/race/lap_records.h"
#include "game/race/world.h"

namespace {

const char* const kTrackListFile = "dat\\tracks.dat";
const char* const kTracksMenuFile = "mnu\\tracks.ini";
const char* const kPlayersMenuFile = "mnu\\players.ini";
const char* const kRecordsName = "records.ini";
// Settings section of the computer opponents.
const char* const kComputerSection = "computer";
// With one human the grid is full; with more the race takes as many as have room.
constexpr int kMaxOpponents = ASP_Race::kMaxCars - 1;
// Sprite indices of the opponents and difficulty buttons of the players menu.
constexpr int kOpponentsButton = 6;
constexpr int kDifficultyButton = 7;

void SetButtonCaption(ASP_Menu* menu, int index, const std::string& text) {
    auto* button = dynamic_cast<ASP_Button*>(menu->GetSprite(index));
    for (int look = 0; button != nullptr && look < ASP_Button::kStates; ++look) {
        if (auto* label = dynamic_cast<CLabelSprite*>(button->GetStateSprite(look))) {
            label->SetText(text);
        }
    }
}

}  // namespace

void ASP_Main::LoadRaceSetup() {
    tracks = LoadTrackList(kTrackListFile);
    currentTrack = 0;
    tracksMenu = LoadMenu(this, textures.get(), kTracksMenuFile,
                          {OnNextTrack, OnPreviousTrack, OnTrackChosen, OnTrackBack});
    trackChoice.Load(tracksMenu.get(), kTracksMenuFile);
    RefreshComputerButtons();
}

int ASP_Main::StoredOpponents() const {
    return std::clamp(GetIniInt(kComputerSection, "opponents", 0, settingsFile), 0, kMaxOpponents);
}

ASP_Difficulty ASP_Main::StoredDifficulty() const {
    return DifficultyFromText(GetIniString(kComputerSection, "difficulty", "normal", settingsFile));
}

void ASP_Main::RefreshComputerButtons() {
    SetButtonCaption(
        playersMenu.get(), kOpponentsButton,
        GetIniString("text", "opponents", "", kPlayersMenuFile) + " " + NumberToText(StoredOpponents()));
    SetButtonCaption(
        playersMenu.get(), kDifficultyButton,
        GetIniString("text", "difficulty", "", kPlayersMenuFile) + " " + DifficultyText(StoredDifficulty()));
}

void ASP_Main::StoreComputerSetting(const std::string& key, const std::string& value) {
    WriteIniString(kComputerSection, key, value, settingsFile);
    if (LastIniWriteFailed()) {
        LogLine(LOG_ERROR, "The setting " + key + " could not be stored in " + settingsFile + ".");
    }
    RefreshComputerButtons();
}

ASP_TrackEntry ASP_Main::CurrentTrack() const {
    if (currentTrack < 0 || currentTrack >= static_cast<int>(tracks.size())) {
        return LoadTrackList("").front();
    }
    return tracks[static_cast<size_t>(currentTrack)];
}

std::string ASP_Main::RecordsFile() const {
    const size_t slash = settingsFile.find_last_of("\\/");
    return slash == std::string::npos ? kRecordsName : settingsFile.substr(0, slash + 1) + kRecordsName;
}

void ASP_Main::AddComputerCars() {
    ASP_World* world = game->GetWorld();
    const int room = std::min<int>(ASP_Race::kMaxCars, static_cast<int>(world->GetStartPositions().size()));
    const int opponents = std::min(StoredOpponents(), room - static_cast<int>(world->GetPlayers().size()));
    const int cars = static_cast<int>(carNames.size());
    int next = 0;
    for (int i = 0; i < opponents && cars > 0; ++i) {
        // Cars the humans left free first; with too few cars they repeat.
        for (int tries = 0; tries < cars && std::find(playerCars.begin(), playerCars.begin() + playerCount,
                                                      next % cars) != playerCars.begin() + playerCount;
             ++tries) {
            ++next;
        }
        world->AddComputerCar(kCarFile, carNames[static_cast<size_t>(next % cars)], StoredDifficulty());
        ++next;
    }
}

void ASP_Main::ChooseTrackOrRace() {
    // A network race's track is the host's choice, in the lobby.
    if (carsForNetwork) {
        carsForNetwork = false;
        ShowNetworkMenu();
    } else if (tracks.size() > 1) {
        ShowTrack(currentTrack);
        EnterState(STATE_TRACKS);
    } else {
        StartLoader(&ASP_Main::LoadRace);
    }
}

void ASP_Main::ShowTrack(int t) {
    const int count = static_cast<int>(tracks.size());
    if (count == 0) {
        return;
    }
    currentTrack = (t % count + count) % count;
    const ASP_TrackEntry track = CurrentTrack();
    trackChoice.Show(track, ASP_LapRecords(RecordsFile()).Get(track.world));
}

// Button callbacks

void ASP_Main::OnOpponents(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->StoreComputerSetting("opponents",
                                       NumberToText((instance->StoredOpponents() + 1) % (kMaxOpponents + 1)));
    }
}

void ASP_Main::OnDifficulty(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        const int next = (static_cast<int>(instance->StoredDifficulty()) + 1) % 3;
        instance->StoreComputerSetting("difficulty", DifficultyText(static_cast<ASP_Difficulty>(next)));
    }
}

void ASP_Main::OnNextTrack(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->ShowTrack(instance->currentTrack + 1);
    }
}

void ASP_Main::OnPreviousTrack(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->ShowTrack(instance->currentTrack - 1);
    }
}

void ASP_Main::OnTrackChosen(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->StartLoader(&ASP_Main::LoadRace);
    }
}

void ASP_Main::OnTrackBack(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->currentPlayer = instance->playerCount - 1;
        instance->ShowCar(instance->playerCars[static_cast<size_t>(instance->currentPlayer)], 1);
        instance->EnterState(STATE_CARS);
    }
}
