#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "engine/platform/gl_context.h"
#include "game/app/asp_main.h"
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
        app->SetLoadInBackground(inBackground);
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
    void Type(const std::string& text) {
        for (const char c : text) {
            SDL_Event e = KeyEvent(SDLK_UNKNOWN);
            e.key.keysym.unicode = static_cast<Uint16>(c);
            Dispatch(e);
        }
    }
    ASP_MainMenuScreen& Main() const { return app->Screen<ASP_MainMenuScreen>(); }
    ASP_OptionsScreen& Options() const { return app->Screen<ASP_OptionsScreen>(); }
    ASP_PlayersScreen& Players() const { return app->Screen<ASP_PlayersScreen>(); }
    ASP_CarsScreen& Cars() const { return app->Screen<ASP_CarsScreen>(); }
    ASP_TracksScreen& Tracks() const { return app->Screen<ASP_TracksScreen>(); }
    ASP_ReplaysScreen& Replays() const { return app->Screen<ASP_ReplaysScreen>(); }
    ASP_LobbyScreen& Lobby() const { return app->Screen<ASP_LobbyScreen>(); }
    ASP_Game* Game() const { return app->Screen<ASP_RaceScreen>().Game(); }
    void ChoosePlayers(int players) {
        Main().Play();
        Players().Count(Button(Players().Menu(), players));
    }
    void StartRace(int players) {
        ChoosePlayers(players);
        for (int i = 0; i < players; ++i) {
            Cars().Chosen();
        }
        Tracks().Chosen();
    }
    std::string Title() const { return Cars().Preview().titleLabel->GetText(); }

    TempFolder folder;
    std::unique_ptr<ASP_Main> app;
};

TEST_F(AspMainTest, LoadingScreenFitsItsPictureCountsItsDotsAndTheFpsCounterRounds) {
    StartApp();
    app->fpsControl->fps = 59.5;
    app->OnUpdate(0.0);
    EXPECT_EQ(app->FpsLabel()->GetText() + FpsText(59.4), "FPS: 60FPS: 59");
    // The picture (1024 x 1024) fills the height of the 800 x 600 window, centred.
    const CImageSprite* picture = app->Screen<ASP_LoadingScreen>().GetImage();
    EXPECT_EQ(picture->GetWidth(), 600);
    EXPECT_EQ(picture->GetX(), 100);
    for (const auto& [dt, text] :
         {std::pair{0.5, "Loading..."}, std::pair{0.01, "Loading"}, std::pair{1.0, "Loading.."}}) {
        app->Screen<ASP_LoadingScreen>().Update(dt);
        EXPECT_EQ(app->Screen<ASP_LoadingScreen>().GetLabel()->GetText(), text) << dt;
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
    const auto* background = dynamic_cast<CImageSprite*>(Main().Menu()->GetSprite(0));
    ASSERT_TRUE(background->GetTexture()->loaded);
    EXPECT_EQ(glIsTexture(background->GetTexture()->id), GL_TRUE);

    StartRace(1);
    for (int frame = 0; frame < kLoaderFrames && app->GetState() == ASP_Main::STATE_LOADING; ++frame) {
        Press(SDLK_UP);
        Click(Main().Menu(), 1);
        app->RunFrame();
    }
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_EQ(Main().Menu()->pressedIndex, -1);
    const ASP_Player* car = Game()->GetWorld()->GetPlayers().at(0);
    EXPECT_FALSE(car->IsForwardHeld());
    Press(SDLK_UP);
    EXPECT_TRUE(car->IsForwardHeld());
}

TEST_F(AspMainTest, PlayersAndCarsLeadToTheRaceWhichFocusPauses) {
    StartApp();
    Main().Play();
    // Only the four count buttons count players: not Back (index 5), nor a button of another menu
    // or of none.
    ASP_Button loose(nullptr);
    for (ASP_Button* notACount : {Button(Players().Menu(), 5), Button(Main().Menu(), 1), &loose}) {
        Players().Count(notACount);
    }
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);

    Players().Count(Button(Players().Menu(), 3));
    EXPECT_EQ(Title(), "Player 1 - choose your car");
    // The Vulcan's accel of 165000 in horsepower, and its body centred in the preview box.
    EXPECT_EQ(Cars().Preview().accelLabel->GetText(), "Power 220 hp");
    const CImageSpriteEx* body = Cars().Preview().previewBody;
    EXPECT_DOUBLE_EQ(body->GetX(), 68 + (200 - body->GetWidth()) * 0.5);

    // Every car with its trailing part (the Dune's long dust cloud) fits the box above its name.
    for (size_t car = 0; car < app->Choice().carNames.size(); ++car) {
        Cars().Next();
        const CImageSpriteEx* tail = Cars().Preview().previewTail;
        const double boxTop = Cars().Menu()->GetY() + 90;
        EXPECT_GE(std::min(body->GetGlobalY(), tail->GetGlobalY()), boxTop - 1e-9);
        EXPECT_LE(std::max(body->GetGlobalY() + body->GetHeight(), tail->GetGlobalY() + tail->GetHeight()),
                  boxTop + 270 + 1e-9)
            << app->Choice().carNames[static_cast<size_t>(app->Choice().playerCars[0])];
    }
    Cars().Chosen();
    Cars().Chosen();
    Cars().Back();
    EXPECT_EQ(Title(), "Player 2 - choose your car");
    Cars().Back();
    Cars().Back();
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);

    // A new player's first race has three computer opponents. Seven, though beside three humans the
    // grid of eight has room for only five more cars.
    EXPECT_EQ(app->Settings().Computer().opponents, 3);
    Players().Opponents();
    Players().Opponents();
    Players().Opponents();
    Players().Opponents();
    EXPECT_EQ(GetIniString("computer", "opponents", "", folder.File("config.ini")), "7");
    ChoosePlayers(3);
    // The track choice, and back to the last player's car.
    Cars().Chosen();
    Cars().Chosen();
    Cars().Chosen();
    Tracks().Previous();
    EXPECT_EQ(Tracks().TrackChoice().nameLabel->GetText(), "Harbour Night");
    Tracks().Back();
    EXPECT_EQ(Title(), "Player 3 - choose your car");
    Cars().Chosen();
    Tracks().Chosen();
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    const std::vector<ASP_Player*>& cars = Game()->GetWorld()->GetPlayers();
    ASSERT_EQ(cars.size(), 8u);
    EXPECT_TRUE(cars[3]->IsComputer() && cars[3]->carName == "Dune" && cars[7]->IsComputer());
    // The FPS counter stays clear of the lines between the views.
    app->ShowFps(true);
    app->OnRender(app->screen);
    EXPECT_LT(app->FpsLabel()->GetX() + app->FpsLabel()->GetWidth(), app->width / 2);
    EXPECT_GT(app->FpsLabel()->GetY(), app->height / 2);

    // The start lights count the countdown down, and the race is on after it.
    const ASP_Interface::RaceFacts& facts = Game()->GetWorld()->facts;
    app->OnUpdate(0.5);
    EXPECT_EQ(facts.startIn, Game()->GetCountdownTime());
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
        EXPECT_EQ(Game()->GetState(), state) << gain;
    }

    // The menus' pictures are freed during the race and back with the menus. Raced again on the
    // same track, the kept race pictures are drawn from: none is decoded anew.
    CTexture* background = app->Textures()->GetTexture("gfx\\menu\\main_bg.png");
    const auto loadingPicture = [&] { return app->LoadingTextures()->Holds("gfx\\loading_startup.png"); };
    EXPECT_FALSE(background->loaded || loadingPicture());
    Game()->QuitRace();
    Press(SDLK_a);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    EXPECT_TRUE(background->loaded && loadingPicture());
    // Seven opponents wrap round to none: a race alone leaves cars out.
    Players().Opponents();
    EXPECT_EQ(app->Settings().Computer().opponents, 0);
    const std::string log = Logged([&] { StartRace(1); });
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_FALSE(std::regex_search(log, std::regex("CTexture: Texture .* loaded"))) << log;
    EXPECT_NE(log.find("Texture gfx\\cars\\green.png unloaded"), std::string::npos) << "a car of no race";
    EXPECT_TRUE(Game()->GetWorld()->GetGroundTiles().at(0)->GetTexture()->loaded);
}

// A time trial is one car and no computer cars; the race left is kept, listed, and watched from
// the list, and leaving the replay returns to the list.
TEST_F(AspMainTest, TimeTrialRacesOneCarAndItsReplayIsWatchedFromTheList) {
    StartApp();
    const auto leave = [this] {
        Game()->QuitRace();
        Press(SDLK_a);
    };
    Click(Main().Menu(), 4);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_CARS);
    Cars().Back();
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    Click(Main().Menu(), 4);
    Cars().Chosen();
    Tracks().Chosen();
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    const std::vector<ASP_Player*>& cars = Game()->GetWorld()->GetPlayers();
    EXPECT_TRUE(cars.size() == 1 && !cars[0]->IsComputer() && Game()->GetTimeTrial() != nullptr);
    app->OnUpdate(ASP_Game::kCountdownSeconds);
    app->OnUpdate(0.5);
    leave();
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);

    Click(Main().Menu(), 5);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_REPLAYS);
    ASP_ReplaysMenu* list = Replays().Replays();
    ASSERT_EQ(list->GetEntries().size(), 1u);
    EXPECT_EQ(list->RowText(0).substr(0, 12), "Green Valley");
    Click(list, 1);
    Click(list, 8);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_TRUE(Game()->IsReplay() && Game()->GetWorld()->GetPlayers().size() == 1);
    leave();
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_REPLAYS);
    // A replay of another version is listed, and refused with why.
    std::string text = folder.Read(list->GetEntries().at(0).file);
    const std::string version = "version=" + std::to_string(ASP_Replay::kVersion);
    text.replace(text.find(version), version.size(), "version=0");
    folder.Write("replays/99999999-999999-00.replay", text);
    Replays().Back();
    Replays().Show();
    ASSERT_EQ(list->GetEntries().size(), 2u);
    Click(list, 1);
    Click(list, 8);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_REPLAYS);
    EXPECT_EQ(list->GetNote(),
              "Refused: it was recorded by another version of the game\n(replay version 0, this game plays "
              "version " +
                  std::to_string(ASP_Replay::kVersion) + ").");
}

TEST_F(AspMainTest, NetworkMenuTypesAnAddressHostsJoinsAsTheFirstPlayerAndLeavesWithItsServer) {
    StartApp();
    const auto port = static_cast<uint16_t>(41000 + (getpid() % 4000) * 4);
    app->Screen<ASP_NetworkMenuScreen>().SetDiscoveryPort(static_cast<uint16_t>(port + 1));
    // Two players, the second in the second car, come back to the network menu and join with it.
    Click(Main().Menu(), 6);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
    ASP_NetworkMenu* menu = app->Screen<ASP_NetworkMenuScreen>().Network();
    Click(menu, 2);
    Players().Count(Button(Players().Menu(), 2));
    Cars().Chosen();
    Cars().Chosen();
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
    EXPECT_NE(menu->GetNote().find("Joining with: Vulcan, " + app->Choice().carNames[1]), std::string::npos);
    Type("10.0.0.9:x");
    Press(SDLK_BACKSPACE);
    EXPECT_EQ(menu->GetAddress(), "10.0.0.9:");

    // The port field, clicked, takes up to five digits; a port outside 1..65535 is refused on the note.
    const auto typePort = [&](const std::string& text) {
        Click(menu, 10);
        while (!menu->GetPortText().empty()) {
            Press(SDLK_BACKSPACE);
        }
        Type(text);
    };
    for (const auto& [typed, kept] :
         {std::pair{"", ""}, {"0", "0"}, {"65536", "65536"}, {"7a00000", "70000"}}) {
        typePort(typed);
        Click(menu, 1);
        EXPECT_EQ(menu->GetPortText() + menu->GetAddress(), kept + std::string("10.0.0.9:"));
        EXPECT_NE(menu->GetNote().find("a number from 1 to 65535"), std::string::npos) << typed;
        EXPECT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
    }
    typePort(std::to_string(port));

    // The port taken, hosting is refused on the note; freed, the lobby lists this machine's players.
    ASP_ServerSettings other;
    other.port = port;
    auto taken = std::make_unique<ASP_NetServer>(other);
    ASSERT_TRUE(taken->Open());
    Click(menu, 1);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
    EXPECT_NE(menu->GetNote().find("Cannot host on port " + std::to_string(port)), std::string::npos);
    taken.reset();
    Click(menu, 1);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_NETWORK);
    ASSERT_NE(Lobby().Server(), nullptr);
    ASP_NetClient& client = Lobby().Session()->Client();
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
        Lobby().Server()->Service(5);
        app->OnUpdate(0.0);
    }
    EXPECT_EQ(mine(), (std::vector<std::string>{"Vulcan", app->Choice().carNames[1]}));
    // The lobby marks this machine's rows; Ready, clicked, comes back from the server on them.
    ASP_LobbyMenu* lobby = Lobby().Lobby();
    const auto serve = [&](const std::function<bool()>& until) {
        for (int frame = 0; frame < 400 && !until(); ++frame) {
            Lobby().Server()->Service(5);
            app->OnUpdate(0.0);
        }
    };
    EXPECT_EQ(lobby->NameText(1), "> " + Lobby().NetName() + " 2  " + app->Choice().carNames[1]);
    EXPECT_EQ(lobby->StateText(0) + lobby->ReadyCaption(), "not readyReady");
    EXPECT_TRUE(lobby->TrackButtonsShown());
    Click(lobby, 2);
    serve([&] { return lobby->StateText(1) == "ready"; });
    EXPECT_EQ(lobby->StateText(0) + lobby->ReadyCaption(), "readyNot ready");
    Click(lobby, 2);
    serve([&] { return lobby->StateText(1) == "not ready"; });
    // The host picks the track from the lobby.
    const std::string first = client.GetLobby().world;
    Press(SDLK_RIGHT);
    serve([&] { return client.GetLobby().world != first; });
    EXPECT_EQ(client.GetLobby().world, app->Choice().tracks.at(1).world);
    EXPECT_EQ(lobby->NameText(0).substr(0, 2) + lobby->GetNote().substr(0, 11), "> Round trip:");
    Press(SDLK_ESCAPE);
    EXPECT_EQ(Lobby().Server(), nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_NETWORK_MENU);
}

TEST_F(AspMainTest, CarChoiceSkipsCarsTakenByEarlierPlayersWrapsAndNeedsACar) {
    StartApp();
    app->Choice().carNames = {"Vulcan", "Comet", "Cadillac"};
    ChoosePlayers(1);
    Cars().Previous();
    EXPECT_EQ(app->Choice().playerCars[0], 2);
    Cars().Next();
    EXPECT_EQ(app->Choice().playerCars[0], 0);

    // Three cars, two players: the second player never gets the first player's car.
    Players().Count(Button(Players().Menu(), 2));
    Cars().Chosen();
    EXPECT_EQ(app->Choice().playerCars[1], 1);
    for (int expected : {2, 1}) {
        Cars().Next();
        EXPECT_EQ(app->Choice().playerCars[1], expected);
    }
    Cars().Previous();
    EXPECT_EQ(app->Choice().playerCars[1], 2);

    // One car, two players: the car repeats.
    app->Choice().carNames = {"Vulcan"};
    Players().Count(Button(Players().Menu(), 2));
    Cars().Chosen();
    Cars().Next();
    EXPECT_EQ(app->Choice().playerCars[1], 0);

    // Without cars the car choice stays closed.
    app->Choice().carNames.clear();
    ChoosePlayers(1);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);
    Cars().Next();
    EXPECT_EQ(app->Choice().playerCars[1], 0);
}

TEST_F(AspMainTest, OptionsShowAndWriteTheSettingsAndSoundFollowsThem) {
    StartApp("[system]\nwidth=1024\nheight=768\nsound=0\n[controls0]\nforward=119\n");
    EXPECT_EQ(Mix_Volume(0, -1), 0);
    Main().Options();
    EXPECT_EQ(Options().Label()->GetText(), "1024x768\ndisabled\ndisabled");

    // The fifth resolution button offers section 4 of the resolution table. The label and the sound
    // read the settings file back.
    Options().Resolution(Button(Options().Menu(), 5));
    Options().Fullscreen();
    Options().Sound();
    EXPECT_EQ(Options().Label()->GetText(), "1280x1024\nenabled\nenabled");
    EXPECT_EQ(Mix_Volume(0, -1), MIX_MAX_VOLUME);
    Options().Sound();
    EXPECT_EQ(Mix_Volume(0, -1), 0);
    // The other sections stay. The new size applies at once, fullscreen at the next start, as the
    // options say.
    EXPECT_EQ(GetIniInt("controls0", "forward", 0, folder.File("config.ini")), 119);
    EXPECT_EQ(std::pair(app->width, app->height), std::pair(1280, 1024));
    EXPECT_FALSE(Options().NextStartText().empty());
    EXPECT_EQ(Options().Note()->GetText(), Options().NextStartText());
    Options().Fullscreen();
    EXPECT_EQ(Options().Note()->GetText(), "");
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
    EXPECT_EQ(std::pair(Main().Menu()->GetX(), Main().Menu()->GetY()), std::pair(240.0, 60.0));

    Main().Options();
    Options().Resolution(Button(Options().Menu(), 3));
    EXPECT_EQ(std::pair(app->width, app->height), std::pair(1024, 768));
    EXPECT_TRUE(unlitEdges().empty());
    EXPECT_EQ(std::pair(Options().Menu()->GetX(), Options().Menu()->GetY()), std::pair(252.0, 149.0));
    EXPECT_EQ(app->Overlay()->GetWidth(), 1024);
    EXPECT_EQ(Options().Note()->GetText(), "");
}

// Which button does what the end-to-end run shows, clicking a resolution, the sound and back.
TEST(OptionsCallbacks, NoneForNoButtonsOrMoreThanAMenuTakes) {
    for (int buttons : {0, -5, kMaxMenuSections + 1}) {
        EXPECT_TRUE(OptionsCallbacks(buttons, 0).empty()) << buttons;
    }
}

// Escape goes where each menu's Back button goes; the main menu has none.
TEST_F(AspMainTest, EscapeIsTheBackOfEveryMenuScreen) {
    StartApp();
    const auto players = [this] { Players().Count(Button(Players().Menu(), 1)); };
    const struct {
        std::function<void()> reach;
        int screen;
        int back;
    } table[] = {
        {[] {}, ASP_Main::STATE_MAIN_MENU, ASP_Main::STATE_MAIN_MENU},
        {[this] { Main().Options(); }, ASP_Main::STATE_OPTIONS, ASP_Main::STATE_MAIN_MENU},
        {[this] { Options().Controls(); }, ASP_Main::STATE_CONTROLS, ASP_Main::STATE_OPTIONS},
        {[this] { Main().Play(); }, ASP_Main::STATE_PLAYERS, ASP_Main::STATE_MAIN_MENU},
        {[&] { Main().Play(), players(); }, ASP_Main::STATE_CARS, ASP_Main::STATE_PLAYERS},
        {[&] { Main().Play(), players(), Cars().Chosen(); }, ASP_Main::STATE_TRACKS, ASP_Main::STATE_CARS},
        {[this] { Replays().Show(); }, ASP_Main::STATE_REPLAYS, ASP_Main::STATE_MAIN_MENU},
        {[this] { Click(Main().Menu(), 6); }, ASP_Main::STATE_NETWORK_MENU, ASP_Main::STATE_MAIN_MENU},
        {[this] { Click(Main().Menu(), 6), Click(app->Screen<ASP_NetworkMenuScreen>().Network(), 2); },
         ASP_Main::STATE_PLAYERS, ASP_Main::STATE_NETWORK_MENU},
    };
    for (const auto& row : table) {
        app->EnterState(ASP_Main::STATE_MAIN_MENU);
        row.reach();
        ASSERT_EQ(app->GetState(), row.screen);
        Press(SDLK_ESCAPE);
        EXPECT_EQ(app->GetState(), row.back) << row.screen;
        EXPECT_FALSE(app->quit);
    }
}

// Player 1 rebinds forward (refused on player 2's W and on a key of no name, then E) and cancels backward;
// player 2 picks the pad by pushing its stick for left (refused for right), switches to the keyboard and
// back, and turns the camera. The next race drives with them.
TEST_F(AspMainTest, ControlsMenuRebindsRefusesAndCancelsAndTheNextRaceDrivesWithTheResult) {
    StartApp();
    app->Joysticks().Add("Pad");
    Main().Options();
    Click(Options().Menu(), 6);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_CONTROLS);
    ASP_ControlsMenu* menu = app->Screen<ASP_ControlsScreen>().Controls();
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
    const auto& cars = Game()->GetWorld()->GetPlayers();
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
