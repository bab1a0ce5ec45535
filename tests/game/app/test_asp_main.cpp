#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "engine/platform/gl_context.h"
#include "game/app/asp_main.h"
#include "game/race/ground_sprite.h"
#include "game/race/interface.h"
#include "game/race/player.h"
#include "game/race/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/sdl_events.h"
#include "tests/support/temp_folder.h"

namespace {

// Frames a loader on its own thread may take before the test gives up on it (about 10 s).
constexpr int kLoaderFrames = 600;

// data/ is never written: the application gets a settings copy of its own, the shipped menus and cars.
class AspMainTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnableThreadedDisplay(); }

    // With no settings given, the shipped ones.
    void StartApp(std::string settings = "", bool inBackground = false) {
        folder.Write("config.ini", settings.empty() ? folder.Read("config.ini") : settings);
        InitVideoWithRetry();
        app = std::make_unique<ASP_Main>(folder.File("config.ini"));
        app->loadInBackground = inBackground;
        app->OnInit();
    }
    void TearDown() override { app.reset(); }

    ASP_Button* Button(ASP_Menu* m, int i) const { return dynamic_cast<ASP_Button*>(m->GetSprite(i)); }
    void Dispatch(SDL_Event e) { app->DispatchEvent(&e); }
    void Click(ASP_Menu* menu, int index) {
        ASP_Button* button = Button(menu, index);
        ASSERT_NE(button, nullptr);
        for (Uint8 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
            Dispatch(MouseEvent(type, button->GetGlobalX() + button->GetWidth() / 2,
                                button->GetGlobalY() + button->GetHeight() / 2));
        }
    }
    void Press(SDLKey key) { Dispatch(KeyEvent(key)); }
    // The buttons' callbacks in turn, as their clicks call them.
    static void Run(const std::vector<ASP_ButtonCallback>& clicked) {
        for (ASP_ButtonCallback callback : clicked) {
            callback(nullptr, nullptr);
        }
    }
    void ChoosePlayers(int players) {
        ASP_Main::OnPlay(nullptr, nullptr);
        ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), players), nullptr);
    }
    void StartRace(int players) {
        ChoosePlayers(players);
        Run(std::vector<ASP_ButtonCallback>(players, ASP_Main::OnCarChosen));
        ASP_Main::OnTrackChosen(nullptr, nullptr);
    }
    std::string Title() const { return app->carPreview.titleLabel->GetText(); }

    TempFolder folder;
    std::unique_ptr<ASP_Main> app;
};

TEST_F(AspMainTest, LoadingScreenFitsItsPictureCountsItsDotsAndTheFpsCounterRounds) {
    StartApp();
    app->fpsControl->fps = 59.5;
    app->OnUpdate(0.0);
    EXPECT_EQ(app->fpsLabel->GetText() + FpsText(59.4), "FPS: 60FPS: 59");
    // The picture (1024 x 1024) fills the height of the 800 x 600 window, centred.
    const CImageSprite* picture = app->loadingScreen->GetImage();
    EXPECT_EQ(picture->GetWidth(), 600);
    EXPECT_EQ(picture->GetX(), 100);
    for (const auto& [dt, text] :
         {std::pair{0.5, "Loading..."}, std::pair{0.01, "Loading"}, std::pair{1.0, "Loading.."}}) {
        app->loadingScreen->Update(dt);
        EXPECT_EQ(app->loadingScreen->GetLabel()->GetText(), text) << dt;
    }
}

// Textures the loader thread makes are the main thread's too; no input reaches the menus or the
// half-built race while it runs.
TEST_F(AspMainTest, LoaderThreadHandsOverAndInputDuringLoadingReachesNobody) {
    StartApp("", true);
    for (int frame = 0; frame < kLoaderFrames && app->GetState() == ASP_Main::STATE_LOADING; ++frame) {
        app->RunFrame();
    }
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    const auto* background = dynamic_cast<CImageSprite*>(app->mainMenu->GetSprite(0));
    ASSERT_TRUE(background->GetTexture()->loaded);
    EXPECT_EQ(glIsTexture(background->GetTexture()->id), GL_TRUE);

    StartRace(1);
    for (int frame = 0; frame < kLoaderFrames && app->GetState() == ASP_Main::STATE_LOADING; ++frame) {
        Press(SDLK_UP);
        Click(app->mainMenu.get(), 1);
        app->RunFrame();
    }
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_EQ(app->mainMenu->pressedIndex, -1);
    const ASP_Player* car = app->game->GetWorld()->GetPlayers().at(0);
    EXPECT_FALSE(car->IsForwardHeld());
    Press(SDLK_UP);
    EXPECT_TRUE(car->IsForwardHeld());
}

TEST_F(AspMainTest, PlayersAndCarsLeadToTheRaceWhichFocusPauses) {
    StartApp();
    ASP_Main::OnPlay(nullptr, nullptr);
    // Only the four count buttons count players: not Back (index 5), nor a button of another menu
    // or of none.
    ASP_Button loose(nullptr);
    for (ASP_Button* notACount :
         {Button(app->playersMenu.get(), 5), Button(app->mainMenu.get(), 1), &loose}) {
        ASP_Main::OnPlayerCount(notACount, nullptr);
    }
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);

    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 3), nullptr);
    EXPECT_EQ(Title(), "Player 1 - choose your car");
    // The Vulcan's accel of 165000 in horsepower, and its body centred in the preview box.
    EXPECT_EQ(app->carPreview.accelLabel->GetText(), "Power 220 hp");
    const CImageSpriteEx* body = app->carPreview.previewBody;
    EXPECT_DOUBLE_EQ(body->GetX(), 68 + (200 - body->GetWidth()) * 0.5);

    // Every car with its trailing part (the Dune's long dust cloud) fits the box above its name.
    for (size_t car = 0; car < app->carNames.size(); ++car) {
        ASP_Main::OnNextCar(nullptr, nullptr);
        const CImageSpriteEx* tail = app->carPreview.previewTail;
        const double boxTop = app->carsMenu->GetY() + 90;
        EXPECT_GE(std::min(body->GetGlobalY(), tail->GetGlobalY()), boxTop - 1e-9);
        EXPECT_LE(std::max(body->GetGlobalY() + body->GetHeight(), tail->GetGlobalY() + tail->GetHeight()),
                  boxTop + 270 + 1e-9)
            << app->carNames[static_cast<size_t>(app->playerCars[0])];
    }
    Run({ASP_Main::OnCarChosen, ASP_Main::OnCarChosen, ASP_Main::OnCarBack});
    EXPECT_EQ(Title(), "Player 2 - choose your car");
    Run({ASP_Main::OnCarBack, ASP_Main::OnCarBack});
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);

    // A new player's first race has three computer opponents. Seven, though beside three humans the
    // grid of eight has room for only five more cars.
    EXPECT_EQ(app->StoredOpponents(), 3);
    Run({ASP_Main::OnOpponents, ASP_Main::OnOpponents, ASP_Main::OnOpponents, ASP_Main::OnOpponents});
    EXPECT_EQ(GetIniString("computer", "opponents", "", folder.File("config.ini")), "7");
    ChoosePlayers(3);
    // The track choice, and back to the last player's car.
    Run({ASP_Main::OnCarChosen, ASP_Main::OnCarChosen, ASP_Main::OnCarChosen, ASP_Main::OnPreviousTrack});
    EXPECT_EQ(app->trackChoice.nameLabel->GetText(), "Harbour Night");
    ASP_Main::OnTrackBack(nullptr, nullptr);
    EXPECT_EQ(Title(), "Player 3 - choose your car");
    Run({ASP_Main::OnCarChosen, ASP_Main::OnTrackChosen});
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    const std::vector<ASP_Player*>& cars = app->game->GetWorld()->GetPlayers();
    ASSERT_EQ(cars.size(), 8u);
    EXPECT_TRUE(cars[3]->IsComputer() && cars[3]->carName == "Dune" && cars[7]->IsComputer());
    // The FPS counter stays clear of the lines between the views.
    app->showFps = true;
    app->OnRender(app->screen);
    EXPECT_LT(app->fpsLabel->GetX() + app->fpsLabel->GetWidth(), app->width / 2);
    EXPECT_GT(app->fpsLabel->GetY(), app->height / 2);

    // The start lights count the countdown down, and the race is on after it.
    const ASP_Interface::RaceFacts& facts = app->game->GetWorld()->facts;
    app->OnUpdate(0.5);
    EXPECT_EQ(facts.startIn, app->game->GetCountdownTime());
    // Losing the focus toggles the pause.
    app->OnUpdate(4.0);
    EXPECT_EQ(facts.startIn, 0.0);
    SDL_Event focus{};
    focus.type = focus.active.type = SDL_ACTIVEEVENT;
    focus.active.state = SDL_APPINPUTFOCUS;
    using S = ASP_Game::RaceState;
    for (const auto& [gain, state] :
         {std::pair{0, S::Paused}, std::pair{1, S::Paused}, std::pair{0, S::Racing}}) {
        focus.active.gain = static_cast<Uint8>(gain);
        Dispatch(focus);
        EXPECT_EQ(app->game->GetState(), state) << gain;
    }

    // The menus' pictures are freed during the race and back with the menus. Raced again on the
    // same track, the kept race pictures are drawn from: none is decoded anew.
    CTexture* background = app->textures->GetTexture("gfx\\menu\\main_bg.png");
    const auto loadingPicture = [&] { return app->loadingTextures->Holds("gfx\\loading_startup.png"); };
    EXPECT_FALSE(background->loaded || loadingPicture());
    app->game->QuitRace();
    Press(SDLK_a);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    EXPECT_TRUE(background->loaded && loadingPicture());
    // Seven opponents wrap round to none: a race alone leaves cars out.
    ASP_Main::OnOpponents(nullptr, nullptr);
    EXPECT_EQ(app->StoredOpponents(), 0);
    const std::string log = Logged([&] { StartRace(1); });
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_FALSE(std::regex_search(log, std::regex("CTexture: Texture .* loaded"))) << log;
    EXPECT_NE(log.find("Texture gfx\\cars\\green.png unloaded"), std::string::npos) << "a car of no race";
    EXPECT_TRUE(app->game->GetWorld()->GetGroundTiles().at(0)->GetTexture()->loaded);
}

// A time trial is one car and no computer cars; the race left is kept, listed, and watched from
// the list, and leaving the replay returns to the list.
TEST_F(AspMainTest, TimeTrialRacesOneCarAndItsReplayIsWatchedFromTheList) {
    StartApp();
    const auto leave = [this] {
        app->game->QuitRace();
        Press(SDLK_a);
    };
    Click(app->mainMenu.get(), 4);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_CARS);
    ASP_Main::OnCarBack(nullptr, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    Click(app->mainMenu.get(), 4);
    Run({ASP_Main::OnCarChosen, ASP_Main::OnTrackChosen});
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    const std::vector<ASP_Player*>& cars = app->game->GetWorld()->GetPlayers();
    EXPECT_TRUE(cars.size() == 1 && !cars[0]->IsComputer() && app->game->GetTimeTrial() != nullptr);
    app->OnUpdate(ASP_Game::kCountdownSeconds);
    app->OnUpdate(0.5);
    leave();
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);

    Click(app->mainMenu.get(), 5);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_REPLAYS);
    ASP_ReplaysMenu* list = app->replaysMenu.get();
    ASSERT_EQ(list->GetEntries().size(), 1u);
    EXPECT_EQ(list->RowText(0).substr(0, 12), "Green Valley");
    Click(list, 1);
    Click(list, 8);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_TRUE(app->game->IsReplay() && app->game->GetWorld()->GetPlayers().size() == 1);
    leave();
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_REPLAYS);
    // A replay of another version is listed, and refused with why.
    std::string text = folder.Read(list->GetEntries().at(0).file);
    text.replace(text.find("version=1"), 9, "version=0");
    folder.Write("replays/99999999-999999-00.replay", text);
    ASP_Main::OnBackToMain(nullptr, nullptr);
    app->ShowReplays();
    ASSERT_EQ(list->GetEntries().size(), 2u);
    Click(list, 1);
    Click(list, 8);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_REPLAYS);
    EXPECT_EQ(list->GetNote(),
              "Refused: it was recorded by another version of the game\n(replay version 0, this game plays "
              "version 1).");
}

TEST_F(AspMainTest, NetworkMenuTypesAnAddressHostsJoinsAsTheFirstPlayerAndLeavesWithItsServer) {
    StartApp();
    app->hostPort = static_cast<uint16_t>(41000 + (getpid() % 4000) * 4);
    app->hostDiscoveryPort = static_cast<uint16_t>(app->hostPort + 1);
    // Two players, the second in the second car, come back to the network menu and join with it.
    Click(app->mainMenu.get(), 6);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
    ASP_NetworkMenu* menu = app->networkMenu.get();
    Click(menu, 2);
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 2), nullptr);
    Run({ASP_Main::OnCarChosen, ASP_Main::OnCarChosen});
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
    EXPECT_NE(menu->GetNote().find("Joining with: Vulcan, " + app->carNames[1]), std::string::npos);
    for (const char c : std::string("10.0.0.9:x")) {
        SDL_Event e = KeyEvent(SDLK_UNKNOWN);
        e.key.keysym.unicode = static_cast<Uint16>(c);
        Dispatch(e);
    }
    Press(SDLK_BACKSPACE);
    EXPECT_EQ(menu->GetAddress(), "10.0.0.9:");

    // The port taken, hosting is refused on the note; freed, the lobby lists this machine's players.
    ASP_ServerSettings other;
    other.port = app->hostPort;
    auto taken = std::make_unique<ASP_NetServer>(other);
    ASSERT_TRUE(taken->Open());
    Click(menu, 1);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
    EXPECT_NE(menu->GetNote().find("Cannot host on port " + std::to_string(app->hostPort)),
              std::string::npos);
    taken.reset();
    Click(menu, 1);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_NETWORK);
    ASSERT_NE(app->hostedServer, nullptr);
    ASP_NetClient& client = app->network->Client();
    const auto mine = [&client] {
        std::vector<std::string> cars;
        for (const ASP_LobbyPlayer& player : client.GetLobby().players) {
            if (player.client == client.GetClient() && client.GetStage() == ASP_NetClient::Stage::Lobby) {
                cars.push_back(player.car);
            }
        }
        return cars;
    };
    for (int frame = 0; frame < 400 && mine().empty(); ++frame) {
        app->hostedServer->Service(5);
        app->OnUpdate(0.0);
    }
    EXPECT_EQ(mine(), (std::vector<std::string>{"Vulcan", app->carNames[1]}));
    // The host picks the track from the lobby.
    const std::string first = client.GetLobby().world;
    Press(SDLK_RIGHT);
    for (int frame = 0; frame < 400 && client.GetLobby().world == first; ++frame) {
        app->hostedServer->Service(5);
        app->OnUpdate(0.0);
    }
    EXPECT_EQ(client.GetLobby().world, app->tracks.at(1).world);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(app->hostedServer, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
}

TEST_F(AspMainTest, CarChoiceSkipsCarsTakenByEarlierPlayersWrapsAndNeedsACar) {
    StartApp();
    app->carNames = {"Vulcan", "Comet", "Cadillac"};
    ChoosePlayers(1);
    ASP_Main::OnPreviousCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[0], 2);
    ASP_Main::OnNextCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[0], 0);

    // Three cars, two players: the second player never gets the first player's car.
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 2), nullptr);
    ASP_Main::OnCarChosen(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[1], 1);
    for (int expected : {2, 1}) {
        ASP_Main::OnNextCar(nullptr, nullptr);
        EXPECT_EQ(app->playerCars[1], expected);
    }
    ASP_Main::OnPreviousCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[1], 2);

    // One car, two players: the car repeats.
    app->carNames = {"Vulcan"};
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 2), nullptr);
    Run({ASP_Main::OnCarChosen, ASP_Main::OnNextCar});
    EXPECT_EQ(app->playerCars[1], 0);

    // Without cars the car choice stays closed.
    app->carNames.clear();
    ChoosePlayers(1);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);
    ASP_Main::OnNextCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[1], 0);
}

TEST_F(AspMainTest, OptionsShowAndWriteTheSettingsAndSoundFollowsThem) {
    StartApp("[system]\nwidth=1024\nheight=768\nsound=0\n[controls0]\nforward=119\n");
    EXPECT_EQ(Mix_Volume(0, -1), 0);
    ASP_Main::OnOptions(nullptr, nullptr);
    EXPECT_EQ(app->optionsLabel->GetText(), "1024x768\ndisabled\ndisabled");

    // The fifth resolution button offers section 4 of the resolution table. The label and the sound
    // read the settings file back.
    ASP_Main::OnResolution(Button(app->optionsMenu.get(), 5), nullptr);
    Run({ASP_Main::OnFullscreen, ASP_Main::OnSound});
    EXPECT_EQ(app->optionsLabel->GetText(), "1280x1024\nenabled\nenabled");
    EXPECT_EQ(Mix_Volume(0, -1), MIX_MAX_VOLUME);
    ASP_Main::OnSound(nullptr, nullptr);
    EXPECT_EQ(Mix_Volume(0, -1), 0);
    // The other sections stay. The new size applies at once, fullscreen at the next start, as the
    // options say.
    EXPECT_EQ(GetIniInt("controls0", "forward", 0, folder.File("config.ini")), 119);
    EXPECT_EQ(std::pair(app->width, app->height), std::pair(1280, 1024));
    EXPECT_FALSE(app->nextStartText.empty());
    EXPECT_EQ(app->optionsNote->GetText(), app->nextStartText);
    ASP_Main::OnFullscreen(nullptr, nullptr);
    EXPECT_EQ(app->optionsNote->GetText(), "");
}

// The backdrop covers the window behind the menus, which keep their size in its middle, also after a
// new size from the options.
TEST_F(AspMainTest, TheBackdropFillsTheWindowBehindTheCentredMenus) {
    StartApp("[system]\nwidth=1280\nheight=720\n");
    const auto unlitEdges = [this] {
        // The window system takes the new size by the next frame.
        app->RunFrame();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        app->OnRender(app->screen);
        const int w = app->width;
        const int h = app->height;
        std::vector<std::pair<int, int>> unlit;
        for (auto [x, y] :
             {std::pair(0, 0), {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {w / 8, h / 2}, {w - 8, h / 2}}) {
            unsigned char rgb[3] = {0, 0, 0};
            glReadPixels(x, h - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
            if (rgb[0] + rgb[1] + rgb[2] == 0) {
                unlit.emplace_back(x, y);
            }
        }
        return unlit;
    };
    EXPECT_TRUE(unlitEdges().empty());
    EXPECT_EQ(std::pair(app->mainMenu->GetX(), app->mainMenu->GetY()), std::pair(240.0, 60.0));

    ASP_Main::OnOptions(nullptr, nullptr);
    ASP_Main::OnResolution(Button(app->optionsMenu.get(), 3), nullptr);
    EXPECT_EQ(std::pair(app->width, app->height), std::pair(1024, 768));
    EXPECT_TRUE(unlitEdges().empty());
    EXPECT_EQ(std::pair(app->optionsMenu->GetX(), app->optionsMenu->GetY()), std::pair(252.0, 149.0));
    EXPECT_EQ(app->menuOverlay->GetWidth(), 1024);
    EXPECT_EQ(app->optionsNote->GetText(), "");
}

// Which button does what the end-to-end run shows, clicking a resolution, the sound and back.
TEST(OptionsCallbacks, NoneForNoButtonsOrMoreThanAMenuTakes) {
    for (int buttons : {0, -5, kMaxMenuSections + 1}) {
        EXPECT_TRUE(OptionsCallbacks(buttons, 0).empty()) << buttons;
    }
}

// Player 1 rebinds forward (refused on player 2's W and on a key of no name, then E) and cancels backward;
// player 2 picks the pad by pushing its stick for left (refused for right), switches to the keyboard and
// back, and turns the camera. The next race drives with them.
TEST_F(AspMainTest, ControlsMenuRebindsRefusesAndCancelsAndTheNextRaceDrivesWithTheResult) {
    StartApp();
    app->joysticks.Add("Pad");
    ASP_Main::OnOptions(nullptr, nullptr);
    Click(app->optionsMenu.get(), 6);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_CONTROLS);
    ASP_ControlsMenu* menu = app->controlsMenu.get();
    const auto caption = [&](int row) {
        return dynamic_cast<CLabelSprite*>(menu->RowButton(row)->GetStateSprite(0))->GetText();
    };
    Click(menu, 4);
    Press(SDLK_w);
    EXPECT_EQ(menu->GetNote() + caption(0), "W is already Player 2 Forward....");
    // A key SDL has no name for comes as 0, which would read back as no key.
    Press(SDLK_UNKNOWN);
    EXPECT_EQ(menu->GetNote() + caption(0), "This key cannot be bound; press another one....");
    Press(SDLK_e);
    Click(menu, 5);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(menu->GetNote() + caption(0) + caption(1), "Nothing changed.EDown");
    for (int button : {2, 6, 7}) {
        Click(menu, button);
        Dispatch(JoyAxis(0, 0, 0));
        Dispatch(JoyAxis(0, 0, -32767));
    }
    EXPECT_EQ(menu->GetNote(), "Axis 1 - is already Player 2 Left.");
    for (const char* device : {"Keyboard", "Pad 1: Pad"}) {
        Click(menu, 3);
        EXPECT_EQ(caption(-1), device);
    }
    // A trigger rests at one end: pressing it moves its axis from there to the other.
    Click(menu, 4);
    for (int value : {-32767, -20000, 20000}) {
        Dispatch(JoyAxis(0, 2, value));
    }
    EXPECT_EQ(caption(0), "W  /  Axis 3 +");
    Click(menu, 9);
    Click(menu, 10);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_OPTIONS);
    EXPECT_EQ(caption(2), "A  /  Axis 1 -");
    // Every race reads the controls afresh from the settings file, as the next start does.
    StartRace(2);
    Press(SDLK_e);
    Dispatch(JoyAxis(0, 0, -32767));
    const auto& cars = app->game->GetWorld()->GetPlayers();
    EXPECT_TRUE(cars.at(0)->IsForwardHeld() && cars.at(1)->IsLeftHeld() && cars.at(1)->fixedCamera);
}

TEST_F(AspMainTest, MissingWindowInformationEndsTheProgramWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    InitVideoWithRetry();
    app = std::make_unique<ASP_Main>(folder.File("config.ini"));
    EXPECT_EXIT(
        {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            app->OpenLoadContext();
        },
        ::testing::ExitedWithCode(1), "");
}

}  // namespace
