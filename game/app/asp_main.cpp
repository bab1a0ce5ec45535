#include "game/app/asp_main.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "engine/ini.h"
#include "game/app/screens/cars_screen.h"
#include "game/app/screens/controls_screen.h"
#include "game/app/screens/loading_screen.h"
#include "game/app/screens/lobby_screen.h"
#include "game/app/screens/main_menu_screen.h"
#include "game/app/screens/network_menu_screen.h"
#include "game/app/screens/options_screen.h"
#include "game/app/screens/players_screen.h"
#include "game/app/screens/race_screen.h"
#include "game/app/screens/replays_screen.h"
#include "game/app/screens/tracks_screen.h"
#include "game/sim/car.h"

namespace {

const char* const kScreenFont = "fnt\\Lucida Console.ttf";
const char* const kOverlayFile = "gfx\\menu\\blend.png";
const char* const kMainMenuFile = "mnu\\main.ini";

}  // namespace

std::string FpsText(double fps) {
    return "FPS: " + NumberToText(std::trunc(fps + 0.5));
}

ASP_Main::ASP_Main(std::string settingsFile, const CStartOptions& start)
    : ASP_Main(settingsFile, start, ASP_Settings(settingsFile).Video()) {}

ASP_Main::ASP_Main(std::string settingsFile, const CStartOptions& start, const ASP_VideoSettings& stored)
    : CGameBase(start.width > 0 ? start.width : stored.width, start.height > 0 ? start.height : stored.height,
                start.fullscreen.value_or(stored.fullscreen), true, false),
      settings(std::move(settingsFile)) {
    const auto given = [&start](const char* option) {
        const auto it = start.given.find(option);
        return it != start.given.end() ? it->second : std::string();
    };
    connectTo = given("--connect");
    netName = given("--name");
    netAutopilot = start.given.count("--autopilot") > 0;
}

ASP_Main::~ASP_Main() {
    JoinLoader();
    ReleaseAll();
}

// Start-up and shut-down

void ASP_Main::OnInit() {
    srand(static_cast<unsigned>(time(nullptr)));
    // The network menu's fields take typed characters.
    SDL_EnableUNICODE(1);
    SetCaption("Asphaltia");
    SetIcon("mxengine.ico");
    OpenLoadContext();
    textures = std::make_unique<CTextureManager>();
    loadingTextures = std::make_unique<CTextureManager>();
    screenFonts = std::make_unique<CFontFactory>();
    RegisterScreens();
    LoadFpsLabel();
    showFps = settings.ShowFps();
    joysticks.Open();
    StartLoader([this] { LoadStartup(); });
}

// One line a screen.
void ASP_Main::RegisterScreens() {
    Place(STATE_LOADING, std::make_unique<ASP_LoadingScreen>(width, height, loadingTextures.get(),
                                                             screenFonts->GetFont(kScreenFont, 50)));
    Register<ASP_MainMenuScreen>();
    Register<ASP_OptionsScreen>();
    Register<ASP_PlayersScreen>();
    Register<ASP_CarsScreen>();
    Register<ASP_RaceScreen>();
    Register<ASP_ControlsScreen>();
    Register<ASP_TracksScreen>();
    Register<ASP_ReplaysScreen>();
    Register<ASP_LobbyScreen>(connectTo, netName, netAutopilot);
    Register<ASP_NetworkMenuScreen>();
}

void ASP_Main::Place(int someState, std::unique_ptr<ASP_Screen> screen) {
    if (screens.size() <= static_cast<size_t>(someState)) {
        screens.resize(static_cast<size_t>(someState) + 1);
    }
    screens[static_cast<size_t>(someState)] = std::move(screen);
}

void ASP_Main::LoadFpsLabel() {
    fpsLabel = std::make_unique<CLabelSprite>(nullptr, screenFonts->GetFont(kScreenFont, 15));
    fpsLabel->SetColor(SDL_Color{200, 200, 200, 0});
    fpsLabel->SetX(10);
    fpsLabel->SetY(10);
    fpsLabel->depthTest = false;
    fpsLabel->SetWidth(80);
    fpsLabel->SetHeight(15);
    fpsLabel->SetTextBox(0, 0, 80, 15);
}

void ASP_Main::OpenLoadContext() {
    switch (loadContext.Create()) {
        case CLoadContext::CREATED:
            break;
        case CLoadContext::NO_WINDOW_INFO:
            LogLine(LOG_FATAL, "Error in SDL_GetWMInfo");
            exit(1);
        case CLoadContext::NO_CONTEXT:
            LogLine(LOG_WARNING, "Loading runs on the main thread; the window stands still meanwhile.");
            break;
    }
}

void ASP_Main::OnCleanup() {
    // Nothing the loader still builds may go before it is done. A loader stuck in a file or a
    // huge world would keep a closed window's program alive, so past 0.7 s the program ends
    // without tearing down what the loader still uses.
    const Uint32 start = SDL_GetTicks();
    while (loaderBusy.load() && SDL_GetTicks() - start < 700) {
        SDL_Delay(10);
    }
    if (loaderBusy.load()) {
        LogLine(LOG_WARNING, "The loader is still busy; the program ends without waiting for it.");
        std::_Exit(exitStatus);
    }
    JoinLoader();
    ReleaseAll();
}

void ASP_Main::JoinLoader() {
    if (loader.joinable()) {
        loader.join();
    }
}

void ASP_Main::ReleaseAll() {
    fpsLabel.reset();
    menuOverlay.reset();
    // The race first: it may still hold the lobby's line.
    if (screens.size() > STATE_RACE) {
        screens[STATE_RACE].reset();
    }
    screens.clear();
    loadingTextures.reset();
    textures.reset();
    screenFonts.reset();
}

// Loaders

void ASP_Main::StartLoader(LoaderJob job) {
    EnterState(STATE_LOADING);
    JoinLoader();
    if (!loadInBackground || !loadContext.IsCreated()) {
        job();
        return;
    }
    loaderBusy = true;
    loader = std::thread(&ASP_Main::LoaderThread, this, std::move(job));
}

void ASP_Main::LoaderThread(const LoaderJob& job) {
    if (!loadContext.MakeCurrent()) {
        LogLine(LOG_ERROR, "The loader thread has no OpenGL context; its pictures stay blank.");
    }
    job();
    loadContext.Release();
    loaderBusy = false;
}

void ASP_Main::HandOver(int next) {
    glFinish();
    EnterState(next);
}

void ASP_Main::EnterState(int next) {
    ASP_Screen& entered = *screens[static_cast<size_t>(next)];
    LogLine(LOG_STATUS, std::string("State: ") + entered.Name() + ".");
    Current().Leave();
    // Before the switch: once it is made, the main thread may use the screen.
    entered.Enter();
    if (ASP_Menu* menu = entered.Menu()) {
        menu->ResetHover();
    }
    FollowStateWithMusic(next);
    state.store(next, std::memory_order_release);
}

void ASP_Main::FollowStateWithMusic(int next) {
    if (next == STATE_RACE && menuMusicPlaying) {
        HaltMusic();
    } else if (MenuOf(next) != nullptr && !menuMusicPlaying) {
        StartMenuMusic();
    }
}

void ASP_Main::StartMenuMusic() {
    if (menuMusic.empty()) {
        return;
    }
    GetAudio()->PlayMusic(menuMusic);
    menuMusicPlaying = true;
}

void ASP_Main::HaltMusic() {
    GetAudio()->HaltMusic();
    menuMusicPlaying = false;
}

void ASP_Main::LoadStartup() {
    GetAudio()->Init();
    choice.carNames = ReadCarList(kCarFile);
    LoadMenuOverlay();
    for (const std::unique_ptr<ASP_Screen>& screen : screens) {
        if (screen) {
            screen->Load();
        }
    }
    menuMusic = GetIniString("main", "music", "", kMainMenuFile);
    choice.currentPlayer = 0;
    choice.playerCars.fill(0);
    choice.playerCount = 1;
    ApplySoundSetting();
    HandOver(STATE_MAIN_MENU);
    Screen<ASP_LobbyScreen>().JoinGiven();
}

void ASP_Main::LoadMenuOverlay() {
    menuOverlay = std::make_unique<CImageSprite>(nullptr);
    menuOverlay->SetAlpha(255);
    CTexture* overlay = textures->GetTexture(kOverlayFile);
    menuOverlay->SetTexture(overlay);
    menuOverlay->SetWidth(width);
    menuOverlay->SetHeight(height);
    menuOverlay->depthTest = false;
    overlay->SetSmooth(false);
}

void ASP_Main::ReleaseMenus() {
    for (const std::unique_ptr<ASP_Screen>& screen : screens) {
        if (ASP_Menu* menu = screen ? screen->Menu() : nullptr) {
            menu->ReleaseTexts();
        }
    }
    textures->Release();
}

void ASP_Main::RestoreMenus() {
    // The texts render again as their menus are drawn.
    textures->Restore();
    loadingTextures->Restore();
}

// Sound effects follow the stored setting, so a setting that could not be written mutes nothing.
void ASP_Main::ApplySoundSetting() {
    const bool muted = !settings.Sound();
    // Toggling twice restores the remembered volume, so this works from either side.
    if (GetAudio()->ToggleMute() != muted) {
        GetAudio()->ToggleMute();
    }
}

void ASP_Main::FitScreens() {
    for (const std::unique_ptr<ASP_Screen>& screen : screens) {
        if (ASP_Menu* menu = screen ? screen->Menu() : nullptr) {
            menu->FitWindow(width, height);
        }
    }
    if (menuOverlay) {
        menuOverlay->SetWidth(width);
        menuOverlay->SetHeight(height);
    }
    if (!screens.empty()) {
        Screen<ASP_LoadingScreen>().FitWindow(width, height);
    }
}

ASP_Menu* ASP_Main::MenuOf(int someState) const {
    const auto index = static_cast<size_t>(someState);
    return index < screens.size() && screens[index] ? screens[index]->Menu() : nullptr;
}

// Frames

void ASP_Main::OnRender(SDL_Surface* target) {
    Current().Draw(target);
    if (showFps) {
        PlaceFpsLabel();
        fpsLabel->Draw(target);
    }
}

void ASP_Main::OnUpdate(double dt) {
    for (const std::unique_ptr<ASP_Screen>& screen : screens) {
        if (screen) {
            screen->Background();
        }
    }
    if (GetState() == STATE_LOADING && loadFailed.load()) {
        JoinLoader();
        exitStatus = 1;
        quit = true;
    } else {
        Current().Update(dt);
    }
    fpsLabel->SetText(FpsText(fpsControl->fps));
    // A loader may be reading which joysticks are there.
    if (GetState() != STATE_LOADING) {
        joysticks.Update(dt);
    }
}

void ASP_Main::PlaceFpsLabel() {
    // In a race the panels fill the views' tops and the views meet in the middle of the window:
    // the bottom left corner is free in every split.
    const bool race = GetState() == STATE_RACE;
    fpsLabel->SetX(10);
    fpsLabel->SetY(race ? height - fpsLabel->GetHeight() - 6 : 10);
}

// Input: the current screen's; none reaches a screen while the loading screen shows.

void ASP_Main::OnActivate(SDL_Event* e) {
    Current().Activate(e);
}

void ASP_Main::OnKeyDown(SDL_Event* e) {
    Current().KeyDown(e);
}

void ASP_Main::OnKeyUp(SDL_Event* e) {
    Current().KeyUp(e);
}

void ASP_Main::OnMouseMove(SDL_Event* e) {
    Current().MouseMove(e);
}

void ASP_Main::OnMouseButtonDown(SDL_Event* e) {
    Current().MouseButtonDown(e);
}

void ASP_Main::OnMouseButtonUp(SDL_Event* e) {
    Current().MouseButtonUp(e);
}

void ASP_Main::OnJoystick(SDL_Event* e) {
    Current().Joystick(e);
}
