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
#include "game/race/time_trial.h"
#include "game/race/world.h"
#include "game/sim/replay.h"

class ASP_Autopilot;
class ASP_Menu;
class ASP_NetClient;
class ASP_Player;
class ASP_RaceSounds;

// One race from the countdown to the results: owns the world (and through it the race), the
// countdown label and the pause menu, steps the race every racing frame, and pauses, resumes and
// ends it. After each step it reads what the race published: the interface's notices, the results
// and the records follow from it.
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
    static constexpr double kStep = ASP_Race::kStep;
    // Steps one frame may catch up (a quarter of a second); a longer frame slows the game down
    // rather than stalling it with ever more steps.
    static constexpr int kMaxStepsPerFrame = 30;
    // A row for every car a race can hold.
    static constexpr int kStandingsRows = ASP_Race::kMaxCars;
    // How long the players still racing see that a car finished.
    static constexpr double kNoticeSeconds = 5.0;
    // Gaps to the ghost on one standings row.
    static constexpr size_t kGapsPerRow = 4;

    // A car that finished, as the players still racing are told.
    struct FinishNotice {
        std::string who;
        int place = 0;
        // Seconds it is still shown.
        double shownFor = 0.0;
    };

    // The app gives fonts, sound and the window; services what the world draws with (a texture
    // registry the race's pictures outlive it in, the surface maps kept across races, joysticks).
    explicit ASP_Game(CGameBase* app, const ASP_World::Services& services = {}, uint64_t seed = 0);
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
    // The race is over: the pause menu shows the final standings without its resume choice.
    void FinishRace();
    // From the pause menu: the players still driving leave the race, which ends with them unplaced
    // (DNF) and everyone else ranked where they stand.
    void GiveUp();
    // Fills the standings rows of the pause menu from the cars' positions.
    void BuildStandings();
    // The track being raced (its key in the records) and the records file: once the race is over
    // the humans' best lap and race time go there, and the standings mark new records.
    void KeepRecords(const std::string& track, const std::string& recordsFile);
    // Every step is recorded into the replay, which is written to file when the race is over, or
    // as far as it went when the race is left before (not before it began).
    void Record(std::unique_ptr<ASP_Replay> replay, const std::string& file);
    // The race is this machine's view of a network race: its players' commands go to the server,
    // the world runs the client's guess of the race ahead of the server's, and the server's race
    // decides the results and the replay kept. The client is kept by the caller; with autopilot
    // the computer drives this machine's cars.
    void PlayOnline(ASP_NetClient* client, bool autopilot);
    bool IsOnline() const { return online != nullptr; }
    bool IsFinished() const { return state == RaceState::Finished; }
    // The race is a time trial: its driver's laps count for the lap records only, and the results
    // show the gaps to the ghost.
    void SetTimeTrial(std::unique_ptr<ASP_TimeTrial> trial);
    ASP_TimeTrial* GetTimeTrial() const { return timeTrial.get(); }
    // The race runs from the replay's commands instead of the players' (the world's cars are the
    // replay's); views follow the cars its humans drove. Nothing is recorded and no record kept.
    void Play(std::unique_ptr<ASP_Replay> replay);
    bool IsReplay() const { return playing != nullptr; }
    // How many times faster than raced a replay runs: 1, 2 or 4.
    void SetReplaySpeed(int times);
    int GetReplaySpeed() const { return replaySpeed; }

    RaceState GetState() const { return state; }
    ASP_World* GetWorld() const { return world.get(); }
    ASP_Race& GetRace() const { return world->GetRace(); }
    ASP_Menu* GetPauseMenu() const { return pauseMenu.get(); }
    CLabelSprite* GetCountdownLabel() const { return countdownLabel.get(); }
    double GetCountdownTime() const { return countdownTime; }
    CSprite* GetResumeButton() const { return resumeButton; }
    CSprite* GetGiveUpButton() const { return giveUpButton; }
    CSprite* GetStandingsLabel(int row) const;
    const std::vector<FinishNotice>& GetNotices() const { return notices; }
    const ASP_Replay* GetReplay() const { return replay.get(); }
    CGameBase* GetApp() const { return app; }

private:
    void LoadPauseMenu();
    void LoadCountdown();
    void UpdateCountdown(double dt);
    // Steps the race through the frame's time.
    void Simulate(double dt);
    void ShowCountdownElement(int i);
    void StartRace();
    void PlayTrackMusic();
    // One racing step: the race, then what follows from what it published.
    void StepRace();
    // A frame of a network race: commands out, the server's steps in, the guess brought up to now.
    void OnlineTick(double dt);
    // The server's race as this machine's replay, under the header the game gave it.
    void TakeServerReplay();
    // Cars the guess put right glide to where they are.
    void Glide(double dt);
    // The commands of the next step (or of the start): the replay's, or the players'.
    std::vector<ASP_Command> NextCommands();
    void FollowEvents();
    void AgeNotices(double dt);
    // What the interface tells besides each car's record.
    void UpdateFacts();
    void SubmitRecords();
    void SaveReplay();

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
    // Before the rows of the gaps to the ghost.
    std::string gapsCaption;
    // Elements of the pause menu; the menu owns them.
    CSprite* resumeButton = nullptr;
    CSprite* giveUpButton = nullptr;
    std::array<CSprite*, kStandingsRows> standingsLabels{};
    std::unique_ptr<CImageSprite> blendOverlay;
    RaceState state = RaceState::Countdown;
    CGameBase* app;
    CFontFactory* fonts;
    CAudio* audio;
    std::unique_ptr<ASP_World> world;
    std::unique_ptr<ASP_RaceSounds> sounds;
    // The world's.
    CTextureManager* textures = nullptr;
    bool quitRequested = false;
    std::vector<FinishNotice> notices;
    std::string track;
    std::unique_ptr<ASP_LapRecords> records;
    // What each car (race order) set at the end of the race.
    std::vector<ASP_NewRecords> newRecords;
    std::unique_ptr<ASP_Replay> replay;
    ASP_NetClient* online = nullptr;
    int glidedRestarts = 0;
    std::unique_ptr<ASP_Autopilot> autopilot;
    std::string replayFile;
    bool replayKept = false;
    // Shows its ghost in the world, which goes first.
    std::unique_ptr<ASP_TimeTrial> timeTrial;
    std::unique_ptr<ASP_Replay> playing;
    int replaySpeed = 1;
};
