#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/ini.h"
#include "engine/platform/gl_context.h"
#include "game/asp_main.h"
#include "game/player.h"
#include "game/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr double kDt = 1.0 / 60.0;
// Frames a loader on its own thread may take before the test gives up on it (about 10 s).
constexpr int kLoaderFrames = 600;

std::string ShippedSettings() {
    std::ifstream file("config.ini");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

SDL_Event KeyEvent(Uint8 type, SDLKey key) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    return e;
}

SDL_Event ActiveEvent(Uint8 gain) {
    SDL_Event e{};
    e.type = SDL_ACTIVEEVENT;
    e.active.type = SDL_ACTIVEEVENT;
    e.active.gain = gain;
    e.active.state = SDL_APPINPUTFOCUS;
    return e;
}

// Relative names resolve against the directory the test started in (data/), which is never
// written. The application therefore gets the absolute name of a settings copy in a folder of its
// own; the menus and cars it reads are the shipped ones.
class AspMainTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnableThreadedDisplay(); }

    void StartApp(const std::string& settings, bool inBackground = false) {
        folder.Write("config.ini", settings);
        InitVideoWithRetry();
        app = std::make_unique<ASP_Main>(folder.File("config.ini"));
        app->loadInBackground = inBackground;
        app->OnInit();
    }
    void TearDown() override { app.reset(); }

    std::string Setting(const std::string& key) const {
        return GetIniString("system", key, "(none)", folder.File("config.ini"));
    }
    ASP_Button* Button(ASP_Menu* menu, int index) const {
        return dynamic_cast<ASP_Button*>(menu->GetSprite(index));
    }
    void Click(ASP_Menu* menu, int index) {
        ASP_Button* button = Button(menu, index);
        ASSERT_NE(button, nullptr);
        const int x = static_cast<int>(button->GetGlobalX() + button->GetWidth() / 2);
        const int y = static_cast<int>(button->GetGlobalY() + button->GetHeight() / 2);
        for (Uint8 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
            SDL_Event e{};
            e.type = type;
            if (type == SDL_MOUSEMOTION) {
                e.motion.type = type;
                e.motion.x = static_cast<Uint16>(x);
                e.motion.y = static_cast<Uint16>(y);
            } else {
                e.button.type = type;
                e.button.button = SDL_BUTTON_LEFT;
                e.button.x = static_cast<Uint16>(x);
                e.button.y = static_cast<Uint16>(y);
            }
            app->DispatchEvent(&e);
        }
    }
    void Key(Uint8 type, SDLKey key) {
        SDL_Event e = KeyEvent(type, key);
        app->DispatchEvent(&e);
    }
    void ChooseCars(int players) {
        ASP_Main::OnPlay(nullptr, nullptr);
        ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), players), nullptr);
        for (int i = 0; i < players; ++i) {
            ASP_Main::OnCarChosen(nullptr, nullptr);
        }
    }
    void RunCountdown() {
        for (int frame = 0; frame < 600 && app->game->GetState() == ASP_Game::RaceState::Countdown; ++frame) {
            app->OnUpdate(kDt);
        }
        ASSERT_EQ(app->game->GetState(), ASP_Game::RaceState::Racing);
    }
    std::string Title() const { return app->carPreview.titleLabel->GetText(); }

    TempFolder folder;
    std::unique_ptr<ASP_Main> app;
};

TEST_F(AspMainTest, StartupLoaderBuildsTheMenusAndEndsInTheMainMenu) {
    StartApp(ShippedSettings());
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    ASSERT_NE(app->mainMenu, nullptr);
    ASSERT_NE(app->optionsMenu, nullptr);
    ASSERT_NE(app->playersMenu, nullptr);
    ASSERT_NE(app->carsMenu, nullptr);
    EXPECT_EQ(app->carNames, (std::vector<std::string>{"Vulcan", "Comet", "Cadillac", "Dune", "Hornet"}));
    EXPECT_EQ(app->menuOverlay->GetWidth(), app->width);
    EXPECT_EQ(app->menuOverlay->GetHeight(), app->height);
    EXPECT_EQ(app->playerCount, 1);
    EXPECT_EQ(app->playerCars, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(Button(app->mainMenu.get(), 3)->callback, &ASP_Main::OnExit);
    // Eight option buttons: five resolutions, then fullscreen, sound and back.
    EXPECT_EQ(Button(app->optionsMenu.get(), 5)->callback, &ASP_Main::OnResolution);
    EXPECT_EQ(Button(app->optionsMenu.get(), 6)->callback, &ASP_Main::OnFullscreen);
    EXPECT_EQ(Button(app->optionsMenu.get(), 8)->callback, &ASP_Main::OnBackToMain);
    EXPECT_EQ(Button(app->playersMenu.get(), 5)->callback, &ASP_Main::OnBackToMain);
    EXPECT_EQ(app->optionsMenu->GetSprite(app->optionsMenu->GetSpriteCount() - 1), app->optionsLabel);
    EXPECT_TRUE(app->optionsLabel->IsMultiLine());
    EXPECT_NE(app->carPreview.titleLabel, nullptr);
    EXPECT_NE(app->carPreview.frictLabel, nullptr);
    EXPECT_EQ(app->carPreview.previewTail->GetParent(), app->carPreview.previewBody);
    // The loading picture (1024 x 1024) fills the height of the 800 x 600 window, centred.
    const CImageSprite* picture = app->loadingScreen->GetImage();
    EXPECT_EQ(picture->GetWidth(), 600);
    EXPECT_EQ(picture->GetX(), 100);
    EXPECT_EQ(picture->GetY(), 0);
}

TEST_F(AspMainTest, LoadingCaptionCountsItsDotsEveryHalfSecond) {
    StartApp(ShippedSettings());
    ASP_LoadingScreen* screen = app->loadingScreen.get();
    EXPECT_EQ(screen->GetLabel()->GetText(), "Loading...");
    screen->Update(0.5);
    EXPECT_EQ(screen->GetLabel()->GetText(), "Loading...");
    screen->Update(0.01);
    EXPECT_EQ(screen->GetLabel()->GetText(), "Loading");
    screen->Update(1.0);
    EXPECT_EQ(screen->GetLabel()->GetText(), "Loading..");
    EXPECT_EQ(NextLoadingText("Loading..."), "Loading");
    EXPECT_EQ(NextLoadingText("anything"), "Loading");
}

// The one test of the real loader thread: textures it makes are the main thread's too, and
// nothing reaches the menus or the half-built race while it runs.
TEST_F(AspMainTest, LoaderThreadHandsOverAndInputDuringLoadingReachesNobody) {
    StartApp(ShippedSettings(), true);
    for (int frame = 0; frame < kLoaderFrames && app->GetState() == ASP_Main::STATE_LOADING; ++frame) {
        app->RunFrame();
    }
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    const auto* background = dynamic_cast<CImageSprite*>(app->mainMenu->GetSprite(0));
    ASSERT_TRUE(background->GetTexture()->loaded);
    EXPECT_EQ(glIsTexture(background->GetTexture()->id), GL_TRUE);

    ASP_Main::OnPlay(nullptr, nullptr);
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 1), nullptr);
    ASP_Main::OnCarChosen(nullptr, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_LOADING);
    for (int frame = 0; frame < kLoaderFrames && app->GetState() == ASP_Main::STATE_LOADING; ++frame) {
        Key(SDL_KEYDOWN, SDLK_UP);
        Click(app->mainMenu.get(), 1);
        app->RunFrame();
    }
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_EQ(app->mainMenu->pressedIndex, -1);
    ASSERT_EQ(app->game->GetWorld()->GetPlayers().size(), 1u);
    const ASP_Player* car = app->game->GetWorld()->GetPlayers()[0];
    EXPECT_FALSE(car->IsForwardHeld());
    Key(SDL_KEYDOWN, SDLK_UP);
    EXPECT_TRUE(car->IsForwardHeld());
}

TEST_F(AspMainTest, ClosingWhileLoadingWaitsForTheLoader) {
    StartApp(ShippedSettings(), true);
    app->OnCleanup();
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
    EXPECT_EQ(app->mainMenu, nullptr);
}

TEST_F(AspMainTest, PlayersAndCarsLeadToTheRaceAndBack) {
    StartApp(ShippedSettings());
    ASP_Main::OnPlay(nullptr, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);
    // Only the four count buttons count players: not Back (index 5), nor a button of another menu
    // or of none.
    ASP_Button loose(nullptr);
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 5), nullptr);
    ASP_Main::OnPlayerCount(Button(app->mainMenu.get(), 1), nullptr);
    ASP_Main::OnPlayerCount(&loose, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);
    EXPECT_EQ(app->playerCount, 1);

    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 3), nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_CARS);
    EXPECT_EQ(app->playerCount, 3);
    EXPECT_EQ(Title(), "Player 1 - choose your car");
    EXPECT_EQ(app->carPreview.massLabel->GetText(), "Mass 1100 kg");
    EXPECT_EQ(app->carPreview.accelLabel->GetText(), "Power 220 hp");
    const CImageSpriteEx* body = app->carPreview.previewBody;
    EXPECT_DOUBLE_EQ(body->GetX(), 68 + (200 - body->GetWidth()) * 0.5);

    ASP_Main::OnCarChosen(nullptr, nullptr);
    ASP_Main::OnCarChosen(nullptr, nullptr);
    EXPECT_EQ(Title(), "Player 3 - choose your car");
    ASP_Main::OnCarBack(nullptr, nullptr);
    EXPECT_EQ(app->currentPlayer, 1);
    EXPECT_EQ(Title(), "Player 2 - choose your car");
    ASP_Main::OnCarBack(nullptr, nullptr);
    ASP_Main::OnCarBack(nullptr, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);

    ChooseCars(3);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    EXPECT_EQ(app->game->GetWorld()->GetPlayers().size(), 3u);
    EXPECT_EQ(app->playerCars, (std::array<int, 4>{0, 1, 2, 0}));

    // Leaving through the pause menu deletes the race only after its click was handled.
    RunCountdown();
    Key(SDL_KEYDOWN, SDLK_ESCAPE);
    ASSERT_EQ(app->game->GetState(), ASP_Game::RaceState::Paused);
    Click(app->game->GetPauseMenu(), 2);
    EXPECT_EQ(app->game, nullptr);
    EXPECT_EQ(currentGame, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_MAIN_MENU);
}

TEST_F(AspMainTest, CarChoiceSkipsTakenCarsAndWraps) {
    StartApp(ShippedSettings());
    app->carNames = {"Vulcan", "Comet", "Cadillac"};
    ASP_Main::OnPlay(nullptr, nullptr);
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 1), nullptr);
    ASP_Main::OnPreviousCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[0], 2);
    ASP_Main::OnNextCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[0], 0);

    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 2), nullptr);
    ASP_Main::OnCarChosen(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[1], 1);
    ASP_Main::OnNextCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[1], 2);
    ASP_Main::OnNextCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[1], 1);
    ASP_Main::OnPreviousCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[1], 2);

    // Fewer cars than players: cars repeat.
    app->carNames = {"Vulcan"};
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 2), nullptr);
    ASP_Main::OnCarChosen(nullptr, nullptr);
    ASP_Main::OnNextCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[0], 0);
    EXPECT_EQ(app->playerCars[1], 0);
}

TEST_F(AspMainTest, WithoutCarsTheCarChoiceStaysClosed) {
    StartApp(ShippedSettings());
    app->carNames.clear();
    ASP_Main::OnPlay(nullptr, nullptr);
    ASP_Main::OnPlayerCount(Button(app->playersMenu.get(), 2), nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_PLAYERS);
    EXPECT_EQ(app->playerCount, 1);
    ASP_Main::OnNextCar(nullptr, nullptr);
    ASP_Main::OnPreviousCar(nullptr, nullptr);
    EXPECT_EQ(app->playerCars[0], 0);
}

TEST_F(AspMainTest, OptionsShowAndWriteTheSettings) {
    StartApp("[system]\nwidth=1024\nheight=768\n[controls0]\nforward=119\n");
    ASP_Main::OnOptions(nullptr, nullptr);
    EXPECT_EQ(app->GetState(), ASP_Main::STATE_OPTIONS);
    EXPECT_EQ(app->optionsLabel->GetText(), "1024x768\ndisabled\nenabled");

    // The second resolution button offers section 1 of the resolution table.
    ASP_Main::OnResolution(Button(app->optionsMenu.get(), 2), nullptr);
    EXPECT_EQ(Setting("width"), "800");
    EXPECT_EQ(Setting("height"), "600");
    ASP_Main::OnResolution(Button(app->optionsMenu.get(), 5), nullptr);
    EXPECT_EQ(Setting("width"), "1280");
    EXPECT_EQ(Setting("height"), "1024");
    ASP_Main::OnFullscreen(nullptr, nullptr);
    EXPECT_EQ(Setting("fullscreen"), "1");
    EXPECT_EQ(app->optionsLabel->GetText(), "1280x1024\nenabled\nenabled");
    EXPECT_EQ(GetIniInt("controls0", "forward", 0, folder.File("config.ini")), 119);
    // The window keeps its size until the next start.
    EXPECT_EQ(app->width, 1024);
}

TEST_F(AspMainTest, SoundToggledTwiceRestoresSettingAndVolume) {
    StartApp(ShippedSettings());
    const int volume = Mix_Volume(0, -1);
    ASSERT_GT(volume, 0);
    ASP_Main::OnSound(nullptr, nullptr);
    EXPECT_EQ(Setting("sound"), "0");
    EXPECT_EQ(Mix_Volume(0, -1), 0);
    EXPECT_EQ(app->optionsLabel->GetText(), "800x600\ndisabled\ndisabled");
    ASP_Main::OnSound(nullptr, nullptr);
    EXPECT_EQ(Setting("sound"), "1");
    EXPECT_EQ(Mix_Volume(0, -1), volume);
}

TEST_F(AspMainTest, SoundSwitchedOffStartsMuted) {
    StartApp("[system]\nsound=0\n");
    EXPECT_EQ(Mix_Volume(0, -1), 0);
}

TEST(OptionsCallbacks, LastThreeAreFixedAndTheRestOfferResolutions) {
    const std::vector<ASP_ButtonCallback> six = OptionsCallbacks(6);
    EXPECT_EQ(six, (std::vector<ASP_ButtonCallback>{ASP_Main::OnResolution, ASP_Main::OnResolution,
                                                    ASP_Main::OnResolution, ASP_Main::OnFullscreen,
                                                    ASP_Main::OnSound, ASP_Main::OnBackToMain}));
    EXPECT_EQ(OptionsCallbacks(2),
              (std::vector<ASP_ButtonCallback>{ASP_Main::OnSound, ASP_Main::OnBackToMain}));
    EXPECT_TRUE(OptionsCallbacks(0).empty());
    EXPECT_TRUE(OptionsCallbacks(-5).empty());
    EXPECT_TRUE(OptionsCallbacks(kMaxMenuSections + 1).empty());
}

TEST_F(AspMainTest, FpsCounterRoundsToTheNearestWholeNumber) {
    StartApp(ShippedSettings());
    app->fpsControl->fps = 59.5;
    app->OnUpdate(0.0);
    EXPECT_EQ(app->fpsLabel->GetText(), "FPS: 60");
    app->fpsControl->fps = 59.4;
    app->OnUpdate(0.0);
    EXPECT_EQ(app->fpsLabel->GetText(), "FPS: 59");
}

TEST_F(AspMainTest, LosingFocusTogglesThePauseOfTheRace) {
    StartApp(ShippedSettings());
    ChooseCars(1);
    ASSERT_EQ(app->GetState(), ASP_Main::STATE_RACE);
    RunCountdown();
    SDL_Event lost = ActiveEvent(0);
    SDL_Event gained = ActiveEvent(1);
    app->DispatchEvent(&lost);
    EXPECT_EQ(app->game->GetState(), ASP_Game::RaceState::Paused);
    app->DispatchEvent(&gained);
    EXPECT_EQ(app->game->GetState(), ASP_Game::RaceState::Paused);
    app->DispatchEvent(&lost);
    EXPECT_EQ(app->game->GetState(), ASP_Game::RaceState::Racing);
}

TEST_F(AspMainTest, MissingWindowInformationEndsTheProgram) {
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
