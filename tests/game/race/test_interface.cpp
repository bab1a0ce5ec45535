#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/texture_manager.h"
#include "game/race/interface.h"
#include "game/race/player.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

// The shipped start lights, stretched over the top of the 128 x 128 window.
class StartLightsTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        hud.Load(
            dir.Write("interface.dat",
                      "[startLights]\nwidth=128\nheight=32\ntexture=gfx\\hud\\lights.png\ntileWidth=256\n"
                      "tileHeight=64\nlamps=3\n"));
    }

    // Each lamp as drawn: R red, G green, - dark, blank where nothing is drawn.
    std::string Lamps(double startIn, double raceTime) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        race.startIn = startIn;
        raced.record.raceTime = raceTime;
        hud.Draw(&car, race, nullptr);
        std::string lamps;
        for (int lamp = 0; lamp < 3; ++lamp) {
            // Lamp centres of the 256 x 64 frame, 58 pixels apart, at half the size.
            const Rgba p = Pixel(64 + (lamp - 1) * 29, 16);
            lamps +=
                p.r > 150 && p.g < 90 ? 'R' : (p.g > 150 && p.r < 120 ? 'G' : (p.r | p.g | p.b ? '-' : ' '));
        }
        return lamps;
    }

    TempFolder dir;
    CTextureManager textures;
    ASP_Interface hud{app->GetFontFactory(), &textures};
    ASP_Car raced{ASP_CarModel()};
    ASP_Player car{nullptr, raced, false};
    ASP_Interface::RaceFacts race;
};

}  // namespace

// With the countdown's 3, 2, 1 a lamp more turns red; all turn green at its GO and go out a second
// after the cars may go; a race without a countdown shows none.
TEST_F(StartLightsTest, RedLampsCountDownTurnGreenAtGoThenGoOut) {
    const struct {
        double startIn, raceTime;
        const char* lamps;
    } cases[] = {{9.0, 0.0, "---"}, {4.0, 0.0, "R--"},  {3.5, 0.0, "R--"}, {2.2, 0.0, "RR-"},
                 {1.5, 0.0, "RRR"}, {0.4, 0.0, "GGG"},  {0.0, 0.0, "GGG"}, {0.0, 0.9, "GGG"},
                 {0.0, 1.0, "   "}, {0.0, 60.0, "   "}, {-1.0, 0.0, "   "}};
    for (const auto& c : cases) {
        EXPECT_EQ(Lamps(c.startIn, c.raceTime), c.lamps) << c.startIn << " " << c.raceTime;
    }
    // Without lamps, or for times that are not times, no lights.
    for (const auto& [startIn, lamps] : {std::pair(2.0, 0), std::pair(std::nan(""), 4)}) {
        EXPECT_EQ(StartLightsFrame(startIn, 0.0, lamps), -1) << startIn << " " << lamps;
    }
    EXPECT_EQ(StartLightsFrame(1e300, 0.0, 3), 0);
}
