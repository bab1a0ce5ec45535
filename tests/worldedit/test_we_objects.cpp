#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/ini.h"
#include "engine/texture_manager.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"
#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/objects/we_physics_sprite.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/objects/we_static_sprite.h"

namespace {

class WorldEditorObjects : public GLTest {
protected:
    // Loads section "obj" of a file holding body and gives the new file the object saves it to.
    std::string Resaved(ASP_WE_Object& object, const std::string& body) {
        object.Load("obj", folder.Write("source.dat", "[obj]\n" + body));
        const std::string saved = folder.File("saved" + std::to_string(++trips) + ".dat");
        EXPECT_TRUE(object.Save("obj", saved));
        return saved;
    }
    // Sets each name=value in turn; SetProperty's answers: 0 taken, -2 value refused, -1 no such name.
    std::string Set(ASP_WE_Object& object, const std::string& assignments) {
        std::istringstream list(assignments);
        std::string answers;
        for (std::string item; list >> item;) {
            const size_t equals = item.find('=');
            const int answer = object.SetProperty(item.substr(0, equals), item.substr(equals + 1), console);
            answers += (answers.empty() ? "" : " ") + std::to_string(answer);
        }
        return answers;
    }
    std::string Printed(ASP_WE_Object& object) {
        std::ostringstream out;
        object.Print(out);
        return out.str();
    }

    TempFolder folder;
    CTextureManager textures;
    std::ostringstream console;
    int trips = 0;
};

TEST_F(WorldEditorObjects, EachKindTakesOnlyWhatItHasAndStaticObjectsKeepWhatTheRaceWouldRead) {
    // What they load comes back in the save of the shipped track (the editor's whole-program test).
    ASP_WE_GroundSprite tile(nullptr, &textures);
    tile.SetY(2048.0);
    EXPECT_EQ(
        Set(tile,
            "X=7.5 y=12px texture=gfx\\tiles\\none.png surface=gfx\\tiles\\surface_1_0.png angle=5 z=0"),
        "0 -2 -2 0 -1 -1");
    EXPECT_EQ(Point(tile.GetX(), tile.GetY()), Point(7.5, 2048.0));
    ASP_WE_StartSprite start(nullptr, &textures);
    EXPECT_EQ(Set(start, "Angle=45 rot=45 width=45"), "0 -1 -1");
    ASP_WE_CheckpointSprite checkpoint(nullptr, &textures);
    EXPECT_EQ(Set(checkpoint, "ISFINISH=TRUE isFinish=yes index=x"), "0 -2 -2");
    EXPECT_TRUE(checkpoint.isFinish);

    // A missing picture keeps its name; no animPos means the first frame; a depth outside -1..1 is refused.
    ASP_WE_StaticSprite object(nullptr, &textures);
    const std::string gone = "gfx\\objects\\gone.png";
    EXPECT_EQ(GetIniString("obj", "texture", "", Resaved(object, "texture=" + gone)), gone);
    const std::string saved = Resaved(
        object,
        "texture=gfx\\objects\\flag.png\ntileWidth=64\ntileHeight=64\nanimStart=2\nanimEnd=2\nz=1.5\n");
    EXPECT_EQ(GetIniInt("obj", "animPos", -1, saved), 2);
    EXPECT_EQ(GetIniDouble("obj", "z", -1, saved), 0.0);

    EXPECT_EQ(Set(object, "Z=-1 z=5 rotX=0 tileWidth=3.9 texture=gfx\\objects\\none.png mass=3"),
              "0 0 0 -2 -2 -1");
    EXPECT_EQ(object.GetZ(), -1.0);
    // Four frames of 8 x 32 pixels, running: no position to set or show until they stop.
    EXPECT_EQ(Set(object,
                  "texture=gfx\\objects\\cone.png tileWidth=8 tileHeight=32 animPos=1 animSpeed=2 animEnd=3"),
              "0 0 0 0 0 0");
    EXPECT_TRUE(Set(object, "animPos=1") == "-1" && Printed(object).find("animPos") == std::string::npos);
    EXPECT_EQ(Set(object, "animStart=3"), "0");
    EXPECT_FALSE(object.IsAnimated());

    ASP_WE_PhysicsSprite body(nullptr, &textures);
    EXPECT_EQ(GetIniDouble("obj", "bounce", -1.0, Resaved(body, "z=-0.5\nmass=250\nfixedPos=1\n")), 0.0);
    EXPECT_NE(Printed(body).find("fixedLoc: true\n"), std::string::npos);
    EXPECT_EQ(Set(body, "fixedLoc=false"), "0");
    // The file's name for it is taken too; the depth is the bodies' own.
    EXPECT_EQ(Set(body, "FIXEDPOS=1 z=0.5"), "0 0");
    EXPECT_TRUE(body.fixedPos);
    EXPECT_EQ(console.str(), "Z-Value may not be set on physics sprites.\n");
}

}  // namespace
