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

namespace {

// Two checkpoints 1000 pixels apart, a car on the grid between them, and a racing line of three
// points through both: (100, 10), (1100, 10), (600, 500).
const char kTrack[] =
    "[main]\nrequiredCheckpoints=2\ncheckpoints=2\nplayers=1\n[start0]\nx=500\ny=100\nrot=90\n"
    "[checkpoint0]\nwidth=200\nheight=20\nisFinish=1\n[checkpoint1]\nx=1000\nwidth=200\nheight=20\nindex=1\n";
const char kFallback[] = "; the checkpoints' centres guide the computer cars instead.";

class RacingLineTest : public GLTest {
protected:
    // The world's line read from kTrack with the section; what was logged.
    std::string Load(const std::string& section) {
        game = std::make_unique<ASP_Game>(app.get());
        const std::string file = folder.Write("track.dat", kTrack + ("[racingLine]\n" + section));
        return Logged([&] { game->GetWorld()->Load(file); });
    }
    const ASP_RacingLine& Line() const { return game->GetWorld()->GetRacingLine(); }

    TempFolder folder;
    std::unique_ptr<ASP_Game> game;
};

// A point the file lists but does not give, or gives as no usable number, refuses the line for the
// line through the checkpoints' centres; a point repeated (P pressed twice in the editor) is dropped.
TEST_F(RacingLineTest, MissingNaNAndFarPointsRefuseTheLineAndRepeatsAreDropped) {
    const char* const kRest = "x2=1100\ny2=10\nx3=600\ny3=500\n";
    const struct {
        std::string section;
        size_t points;
        std::string warning;
    } cases[] = {
        {std::string("points=4\nx0=100\ny0=10\nx1=100\ny1=10\n") + kRest, 3, "repeats a point 1 time(s)"},
        {std::string("points=5\nx0=100\ny0=10\nx1=100\ny1=10\n") + kRest + "x4=100\ny4=10\n", 3,
         "repeats a point 2 time(s)"},
        {"points=500\nx0=100\ny0=10\nx1=1100\ny1=10\nx2=600\ny2=500\n", 2,
         "has no x3" + std::string(kFallback)},
        {std::string("points=4\nx0=100\ny0=10\nx1=nan\ny1=10\n") + kRest, 2, "has x1 = nan, not a number"},
        {std::string("points=4\nx0=100\ny0=10\nx1=1e300\ny1=-1e300\n") + kRest, 2, "has x1 = 1e300, not a"},
        {std::string("points=4\nx0=100\ny0=10\nx1=600\ny1=1e400\n") + kRest, 2, "has y1 = 1e400, not a"},
    };
    for (const auto& [section, points, warning] : cases) {
        const std::string log = Load(section);
        EXPECT_EQ(Line().GetPoints().size(), points) << section;
        EXPECT_NE(log.find(warning), std::string::npos) << log;
        for (double x = -500.0; x < 2000.0; x += 250.0) {
            EXPECT_TRUE(std::isfinite(Line().ProgressOf(Point(x, 300.0))) &&
                        std::isfinite(Line().GetLength()));
        }
    }
    // A computer car on a line whose repeat was dropped drives on, at a position of numbers.
    Load("points=4\nx0=100\ny0=10\nx1=100\ny1=10\nx2=1100\ny2=10\nx3=600\ny3=500\n");
    ASSERT_TRUE(AddComputerCar(*game->GetWorld(), "dat\\cars.dat", "Vulcan", ASP_Difficulty::Normal));
    const ASP_Player* car = game->GetWorld()->GetPlayers().front();
    game->Update(4.0);
    for (int i = 0; i < 90; ++i) {
        game->Update(1.0 / 30.0);
    }
    EXPECT_TRUE(std::isfinite(car->GetX()) && std::isfinite(car->GetY()) && car->GetX() != 500.0);

    // Set directly, a line keeps no repeat either, and one of a single place is none.
    ASP_RacingLine line;
    line.SetPoints({{0, 0}, {0, 0}, {100, 0}, {100, 100}, {0, 0}});
    EXPECT_EQ(line.GetPoints().size(), 3u);
    line.SetPoints({{5, 5}, {5, 5}});
    EXPECT_TRUE(line.IsEmpty());
}

}  // namespace
