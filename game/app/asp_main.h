#pragma once

#include <SDL/SDL.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/command_line.h"
#include "engine/font_factory.h"
#include "engine/game_base.h"
#include "engine/image_sprite.h"
#include "engine/label_sprite.h"
#include "engine/platform/gl_context.h"
#include "engine/texture_manager.h"
#include "game/app/loading_screen.h"
#include "game/app/net_session.h"
#include "game/input/joysticks.h"
#include "game/menus/button.h"
#include "game/menus/car_preview.h"
#include "game/menus/controls_menu.h"
#include "game/menus/menu.h"
#include "game/menus/network_menu.h"
#include "game/menus/replays_menu.h"
#include "game/menus/track_menu.h"
#include "game/net/server.h"
#include "game/race/game.h"
#include "game/race/replay_library.h"
#include "game/race/track_list.h"
#include "game/sim/computer_driver.h"

// The game program: a loading screen while a loader thread builds the next screen, then the main
// menu, the options, the choice of players and cars, and the race. Frames and input go to whatever
// the current state shows.
class ASP_Main : public CGameBase {
public:
    enum State {
        STATE_LOADING = 0,
        STATE_MAIN_MENU = 1,
        STATE_OPTIONS = 2,
        STATE_PLAYERS = 3,
        STATE_CARS = 4,
        STATE_RACE = 5,
        STATE_CONTROLS = 6,
        STATE_TRACKS = 7,
        STATE_REPLAYS = 8,
        STATE_NETWORK = 9,
        STATE_NETWORK_MENU = 10,
    };
    static constexpr int kStates = 11;
    // Players at this machine, as many as join a network race from one.
    static constexpr int kMaxPlayers = kMaxLocalPlayers;

    using LoaderJob = void (ASP_Main::*)();

    // The window's size and mode come from settingsFile, which the options menu also writes,
    // unless the start options choose them for this start.
    explicit ASP_Main(std::string settingsFile = "config.ini", const CStartOptions& start = {});
    ~ASP_Main() override;
    ASP_Main(const ASP_Main&) = delete;
    ASP_Main& operator=(const ASP_Main&) = delete;

    void OnInit() override;
    void OnCleanup() override;
    void OnRender(SDL_Surface* screen) override;
    void OnUpdate(double dt) override;
    void OnActivate(SDL_Event* e) override;
    void OnKeyDown(SDL_Event* e) override;
    void OnKeyUp(SDL_Event* e) override;
    void OnMouseMove(SDL_Event* e) override;
    void OnMouseButtonDown(SDL_Event* e) override;
    void OnMouseButtonUp(SDL_Event* e) override;
    void OnJoystick(SDL_Event* e) override;

    // Makes the loader's context on the window. Without window information the program cannot
    // go on and ends with status 1; without a second context loaders run on the main thread.
    void OpenLoadContext();
    // Shows the loading screen and runs job on the loader thread. The job hands the screen it
    // built over by switching the state as its last act. Without background loading (or without a
    // second context) the job runs before this returns.
    void StartLoader(LoaderJob job);
    // Builds the menus; ends in the main menu.
    void LoadStartup();
    // Builds the race for the chosen cars; ends in the race.
    void LoadRace();

    // Puts the current settings on the options menu, and a note when the window is not yet as they
    // say.
    void RefreshOptionsLabel();
    // Whether the window has the size and mode the settings file stores.
    bool WindowAsStored() const;
    // Gives the window the stored size where it can take it at once: not in fullscreen.
    void ApplyStoredSize();
    // Fits the menus, their backdrop and overlay, and the loading screen to the window's size.
    void FitScreens();
    // Shows car c, or the next free one in direction (+1 / -1), as currentPlayer's choice.
    void ShowCar(int c, int direction);
    int GetState() const { return state.load(std::memory_order_acquire); }
    // 0, or 1 when a load failed (the world file is missing) and the program ended for it.
    int ExitStatus() const { return exitStatus; }

    // Button callbacks of the menus; they reach the application through instance.
    static void OnPlay(ASP_Button* button, SDL_Event* e);
    static void OnOptions(ASP_Button* button, SDL_Event* e);
    static void OnExit(ASP_Button* button, SDL_Event* e);
    static void OnBackToMain(ASP_Button* button, SDL_Event* e);
    static void OnResolution(ASP_Button* button, SDL_Event* e);
    static void OnFullscreen(ASP_Button* button, SDL_Event* e);
    static void OnSound(ASP_Button* button, SDL_Event* e);
    static void OnControls(ASP_Button* button, SDL_Event* e);
    static void OnPlayerCount(ASP_Button* button, SDL_Event* e);
    static void OnNextCar(ASP_Button* button, SDL_Event* e);
    static void OnPreviousCar(ASP_Button* button, SDL_Event* e);
    static void OnCarChosen(ASP_Button* button, SDL_Event* e);
    static void OnCarBack(ASP_Button* button, SDL_Event* e);
    static void OnOpponents(ASP_Button* button, SDL_Event* e);
    static void OnDifficulty(ASP_Button* button, SDL_Event* e);
    static void OnNextTrack(ASP_Button* button, SDL_Event* e);
    static void OnPreviousTrack(ASP_Button* button, SDL_Event* e);
    static void OnTrackChosen(ASP_Button* button, SDL_Event* e);
    static void OnTrackBack(ASP_Button* button, SDL_Event* e);

    // After the last car choice: the track choice, or the race straight away with only one track.
    void ChooseTrackOrRace();
    // Shows track t, wrapped round the list, as the choice.
    void ShowTrack(int t);
    // The records file: in the user's folder, or beside a settings file given with its folder.
    std::string RecordsFile() const;
    // A folder of the user's, as a host path with a trailing "/": beside a settings file given with
    // its folder, else in the user's folder; "" without one.
    std::string UserFolder(const std::string& name) const;
    // The replays list, refreshed.
    void ShowReplays();
    // Plays the replay chosen on the replays list, unless it is refused.
    void WatchReplay();
    // Builds the race of the replay chosen; ends in the race, or back in the list when it cannot.
    void LoadReplay();
    // A time trial: one driver, a car, a track, no computer cars, and the track's ghost.
    void StartTimeTrial();
    // The computer opponents of the next race, as stored in the settings.
    int StoredOpponents() const;
    ASP_Difficulty StoredDifficulty() const;

    // The one application; set by OnInit.
    static ASP_Main* instance;

    // Tests turn this off to load deterministically on the main thread.
    bool loadInBackground = true;
    const std::string settingsFile;
    bool showFps = false;
    std::unique_ptr<CLabelSprite> fpsLabel;
    std::unique_ptr<CImageSprite> menuOverlay;
    int playerCount = 1;
    std::vector<std::string> carNames;
    CLoadContext loadContext;
    std::unique_ptr<ASP_LoadingScreen> loadingScreen;
    std::unique_ptr<ASP_Menu> mainMenu;
    std::unique_ptr<ASP_Menu> optionsMenu;
    std::unique_ptr<ASP_Menu> playersMenu;
    std::unique_ptr<ASP_Menu> carsMenu;
    std::unique_ptr<ASP_ControlsMenu> controlsMenu;
    ASP_Joysticks joysticks;
    // Owned by optionsMenu.
    CLabelSprite* optionsLabel = nullptr;
    // Owned by optionsMenu; says what applies at the next start. Null when the menu has none.
    CLabelSprite* optionsNote = nullptr;
    std::string nextStartText;
    ASP_CarPreview carPreview;
    // Counted from 0.
    int currentPlayer = 0;
    // Index into carNames of each player's car.
    std::array<int, kMaxPlayers> playerCars{};
    std::unique_ptr<ASP_Menu> tracksMenu;
    std::unique_ptr<ASP_ReplaysMenu> replaysMenu;
    ASP_ReplayLibrary replayLibrary;
    // The next race is a time trial.
    bool timeTrial = false;
    // The replay the race loader plays; "" for a race.
    std::string watching;
    ASP_TrackChoice trackChoice;
    std::vector<ASP_TrackEntry> tracks;
    int currentTrack = 0;
    // The last race's pictures, kept so that a race on the same track again decodes none of them;
    // declared before the race, which draws with them, so that they outlive it.
    std::unique_ptr<CTextureManager> raceTextures;
    std::string raceTexturesWorld;
    // The surface maps read for the last races, kept while their files stay as they were.
    ASP_PictureFiles racePictures;
    std::unique_ptr<ASP_Game> game;
    // The menus' pictures; the loading screen's has a registry of its own, as it is shown while
    // the menus' are released.
    std::unique_ptr<CTextureManager> textures;
    std::unique_ptr<CTextureManager> loadingTextures;
    // Written last by a loader (release), read by the main thread (acquire): the hand-over.
    std::atomic<int> state{STATE_LOADING};
    // A network game: joined with --connect, its lobby between races.
    std::string connectTo;
    std::string netName;
    bool netAutopilot = false;
    std::unique_ptr<ASP_NetSession> network;
    void StartNetwork();
    void LoadNetRace();
    void LeaveNetwork();
    // The network menu, and the server this machine hosts from it: serviced every frame, races
    // included, until the lobby is left. Tests move the ports off the ones other programs use.
    std::unique_ptr<ASP_NetworkMenu> networkMenu;
    std::unique_ptr<ASP_NetServer> hostedServer;
    uint16_t hostPort = kDefaultPort;
    uint16_t hostDiscoveryPort = kDiscoveryPort;
    // The players and cars menus were opened from the network menu and lead back to it.
    bool carsForNetwork = false;
    // The lobby was reached from the network menu, and leaving it goes back there.
    bool joinedFromMenu = false;
    void ShowNetworkMenu();
    // Starts a server here on hostPort and joins it as the first machine, which picks the track.
    void HostNetwork();
    // Joins the address typed on the network menu.
    void JoinTyped();
    // This machine's players' cars, as they join a network race.
    std::vector<std::string> NetCars() const;

private:
    void LoaderThread(LoaderJob job);
    void JoinLoader();
    void ReleaseAll();
    // Makes everything the loader drew visible to the main thread, then switches.
    void HandOver(int next);
    void EnterState(int next);
    void LeaveRaceIfAsked();
    // A race holds only what it draws: the menus' rendered texts and pictures are freed while it
    // loads and runs (the loading screen's once it is loaded), and come back when it is left.
    void ReleaseMenus();
    void RestoreMenus();
    ASP_Menu* ActiveMenu() const;
    ASP_Menu* MenuOf(int someState) const;
    // The menus' music plays in every menu state and gives way to the race's.
    void FollowStateWithMusic(int next);
    void StartMenuMusic();
    // The FPS counter sits where it hides nothing of the current screen.
    void PlaceFpsLabel();
    void ReadCarNames();
    void LoadMenuOverlay();
    void LoadOptionsMenu();
    void LoadOptionsLabel();
    // Writes a key of section system of the settings file; a failure is logged and changes nothing.
    void StoreSetting(const std::string& key, const std::string& value);
    void ApplySoundSetting();
    void LoadRaceSetup();
    void LoadReplaysMenu();
    void LoadNetworkMenu();
    // The name this machine's players go by: --name, else the user's login.
    std::string NetName() const;
    // The first and last part of a race's loader: the menus released, the race made on its track
    // (false when the track cannot be loaded); the race handed over.
    bool BeginRace(const std::string& worldFile, uint64_t seed);
    void EndRaceLoad();
    // The race is recorded into the replay library; a time trial also gets the track's ghost.
    void RecordRace(const ASP_TrackEntry& track);
    // The chosen track; the first track of the game when there is no list.
    ASP_TrackEntry CurrentTrack() const;
    // Writes a key of the computer opponents' settings; a failure is logged and changes nothing.
    void StoreComputerSetting(const std::string& key, const std::string& value);
    // Computer cars join the humans' race: the number and difficulty stored in the settings,
    // no more than the track has room for, in cars the humans did not choose where there are any.
    void AddComputerCars();
    // The opponents and difficulty buttons show the stored settings.
    void RefreshComputerButtons();

    // Fonts of the loading screen and the FPS counter, which the main thread renders while a
    // loader opens and renders the fonts of the shared registry: no font is used by two threads.
    std::unique_ptr<CFontFactory> screenFonts;
    std::thread loader;
    // From the main menu file; empty for none.
    std::string menuMusic;
    bool menuMusicPlaying = false;
    std::atomic<bool> loaderBusy{false};
    // Set by a loader that could not build its screen; the main thread then ends the program.
    std::atomic<bool> loadFailed{false};
    int exitStatus = 0;
};

// The callbacks of an options menu with this many buttons: the last three are fullscreen, sound
// and back, every one before them offers a resolution, except the button numbered controlsButton
// (from 0; none when outside), which opens the controls. With fewer than three buttons the last
// ones of those three remain; a count the menu would refuse gives none.
std::vector<ASP_ButtonCallback> OptionsCallbacks(int buttons, int controlsButton = -1);

// The FPS counter's text for a measured rate: rounded to the nearest whole number.
std::string FpsText(double fps);
