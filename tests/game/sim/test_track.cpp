#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "tests/support/bmp_file.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

uint32_t Rgb(SurfaceColor c) {
    return static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b;
}

// A 4 x 3 map as 0xRRGGBB: column 0 red but blue at the bottom, column 3 green, the rest white
// (colours every pixel size keeps exactly).
Uint32 MapColour(int x, int y) {
    return x == 0 ? (y == 2 ? 0x0000FF : 0xFF0000) : (x == 3 ? 0x00FF00 : 0xFFFFFF);
}

// A track of one 4 x 3 tile at (10, 20) whose surface map is the file map, with a modifier for
// each colour of MapColour (accel 1 to 4 for red, green, blue, white).
class TrackTest : public testing::Test {
protected:
    bool Load(const std::string& map) {
        const std::string world = folder.Write(
            "world.dat", "[main]\nmapTiles=1\nmodifiers=4\n[map0]\nx=10\ny=20\ntexture=" +
                             WriteSolidBmp(folder.File("tile.bmp"), 4, 3, 0) + "\nsurface=" + map +
                             "\n[mod0]\nr=255\naccel=1\n[mod1]\ng=255\naccel=2\n[mod2]\nb=255\naccel=3\n"
                             "[mod3]\nr=255\ng=255\nb=255\naccel=4\n");
        track = ASP_Track();
        return track.Load(world, pictures);
    }
    uint32_t ColourAt(Point p) const {
        const int m = track.ModifierIndexAt(p);
        const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
        return m < 0 ? 0 : colours[m];
    }

    TempFolder folder;
    ASP_PictureFiles pictures;
    ASP_Track track;
};

}  // namespace

TEST_F(TrackTest, CountedSectionsLoadAndHugeCountsAreRefusedWithAnError) {
    const std::string world = folder.Write(
        "world.dat",
        "[main]\nmodifiers=2\nstatics=10001\nphysObjects=2000000000\ncheckpoints=1\nplayers=2\n"
        "[checkpoint0]\nindex=0\nx=5\n[mod0]\nr=300\ng=2\nb=3\n[mod1]\nr=1\n[start1]\nx=100\ny=50\nrot=90\n");
    const std::string log = Logged([&] { EXPECT_TRUE(track.Load(world, pictures)); });
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "ERROR in class ASP_Track: Refused \"physObjects\" = 2000000000 in section main of " +
                            world + ": more than 10000, none loaded.\n",
                        log);
    EXPECT_TRUE(track.GetObjects().empty());
    ASSERT_EQ(track.GetAllCheckpoints().size(), 1u);
    EXPECT_EQ(track.GetModifiers().at(0).r, 300 & 0xFF);
    ASSERT_EQ(track.GetStartPositions().size(), 2u);
    EXPECT_EQ(track.GetStartPositions()[1].rot, 90.0);
    const std::string missing = Logged([&] { EXPECT_FALSE(track.Load(folder.File("none.dat"), pictures)); });
    EXPECT_EQ(missing, "FATAL ERROR in class ASP_Track: Failed to locate world file " +
                           folder.File("none.dat") + "\n");
}

// Read through files of every pixel size (a palette picture stays one; 16 bits lose colour as a file).
TEST_F(TrackTest, SurfaceMapsReadOneToFourBytesPerPixel) {
    for (int bits : {8, 24, 32}) {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 3, bits, 0, 0, 0, 0);
        // Only a paletted surface takes the colours.
        SDL_Color palette[] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {255, 255, 255, 0}};
        SDL_SetColors(s, palette, 0, 4);
        for (int i = 0; i < 12; ++i) {
            const Uint32 c = MapColour(i % 4, i / 4);
            SDL_Rect pixel{static_cast<Sint16>(i % 4), static_cast<Sint16>(i / 4), 1, 1};
            SDL_FillRect(s, &pixel, SDL_MapRGB(s->format, c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        }
        const std::string file = folder.File(std::to_string(bits) + ".bmp");
        ASSERT_EQ(SDL_SaveBMP(s, file.c_str()), 0);
        SDL_FreeSurface(s);
        ASSERT_TRUE(Load(file));
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(ColourAt(Point(10.5 + i % 4, 20.5 + i / 4)), MapColour(i % 4, i / 4))
                << bits << " " << i;
        }
    }
}

// The map's name is resolved like every data file; the first tile under a point tells, edges
// truncate toward zero, outside is no information; maps of 2, 12, 200 and 400 colours read alike;
// a broken map is no information.
TEST_F(TrackTest, NameIsResolvedLikeEveryDataFileEdgesTruncateAndABrokenMapSaysNothing) {
    std::filesystem::create_directory(folder.File("maps"));
    WriteBmp(folder.File("maps/surface.bmp"), 4, 3, MapColour);
    // A Windows name in another letter case, as world files written by the editor have it.
    ASSERT_TRUE(Load(folder.path + "\\MAPS\\Surface.BMP"));
    EXPECT_EQ(ColourAt(Point(13.9, 20.0)), 0x00FF00u);
    EXPECT_EQ(ColourAt(Point(10.0, 22.99)), 0x0000FFu);
    for (Point p :
         {Point(9.0, 20.0), Point(14.0, 20.0), Point(10.0, 23.0), Point(1e300, -1e300), Point(NAN, 20.0)}) {
        EXPECT_EQ(ColourAt(p), 0u) << p.x << " " << p.y;
    }
    for (int n : {2, 12, 200, 400}) {
        const auto map = pictures.SurfaceMap(WriteBmp(folder.File(std::to_string(n) + ".bmp"), 20, 20,
                                                      [n](int x, int y) { return (x * 20u + y) % n; }));
        ASSERT_NE(map, nullptr);
        for (int i = 0; i < 400; ++i) {
            EXPECT_EQ(Rgb(map->At(i / 20, i % 20)), static_cast<uint32_t>(i % n)) << n << " " << i;
        }
    }
    const std::string log = Logged([&] { Load(folder.Write("broken.bmp", "not an image")); });
    EXPECT_NE(log.find("Failed to load surface map"), std::string::npos);
    EXPECT_EQ(ColourAt(Point(10.0, 20.0)), 0u);
}

// A movable object on ground no modifier describes (here: pushing along its motion) is dragged and
// pushed only while it moves, and its spin dies away.
TEST(TrackObjects, GroundDragsAndPushesAMovingObjectAndItsSpinDiesAway) {
    TempFolder folder;
    ASP_PictureFiles pictures;
    ASP_Race race;
    ASSERT_TRUE(race.Load(
        folder.Write("world.dat",
                     "[main]\nmodifiers=1\nphysObjects=1\n[mod0]\nactiveAccel=300\n[phys0]\nx=500\ny=500\n"
                     "mass=1000\n"),
        pictures));
    ASP_Body& crate = const_cast<ASP_Body&>(race.GetObjects()[0].body);
    const double dt = ASP_Race::kStep;
    crate.motion.SetVelocity(Point(100.0, 0.0));
    race.Step({});
    // The drag of 200000 and the push of 300, both over the mass.
    EXPECT_NEAR(crate.motion.GetVelocity().x, 100.0 - 200.0 * dt + 0.3 * dt, 1e-9);
    crate.motion.SetVelocity(Point(0.0, 0.0));
    race.Step({});
    EXPECT_EQ(crate.motion.GetVelocity(), Point(0.0, 0.0));
    // 95 % of its spin is lost per second; below 5 degrees per second it stops.
    for (const auto& [before, after] : {std::pair{100.0, 100.0 * (1.0 - dt * 0.95)}, {-5.03, 0.0}}) {
        crate.motion.SetSpin(before);
        race.Step({});
        EXPECT_NEAR(crate.motion.GetSpin(), after, 1e-9) << before;
    }
}

// Two checkpoints, centred on (100, 10) and (1100, 10), and a car on the grid between them. A line
// that misses a checkpoint, or lists a point it does not give, or gives one as no usable number,
// gives way to the line through the checkpoints' centres; a point repeated is dropped; a computer
// car on that line drives on at a position of numbers.
TEST(RacingLineTest, MissingNaNAndFarPointsRefuseTheLineAndRepeatsAreDropped) {
    const std::string track =
        "[main]\nrequiredCheckpoints=2\ncheckpoints=2\nplayers=1\n[start0]\nx=500\ny=100\nrot=90\n"
        "[checkpoint0]\nwidth=200\nheight=20\nisFinish=1\n[checkpoint1]\nx=1000\nwidth=200\nheight=20\n"
        "index=1\n[racingLine]\n";
    const std::string around = "x0=100\ny0=10\nx2=1100\ny2=10\nx3=600\ny3=500\n";
    const struct {
        std::string points;
        size_t kept;
        std::string warning;
    } cases[] = {
        {around + "points=500\nx1=100\ny1=10\n", 2,
         "has no x4; the checkpoints' centres guide the computer cars instead."},
        {around + "points=4\nx1=nan\ny1=10\n", 2, "has x1 = nan, not a number"},
        {around + "points=4\nx1=1e300\ny1=-1e300\n", 2,
         "has x1 = 1e300, not a number from -1e+007 to 1e+007"},
        {around + "points=4\nx1=600\ny1=1e400\n", 2, "has y1 = 1e400, not a"},
        {around + "points=4\nx1=100\ny1=10\n", 3, "repeats a point 1 time(s); the repeats are dropped."},
        {around + "points=-3\n", 2, "ERROR in ASP_RacingLine: Refused a racing line of -3 points"},
        {"points=3\nx0=100\ny0=10\nx1=600\ny1=500\nx2=100\ny2=500\n", 2, "misses checkpoint 1"},
    };
    TempFolder folder;
    ASP_PictureFiles pictures;
    for (const auto& [points, kept, warning] : cases) {
        ASP_Race race;
        const std::string file = folder.Write("track.dat", track + points);
        const std::string log = Logged([&] { race.Load(file, pictures); });
        EXPECT_EQ(race.GetTrack().GetRacingLine().GetPoints().size(), kept) << points;
        EXPECT_NE(log.find(warning), std::string::npos) << log;
        race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan"),
                    std::make_unique<ASP_ComputerDriver>(ASP_Difficulty::Normal));
        race.Start({});
        for (int i = 0; i < 360; ++i) {
            race.Step({});
        }
        const ASP_Body& car = race.GetCars()[0]->body;
        EXPECT_TRUE(std::isfinite(car.GetX() + car.GetY()) && car.GetX() != 500.0) << points;
    }
    // Set directly, a line keeps no repeat either (the last is before the first), and one of a
    // single place is none.
    ASP_RacingLine line;
    line.SetPoints({{0, 0}, {0, 0}, {100, 0}, {100, 100}, {0, 0}});
    EXPECT_EQ(line.GetPoints().size(), 3u);
    line.SetPoints({{5, 5}, {5, 5}});
    EXPECT_TRUE(line.IsEmpty());
}
