#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
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
    // Loads section "obj" of a file holding body and saves it to a new file, then expects the keys
    // to read the same from both.
    void RoundTrip(ASP_WE_Object& object, const std::string& body, const std::vector<std::string>& keys) {
        ++trips;
        source = folder.Write("source" + std::to_string(trips) + ".dat", "[obj]\n" + body);
        saved = folder.File("saved" + std::to_string(trips) + ".dat");
        object.Load("obj", source);
        ASSERT_TRUE(object.Save("obj", saved));
        for (const std::string& key : keys) {
            EXPECT_EQ(GetIniString("obj", key, "(none)", saved), GetIniString("obj", key, "(none)", source))
                << key;
        }
    }
    int Set(ASP_WE_Object& object, const std::string& name, const std::string& value) {
        return object.SetProperty(name, value, console);
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
    int trips = 0;
};

TEST_F(WorldEditorObjects, GroundTileRoundTripsTakesItsPictureSizeAndRefusesWhatItCannotTake) {
    ASP_WE_GroundSprite tile(nullptr, &textures);
    RoundTrip(tile,
              "x=1024\ny=2048\ntexture=gfx\\tiles\\ground_0_0.png\nsurface=gfx\\tiles\\surface_0_0.png\n",
              {"x", "y", "texture", "surface"});
    EXPECT_EQ(tile.GetWidth(), 1024.0);
    // 0 for a value taken, -2 for a value refused, -1 for a name the object does not have.
    const std::pair<const char*, const char*> sets[] = {{"X", "7.5"},
                                                        {"y", "12px"},
                                                        {"texture", "gfx\\tiles\\none.png"},
                                                        {"surface", "gfx\\tiles\\surface_1_0.png"},
                                                        {"angle", "5"},
                                                        {"z", "0"}};
    std::string results;
    for (const auto& [name, value] : sets) {
        results += std::to_string(Set(tile, name, value)) + " ";
    }
    EXPECT_EQ(results, "0 -2 -2 0 -1 -1 ");
    EXPECT_EQ(Point(tile.GetX(), tile.GetY()), Point(7.5, 2048.0));
    EXPECT_EQ(tile.surface, "gfx\\tiles\\surface_1_0.png");
}

TEST_F(WorldEditorObjects, StartPositionStoresItsAngleAsRot) {
    ASP_WE_StartSprite start(nullptr, &textures);
    RoundTrip(start, "x=425\ny=1800\nrot=90\n", {"x", "y", "rot"});
    EXPECT_EQ(GetIniString("obj", "angle", "(none)", saved), "(none)");
    EXPECT_EQ(Set(start, "Angle", "45"), 0);
    EXPECT_EQ(start.GetRotation(), 45.0);
    EXPECT_EQ(Set(start, "rot", "45") + Set(start, "width", "45"), -2);
}

TEST_F(WorldEditorObjects, StaticObjectRoundTripsEveryKeyAndKeepsWhatTheRaceWouldRead) {
    ASP_WE_StaticSprite object(nullptr, &textures);
    RoundTrip(object, kStaticSection, kStaticKeys);
    // A picture that is missing keeps its name.
    ASP_WE_StaticSprite missing(nullptr, &textures);
    RoundTrip(missing, "texture=gfx\\objects\\gone.png\n", {"texture"});
    // Without animPos the race starts at the first frame; a depth outside -1 to 1 is not taken.
    ASP_WE_StaticSprite other(nullptr, &textures);
    RoundTrip(other,
              "texture=gfx\\objects\\flag.png\ntileWidth=64\ntileHeight=64\nanimStart=2\nanimEnd=2\nz=1.5\n",
              {});
    EXPECT_EQ(GetIniInt("obj", "animPos", -1, saved), 2);
    EXPECT_EQ(GetIniDouble("obj", "z", -1, saved), 0.0);
}

TEST_F(WorldEditorObjects, StaticObjectPropertiesAndARunningAnimationWithoutAPosition) {
    ASP_WE_StaticSprite object(nullptr, &textures);
    EXPECT_EQ(Set(object, "Z", "-1"), 0);
    EXPECT_EQ(Set(object, "z", "5"), 0);
    EXPECT_EQ(object.GetZ(), -1.0);
    EXPECT_EQ(Set(object, "rotX", "0"), 0);
    EXPECT_EQ(object.GetRotationCenter(), Point(0.0, 0.5));
    EXPECT_EQ(Set(object, "tileWidth", "3.9") + Set(object, "texture", "gfx\\objects\\none.png"), -4);
    EXPECT_EQ(Set(object, "mass", "3"), -1);
    // Four frames of 8 x 32 pixels.
    const std::pair<const char*, const char*> frames[] = {{"texture", "gfx\\objects\\cone.png"},
                                                          {"tileWidth", "8"},
                                                          {"tileHeight", "32"},
                                                          {"animPos", "1"},
                                                          {"animSpeed", "2"},
                                                          {"animEnd", "3"}};
    for (const auto& [name, value] : frames) {
        EXPECT_EQ(Set(object, name, value), 0) << name;
    }
    EXPECT_TRUE(object.IsAnimated());
    // A running animation has no position to set or show.
    EXPECT_EQ(Set(object, "animPos", "1"), -1);
    EXPECT_EQ(Printed(object).find("animPos"), std::string::npos);
    EXPECT_EQ(Set(object, "animStart", "3"), 0);
    EXPECT_FALSE(object.IsAnimated());
}

TEST_F(WorldEditorObjects, CheckpointRoundTripsAndTakesWordsOrDigitsForIsFinish) {
    ASP_WE_CheckpointSprite checkpoint(nullptr, &textures);
    std::vector<std::string> keys = kStaticKeys;
    keys.insert(keys.end(), {"index", "isFinish"});
    RoundTrip(checkpoint, std::string(kStaticSection) + "index=4\nisFinish=1\n", keys);
    EXPECT_EQ(Set(checkpoint, "isFinish", "0"), 0);
    EXPECT_FALSE(checkpoint.isFinish);
    EXPECT_EQ(Set(checkpoint, "ISFINISH", "TRUE"), 0);
    EXPECT_TRUE(checkpoint.isFinish);
    EXPECT_EQ(Set(checkpoint, "isFinish", "yes") + Set(checkpoint, "index", "x"), -4);
}

TEST_F(WorldEditorObjects, PhysicsObjectRoundTripsNamesFixedPosFixedLocAndKeepsItsDepth) {
    ASP_WE_PhysicsSprite body(nullptr, &textures);
    std::vector<std::string> keys = kStaticKeys;
    keys.insert(keys.end(), {"mass", "bounce", "fixedPos", "fixedRot"});
    RoundTrip(body, std::string(kStaticSection) + "mass=250\nbounce=0.3\nfixedPos=1\nfixedRot=0\n", keys);
    EXPECT_NE(Printed(body).find("fixedLoc: true\n"), std::string::npos);
    EXPECT_EQ(Set(body, "fixedLoc", "false"), 0);
    EXPECT_FALSE(body.fixedPos);
    // The file's name for it is taken too.
    EXPECT_EQ(Set(body, "FIXEDPOS", "1"), 0);
    EXPECT_TRUE(body.fixedPos);
    EXPECT_EQ(Set(body, "z", "0.5"), 0);
    EXPECT_EQ(body.GetZ(), -0.5);
    EXPECT_EQ(console.str(), "Z-Value may not be set on physics sprites.\n");
    // Without bounce: the race's default.
    RoundTrip(body, "mass=5\n", {});
    EXPECT_EQ(GetIniDouble("obj", "bounce", -1.0, saved), 0.0);
}

TEST(WorldEditorTypedValues, WholeTextMustBeTheNumber) {
    double d = 0.0;
    int i = 0;
    for (const auto& [text, value] :
         {std::pair{" 1.5 ", 1.5}, std::pair{"-1e3", -1000.0}, std::pair{".5", 0.5}}) {
        EXPECT_TRUE(ParseDouble(text, d) && d == value) << text;
    }
    for (const char* bad : {"", "abc", "12abc", "1.5.2", "nan", "inf", "1e999", "0x10", "1e", "."}) {
        EXPECT_FALSE(ParseDouble(bad, d)) << bad;
    }
    EXPECT_TRUE(ParseInt("-42", i) && i == -42);
    for (const char* bad : {"3.9", "99999999999", "", "+"}) {
        EXPECT_FALSE(ParseInt(bad, i)) << bad;
    }
}

}  // namespace
