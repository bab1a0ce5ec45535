#pragma once

#include <SDL/SDL.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/audio.h"
#include "engine/font_factory.h"
#include "engine/game_base.h"
#include "engine/image_sprite.h"
#include "engine/label_sprite.h"
#include "engine/log.h"
#include "engine/texture_manager.h"
#include "game/race/lap_records.h"

class ASP_Joysticks;
class ASP_Menu;
class ASP_Player;
class ASP_RaceSounds;
class ASP_World;

// One race from the countdown to the results: owns the world, the countdown label and the pause
// menu, drives the world every racing frame, and pauses, resumes and ends the race.
//
// Its owner hands it frames and input. Leaving through the pause menu's quit button only asks to
// quit, because the click is still being handled inside the race's own menu: after handing over
// an event the owner checks QuitRequested(), and if it is set deletes the race, returns to its main
// menu and halts the music.
class ASP_Game : public CLogSource {
public:
    enum class RaceState { Countdown = 0, Racing = 1, Paused = 2, Finished = 3 };

    static constexpr int kCountdownElements = 4;
    // One second per element.
    static constexpr double kCountdownSeconds = 4.0;
    // The world advances in steps of this length, whatever the frame rate, so that a race follows
    // the same path at any: at the boost strip's 1,350 pixels per second a car moves 11 pixels a
    // step, well under half the thinnest wall (32 pixels), so no step carries it through one.
    static constexpr double kStep = 1.0 / 120.0;
    // Steps one frame may catch up (a quarter of a second); a longer frame slows the game down
    // rather than stalling it with ever more steps.
    static constexpr int kMaxStepsPerFrame = 30;
    static constexpr int kStandingsRows = 4;
    // How long the players still racing see that a car finished.
    static constexpr double kNoticeSeconds = 5.0;

    // A car that finished, as the players still racing are told.
    struct FinishNotice {
        std::string who;
        int place = 0;
        // Seconds it is still shown.
        double shownFor = 0.0;
    };

    // With a registry, the race's pictures are loaded into it and outlive the race with it.
    explicit ASP_Game(CGameBase* app, CTextureManager* registry = nullptr);
    ~ASP_Game() override;
    ASP_Game(const ASP_Game&) = delete;
    ASP_Game& operator=(const ASP_Game&) = delete;

    void Update(double dt);
    void Draw(void* target);
    void OnKeyDown(SDL_Event* e);
    void OnKeyUp(SDL_Event* e);
    // Joystick input reaches the cars in the countdown and the race, like keys.
    void OnJoystick(SDL_Event* e);
    // Mouse input reaches the pause menu only while it is shown.
    void OnMouseMove(SDL_Event* e);
    void OnMouseButtonDown(SDL_Event* e);
    void OnMouseButtonUp(SDL_Event* e);

    // Racing <-> Paused; nothing in the other states.
    void TogglePause();
    void ResumeRace();
    // Asks the owner to end the race; see the class comment.
    void QuitRace();
    bool QuitRequested() const { return quitRequested; }
    // Every car has finished: the pause menu shows the final standings without its resume choice.
    void FinishRace();
    // A car crossed the line for the last time: the others are told, and the first finish starts
    // the world's finish timeout.
    void CarFinished(const ASP_Player& car);
    // From the pause menu: the players still driving leave the race, which ends with them unplaced
    // (DNF) and everyone else ranked where they stand.
    void GiveUp();
    // Fills the standings rows of the pause menu from the cars' positions.
    void BuildStandings();
    // The track being raced (its key in the records) and the records file: once the race is over
    // the humans' best lap and race time go there, and the standings mark new records.
    void KeepRecords(const std::string& track, const std::string& recordsFile);

    RaceState GetState() const { return state; }
    ASP_World* GetWorld() const { return world.get(); }
    ASP_Menu* GetPauseMenu() const { return pauseMenu.get(); }
    CLabelSprite* GetCountdownLabel() const { return countdownLabel.get(); }
    double GetCountdownTime() const { return countdownTime; }
    CSprite* GetResumeButton() const { return resumeButton; }
    CSprite* GetGiveUpButton() const { return giveUpButton; }
    const std::vector<FinishNotice>& GetNotices() const { return notices; }
    // Seconds until the race ends without the cars still driving; below 0 while nobody finished
    // or when the world waits for everyone.
    double GetRaceEndIn() const { return raceEndIn; }
    CSprite* GetStandingsLabel(int row) const;
    CGameBase* GetApp() const { return app; }
    CFontFactory* GetFontFactory() const { return fonts; }
    CTextureManager* GetTextureManager() const { return textures; }
    CAudio* GetAudio() const { return audio; }

    // The joysticks the cars may drive with; none when null.
    const ASP_Joysticks* joysticks = nullptr;

private:
    void LoadPauseMenu();
    void LoadCountdown();
    void UpdateCountdown(double dt);
    // Steps the world through the frame's time.
    void Simulate(double dt);
    void ShowCountdownElement(int i);
    void StartRace();
    void PlayTrackMusic();
    // One racing step: the world, its collisions and the sounds that follow them.
    void StepRace(double dt);
    // Once a car has finished, the others have the world's finish timeout left; then the race ends.
    void CountDownToRaceEnd(double dt);
    void SubmitRecords();

    std::unique_ptr<CLabelSprite> countdownLabel;
    // Countdown scale and alpha (0-255) at the end / start of each second.
    double scaleStart = 1.0;
    double scaleEnd = 1.0;
    double alphaStart = 255.0;
    double alphaEnd = 255.0;
    std::array<std::string, kCountdownElements> countdownText;
    std::array<int, kCountdownElements> countdownTile{};
    std::array<int, kCountdownElements> countdownSound{-1, -1, -1, -1};
    // Seconds left.
    double countdownTime = kCountdownSeconds;
    // Frame time not yet simulated, under one step.
    double unsimulated = 0.0;
    std::unique_ptr<ASP_Menu> pauseMenu;
    // Elements of the pause menu; the menu owns them.
    CSprite* resumeButton = nullptr;
    CSprite* giveUpButton = nullptr;
    std::array<CSprite*, kStandingsRows> standingsLabels{};
    std::unique_ptr<CImageSprite> blendOverlay;
    RaceState state = RaceState::Countdown;
    CGameBase* app;
    std::unique_ptr<ASP_World> world;
    std::unique_ptr<ASP_RaceSounds> sounds;
    CFontFactory* fonts;
    // The world's.
    CTextureManager* textures = nullptr;
    CAudio* audio;
    bool quitRequested = false;
    double raceEndIn = -1.0;
    std::vector<FinishNotice> notices;
    std::string track;
    std::unique_ptr<ASP_LapRecords> records;
    // What each car (world order) set at the end of the race.
    std::vector<ASP_NewRecords> newRecords;
};

// The race that exists, if any; the pause menu's buttons reach it through this.
extern ASP_Game* currentGame;

// "Player 2" or "Computer 3": how the standings and the notices name the car numbered so (from 1,
// in world order).
std::string CarLabel(const ASP_Player& car, int number);

// A row of the standings: place and player (or computer), car, total time ("DNF" for a car still
// driving when the race ended), best complete lap ("--" before the first), in fixed-width columns
// under the pause menu's heading; the times that are new track records are starred.
std::string StandingsRow(const ASP_Player& car, int number, bool raceOver, ASP_NewRecords made = {});

// The standings order for cars at these positions (1-based, in world order): slot r holds the
// index of the car shown in row r. Colliding positions take the next free slot below, or the
// nearest free one above at the bottom, so every car appears exactly once.
std::vector<int> StandingsOrder(const std::vector<int>& positions);
