#include "game/app/screens/tracks_screen.h"

#include "game/app/screens/cars_screen.h"
#include "game/app/screens/race_screen.h"
#include "game/race/lap_records.h"

namespace {

const char* const kTracksMenuFile = "mnu\\tracks.ini";

}  // namespace

void ASP_TracksScreen::Load() {
    app.Choice().tracks = LoadTrackList(track_list::kFile);
    app.Choice().currentTrack = 0;
    menu = LoadMenu(&app, app.Textures(), kTracksMenuFile,
                    {Action([this] { Next(); }), Action([this] { Previous(); }), Action([this] { Chosen(); }),
                     Action([this] { Back(); })});
    trackChoice.Load(menu.get(), kTracksMenuFile);
}

void ASP_TracksScreen::Enter() {
    ShowTrack(app.Choice().currentTrack);
}

void ASP_TracksScreen::ShowTrack(int t) {
    ASP_RaceChoice& choice = app.Choice();
    const int count = static_cast<int>(choice.tracks.size());
    if (count == 0) {
        return;
    }
    choice.currentTrack = (t % count + count) % count;
    const ASP_TrackEntry track = choice.CurrentTrack();
    trackChoice.Show(track, ASP_LapRecords(app.Settings().RecordsFile()).Get(track.world));
}

void ASP_TracksScreen::Next() {
    ShowTrack(app.Choice().currentTrack + 1);
}

void ASP_TracksScreen::Previous() {
    ShowTrack(app.Choice().currentTrack - 1);
}

void ASP_TracksScreen::Chosen() {
    app.Screen<ASP_RaceScreen>().StartChosenRace();
}

void ASP_TracksScreen::Back() {
    ASP_RaceChoice& choice = app.Choice();
    choice.currentPlayer = choice.playerCount - 1;
    app.Screen<ASP_CarsScreen>().ShowCar(choice.playerCars[static_cast<size_t>(choice.currentPlayer)], 1);
    app.EnterState(ASP_Main::STATE_CARS);
}
