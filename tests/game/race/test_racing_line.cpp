#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "game/race/computer_driver.h"
#include "game/race/game.h"
#include "game/race/player.h"
#include "game/race/racing_line.h"
#include "game/race/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

// Two checkpoints, centred on (100, 10) and (1100, 10), and a car on the grid between them. A point
// the racing line lists but does not give, or gives as no usable number, refuses the line for the
// line through the checkpoints' centres; a point repeated (P pressed twice in the editor) is dropped,
// and a computer car on that line drives on at a position of numbers.
class RacingLineTest : public GLTest {};

TEST_F(RacingLineTest, MissingNaNAndFarPointsRefuseTheLineAndRepeatsAreDropped) {
    const std::string track =
        "[main]\nrequiredCheckpoints=2\ncheckpoints=2\nplayers=1\n[start0]\nx=500\ny=100\nrot=90\n"
        "[checkpoint0]\nwidth=200\nheight=20\nisFinish=1\n[checkpoint1]\nx=1000\nwidth=200\nheight=20\n"
        "index=1\n[racingLine]\nx0=100\ny0=10\nx2=1100\ny2=10\nx3=600\ny3=500\n";
    const struct {
        std::string points;
        size_t kept;
        std::string warning;
    } cases[] = {
        {"points=500\nx1=100\ny1=10\n", 2,
         "has no x4; the checkpoints' centres guide the computer cars instead."},
        {"points=4\nx1=nan\ny1=10\n", 2, "has x1 = nan, not a number"},
        {"points=4\nx1=1e300\ny1=-1e300\n", 2, "has x1 = 1e300, not a number from -1e+007 to 1e+007"},
        {"points=4\nx1=600\ny1=1e400\n", 2, "has y1 = 1e400, not a"},
        {"points=4\nx1=100\ny1=10\n", 3, "repeats a point 1 time(s); the repeats are dropped."},
    };
    TempFolder folder;
    for (const auto& [points, kept, warning] : cases) {
        auto game = std::make_unique<ASP_Game>(app.get());
        const std::string file = folder.Write("track.dat", track + points);
        const std::string log = Logged([&] { game->GetWorld()->Load(file); });
        const ASP_RacingLine& line = game->GetWorld()->GetRacingLine();
        EXPECT_EQ(line.GetPoints().size(), kept) << points;
        EXPECT_NE(log.find(warning), std::string::npos) << log;
        ASSERT_TRUE(AddComputerCar(*game->GetWorld(), "dat\\cars.dat", "Vulcan", ASP_Difficulty::Normal));
        const ASP_Player* car = game->GetWorld()->GetPlayers().front();
        for (int i = 0; i < 90; ++i) {
            game->Update(i == 0 ? 4.0 : 1.0 / 30.0);
        }
        EXPECT_TRUE(std::isfinite(car->GetX() + car->GetY()) && car->GetX() != 500.0) << points;
    }
    // Set directly, a line keeps no repeat either (the last is before the first), and one of a
    // single place is none.
    ASP_RacingLine line;
    line.SetPoints({{0, 0}, {0, 0}, {100, 0}, {100, 100}, {0, 0}});
    EXPECT_EQ(line.GetPoints().size(), 3u);
    line.SetPoints({{5, 5}, {5, 5}});
    EXPECT_TRUE(line.IsEmpty());
}
