#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/ini.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "tests/support/editor_test.h"
#include "tests/support/logged.h"

namespace {

// A square through the checkpoint's centre.
const char kSquare[] =
    "[racingLine]\npoints=4\nx0=200\ny0=200\nx1=600\ny1=200\nx2=600\ny2=500\nx3=200\ny3=500\n";

class RacingLineEditor : public EditorTest {
protected:
    // The pointer to (x, y), then the key.
    void KeyAt(SDLKey key, int x, int y) {
        Move(x, y);
        Key(key);
    }
    // The line the race reads from a save of the editor's world.
    std::vector<Point> RaceLine() {
        ASP_PictureFiles pictures;
        ASP_Race race;
        race.Load(Save(), pictures);
        return race.GetTrack().GetRacingLine().GetPoints();
    }
};

TEST_F(RacingLineEditor, AddMoveAndDeleteAreUndoneRedoneAndReachTheRaceAndTheLayerShowsOnlyWhenOn) {
    Open(std::string(kWorld) + kSquare);
    // With the layer off the keys edit nothing.
    KeyAt(SDLK_p, 400, 180);
    Key(SDLK_l);
    const std::vector<std::vector<Point>> states = {
        {{200, 200}, {600, 200}, {600, 500}, {200, 500}},
        {{200, 200}, {400, 180}, {600, 200}, {600, 500}, {200, 500}},
        {{200, 200}, {400, 180}, {600, 200}, {640, 528}, {200, 500}},
        {{200, 200}, {400, 180}, {640, 528}, {200, 500}},
    };
    KeyAt(SDLK_p, 400, 180);
    // Dragged on the grid, taken 3 pixels left of and 2 below the point.
    Key(SDLK_g);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 597, 502);
    Move(637, 526);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 637, 526);
    Key(SDLK_g);
    KeyAt(SDLK_DELETE, 605, 195);
    EXPECT_EQ(RaceLine(), states[3]);
    for (int i = 2; i >= 0; --i) {
        ASSERT_TRUE(app->Undo());
        EXPECT_EQ(RaceLine(), states[i]) << i;
    }
    ASSERT_TRUE(app->Redo() && app->Redo() && app->Redo());
    // Without points no section is written, and the race drives round the only checkpoint.
    for (const Point& p : states[3]) {
        KeyAt(SDLK_DELETE, static_cast<int>(p.x), static_cast<int>(p.y));
    }
    EXPECT_EQ(RaceLine().size(), 4u);
    EXPECT_EQ(folder.Read(folder.File("saved.dat")).find("racingLine"), std::string::npos);

    for (const char* count : {"20000", "-3"}) {
        Open(std::string(kWorld) + "[racingLine]\npoints=" + count + "\nx0=1\ny0=2\n");
        EXPECT_TRUE(app->racingLine.points.empty());
    }

    const std::vector<int> orange = {255, 120, 0}, grey = {170, 170, 170};
    // Two checkpoints' centres, (200, 310) and (600, 310), stand for a missing line.
    const std::string second = ReplaceAll(kWorld, "checkpoints=1", "checkpoints=2\nrequiredCheckpoints=2") +
                               "[checkpoint1]\nx=500\ny=300\nwidth=200\nheight=20\nindex=1\n"
                               "texture=gfx\\objects\\checkpoint.png\n";
    const std::tuple<std::string, int, int, std::vector<int>> cases[] = {
        {std::string(kWorld) + kSquare, 400, 200, orange}, {second, 400, 310, grey}};
    for (const auto& [text, x, y, colour] : cases) {
        Open(text);
        Render();
        EXPECT_NE(Pixel(x, y), colour);
        Key(SDLK_l);
        Render();
        EXPECT_EQ(Pixel(x, y), colour) << text;
    }
}

// P pressed twice in one place lays one point, a point dropped on its neighbour merges with it, a
// file's repeats are dropped, and a line with a point missing or too far is refused.
TEST_F(RacingLineEditor, NoPointIsLaidOrKeptTwiceInOnePlaceAndALineWithAMissingPointIsRefused) {
    Open(std::string(kWorld) + kSquare);
    Key(SDLK_l);
    KeyAt(SDLK_p, 400, 180);
    KeyAt(SDLK_p, 400, 180);
    EXPECT_EQ(app->racingLine.points.size(), 5u);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 600, 200);
    Move(400, 180);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 400, 180);
    EXPECT_EQ(app->racingLine.points, (std::vector<Point>{{200, 200}, {400, 180}, {600, 500}, {200, 500}}));
    ASSERT_TRUE(app->Undo());
    EXPECT_EQ(app->racingLine.points.size(), 5u);

    Open(std::string(kWorld) + ReplaceAll(kSquare, "points=4", "points=5") + "x4=200\ny4=200\n");
    EXPECT_TRUE(app->racingLine.points.size() == 4u &&
                Said("Dropped 1 repeated point(s) of the racingLine.\n"));
    Open(std::string(kWorld) + ReplaceAll(kSquare, "points=4", "points=6"));
    EXPECT_TRUE(app->racingLine.points.empty() && Said("point 4 is missing or not a number"));
    // A point too far for the race is refused as the race refuses it, not saved for it to ignore.
    Open(std::string(kWorld) + ReplaceAll(kSquare, "y2=500", "y2=-1e300"));
    EXPECT_TRUE(app->racingLine.points.empty() && Said("point 2 is missing or not a number"));
}

// An object added while a point of the line is held follows the pointer at once; the point is let
// go where it is.
TEST_F(RacingLineEditor, AnObjectAddedWhileALinePointIsHeldFollowsThePointer) {
    Open(std::string(kWorld) + kSquare);
    Key(SDLK_l);
    Move(600, 200);
    Click(SDL_BUTTON_LEFT, 600, 200);
    Type("static\ngfx\\objects\\cone.png\n");
    Key(SDLK_a);
    Move(700, 300);
    const CSprite& cone = app->selected->Sprite();
    EXPECT_EQ(std::pair(app->racingLine.points[1], Point(cone.GetX(), cone.GetY())),
              std::pair(Point(600, 200), Point(684, 284)));
}

// A new track has one checkpoint, its finish line; a line laid beside it gives way to a lap round it,
// which a computer car drives from the grid through the finish.
TEST_F(RacingLineEditor, ANewTracksLineThatMissesItsFinishGivesWayToALapThatTheComputerCarsDrive) {
    Type(folder.File("new.dat") + "\ny\n3\n2\ngfx\\tiles\\ground_0_0.png\ngfx\\tiles\\surface_0_0.png\n");
    app->OnInit();
    ASSERT_FALSE(app->quit) << out.str();
    app->Document().racingLine.points = {{100, 100}, {900, 100}, {900, 300}};
    const std::string file = Save();
    ASP_PictureFiles pictures;
    ASP_Race race;
    const std::string log = Logged([&] { race.Load(file, pictures); });
    EXPECT_NE(log.find("misses checkpoint 0; the checkpoints' centres guide"), std::string::npos) << log;
    ASSERT_EQ(race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan"),
                          std::make_unique<ASP_ComputerDriver>(ASP_Difficulty::Normal)),
              0);
    const ASP_Car& car = *race.GetCars().front();
    race.Start({});
    for (double t = 0.0; t < 24.0 && car.record.lap == 0; t += ASP_Race::kStep) {
        race.Step({});
    }
    EXPECT_GE(car.record.lap, 1) << "stuck at " << car.body.GetX() << ", " << car.body.GetY();
}

}  // namespace
