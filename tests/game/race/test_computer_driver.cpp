#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/label_sprite.h"
#include "game/race/computer_driver.h"
#include "game/race/game.h"
#include "game/race/player.h"
#include "game/race/track_list.h"
#include "game/race/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

// Big fixed steps and no drawing keep nine whole races quick.
constexpr double kDt = 1.0 / 30.0;
constexpr double kTimeLimit = 240.0;
// Longest a computer car may run off the road (grass, sand, mud) in one go.
constexpr double kLongestOffRoad = 10.0;
// The scripted human sets off this late, so the race still runs when the computer cars finish.
constexpr double kHumanDelay = 90.0;

struct RaceOutcome {
    // Of each computer car, its race time.
    std::vector<double> times;
    double longestOffRoad = 0.0;
};

bool OffRoad(const ASP_World& world, const ASP_Player& car) {
    const Point c = car.GetRotationCenter();
    return world.GetModifierAt(car.LocalToGlobal(Point(c.x * car.GetWidth(), c.y * car.GetHeight())))
               .topSpeed < 0.9;
}

// Three computer cars and a scripted human until every computer car has finished.
RaceOutcome RaceComputers(CGameBase* app, const ASP_Track& track, ASP_Difficulty difficulty) {
    ASP_Game game(app);
    ASP_World* world = game.GetWorld();
    world->Load(track.WorldFile());
    world->AddPlayer("dat\\cars.dat", "Vulcan", "", "controls0");
    for (const char* car : {"Hornet", "Cadillac", "Comet"}) {
        AddComputerCar(*world, "dat\\cars.dat", car, difficulty);
    }
    const std::vector<ASP_Player*> cars = world->GetPlayers();
    ASP_ComputerDriver humanHands(*world, ASP_Difficulty::Easy);
    game.Update(4.0);
    RaceOutcome outcome;
    std::vector<double> offRoad(cars.size(), 0.0);
    const auto allDone = [&] {
        return std::all_of(cars.begin() + 1, cars.end(), [](auto* c) { return c->finished; });
    };
    for (double t = 0.0; t < kTimeLimit && !allDone(); t += kDt) {
        if (t > kHumanDelay) {
            humanHands.Drive(*cars[0], kDt);
        }
        game.Update(kDt);
        for (size_t i = 1; i < cars.size(); ++i) {
            offRoad[i] = OffRoad(*world, *cars[i]) && !cars[i]->finished ? offRoad[i] + kDt : 0.0;
            outcome.longestOffRoad = std::max(outcome.longestOffRoad, offRoad[i]);
        }
    }
    for (size_t i = 1; i < cars.size(); ++i) {
        outcome.times.push_back(cars[i]->finished ? cars[i]->raceTime : kTimeLimit * 2);
    }
    EXPECT_EQ(game.GetState(), ASP_Game::RaceState::Racing) << "the race waits for its human";
    return outcome;
}

}  // namespace

using ComputerOpponents = GLTest;

// Every shipped track (by its place in the track list) at every difficulty: three computer cars
// finish in time and stay on the road, and harder opponents are faster.
class ComputerRace : public GLTest, public testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(ShippedTrack, ComputerRace, testing::Values(0, 1, 2));

TEST_P(ComputerRace, EveryComputerCarFinishesOnTheRoadAndHarderOnesFaster) {
    const std::vector<ASP_Track> tracks = LoadTrackList("dat\\tracks.dat");
    ASSERT_EQ(tracks.size(), 3u);
    double slower = kTimeLimit * 2;
    for (ASP_Difficulty d : {ASP_Difficulty::Easy, ASP_Difficulty::Normal, ASP_Difficulty::Hard}) {
        SCOPED_TRACE(DifficultyText(d));
        const RaceOutcome outcome = RaceComputers(app.get(), tracks[static_cast<size_t>(GetParam())], d);
        double mean = 0.0;
        for (double time : outcome.times) {
            EXPECT_LT(time, kTimeLimit);
            mean += time / 3.0;
        }
        EXPECT_LT(outcome.longestOffRoad, kLongestOffRoad);
        EXPECT_LT(mean, slower);
        slower = mean;
    }
}

// Computer cars ignore the keys and get no view; the race ends with its one human, and the
// computer cars still running are ranked by how far they got.
TEST_F(ComputerOpponents, TheRaceEndsWithItsHumansAndRanksTheComputerCarsByProgress) {
    ASP_Game game(app.get());
    ASP_World* world = game.GetWorld();
    world->Load("dat\\world0.dat");
    world->AddPlayer("dat\\cars.dat", "Vulcan", "", "controls0");
    ASSERT_TRUE(AddComputerCar(*world, "dat\\cars.dat", "Comet", ASP_Difficulty::Easy));
    ASSERT_TRUE(AddComputerCar(*world, "dat\\cars.dat", "Dune", ASP_Difficulty::Hard));
    const std::vector<ASP_Player*> cars = world->GetPlayers();
    EXPECT_EQ(world->GetViewedPlayers(), std::vector<ASP_Player*>{cars[0]});
    cars[1]->OnKeyDown(SDLK_UP);
    EXPECT_FALSE(cars[1]->IsForwardHeld());

    game.Update(4.0);
    cars[1]->lap = cars[2]->lap = 2;
    cars[1]->lastCheckpoint = 3;
    cars[2]->lastCheckpoint = 5;
    world->FinishPlayer(cars[0]);
    EXPECT_EQ(game.GetState(), ASP_Game::RaceState::Finished);
    EXPECT_EQ(cars[2]->position, 2);
    EXPECT_EQ(cars[1]->position, 3);
    auto* row = dynamic_cast<CLabelSprite*>(game.GetStandingsLabel(1));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetText(), "2. Computer 3 Dune      DNF       00:00:00");
}

// A racing line that misses a checkpoint (copied from another track, say) gives way to a line
// through the checkpoints' centres.
TEST_F(ComputerOpponents, ARacingLineMustCrossEveryCheckpoint) {
    TempFolder folder;
    const std::string track =
        "[main]\nrequiredCheckpoints=2\ncheckpoints=2\n[checkpoint0]\nwidth=200\nheight=20\nisFinish=1\n"
        "[checkpoint1]\nx=1000\nwidth=200\nheight=20\nindex=1\n[racingLine]\npoints=3\n";
    const std::pair<std::string, size_t> cases[] = {{"x0=100\ny0=10\nx1=1100\ny1=10\nx2=600\ny2=500\n", 3},
                                                    {"x0=100\ny0=10\nx1=600\ny1=500\nx2=100\ny2=500\n", 2}};
    for (const auto& [line, points] : cases) {
        ASP_Game game(app.get());
        game.GetWorld()->Load(folder.Write("track.dat", track + line));
        EXPECT_EQ(game.GetWorld()->GetRacingLine().GetPoints().size(), points) << line;
    }
}
