#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "engine/texture_manager.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"
#include "worldedit/we_checkpoint_sprite.h"
#include "worldedit/we_ground_sprite.h"
#include "worldedit/we_physics_sprite.h"
#include "worldedit/we_start_sprite.h"
#include "worldedit/we_static_sprite.h"

namespace {

const char kStaticSection[] =
    "x=12.5\ny=-40\nz=-0.5\nwidth=128\nheight=64\nrotX=0.25\nrotY=0.75\nangle=30\n"
    "texture=gfx\\objects\\flag.png\ntileWidth=64\ntileHeight=64\nanimStart=0\nanimEnd=3\n"
    "animPos=2\nanimSpeed=4\n";
const std::vector<std::string> kStaticKeys = {"x",          "y",         "z",       "width",   "height",
                                              "rotX",       "rotY",      "angle",   "texture", "tileWidth",
                                              "tileHeight", "animStart", "animEnd", "animPos", "animSpeed"};

class WorldEditorObjects : public GLTest {
protected:
    // Loads section "obj" of a file holding body, saves it to a second file and returns both names.
    void RoundTrip(ASP_WE_Object& object, const std::string& body) {
        source = folder.Write("source.dat", "[obj]\n" + body);
        saved = folder.File("saved.dat");
        object.Load("obj", source);
        ASSERT_TRUE(object.Save("obj", saved));
    }

    void ExpectSameKeys(const std::vector<std::string>& keys) {
        for (const std::string& key : keys) {
            EXPECT_EQ(GetIniString("obj", key, "<none>", saved), GetIniString("obj", key, "<none>", source))
                << key;
        }
    }

    std::string Printed(ASP_WE_Object& object) {
        std::ostringstream out;
        object.Print(out);
        return out.str();
    }

    TempFolder folder;
    CTextureManager textures;
    std::ostringstream console;
    std::string source;
    std::string saved;
};

TEST_F(WorldEditorObjects, GroundTileRoundTripsTakesPictureSizeAndPrints) {
    ASP_WE_GroundSprite tile(nullptr, &textures);
    RoundTrip(tile,
              "x=1024\ny=2048\ntexture=gfx\\tiles\\ground_0_0.png\nsurface=gfx\\tiles\\surface_0_0.png\n");
    ExpectSameKeys({"x", "y", "texture", "surface"});
    EXPECT_EQ(tile.GetWidth(), 1024.0);
    EXPECT_EQ(tile.GetZ(), -1.0);
    EXPECT_FALSE(tile.GetTexture()->smooth);
    EXPECT_EQ(
        Printed(tile),
        "x: 1024\ny: 2048\ntexture: gfx\\tiles\\ground_0_0.png\nsurface: gfx\\tiles\\surface_0_0.png\n");
}

TEST_F(WorldEditorObjects, GroundTileProperties) {
    ASP_WE_GroundSprite tile(nullptr, &textures);
    EXPECT_EQ(tile.SetProperty("X", "7.5", console), 0);
    EXPECT_EQ(tile.GetX(), 7.5);
    EXPECT_EQ(tile.SetProperty("y", "abc", console), -2);
    EXPECT_EQ(tile.SetProperty("y", "12px", console), -2);
    EXPECT_EQ(tile.GetY(), 0.0);
    EXPECT_EQ(tile.SetProperty("texture", "gfx\\tiles\\none.png", console), -2);
    EXPECT_EQ(tile.SetProperty("surface", "gfx\\tiles\\surface_1_0.png", console), 0);
    EXPECT_EQ(tile.surface, "gfx\\tiles\\surface_1_0.png");
    EXPECT_EQ(tile.SetProperty("angle", "5", console), -1);
    EXPECT_EQ(tile.SetProperty("z", "0", console), -1);
}

TEST_F(WorldEditorObjects, StartPositionStoresAngleAsRotAndShowsTheCar) {
    ASP_WE_StartSprite start(nullptr, &textures);
    RoundTrip(start, "x=425\ny=1800\nrot=90\n");
    ExpectSameKeys({"x", "y", "rot"});
    EXPECT_EQ(GetIniString("obj", "angle", "<none>", saved), "<none>");
    EXPECT_EQ(start.GetWidth(), 113.0);
    EXPECT_EQ(start.GetHeight(), 200.0);
    EXPECT_EQ(Printed(start), "x: 425\ny: 1800\nangle: 90\n");
    EXPECT_EQ(start.SetProperty("Angle", "45", console), 0);
    EXPECT_EQ(start.GetRotation(), 45.0);
    EXPECT_EQ(start.SetProperty("rot", "45", console), -1);
    EXPECT_EQ(start.SetProperty("width", "45", console), -1);
}

TEST_F(WorldEditorObjects, StaticObjectRoundTripsEveryKeyAndStandsStill) {
    ASP_WE_StaticSprite object(nullptr, &textures);
    RoundTrip(object, kStaticSection);
    ExpectSameKeys(kStaticKeys);
    EXPECT_FALSE(object.IsAnimated());
    EXPECT_FALSE(object.GetTexture()->smooth);
    EXPECT_EQ(Printed(object),
              "x: 12.5\ny: -40\nz: -0.5\nwidth: 128\nheight: 64\nrotX: 0.25\nrotY: 0.75\nangle: 30\n"
              "texture: gfx\\objects\\flag.png\ntileWidth: 64\ntileHeight: 64\nanimStart: 0\nanimEnd: 3\n"
              "animPos: 2\nanimSpeed: 4\n");
}

TEST_F(WorldEditorObjects, StaticObjectWithoutAnimPosIsSavedWithItsFirstFrame) {
    ASP_WE_StaticSprite object(nullptr, &textures);
    RoundTrip(object,
              "texture=gfx\\objects\\flag.png\ntileWidth=64\ntileHeight=64\nanimStart=2\nanimEnd=2\nz=1.5\n");
    EXPECT_EQ(object.GetZ(), 0.0);
    EXPECT_EQ(GetIniInt("obj", "animPos", -1, saved), 2);
}

TEST_F(WorldEditorObjects, MissingPictureKeepsItsNameWhenSaved) {
    ASP_WE_StaticSprite object(nullptr, &textures);
    RoundTrip(object, "texture=gfx\\objects\\gone.png\n");
    EXPECT_EQ(GetIniString("obj", "texture", "", saved), "gfx\\objects\\gone.png");
}

TEST_F(WorldEditorObjects, StaticObjectProperties) {
    ASP_WE_StaticSprite object(nullptr, &textures);
    EXPECT_EQ(object.SetProperty("z", "5", console), 0);
    EXPECT_EQ(object.GetZ(), 0.0);
    EXPECT_EQ(object.SetProperty("Z", "-1", console), 0);
    EXPECT_EQ(object.GetZ(), -1.0);
    EXPECT_EQ(object.SetProperty("rotX", "0", console), 0);
    EXPECT_EQ(object.GetRotationCenter(), Point(0.0, 0.5));
    EXPECT_EQ(object.SetProperty("tileWidth", "3.9", console), -2);
    EXPECT_EQ(object.SetProperty("texture", "gfx\\objects\\cone.png", console), 0);
    EXPECT_EQ(object.SetProperty("texture", "gfx\\objects\\none.png", console), -2);
    // Four frames of 8 x 32 pixels.
    EXPECT_EQ(object.SetProperty("tileWidth", "8", console), 0);
    EXPECT_EQ(object.SetProperty("tileHeight", "32", console), 0);
    EXPECT_EQ(object.SetProperty("animPos", "1", console), 0);
    EXPECT_EQ(object.SetProperty("animSpeed", "2", console), 0);
    EXPECT_EQ(object.SetProperty("animEnd", "3", console), 0);
    EXPECT_TRUE(object.IsAnimated());
    // A running animation has no position to set or show.
    EXPECT_EQ(object.SetProperty("animPos", "1", console), -1);
    EXPECT_EQ(Printed(object).find("animPos"), std::string::npos);
    EXPECT_EQ(object.SetProperty("animStart", "3", console), 0);
    EXPECT_FALSE(object.IsAnimated());
    EXPECT_EQ(object.SetProperty("mass", "3", console), -1);
}

TEST_F(WorldEditorObjects, CheckpointRoundTripsAndTakesOnlyWordsForIsFinish) {
    ASP_WE_CheckpointSprite checkpoint(nullptr, &textures);
    RoundTrip(checkpoint, std::string(kStaticSection) + "index=4\nisFinish=1\n");
    ExpectSameKeys(kStaticKeys);
    ExpectSameKeys({"index", "isFinish"});
    EXPECT_NE(Printed(checkpoint).find("animSpeed: 4\nindex: 4\nisFinish: true\n"), std::string::npos);
    EXPECT_EQ(checkpoint.SetProperty("isFinish", "False", console), 0);
    EXPECT_FALSE(checkpoint.isFinish);
    EXPECT_EQ(checkpoint.SetProperty("ISFINISH", "TRUE", console), 0);
    EXPECT_TRUE(checkpoint.isFinish);
    EXPECT_EQ(checkpoint.SetProperty("isFinish", "1", console), -2);
    EXPECT_EQ(checkpoint.SetProperty("index", "x", console), -2);
    EXPECT_EQ(checkpoint.SetProperty("index", "2", console), 0);
    EXPECT_EQ(checkpoint.index, 2);
    EXPECT_EQ(checkpoint.SetProperty("x", "3", console), 0);
    EXPECT_EQ(checkpoint.GetX(), 3.0);
}

TEST_F(WorldEditorObjects, PhysicsObjectRoundTripsAndNamesFixedPosFixedLoc) {
    ASP_WE_PhysicsSprite body(nullptr, &textures);
    RoundTrip(body, std::string(kStaticSection) + "mass=250\nbounce=0.3\nfixedPos=1\nfixedRot=0\n");
    ExpectSameKeys(kStaticKeys);
    ExpectSameKeys({"mass", "bounce", "fixedPos", "fixedRot"});
    EXPECT_NE(Printed(body).find("mass: 250\nbounce: 0.3\nfixedLoc: true\nfixedRot: false\n"),
              std::string::npos);
    EXPECT_EQ(body.SetProperty("fixedLoc", "false", console), 0);
    EXPECT_FALSE(body.fixedPos);
    EXPECT_EQ(body.SetProperty("fixedPos", "true", console), -1);
    EXPECT_EQ(body.SetProperty("mass", "-3", console), 0);
    EXPECT_EQ(body.mass, -3.0);
    EXPECT_EQ(body.SetProperty("z", "0.5", console), 0);
    EXPECT_EQ(body.GetZ(), -0.5);
    EXPECT_EQ(console.str(), "Z-Value may not be set on physics sprites.\n");
}

TEST_F(WorldEditorObjects, PhysicsObjectWithoutBounceKeepsTheRaceDefault) {
    ASP_WE_PhysicsSprite body(nullptr, &textures);
    RoundTrip(body, "mass=5\n");
    EXPECT_EQ(body.bounce, 0.0);
    EXPECT_EQ(GetIniDouble("obj", "bounce", -1.0, saved), 0.0);
}

TEST_F(WorldEditorObjects, SavingReportsAKeyThatCannotBeWritten) {
    ASP_WE_GroundSprite tile(nullptr, &textures);
    // A line end cannot be stored in an INI value.
    tile.surface = "two\nlines";
    EXPECT_FALSE(tile.Save("obj", folder.File("saved.dat")));
    EXPECT_FALSE(tile.Save("obj", folder.File("no folder/saved.dat")));
}

TEST(WorldEditorTypedValues, WholeTextMustBeTheNumber) {
    double d = 0.0;
    int i = 0;
    EXPECT_TRUE(ParseDouble(" 1.5 ", d));
    EXPECT_EQ(d, 1.5);
    EXPECT_TRUE(ParseDouble("-1e3", d));
    EXPECT_EQ(d, -1000.0);
    EXPECT_TRUE(ParseDouble(".5", d));
    for (const char* bad : {"", "abc", "12abc", "1.5.2", "nan", "inf", "1e999", "0x10", "1e", "."}) {
        EXPECT_FALSE(ParseDouble(bad, d)) << bad;
    }
    EXPECT_TRUE(ParseInt("-42", i));
    EXPECT_EQ(i, -42);
    for (const char* bad : {"3.9", "99999999999", "", "+"}) {
        EXPECT_FALSE(ParseInt(bad, i)) << bad;
    }
}

}  // namespace
