#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/angle.h"
#include "engine/label_sprite.h"
#include "game/checkpoint_sprite.h"
#include "game/game.h"
#include "game/menu.h"
#include "game/player.h"
#include "game/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr double kDt = 1.0 / 60.0;

SDL_Event KeyEvent(Uint8 type, SDLKey key) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    return e;
}

SDL_Event MouseEvent(Uint8 type, Point at) {
    SDL_Event e{};
    e.type = type;
    e.button.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = static_cast<Uint16>(at.x);
    e.button.y = static_cast<Uint16>(at.y);
    return e;
}

// A loop of three big checkpoints, the finish line straight ahead of the grid.
const char* const kTrack =
    "[main]\nlaps=2\nrequiredCheckpoints=3\nplayers=2\ncheckpoints=3\n"
    "[start0]\nx=0\ny=0\nrot=0\n[start1]\nx=200\ny=0\nrot=0\n"
    "[checkpoint0]\nx=-300\ny=-700\nwidth=800\nheight=200\nisFinish=1\nindex=0\n"
    "[checkpoint1]\nx=1800\ny=-2200\nwidth=600\nheight=600\nindex=1\n"
    "[checkpoint2]\nx=1800\ny=600\nwidth=600\nheight=600\nindex=2\n";

class RaceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glViewport(0, 0, kWidth, kHeight);
        folder.Write("config.ini",
                     "[controls0]\n[controls1]\nforward=119\nbackward=115\nleft=97\nright=100\n");
        game = std::make_unique<ASP_Game>(app.get());
        world = game->GetWorld();
        world->Load(folder.Write("world.dat", kTrack));
    }
    void TearDown() override { game.reset(); }

    ASP_Player* AddCar() {
        const int i = static_cast<int>(world->GetPlayers().size());
        world->AddPlayer("dat\\cars.dat", "Vulcan", folder.File("config.ini"),
                         "controls" + std::to_string(i));
        return world->GetPlayers().back();
    }
    void Key(Uint8 type, SDLKey key) {
        SDL_Event e = KeyEvent(type, key);
        type == SDL_KEYDOWN ? game->OnKeyDown(&e) : game->OnKeyUp(&e);
    }
    void RunCountdown() {
        for (int frame = 0; frame < 300 && game->GetState() == ASP_Game::RaceState::Countdown; ++frame) {
            game->Update(kDt);
        }
        ASSERT_EQ(game->GetState(), ASP_Game::RaceState::Racing);
    }
    // One frame of a driver who steers the car at its compass target and keeps a moderate speed.
    void DriveTowardsTarget(ASP_Player* car) {
        const Point pivot = Point(car->GetX(), car->GetY()) + Point(40.0, 80.0);
        Point facing(0.0, -1.0);
        RotatePoint(facing, Point(0.0, 0.0), car->GetRotation());
        // The turn, counter-clockwise positive, that faces the car at its target.
        const double turn = -AngleBetween(true, car->compassTarget - pivot, facing);
        const bool turnLeft = turn > 4.0;
        const bool turnRight = turn < -4.0;
        Hold(SDLK_LEFT, turnLeft, car->IsLeftHeld());
        Hold(SDLK_RIGHT, turnRight, car->IsRightHeld());
        Hold(SDLK_UP, Length(car->GetVelocity()) < 350.0, car->IsForwardHeld());
    }
    void Hold(SDLKey key, bool wanted, bool held) {
        if (wanted != held) {
            Key(wanted ? SDL_KEYDOWN : SDL_KEYUP, key);
        }
    }
    // Puts the car's pivot on the checkpoint's and runs the collision pass.
    void PassOver(ASP_Player* car, int checkpoint) {
        ASP_CheckpointSprite* c = world->GetCheckpoints(checkpoint).front();
        car->SetX(c->GetX() + c->GetWidth() * 0.5 - 40.0);
        car->SetY(c->GetY() + c->GetHeight() * 0.5 - 80.0);
        world->CheckCollisions();
    }
    std::string StandingsRow(int r) const {
        auto* label = dynamic_cast<CLabelSprite*>(game->GetStandingsLabel(r));
        return label != nullptr ? label->GetText() : "";
    }

    TempFolder folder;
    std::unique_ptr<ASP_Game> game;
    ASP_World* world = nullptr;
};

}  // namespace

TEST_F(RaceTest, CountdownShowsThreeTwoOneGoThenTheRaceStarts) {
    ASP_Player* car = AddCar();
    CLabelSprite* label = game->GetCountdownLabel();
    std::vector<int> shown{static_cast<int>(label->GetAnimPos())};
    int frames = 0;
    while (game->GetState() == ASP_Game::RaceState::Countdown && frames < 600) {
        // Escape during the countdown does not pause.
        Key(SDL_KEYDOWN, SDLK_ESCAPE);
        Key(SDL_KEYUP, SDLK_ESCAPE);
        ASSERT_NE(game->GetState(), ASP_Game::RaceState::Paused);
        game->Update(kDt);
        const int frame = static_cast<int>(label->GetAnimPos());
        if (game->GetState() == ASP_Game::RaceState::Countdown && frame != shown.back()) {
            shown.push_back(frame);
        }
        // The cars stand still until the start.
        if (game->GetState() == ASP_Game::RaceState::Countdown) {
            EXPECT_EQ(car->GetVelocity(), Point(0.0, 0.0));
        }
        ++frames;
    }
    EXPECT_EQ(shown, (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(game->GetState(), ASP_Game::RaceState::Racing);
    EXPECT_NEAR(frames, 240, 1);
    // The start push sends the car towards the top of the world.
    EXPECT_LT(car->GetVelocity().y, 0.0);
}

TEST_F(RaceTest, KeysDuringTheCountdownReachTheCars) {
    ASP_Player* car = AddCar();
    Key(SDL_KEYDOWN, SDLK_UP);
    EXPECT_TRUE(car->IsForwardHeld());
    game->Update(kDt);
    EXPECT_EQ(car->GetVelocity(), Point(0.0, 0.0));
}

TEST_F(RaceTest, ScriptedDriverCompletesTheLapsAndWins) {
    ASP_Player* car = AddCar();
    RunCountdown();
    std::vector<int> taken;
    for (int frame = 0; frame < 60 * 240 && !car->finished; ++frame) {
        DriveTowardsTarget(car);
        game->Update(kDt);
        if (taken.empty() || taken.back() != car->lastCheckpoint) {
            taken.push_back(car->lastCheckpoint);
        }
    }
    ASSERT_TRUE(car->finished) << "stuck at checkpoint " << car->lastCheckpoint << ", lap " << car->lap;
    EXPECT_EQ(taken, (std::vector<int>{-1, 0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(car->lap, 3);
    EXPECT_EQ(game->GetState(), ASP_Game::RaceState::Finished);
    EXPECT_FALSE(game->GetResumeButton()->IsVisible());
    EXPECT_EQ(StandingsRow(0), "1. Player 1");
    EXPECT_FALSE(game->GetStandingsLabel(1)->IsVisible());
    EXPECT_GT(car->bestLapTime, 0.0);
    EXPECT_LE(car->bestLapTime, car->raceTime);
    // The results freeze the world.
    const Point at(car->GetX(), car->GetY());
    game->Update(kDt);
    EXPECT_EQ(Point(car->GetX(), car->GetY()), at);
}

TEST_F(RaceTest, SkippedCheckpointIsNotCounted) {
    ASP_Player* car = AddCar();
    RunCountdown();
    PassOver(car, 0);
    EXPECT_EQ(car->lap, 1);
    EXPECT_EQ(car->lastCheckpoint, 0);
    PassOver(car, 2);
    EXPECT_EQ(car->lastCheckpoint, 0);
    PassOver(car, 0);
    EXPECT_EQ(car->lap, 1);
    PassOver(car, 1);
    PassOver(car, 2);
    EXPECT_EQ(car->lastCheckpoint, 2);
    PassOver(car, 0);
    EXPECT_EQ(car->lap, 2);
    EXPECT_FALSE(car->finished);
}

TEST_F(RaceTest, FirstCarOverTheLineLeadsAndPushesTheOtherDown) {
    ASP_Player* first = AddCar();
    ASP_Player* second = AddCar();
    EXPECT_EQ(first->position, 1);
    EXPECT_EQ(second->position, 1);
    RunCountdown();
    PassOver(second, 0);
    EXPECT_EQ(second->position, 1);
    EXPECT_EQ(first->position, 2);
    PassOver(first, 0);
    EXPECT_EQ(first->position, 2);
    EXPECT_EQ(second->position, 1);
}

TEST_F(RaceTest, StandingsShowEveryCarOnceEvenWhenPositionsCollide) {
    EXPECT_EQ(StandingsOrder({1, 1, 1, 1}), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(StandingsOrder({4, 4, 1}), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(StandingsOrder({2, 9, 0}), (std::vector<int>{2, 0, 1}));
    ASP_Player* first = AddCar();
    ASP_Player* second = AddCar();
    first->position = 2;
    second->position = 2;
    game->BuildStandings();
    EXPECT_EQ(StandingsRow(0), "2. Player 2");
    EXPECT_EQ(StandingsRow(1), "2. Player 1");
    EXPECT_FALSE(game->GetStandingsLabel(2)->IsVisible());
}

TEST_F(RaceTest, EscapePausesAndResumesAndThePauseFreezesTheWorld) {
    ASP_Player* car = AddCar();
    RunCountdown();
    Key(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_EQ(game->GetState(), ASP_Game::RaceState::Paused);
    const Point at(car->GetX(), car->GetY());
    game->Update(kDt);
    game->Draw(nullptr);
    EXPECT_EQ(Point(car->GetX(), car->GetY()), at);
    EXPECT_EQ(StandingsRow(0), "1. Player 1");
    Key(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_EQ(game->GetState(), ASP_Game::RaceState::Racing);
    game->Update(kDt);
    EXPECT_NE(Point(car->GetX(), car->GetY()), at);
    // A click on the resume button resumes as well.
    game->TogglePause();
    const Quad resume = game->GetResumeButton()->GetCorners();
    SDL_Event down = MouseEvent(SDL_MOUSEBUTTONDOWN, QuadCenter(resume));
    SDL_Event up = MouseEvent(SDL_MOUSEBUTTONUP, QuadCenter(resume));
    game->OnMouseButtonDown(&down);
    game->OnMouseButtonUp(&up);
    EXPECT_EQ(game->GetState(), ASP_Game::RaceState::Racing);
}

TEST_F(RaceTest, QuitButtonOnlyAsksTheOwnerWhoDeletesTheRaceAfterTheClick) {
    AddCar();
    RunCountdown();
    Key(SDL_KEYDOWN, SDLK_ESCAPE);
    ASSERT_EQ(game->GetState(), ASP_Game::RaceState::Paused);
    // The quit button follows the resume button in the pause menu.
    CSprite* quit = game->GetPauseMenu()->GetSprite(2);
    ASSERT_NE(quit, nullptr);
    const Point at = QuadCenter(quit->GetCorners());
    SDL_Event down = MouseEvent(SDL_MOUSEBUTTONDOWN, at);
    SDL_Event up = MouseEvent(SDL_MOUSEBUTTONUP, at);
    game->OnMouseButtonDown(&down);
    EXPECT_FALSE(game->QuitRequested());
    game->OnMouseButtonUp(&up);
    ASSERT_TRUE(game->QuitRequested());
    EXPECT_EQ(currentGame, game.get());
    // What the owner does once the event has been handled.
    game.reset();
    EXPECT_EQ(currentGame, nullptr);
}
