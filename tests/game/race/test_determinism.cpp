#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/race/game.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"
#include "tests/support/gl_test.h"

namespace {

// Two humans who weave and brake, one resetting, and two computer cars, on the shipped circuit.
ASP_Replay Recorded() {
    ASP_Replay replay;
    std::tie(replay.world, replay.seed, replay.difficulty) =
        std::tuple("world0.dat", 3, ASP_Difficulty::Normal);
    replay.cars = {{"Vulcan", false}, {"Comet", true}, {"Hornet", false}, {"Dune", true}};
    for (int s = 0; s < 2400; ++s) {
        std::vector<ASP_Command> commands(4);
        for (int human : {0, 2}) {
            ASP_Command& c = commands[static_cast<size_t>(human)];
            c.forward = s % 300 < 250 ? 255 : 0;
            c.backward = s % 300 >= 280 ? 255 : 0;
            c.left = (s + human * 50) % 240 < 40 ? 200 : 0;
            c.right = (s + human * 90) % 360 < 30 ? 255 : 0;
            c.flags = s == 1200 + human ? ASP_Command::kReset : 0;
        }
        replay.Record(commands);
    }
    return replay;
}

// The race of a replay, set up as the game sets it up.
template <class AddCar>
void AddCars(const ASP_Replay& replay, AddCar add) {
    for (const ASP_ReplayCar& car : replay.cars) {
        add(car);
    }
}

}  // namespace

class Determinism : public GLTest {};

// The same commands give the same race to the bit, step by step: headless, and in the game with one
// view at 60 frames per second or four views at 144, drawn every frame. Nothing the views do (their
// cameras, their culling, the frame rate) reaches the race.
TEST_F(Determinism, TheRaceIsTheSameHeadlessAndWithAnyViewsAndFrameRate) {
    const ASP_Replay replay = Recorded();
    ASP_PictureFiles pictures;
    ASP_Race headless(replay.seed);
    ASSERT_TRUE(headless.Load("dat\\world0.dat", pictures));
    AddCars(replay, [&](const ASP_ReplayCar& car) {
        headless.AddCar(ASP_CarModel::Load(kCarFile, car.car),
                        car.computer ? std::make_unique<ASP_ComputerDriver>(replay.difficulty) : nullptr);
    });
    std::vector<uint64_t> hashes;
    headless.Start(replay.CommandsAt(0));
    hashes.push_back(headless.StateHash());
    for (long long s = 1; s < replay.Steps(); ++s) {
        headless.Step(replay.CommandsAt(s));
        hashes.push_back(headless.StateHash());
    }
    for (const auto& [views, frame] :
         {std::pair{std::vector<int>{0}, 1.0 / 60.0}, std::pair{std::vector<int>{0, 1, 2, 3}, 1.0 / 144.0}}) {
        SCOPED_TRACE(views.size());
        ASP_Game game(app.get(), {}, replay.seed);
        ASP_World& world = *game.GetWorld();
        ASSERT_TRUE(world.Load("dat\\world0.dat"));
        AddCars(replay, [&](const ASP_ReplayCar& car) {
            car.computer ? world.AddComputerCar(kCarFile, car.car, replay.difficulty)
                         : world.AddPlayer(kCarFile, car.car, "", "controls0");
        });
        game.Play(std::make_unique<ASP_Replay>(replay));
        world.viewed = views;
        game.Update(ASP_Game::kCountdownSeconds);
        int compared = 0;
        while (game.GetState() == ASP_Game::RaceState::Racing) {
            const long long step = game.GetRace().GetSteps();
            ASSERT_LT(static_cast<size_t>(step), hashes.size());
            ASSERT_EQ(game.GetRace().StateHash(), hashes[static_cast<size_t>(step)]) << "at step " << step;
            game.Draw(nullptr);
            game.Update(frame);
            ++compared;
        }
        EXPECT_GT(compared, 1000);
        EXPECT_EQ(game.GetRace().GetSteps(), replay.Steps() - 1);
    }
}
