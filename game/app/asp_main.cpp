#include "game/app/asp_main.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <random>

#include "engine/ini.h"
#include "game/menus/label_keys.h"
#include "game/race/world.h"

ASP_Main* ASP_Main::instance = nullptr;

namespace {

const char* const kScreenFont = "fnt\\Lucida Console.ttf";
const char* const kOverlayFile = "gfx\\menu\\blend.png";
const char* const kMainMenuFile = "mnu\\main.ini";
const char* const kPlayersMenuFile = "mnu\\players.ini";
const char* const kCarsMenuFile = "mnu\\cars.ini";
const char* const kControlsMenuFile = "mnu\\controls.ini";

const char* const kStateNames[] = {"loading",  "main menu", "options", "players", "cars",        "race",
                                   "controls", "tracks",    "replays", "network", "network menu"};
static_assert(std::size(kStateNames) == ASP_Main::kStates);

}  // namespace

std::string FpsText(double fps) {
    return "FPS: " + NumberToText(std::trunc(fps + 0.5));
}

ASP_Main::ASP_Main(std::string settings, const CStartOptions& start)
    : CGameBase(start.width > 0 ? start.width : GetIniInt("system", "width", 800, settings),
                start.height > 0 ? start.height : GetIniInt("system", "height", 600, settings),
                start.fullscreen.value_or(GetIniBool("system", "fullscreen", false, settings)), true, false),
      settingsFile(settings) {
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
    if (instance == this) {
        instance = nullptr;
    }
}

// Start-up and shut-down

void ASP_Main::OnInit() {
    srand(static_cast<unsigned>(time(nullptr)));
    // The network menu's address field takes typed characters.
    SDL_EnableUNICODE(1);
    SetCaption("Asphaltia");
    SetIcon("mxengine.ico");
    OpenLoadContext();
    textures = std::make_unique<CTextureManager>();
    loadingTextures = std::make_unique<CTextureManager>();
    raceTextures = std::make_unique<CTextureManager>();
    screenFonts = std::make_unique<CFontFactory>();
    loadingScreen = std::make_unique<ASP_LoadingScreen>(width, height, loadingTextures.get(),
                                                        screenFonts->GetFont(kScreenFont, 50));
    instance = this;
    fpsLabel = std::make_unique<CLabelSprite>(nullptr, screenFonts->GetFont(kScreenFont, 15));
    fpsLabel->SetColor(SDL_Color{200, 200, 200, 0});
    fpsLabel->SetX(10);
    fpsLabel->SetY(10);
    fpsLabel->depthTest = false;
    fpsLabel->SetWidth(80);
    fpsLabel->SetHeight(15);
    fpsLabel->SetTextBox(0, 0, 80, 15);
    showFps = GetIniBool("system", "fps", false, settingsFile);
    joysticks.Open();
    StartLoader(&ASP_Main::LoadStartup);
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
    game.reset();
    raceTextures.reset();
    mainMenu.reset();
    optionsMenu.reset();
    playersMenu.reset();
    carsMenu.reset();
    controlsMenu.reset();
    tracksMenu.reset();
    replaysMenu.reset();
    networkMenu.reset();
    network.reset();
    hostedServer.reset();
    trackChoice = ASP_TrackChoice();
    optionsLabel = nullptr;
    optionsNote = nullptr;
    carPreview = ASP_CarPreview();
    loadingScreen.reset();
    loadingTextures.reset();
    textures.reset();
    screenFonts.reset();
}

// Loaders

void ASP_Main::StartLoader(LoaderJob job) {
    EnterState(STATE_LOADING);
    JoinLoader();
    if (!loadInBackground || !loadContext.IsCreated()) {
        (this->*job)();
        return;
    }
    loaderBusy = true;
    loader = std::thread(&ASP_Main::LoaderThread, this, job);
}

void ASP_Main::LoaderThread(LoaderJob job) {
    if (!loadContext.MakeCurrent()) {
        LogLine(LOG_ERROR, "The loader thread has no OpenGL context; its pictures stay blank.");
    }
    (this->*job)();
    loadContext.Release();
    loaderBusy = false;
}

void ASP_Main::HandOver(int next) {
    glFinish();
    EnterState(next);
}

void ASP_Main::EnterState(int next) {
    LogLine(LOG_STATUS, std::string("State: ") + kStateNames[next] + ".");
    // Before the switch: once it is made, the main thread may use the menu.
    if (ASP_Menu* menu = MenuOf(next)) {
        menu->ResetHover();
    }
    FollowStateWithMusic(next);
    state.store(next, std::memory_order_release);
}

void ASP_Main::FollowStateWithMusic(int next) {
    if (next == STATE_RACE && menuMusicPlaying) {
        GetAudio()->HaltMusic();
        menuMusicPlaying = false;
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

void ASP_Main::LoadStartup() {
    GetAudio()->Init();
    ReadCarNames();
    LoadMenuOverlay();
    mainMenu = LoadMenu(this, textures.get(), kMainMenuFile,
                        {OnPlay, OnOptions, OnExit, [this](ASP_Button*, SDL_Event*) { StartTimeTrial(); },
                         [this](ASP_Button*, SDL_Event*) { ShowReplays(); },
                         [this](ASP_Button*, SDL_Event*) { ShowNetworkMenu(); }});
    LoadOptionsMenu();
    playersMenu = LoadMenu(this, textures.get(), kPlayersMenuFile,
                           {OnPlayerCount, OnPlayerCount, OnPlayerCount, OnPlayerCount, OnBackToMain,
                            OnOpponents, OnDifficulty});
    carsMenu =
        LoadMenu(this, textures.get(), kCarsMenuFile, {OnNextCar, OnPreviousCar, OnCarChosen, OnCarBack});
    carPreview.Load(carsMenu.get(), kCarsMenuFile);
    controlsMenu = std::make_unique<ASP_ControlsMenu>(textures.get(), settingsFile, &joysticks);
    controlsMenu->Load(this, kControlsMenuFile, OnOptions);
    menuMusic = GetIniString("main", "music", "", kMainMenuFile);
    LoadRaceSetup();
    LoadReplaysMenu();
    LoadNetworkMenu();
    currentPlayer = 0;
    playerCars.fill(0);
    playerCount = 1;
    ApplySoundSetting();
    HandOver(STATE_MAIN_MENU);
    if (!connectTo.empty()) {
        StartNetwork();
    }
}

void ASP_Main::ReadCarNames() {
    carNames = ReadCarList(kCarFile);
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

void ASP_Main::LoadRace() {
    const ASP_TrackEntry track = CurrentTrack();
    // Every race has a seed of its own, which its replay keeps.
    if (!BeginRace(track.WorldFile(), std::random_device()())) {
        // Only the main thread may end the program: it may be inside GL calls right now.
        loadFailed = true;
        return;
    }
    for (int i = 0; i < playerCount; ++i) {
        const int car = playerCars[static_cast<size_t>(i)];
        if (car < 0 || car >= static_cast<int>(carNames.size())) {
            LogLine(LOG_ERROR, "Player " + NumberToText(i + 1) + " has no car.");
            continue;
        }
        game->GetWorld()->AddPlayer(kCarFile, carNames[static_cast<size_t>(car)], settingsFile,
                                    "controls" + NumberToText(i));
    }
    if (!timeTrial) {
        AddComputerCars();
    }
    game->KeepRecords(track.world, RecordsFile());
    RecordRace(track);
    EndRaceLoad();
}

bool ASP_Main::BeginRace(const std::string& worldFile, uint64_t seed) {
    ReleaseMenus();
    // Another track's pictures go before this one's are loaded, so that the two never add up.
    if (worldFile != raceTexturesWorld) {
        raceTextures->UnloadAll();
        raceTexturesWorld = worldFile;
    }
    raceTextures->BeginReuse();
    ASP_World::Services services;
    services.textures = raceTextures.get();
    services.pictures = &racePictures;
    services.joysticks = &joysticks;
    game = std::make_unique<ASP_Game>(this, services, seed);
    return game->GetWorld()->Load(worldFile);
}

void ASP_Main::EndRaceLoad() {
    raceTextures->EndReuse();
    loadingTextures->Release();
    HandOver(STATE_RACE);
}

void ASP_Main::ReleaseMenus() {
    for (int menuState = 0; menuState < static_cast<int>(std::size(kStateNames)); ++menuState) {
        if (ASP_Menu* menu = MenuOf(menuState)) {
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

// Frames

void ASP_Main::OnRender(SDL_Surface* target) {
    switch (GetState()) {
        case STATE_LOADING:
            loadingScreen->Draw(target);
            break;
        case STATE_MAIN_MENU:
            mainMenu->Draw(target);
            break;
        case STATE_OPTIONS:
            mainMenu->Draw(target);
            menuOverlay->Draw(target);
            optionsMenu->Draw(target);
            break;
        case STATE_PLAYERS:
            mainMenu->Draw(target);
            menuOverlay->Draw(target);
            playersMenu->Draw(target);
            break;
        case STATE_CARS:
            mainMenu->Draw(target);
            playersMenu->Draw(target);
            menuOverlay->Draw(target);
            carsMenu->Draw(target);
            break;
        case STATE_CONTROLS:
            mainMenu->Draw(target);
            menuOverlay->Draw(target);
            controlsMenu->Draw(target);
            break;
        case STATE_RACE:
            game->Draw(target);
            break;
        case STATE_TRACKS:
            mainMenu->Draw(target);
            menuOverlay->Draw(target);
            tracksMenu->Draw(target);
            break;
        case STATE_REPLAYS:
            mainMenu->Draw(target);
            menuOverlay->Draw(target);
            replaysMenu->Draw(target);
            break;
        case STATE_NETWORK:
            network->Draw(target);
            break;
        case STATE_NETWORK_MENU:
            mainMenu->Draw(target);
            menuOverlay->Draw(target);
            networkMenu->Draw(target);
            break;
    }
    if (showFps) {
        PlaceFpsLabel();
        fpsLabel->Draw(target);
    }
}

void ASP_Main::OnUpdate(double dt) {
    if (hostedServer != nullptr) {
        hostedServer->Service(0);
    }
    if (GetState() == STATE_LOADING && loadFailed.load()) {
        JoinLoader();
        exitStatus = 1;
        quit = true;
    } else if (GetState() == STATE_LOADING) {
        loadingScreen->Update(dt);
    } else if (GetState() == STATE_RACE) {
        game->Update(dt);
        LeaveRaceIfAsked();
    } else if (GetState() == STATE_NETWORK) {
        if (network->Update(dt)) {
            StartLoader(&ASP_Main::LoadNetRace);
        }
    } else if (ASP_Menu* menu = ActiveMenu()) {
        menu->Update(dt);
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

// Input

ASP_Menu* ASP_Main::ActiveMenu() const {
    return MenuOf(GetState());
}

ASP_Menu* ASP_Main::MenuOf(int someState) const {
    switch (someState) {
        case STATE_MAIN_MENU:
            return mainMenu.get();
        case STATE_OPTIONS:
            return optionsMenu.get();
        case STATE_PLAYERS:
            return playersMenu.get();
        case STATE_CARS:
            return carsMenu.get();
        case STATE_CONTROLS:
            return controlsMenu.get();
        case STATE_TRACKS:
            return tracksMenu.get();
        case STATE_REPLAYS:
            return replaysMenu.get();
        case STATE_NETWORK_MENU:
            return networkMenu.get();
        default:
            return nullptr;
    }
}

void ASP_Main::OnActivate(SDL_Event* e) {
    const bool focusLost = (e->active.state & SDL_APPINPUTFOCUS) != 0 && e->active.gain == 0;
    if (GetState() == STATE_RACE && focusLost) {
        game->TogglePause();
    }
}

// The race's own menu may have asked to leave; only now, with its event handled, may it go.
void ASP_Main::LeaveRaceIfAsked() {
    if (game == nullptr || !game->QuitRequested()) {
        return;
    }
    const bool watched = game->IsReplay();
    const bool online = game->IsOnline();
    // Left before the end, a network race is left with its server.
    if (online && !game->IsFinished() && !network->Ended()) {
        network->Client().Disconnect();
    }
    // The race keeps its replay as it goes, a race left before its end too: then the oldest go.
    game.reset();
    replayLibrary.Prune();
    RestoreMenus();
    LogLine(LOG_STATUS, "Race left.");
    // The race's music stops before the menus' starts.
    GetAudio()->HaltMusic();
    menuMusicPlaying = false;
    if (watched) {
        ShowReplays();
    } else if (online) {
        EnterState(STATE_NETWORK);
    } else {
        EnterState(STATE_MAIN_MENU);
    }
}

void ASP_Main::OnKeyDown(SDL_Event* e) {
    if (GetState() == STATE_NETWORK) {
        const SDLKey key = e->key.keysym.sym;
        if (key == SDLK_ESCAPE) {
            LeaveNetwork();
        } else if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
            network->ToggleReady();
        } else if ((key == SDLK_LEFT || key == SDLK_RIGHT) && hostedServer != nullptr) {
            network->CycleTrack(key == SDLK_LEFT ? -1 : 1, tracks);
        }
    } else if (GetState() == STATE_RACE) {
        game->OnKeyDown(e);
        LeaveRaceIfAsked();
    } else if (ASP_Menu* menu = ActiveMenu()) {
        menu->OnKeyDown(e);
    }
}

void ASP_Main::OnKeyUp(SDL_Event* e) {
    if (GetState() == STATE_RACE) {
        game->OnKeyUp(e);
        LeaveRaceIfAsked();
    } else if (ASP_Menu* menu = ActiveMenu()) {
        menu->OnKeyUp(e);
    }
}

void ASP_Main::OnMouseMove(SDL_Event* e) {
    if (GetState() == STATE_RACE) {
        game->OnMouseMove(e);
        LeaveRaceIfAsked();
    } else if (ASP_Menu* menu = ActiveMenu()) {
        menu->OnMouseMove(e);
    }
}

void ASP_Main::OnMouseButtonDown(SDL_Event* e) {
    if (GetState() == STATE_RACE) {
        game->OnMouseButtonDown(e);
        LeaveRaceIfAsked();
    } else if (ASP_Menu* menu = ActiveMenu()) {
        menu->OnMouseButtonDown(e);
    }
}

void ASP_Main::OnMouseButtonUp(SDL_Event* e) {
    if (GetState() == STATE_RACE) {
        game->OnMouseButtonUp(e);
        LeaveRaceIfAsked();
    } else if (ASP_Menu* menu = ActiveMenu()) {
        menu->OnMouseButtonUp(e);
    }
}

void ASP_Main::OnJoystick(SDL_Event* e) {
    if (GetState() == STATE_RACE) {
        game->OnJoystick(e);
    } else if (GetState() == STATE_CONTROLS) {
        controlsMenu->OnJoystick(e);
    }
}

// Cars

void ASP_Main::ShowCar(int c, int direction) {
    const int cars = static_cast<int>(carNames.size());
    if (cars == 0 || currentPlayer < 0 || currentPlayer >= kMaxPlayers) {
        return;
    }
    c = PickCar(c, direction, currentPlayer, playerCars, playerCount, cars);
    playerCars[static_cast<size_t>(currentPlayer)] = c;
    carPreview.Show(kCarFile, carNames[static_cast<size_t>(c)], currentPlayer);
}

// Button callbacks

void ASP_Main::OnPlay(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->timeTrial = false;
        instance->carsForNetwork = false;
        instance->EnterState(STATE_PLAYERS);
    }
}

void ASP_Main::OnOptions(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->RefreshOptionsLabel();
        instance->EnterState(STATE_OPTIONS);
    }
}

void ASP_Main::OnExit(ASP_Button*, SDL_Event*) {
    if (instance != nullptr) {
        instance->quit = true;
    }
}

void ASP_Main::OnBackToMain(ASP_Button*, SDL_Event*) {
    if (instance != nullptr && instance->carsForNetwork) {
        instance->carsForNetwork = false;
        instance->ShowNetworkMenu();
    } else if (instance != nullptr) {
        instance->EnterState(STATE_MAIN_MENU);
    }
}

void ASP_Main::OnControls(ASP_Button*, SDL_Event*) {
    if (instance != nullptr && instance->controlsMenu != nullptr) {
        instance->controlsMenu->Refresh();
        instance->EnterState(STATE_CONTROLS);
    }
}

void ASP_Main::OnPlayerCount(ASP_Button* button, SDL_Event*) {
    if (instance == nullptr) {
        return;
    }
    const int n = instance->playersMenu ? instance->playersMenu->IndexOf(button) : -1;
    if (n < 1 || n > kMaxPlayers) {
        return;
    }
    if (instance->carNames.empty()) {
        instance->LogLine(LOG_WARNING,
                          std::string("No cars in ") + kCarFile + ": there is nothing to choose.");
        return;
    }
    instance->playerCount = n;
    instance->currentPlayer = 0;
    instance->ShowCar(instance->playerCars[0], 1);
    instance->EnterState(STATE_CARS);
}

void ASP_Main::OnNextCar(ASP_Button*, SDL_Event*) {
    if (instance != nullptr && instance->currentPlayer >= 0 && instance->currentPlayer < kMaxPlayers) {
        instance->ShowCar(instance->playerCars[static_cast<size_t>(instance->currentPlayer)] + 1, 1);
    }
}

void ASP_Main::OnPreviousCar(ASP_Button*, SDL_Event*) {
    if (instance != nullptr && instance->currentPlayer >= 0 && instance->currentPlayer < kMaxPlayers) {
        instance->ShowCar(instance->playerCars[static_cast<size_t>(instance->currentPlayer)] - 1, -1);
    }
}

void ASP_Main::OnCarChosen(ASP_Button*, SDL_Event*) {
    if (instance == nullptr) {
        return;
    }
    instance->currentPlayer += 1;
    if (instance->currentPlayer < instance->playerCount) {
        instance->ShowCar(instance->playerCars[static_cast<size_t>(instance->currentPlayer)], 1);
    } else {
        instance->ChooseTrackOrRace();
    }
}

void ASP_Main::OnCarBack(ASP_Button*, SDL_Event*) {
    if (instance == nullptr) {
        return;
    }
    instance->currentPlayer -= 1;
    if (instance->currentPlayer >= 0) {
        instance->ShowCar(instance->playerCars[static_cast<size_t>(instance->currentPlayer)], 1);
    } else {
        // A time trial has no players menu to go back to.
        instance->EnterState(instance->timeTrial ? STATE_MAIN_MENU : STATE_PLAYERS);
    }
}
