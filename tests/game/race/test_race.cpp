#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/angle.h"
#include "game/menus/menu.h"
#include "game/race/checkpoint_sprite.h"
#include "game/race/game.h"
#include "game/race/player.h"
#include "game/race/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr double kDt = 1.0 / 60.0;
using State = ASP_Game::RaceState;

// A loop of three big checkpoints, the finish line straight ahead of the grid.
const char* const kTrack =
    "[main]\nlaps=2\nrequiredCheckpoints=3\nplayers=2\ncheckpoints=3\n"
    "[start0]\nx=0\ny=0\nrot=0\n[start1]\nx=200\ny=0\nrot=0\n"
    "[checkpoint0]\nx=-300\ny=-700\nwidth=800\nheight=200\nisFinish=1\nindex=0\n"
    "[checkpoint1]\nx=1800\ny=-2200\nwidth=600\nheight=600\nindex=1\n"
    "[checkpoint2]\nx=1800\ny=600\nwidth=600\nheight=600\nindex=2\n";

void Hold(ASP_Player* car, SDLKey key, bool wanted, bool held) {
    if (wanted != held) {
        wanted ? car->OnKeyDown(key) : car->OnKeyUp(key);
    }
}

// A driver who steers at the compass target, slows for sharp turns, and backs out for a second
// whenever it has been stuck (against a wall, say) for one.
class ScriptedDriver {
public:
    ScriptedDriver(ASP_Player* car, double speed) : car(car), speed(speed) {}

    void Drive(double dt) {
        const double v = Length(car->GetVelocity());
        stuckFor = v < 20.0 ? stuckFor + dt : 0.0;
        if (stuckFor > 1.0) {
            reverseFor = 2.0;
            stuckFor = 0.0;
        }
        reverseFor -= dt;
        const double turn = TurnToTarget();
        const bool reversing = reverseFor > 0.0;
        // Backing out, the wheels point the other way to swing the nose round.
        const double steer = reversing ? -turn : turn;
        const double wanted = std::abs(turn) > 30.0 ? speed * 0.3 : speed;
        Hold(car, SDLK_LEFT, steer > 4.0, car->IsLeftHeld());
        Hold(car, SDLK_RIGHT, steer < -4.0, car->IsRightHeld());
        Hold(car, SDLK_UP, !reversing && v < wanted, car->IsForwardHeld());
        Hold(car, SDLK_DOWN, reversing || v > wanted + 100.0, car->IsBackwardHeld());
    }

private:
    // The turn, counter-clockwise positive, that faces the car at its target.
    double TurnToTarget() const {
        const Point centre = car->GetRotationCenter();
        const Point pivot(car->GetX() + car->GetWidth() * centre.x,
                          car->GetY() + car->GetHeight() * centre.y);
        Point facing(0.0, -1.0);
        RotatePoint(facing, Point(0.0, 0.0), car->GetRotation());
        return -AngleBetween(true, car->compassTarget - pivot, facing);
    }

    ASP_Player* car;
    double speed;
    double stuckFor = 0.0;
    double reverseFor = 0.0;
};

// Drives the car until it finishes or the time runs out; answers the checkpoints in the order taken.
std::vector<int> DriveRace(ASP_Game& game, ASP_Player* car, double speed, double seconds) {
    game.Update(4.0);  // the whole countdown in one frame
    ScriptedDriver driver(car, speed);
    std::vector<int> taken{car->lastCheckpoint};
    for (double t = 0.0; t < seconds && !car->finished; t += kDt) {
        driver.Drive(kDt);
        game.Update(kDt);
        if (taken.back() != car->lastCheckpoint) {
            taken.push_back(car->lastCheckpoint);
        }
    }
    return taken;
}

// A race on kTrack with real cars: the shipped Vulcan, 80 x 160 pixels.
class RaceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        game = std::make_unique<ASP_Game>(app.get());
        world = game->GetWorld();
        world->Load(folder.Write("world.dat", kTrack));
        car = AddCar();
    }

    ASP_Player* AddCar() {
        const std::string controls = "controls" + std::to_string(world->GetPlayers().size());
        world->AddPlayer("dat\\cars.dat", "Vulcan", folder.File("config.ini"), controls);
        return world->GetPlayers().back();
    }
    void Press(SDLKey key) {
        SDL_Event e{};
        e.type = e.key.type = SDL_KEYDOWN;
        e.key.keysym.sym = key;
        game->OnKeyDown(&e);
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
        return label != nullptr && label->IsVisible() ? label->GetText() : "(hidden)";
    }

    TempFolder folder;
    std::unique_ptr<ASP_Game> game;
    ASP_World* world = nullptr;
    ASP_Player* car = nullptr;
};

}  // namespace

TEST_F(RaceTest, CountdownShowsThreeTwoOneGoForFourSecondsWhileEscapeDoesNotPauseAndTheCarsWait) {
    Press(SDLK_UP);
    std::vector<int> shown;
    while (game->GetState() == State::Countdown && shown.size() < 10) {
        EXPECT_EQ(car->GetVelocity(), Point(0.0, 0.0));
        Press(SDLK_ESCAPE);
        game->Update(0.5);
        shown.push_back(static_cast<int>(game->GetCountdownLabel()->GetAnimPos()));
    }
    EXPECT_EQ(shown, (std::vector<int>{3, 3, 2, 2, 1, 1, 0, 0}));
    EXPECT_EQ(game->GetState(), State::Racing);
    // The key pressed during the countdown reached the car; the start push sends it up the world.
    EXPECT_TRUE(car->IsForwardHeld());
    EXPECT_LT(car->GetVelocity().y, 0.0);
}

TEST_F(RaceTest, ScriptedDriverTakesTheCheckpointsInOrderCompletesTheLapsWinsAndSetsTheRecords) {
    game->KeepRecords("loop.dat", folder.File("records.ini"));
    const std::vector<int> taken = DriveRace(*game, car, 350.0, 240.0);
    ASSERT_TRUE(car->finished) << "stuck at checkpoint " << car->lastCheckpoint << ", lap " << car->lap;
    EXPECT_EQ(taken, (std::vector<int>{-1, 0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(game->GetState(), State::Finished);
    EXPECT_FALSE(game->GetResumeButton()->IsVisible());
    EXPECT_EQ(StandingsRow(0), "1. Player 1 - records!");
    EXPECT_EQ(StandingsRow(1), "(hidden)");
    const ASP_TrackRecords kept = ASP_LapRecords(folder.File("records.ini")).Get("loop.dat");
    EXPECT_NEAR(kept.lap.time, car->bestLapTime, 0.01);
    // The results freeze the world.
    const Point at(car->GetX(), car->GetY());
    game->Update(kDt);
    EXPECT_EQ(Point(car->GetX(), car->GetY()), at);
}

TEST_F(RaceTest, BothCarsLeadUntilOneTakesALineOnlyCheckpointsInOrderCountAndStandingsListEachCarOnce) {
    ASP_Player* other = AddCar();
    EXPECT_EQ(car->position, 1);
    EXPECT_EQ(other->position, 1);
    game->Update(4.0);
    // Of two cars at the same checkpoint, the later one ranks behind.
    PassOver(other, 0);
    PassOver(car, 0);
    EXPECT_EQ(other->position, 1);
    EXPECT_EQ(car->position, 2);
    // Checkpoint 2 without 1 is not counted, nor is the finish line without the others a lap.
    PassOver(car, 2);
    EXPECT_EQ(car->lastCheckpoint, 0);
    PassOver(car, 0);
    EXPECT_EQ(car->lap, 1);
    for (int checkpoint : {1, 2, 0}) {
        PassOver(car, checkpoint);
    }
    EXPECT_EQ(car->lap, 2);
    EXPECT_EQ(car->position, 1);
    EXPECT_EQ(other->position, 2);

    // The standings list every car once even when positions collide.
    EXPECT_EQ(StandingsOrder({1, 1, 1, 1}), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(StandingsOrder({4, 4, 1}), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(StandingsOrder({2, 9, 0}), (std::vector<int>{2, 0, 1}));
    car->position = 2;
    game->BuildStandings();
    EXPECT_EQ(StandingsRow(0), "2. Player 2");
    EXPECT_EQ(StandingsRow(1), "2. Player 1");
    EXPECT_EQ(StandingsRow(2), "(hidden)");
}

TEST_F(RaceTest, EscapePausesAndTheQuitButtonOnlyAsksTheOwnerWhoDeletesTheRaceAfterTheClick) {
    game->Update(4.0);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(game->GetState(), State::Paused);
    const Point at(car->GetX(), car->GetY());
    game->Update(kDt);
    game->Draw(nullptr);
    EXPECT_EQ(Point(car->GetX(), car->GetY()), at);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(game->GetState(), State::Racing);
    game->Update(kDt);
    EXPECT_NE(Point(car->GetX(), car->GetY()), at);

    Press(SDLK_ESCAPE);
    // A real click on the quit button, which follows the resume button in the pause menu.
    const Point quit = QuadCenter(game->GetPauseMenu()->GetSprite(2)->GetCorners());
    SDL_Event e{};
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = static_cast<Uint16>(quit.x);
    e.button.y = static_cast<Uint16>(quit.y);
    e.type = e.button.type = SDL_MOUSEBUTTONDOWN;
    game->OnMouseButtonDown(&e);
    e.type = e.button.type = SDL_MOUSEBUTTONUP;
    game->OnMouseButtonUp(&e);
    ASSERT_TRUE(game->QuitRequested());
    EXPECT_EQ(game->GetState(), State::Paused);
    EXPECT_EQ(currentGame, game.get());
    // What the owner does once the event has been handled.
    game.reset();
    EXPECT_EQ(currentGame, nullptr);
}

using ShippedTrack = GLTest;

// The shipped circuit can be driven: three laps through every checkpoint in order.
TEST_F(ShippedTrack, ScriptedDriverCompletesEveryLap) {
    ASP_Game game(app.get());
    ASP_World* world = game.GetWorld();
    world->Load("dat\\world0.dat");
    ASSERT_TRUE(world->AddPlayer("dat\\cars.dat", "Vulcan", "config.ini", "controls0"));
    ASP_Player* car = world->GetPlayers().front();

    const std::vector<int> taken = DriveRace(game, car, 450.0, 600.0);

    ASSERT_TRUE(car->finished) << "stuck at checkpoint " << car->lastCheckpoint << ", lap " << car->lap;
    std::vector<int> expected{-1};
    for (int lap = 0; lap < world->GetLaps(); ++lap) {
        for (int k = 0; k < world->GetRequiredCheckpoints(); ++k) {
            expected.push_back(k);
        }
    }
    expected.push_back(0);
    EXPECT_EQ(taken, expected);
    EXPECT_EQ(game.GetState(), ASP_Game::RaceState::Finished);
}
