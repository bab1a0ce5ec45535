#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/platform/paths.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "tests/support/editor_test.h"
#include "worldedit/road.h"
#include "worldedit/road_tool.h"
#include "worldedit/we_checkpoint_sprite.h"
#include "worldedit/we_ground_sprite.h"
#include "worldedit/we_physics_sprite.h"
#include "worldedit/we_start_sprite.h"

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
    for (const char* car : {"Vulcan", "Comet", "Dune"}) {
        ASSERT_GE(race.AddCar(ASP_CarSpec::Load(kCarFile, car),
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

}  // namespace
