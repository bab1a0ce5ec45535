#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/platform/paths.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "tests/support/editor_test.h"
#include "tests/support/logged.h"
#include "track/track_list.h"
#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/objects/we_physics_sprite.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/road/road.h"
#include "worldedit/road/road_tool.h"

namespace {

// A field of 4 x 3 tiles with a rounded rectangle of a road through six points, driven clockwise.
const char kRoadWorld[] =
    "[main]\nlaps=1\n"
    "[road]\npoints=6\nx0=2048\ny0=500\nx1=3500\ny1=700\nx2=3500\ny2=2400\nx3=2048\ny3=2600\nx4=600\ny4="
    "2400\n"
    "x5=600\ny5=700\nwidth=360\ntheme=sand\ntilesAcross=4\ntilesDown=3\n";

class RoadEditor : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        saved = GetPathRoots();
        SetPathRoots({saved.data, folder.File("user/"), folder.File("user/")});
    }
    void TearDown() override {
        app.reset();
        SetPathRoots(saved);
    }
    size_t Count(const ASP_WE_ObjectKind& kind) { return app->Document().ObjectsOf(kind).size(); }

    PathRoots saved;
};

// The road built into a track: tiles over the field, checkpoints in driving order with the finish at
// the first point, eight start positions behind it facing the road's way, walls, a racing line and
// the surfaces; one undo takes it all back. The game loads it and three computer cars finish a lap.
TEST_F(RoadEditor, ABuiltRoadIsATrackTheGameLoadsAndComputerCarsFinish) {
    Open(kRoadWorld);
    Key(SDLK_r);
    Key(SDLK_b);
    ASSERT_TRUE(Said("Built the track: 12 tiles")) << out.str();
    ASP_WE_TrackDocument& document = app->Document();
    EXPECT_EQ(Count(ASP_WE_GroundSprite::kind), 12u);
    EXPECT_EQ(Count(ASP_WE_StartSprite::kind), 8u);
    EXPECT_GE(Count(ASP_WE_PhysicsSprite::kind), 40u);
    const std::vector<ASP_WE_CheckpointSprite*> checkpoints = document.Checkpoints();
    ASSERT_GE(checkpoints.size(), 5u);
    EXPECT_EQ(document.requiredCheckpoints, static_cast<int>(checkpoints.size()));
    const ASP_WE_CentreLine line(document.road.line.points);
    size_t previous = 0;
    for (size_t i = 0; i < checkpoints.size(); ++i) {
        const ASP_WE_CheckpointSprite& c = *checkpoints[i];
        const Point centre(c.GetX() + c.GetWidth() / 2.0, c.GetY() + c.GetHeight() / 2.0);
        const size_t along = line.Nearest(centre);
        EXPECT_EQ(c.index, static_cast<int>(i));
        EXPECT_EQ(c.isFinish, i == 0);
        EXPECT_TRUE(i == 0 ? Length(centre - Point(2048, 500)) < 1.0 : along > previous) << i;
        EXPECT_GE(c.GetWidth(), document.road.width);
        previous = along;
    }
    for (ASP_WE_Object* start : document.ObjectsOf(ASP_WE_StartSprite::kind)) {
        const CImageSprite& car = start->Sprite();
        // Left of the finish line on the top straight, turned to face right.
        EXPECT_LT(car.GetX() + car.GetWidth() / 2.0, 2048.0 - 60.0);
        EXPECT_NEAR(std::fmod(start->Turnable()->GetRotation() + 360.0, 360.0), 270.0, 25.0);
    }
    EXPECT_GT(document.racingLine.points.size(), 50u);
    ASSERT_TRUE(app->Undo());
    EXPECT_EQ(std::vector<size_t>({Count(ASP_WE_GroundSprite::kind), Count(ASP_WE_CheckpointSprite::kind),
                                   Count(ASP_WE_StartSprite::kind), document.racingLine.points.size()}),
              std::vector<size_t>({0, 0, 0, 0}));
    ASSERT_TRUE(app->Redo());

    const std::string file = Save();
    ASP_PictureFiles pictures;
    ASP_Race race;
    ASSERT_TRUE(race.Load(file, pictures));
    // The road, a kerb on the outside of the sharpest bend, the verge, the field (sand) and beyond the
    // map: the modifiers in the palette's order. (Points on a tile's far edge read nothing.)
    long bend = 0;
    for (long i = 0; i < static_cast<long>(line.Count()); ++i) {
        bend = std::fabs(line.Turn(i, 10)) > std::fabs(line.Turn(bend, 10)) ? i : bend;
    }
    const double outwards = line.Turn(bend, 10) > 0.0 ? -1.0 : 1.0;
    const std::pair<Point, int> surfaces[] = {{{2040, 500}, 0},
                                              {line.At(bend) + line.Right(bend) * (outwards * 192.0), 1},
                                              {{2040, 500 - 180 - 40}, 2},
                                              {{2000, 1500}, 3},
                                              {{-10, -10}, 4}};
    for (const auto& [at, modifier] : surfaces) {
        EXPECT_EQ(race.GetTrack().ModifierIndexAt(at), modifier) << at.x << ", " << at.y;
    }
    for (const char* car : {"Vulcan", "Comet", "Dune"}) {
        ASSERT_GE(race.AddCar(ASP_CarModel::Load(kCarFile, car),
                              std::make_unique<ASP_ComputerDriver>(ASP_Difficulty::Normal)),
                  0);
    }
    race.Start({});
    for (double t = 0.0; t < 240.0 && !race.IsOver(); t += ASP_Race::kStep) {
        race.Step({});
    }
    for (const auto& car : race.GetCars()) {
        EXPECT_TRUE(car->record.finished) << "stuck at " << car->body.GetX() << ", " << car->body.GetY();
    }
}

// Points laid into the nearest segment, dragged and deleted, the width and the surroundings: each a
// step that undo takes back; hidden, the road takes no keys. A road that runs into the walls of its
// field is not built, and the track stays as it was.
TEST_F(RoadEditor, TheRoadIsEditedStepByStepAndARoadIntoTheWallsIsNotBuilt) {
    Open("[main]\n[road]\ntilesAcross=1\ntilesDown=1\n");
    ASP_WE_Road& road = app->Document().road;
    auto keyAt = [this](SDLKey key, int x, int y) {
        Move(x, y);
        Key(key);
    };
    keyAt(SDLK_p, 300, 150);
    EXPECT_TRUE(road.line.points.empty());
    Key(SDLK_r);
    for (const Point& p : {Point(300, 150), Point(1000, 150), Point(1000, 600), Point(300, 600)}) {
        keyAt(SDLK_p, static_cast<int>(p.x), static_cast<int>(p.y));
    }
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1003, 148);
    Move(1103, 98);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1103, 98);
    keyAt(SDLK_DELETE, 300, 600);
    Key(SDLK_RIGHTBRACKET);
    Key(SDLK_t);
    const std::vector<Point> dragged = {{300, 150}, {1100, 100}, {1000, 600}};
    EXPECT_EQ(std::tuple(road.line.points, road.width, road.theme),
              std::tuple(dragged, 380.0, std::string("sand")));
    ASSERT_TRUE(app->Undo() && app->Undo() && app->Undo());
    EXPECT_EQ(road.line.points, (std::vector<Point>{{300, 150}, {1100, 100}, {1000, 600}, {300, 600}}));
    ASSERT_TRUE(app->Undo());
    EXPECT_EQ(road.line.points[1], Point(1000, 150));

    Key(SDLK_b);
    EXPECT_TRUE(Said("The road near its point ") && Said("runs into the walls round the field")) << out.str();
    EXPECT_EQ(Count(ASP_WE_GroundSprite::kind) + Count(ASP_WE_CheckpointSprite::kind), 0u);
}

// A new checkpoint takes the shipped picture (offered first), the next free index, the finish's
// flag for index 0, and across the road under the pointer its width with the kerbs and some
// run-off; away from the road a new track's finish width. A save proposes the opened file.
TEST_F(RoadEditor, NewCheckpointsTakeTheirDefaultsAndASaveProposesTheOpenedFile) {
    Open(
        "[main]\n[road]\npoints=4\nx0=300\ny0=150\nx1=1000\ny1=150\nx2=1000\ny2=600\nx3=300\ny3=600\n"
        "width=200\n");
    const struct {
        int x, y, index;
        double width, angle;
    } cases[] = {{640, 150, 0, 448.0, 270.0}, {640, 600, 1, 448.0, 90.0}, {640, 375, 2, 600.0, 0.0}};
    for (const auto& c : cases) {
        Move(c.x, c.y);
        Type("checkpoint\n\n");
        Key(SDLK_a);
        auto* added = dynamic_cast<ASP_WE_CheckpointSprite*>(app->selected);
        ASSERT_NE(added, nullptr) << out.str();
        std::ostringstream shown;
        added->Print(shown);
        EXPECT_NE(shown.str().find("texture: gfx\\objects\\checkpoint.png\n"), std::string::npos);
        EXPECT_EQ(std::tuple(added->index, added->isFinish, added->GetWidth(), added->GetHeight()),
                  std::tuple(c.index, c.index == 0, c.width, 60.0));
        EXPECT_NEAR(added->GetRotation(), c.angle, 1.0) << c.index;
        Click(SDL_BUTTON_LEFT, c.x, c.y);
    }
    EXPECT_TRUE(Said("  1  gfx\\objects\\checkpoint.png\n"));
    Type("y\n\n");
    ASSERT_TRUE(app->SaveWorld());
    EXPECT_TRUE(Said("File name (Enter for " + worldFile + "): "));
    EXPECT_NE(folder.Read(worldFile).find("checkpoints=3"), std::string::npos);
}

// A track saved in the user's dat folder is offered for the game's list: first refused with what it
// lacks (in the window too), then, built, listed after the shipped tracks with a preview rendered
// from it; once its file is gone the game leaves it out with a warning.
TEST_F(RoadEditor, ASavedTrackJoinsTheGamesListAfterTheShippedOnesWithItsPreview) {
    std::filesystem::create_directories(folder.File("user/dat"));
    const std::string world = folder.Write("user/dat/my_oval.dat", kRoadWorld);
    Type(world + "\n");
    app->OnInit();
    Render();
    const std::vector<int> unmarked = Pixel(60, app->height / 3 + 10);
    Type("y\n\ny\n");
    ASSERT_TRUE(app->SaveWorld());
    EXPECT_TRUE(Said("The game cannot race the track yet:\n  No finish line") &&
                Said("  The grid has 0 start positions; a race needs 4.\n"))
        << out.str();
    Render();
    EXPECT_NE(Pixel(60, app->height / 3 + 10), unmarked);
    Key(SDLK_r);
    Key(SDLK_b);
    Type("y\n\ny\n\n");
    ASSERT_TRUE(app->SaveWorld());
    EXPECT_TRUE(Said("Listed \"My oval\" in the game's tracks, with the preview gfx\\tracks\\my_oval.png."))
        << out.str();
    const std::string preview = folder.Read(folder.File("user/gfx/tracks/my_oval.png"));
    EXPECT_EQ(preview.substr(16, 8), std::string("\0\0\1\0\0\0\1\0", 8));

    // Pictures of a build that no saved file names are gone when the editor closes.
    const std::string tiles = folder.File("user/gfx/tiles");
    auto pictures = [&tiles] { return std::distance(std::filesystem::directory_iterator(tiles), {}); };
    Key(SDLK_RIGHTBRACKET);
    Key(SDLK_b);
    EXPECT_EQ(pictures(), 48);
    app->OnCleanup();
    EXPECT_EQ(pictures(), 24);

    std::vector<ASP_TrackEntry> tracks = LoadTrackList("dat\\tracks.dat");
    ASSERT_EQ(tracks.size(), 4u);
    EXPECT_EQ(std::tuple(tracks[0].world, tracks[3].world, tracks[3].name, tracks[3].preview),
              std::tuple(std::string("world0.dat"), std::string("my_oval.dat"), std::string("My oval"),
                         std::string("gfx\\tracks\\my_oval.png")));
    std::filesystem::remove(world);
    const std::string log = Logged([&] { tracks = LoadTrackList("dat\\tracks.dat"); });
    EXPECT_EQ(tracks.size(), 3u);
    EXPECT_NE(log.find("WARNING in ASP_TrackList: Track track0 of "), std::string::npos) << log;
}

}  // namespace
