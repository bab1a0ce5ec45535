#pragma once

#include <memory>
#include <string>

#include "engine/texture_manager.h"
#include "game/app/asp_main.h"
#include "game/race/game.h"
#include "game/race/track_pictures.h"

// The race: a local race of the players' choice, a time trial, a replay or a network race, each
// built by a loader. When the race's own menu asks to leave, the screen it came from follows.
class ASP_RaceScreen : public ASP_Screen {
public:
    static constexpr int kState = ASP_Main::STATE_RACE;
    const char* Name() const override { return "race"; }

    explicit ASP_RaceScreen(ASP_Main& app);

    void Update(double dt) override;
    void Draw(void* target) override;
    void KeyDown(SDL_Event* e) override;
    void KeyUp(SDL_Event* e) override;
    void MouseMove(SDL_Event* e) override;
    void MouseButtonDown(SDL_Event* e) override;
    void MouseButtonUp(SDL_Event* e) override;
    void Joystick(SDL_Event* e) override;
    // Losing the focus pauses the race.
    void Activate(SDL_Event* e) override;

    // Loads the race the players chose: their cars on the chosen track, with computer cars
    // unless it is a time trial.
    void StartChosenRace();
    // Loads the replay of file; back on the replays list when it cannot be watched.
    void StartReplay(const std::string& file);
    // Loads the race the server of the lobby started.
    void StartNetRace();

    ASP_Game* Game() const { return game.get(); }

private:
    void LoadChosenRace();
    void LoadReplay();
    void LoadNetRace();
    // The first and last part of a race's loader: the menus released, the race made on its track
    // (false when the track cannot be loaded); the race handed over.
    bool BeginRace(const std::string& worldFile, uint64_t seed);
    void EndRaceLoad();
    // The race is recorded into the replay library; a time trial also gets the track's ghost.
    void RecordRace(const ASP_TrackEntry& track);
    // Computer cars join the humans' race: the number and difficulty stored in the settings,
    // no more than the track has room for, in cars the humans did not choose where there are any.
    void AddComputerCars();
    // The race's own menu may have asked to leave; only now, with its event handled, may it go.
    void LeaveIfAsked();

    ASP_Main& app;
    // The last race's pictures, kept so that a race on the same track again decodes none of them;
    // declared before the race, which draws with them, so that they outlive it.
    std::unique_ptr<CTextureManager> textures;
    std::string texturesWorld;
    // The surface maps read for the last races, kept while their files stay as they were.
    ASP_PictureFiles pictures;
    std::unique_ptr<ASP_Game> game;
    // The replay the loader plays.
    std::string watching;
};
