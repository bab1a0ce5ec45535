#pragma once

#include <SDL/SDL.h>

#include <atomic>
#include <functional>
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
#include "game/app/race_choice.h"
#include "game/app/screen.h"
#include "game/app/settings.h"
#include "game/input/joysticks.h"

// The game program: a loading screen while a loader thread builds the next screen, then the
// screens the player moves between (menus, the network lobby, the race). The application owns
// the screens, one per state, and hands frames and input to the current one. A screen is a class
// with its state number in kState, registered by one line in RegisterScreens.
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

    using LoaderJob = std::function<void()>;

    // The window's size and mode come from settingsFile, which the options menu also writes,
    // unless the start options choose them for this start.
    explicit ASP_Main(std::string settingsFile = "config.ini", const CStartOptions& start = {});
    ~ASP_Main() override;
    ASP_Main(const ASP_Main&) = delete;
    ASP_Main& operator=(const ASP_Main&) = delete;

    // Screens log under the application's name, as the program's own lines.
    using CGameBase::LogLine;

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
    // built over by HandOver as its last act. Without background loading (or without a second
    // context) the job runs before this returns.
    void StartLoader(LoaderJob job);
    // Makes everything the loader drew visible to the main thread, then switches.
    void HandOver(int next);
    // A loader could not build its screen; the main thread ends the program at its next frame.
    void FailLoad() { loadFailed = true; }
    // Leaves the current screen for next.
    void EnterState(int next);
    int GetState() const { return state.load(std::memory_order_acquire); }
    // 0, or 1 when a load failed (the world file is missing) and the program ended for it.
    int ExitStatus() const { return exitStatus; }
    // Tests turn this off to load deterministically on the main thread.
    void SetLoadInBackground(bool on) { loadInBackground = on; }

    // The screen of type S, registered under S::kState.
    template <class S>
    S& Screen() const {
        return static_cast<S&>(*screens[static_cast<size_t>(S::kState)]);
    }
    ASP_Settings& Settings() { return settings; }
    const ASP_Settings& Settings() const { return settings; }
    ASP_RaceChoice& Choice() { return choice; }
    ASP_Joysticks& Joysticks() { return joysticks; }
    // The menus' pictures, and the loading screen's: a registry of its own, as it is shown while
    // the menus' are released.
    CTextureManager* Textures() const { return textures.get(); }
    CTextureManager* LoadingTextures() const { return loadingTextures.get(); }
    // Dims the main menu behind the menu shown over it.
    CImageSprite* Overlay() const { return menuOverlay.get(); }
    CLabelSprite* FpsLabel() const { return fpsLabel.get(); }
    void ShowFps(bool on) { showFps = on; }

    // A race holds only what it draws: the menus' rendered texts and pictures are freed while it
    // loads and runs (the loading screen's once it is loaded), and come back when it is left.
    void ReleaseMenus();
    void RestoreMenus();
    // Fits the menus, their backdrop and overlay, and the loading screen to the window's size.
    void FitScreens();
    // Sound effects follow the stored setting.
    void ApplySoundSetting();
    // The menus' music plays in every menu state and gives way to the race's.
    bool MenuMusicPlaying() const { return menuMusicPlaying; }
    void StartMenuMusic();
    void HaltMusic();

private:
    ASP_Main(std::string settingsFile, const CStartOptions& start, const ASP_VideoSettings& stored);
    template <class S, class... Args>
    void Register(Args&&... args) {
        Place(S::kState, std::make_unique<S>(*this, std::forward<Args>(args)...));
    }
    void Place(int someState, std::unique_ptr<ASP_Screen> screen);
    void RegisterScreens();
    // Builds the menus; ends in the main menu.
    void LoadStartup();
    void LoaderThread(const LoaderJob& job);
    void JoinLoader();
    void ReleaseAll();
    ASP_Screen& Current() const { return *screens[static_cast<size_t>(GetState())]; }
    ASP_Menu* MenuOf(int someState) const;
    void FollowStateWithMusic(int next);
    // The FPS counter sits where it hides nothing of the current screen.
    void PlaceFpsLabel();
    void LoadFpsLabel();
    void LoadMenuOverlay();

    ASP_Settings settings;
    // Options of this start for a network game: joined with --connect.
    std::string connectTo;
    std::string netName;
    bool netAutopilot = false;
    bool loadInBackground = true;
    bool showFps = false;
    ASP_RaceChoice choice;
    CLoadContext loadContext;
    ASP_Joysticks joysticks;
    std::unique_ptr<CTextureManager> textures;
    std::unique_ptr<CTextureManager> loadingTextures;
    // Fonts of the loading screen and the FPS counter, which the main thread renders while a
    // loader opens and renders the fonts of the shared registry: no font is used by two threads.
    std::unique_ptr<CFontFactory> screenFonts;
    std::unique_ptr<CLabelSprite> fpsLabel;
    std::unique_ptr<CImageSprite> menuOverlay;
    // Indexed by state.
    std::vector<std::unique_ptr<ASP_Screen>> screens;
    // Written last by a loader (release), read by the main thread (acquire): the hand-over.
    std::atomic<int> state{STATE_LOADING};
    std::thread loader;
    // From the main menu file; empty for none.
    std::string menuMusic;
    bool menuMusicPlaying = false;
    std::atomic<bool> loaderBusy{false};
    // Set by a loader that could not build its screen; the main thread then ends the program.
    std::atomic<bool> loadFailed{false};
    int exitStatus = 0;
};

// The FPS counter's text for a measured rate: rounded to the nearest whole number.
std::string FpsText(double fps);
