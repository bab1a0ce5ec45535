#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"
#include "worldedit/asp_we_main.h"
#include "worldedit/we_checkpoint_sprite.h"
#include "worldedit/we_ground_sprite.h"
#include "worldedit/we_physics_sprite.h"
#include "worldedit/we_start_sprite.h"
#include "worldedit/we_static_sprite.h"

namespace {

// Three cones at (100, 100), (300, 100) and (500, 100), a 64-pixel crate tile at the origin, a car
// far from both, one checkpoint, one body, and the parts the editor does not edit.
const char kWorld[] =
    "[main]\nlaps=2\nmusic=mus\\track.ogg\nplayers=1\nmapTiles=1\nmodifiers=1\nstatics=3\ncheckpoints=1\n"
    "physObjects=1\n"
    "[start0]\nx=700\ny=400\nrot=0\n"
    "[map0]\ntexture=gfx\\objects\\crate.png\nx=0\ny=0\nsurface=gfx\\tiles\\surface_0_0.png\n"
    "[mod0]\nr=128\ng=128\nb=128\naccel=0.5\n"
    "[static0]\nx=100\ny=100\nwidth=64\nheight=64\ntexture=gfx\\objects\\cone.png\n"
    "[static1]\nx=300\ny=100\nwidth=64\nheight=64\ntexture=gfx\\objects\\cone.png\n"
    "[static2]\nx=500\ny=100\nwidth=64\nheight=64\ntexture=gfx\\objects\\cone.png\n"
    "[checkpoint0]\nx=100\ny=300\nwidth=200\nheight=20\ntexture=gfx\\objects\\checkpoint.png\nisFinish=1\n"
    "[phys0]\nx=300\ny=300\nwidth=64\nheight=64\ntexture=gfx\\objects\\barrel.png\nmass=5\n";

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool SameValue(const std::string& a, const std::string& b) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return a == b || TextToDouble(a, nan) == TextToDouble(b, nan);
}

class WorldEditor : public ::testing::Test {
protected:
    void SetUp() override {
        InitVideoWithRetry();
        app = std::make_unique<ASP_WE_Main>(in, out);
    }

    // More console input; the input may have ended before.
    void Type(const std::string& text) {
        in.clear();
        in << text;
    }

    void Open(const std::string& worldText) {
        worldFile = folder.Write("world.dat", worldText);
        Type(worldFile + "\n");
        app->OnInit();
    }

    template <typename Object>
    int Count() const {
        int n = 0;
        for (int i = 0; i < app->world->GetSpriteCount(); ++i) {
            n += dynamic_cast<Object*>(app->world->GetSprite(i)) != nullptr ? 1 : 0;
        }
        return n;
    }

    CSprite* SelectedSprite() const { return dynamic_cast<CSprite*>(app->selected); }

    void Key(Uint8 type, SDLKey key) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = key;
        type == SDL_KEYDOWN ? app->OnKeyDown(&e) : app->OnKeyUp(&e);
    }

    void Click(Uint8 button, int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEBUTTONDOWN;
        e.button.button = button;
        e.button.x = static_cast<Uint16>(x);
        e.button.y = static_cast<Uint16>(y);
        app->OnMouseButtonDown(&e);
    }

    void Move(int xrel, int yrel, Uint8 buttons) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.state = buttons;
        e.motion.xrel = static_cast<Sint16>(xrel);
        e.motion.yrel = static_cast<Sint16>(yrel);
        app->OnMouseMove(&e);
    }

    bool Said(const std::string& text) const { return out.str().find(text) != std::string::npos; }

    std::stringstream in;
    std::ostringstream out;
    TempFolder folder;
    std::string worldFile;
    std::unique_ptr<ASP_WE_Main> app;
};

TEST_F(WorldEditor, OpensTheWorldNamedOnTheConsole) {
    Type(folder.File("missing.dat") + "\n");
    Open(kWorld);
    EXPECT_EQ(app->worldPath, worldFile);
    EXPECT_EQ(out.str().rfind("Enter World File Path: Enter World File Path: Loading world file...\n", 0),
              0u);
    EXPECT_TRUE(Said("Loading done.\n"));
    EXPECT_EQ(Count<ASP_WE_StartSprite>(), 1);
    EXPECT_EQ(Count<ASP_WE_GroundSprite>(), 1);
    EXPECT_EQ(Count<ASP_WE_StaticSprite>(), 5);  // checkpoints and bodies are static objects too
    EXPECT_EQ(Count<ASP_WE_CheckpointSprite>(), 1);
    EXPECT_EQ(Count<ASP_WE_PhysicsSprite>(), 1);
    EXPECT_EQ(app->laps, 2);
    EXPECT_EQ(app->requiredCheckpoints, 1);
    EXPECT_EQ(app->selected, nullptr);
    EXPECT_FALSE(app->quit);
}

TEST_F(WorldEditor, ClosedConsoleAtTheStartEndsTheEditorWithAFailure) {
    Type(folder.File("missing.dat") + "\n");
    app->OnInit();
    EXPECT_TRUE(app->quit);
    EXPECT_EQ(app->ExitStatus(), 1);
    EXPECT_TRUE(Said("No world file was given"));
}

TEST_F(WorldEditor, RefusesAHugeCount) {
    Open("[main]\nstatics=20000\nplayers=1\n");
    EXPECT_EQ(Count<ASP_WE_StaticSprite>(), 0);
    EXPECT_EQ(Count<ASP_WE_StartSprite>(), 1);
    EXPECT_TRUE(Said("Refused statics = 20000: more than 10000"));
}

TEST_F(WorldEditor, SavesCountsAndSectionsWithoutLeftoversOfDeletedObjects) {
    Open(kWorld);
    Click(SDL_BUTTON_LEFT, 332, 132);
    Click(SDL_BUTTON_RIGHT, 332, 132);
    EXPECT_EQ(app->selected, nullptr);
    const std::string saved = folder.File("saved.dat");
    Type("Y\n" + saved + "\n");
    Key(SDL_KEYDOWN, SDLK_s);
    EXPECT_TRUE(Said("Save? (y/n) File name: Saving...\nSaving done.\n"));
    EXPECT_EQ(GetIniInt("main", "statics", -1, saved), 2);
    EXPECT_EQ(GetIniDouble("static1", "x", -1, saved), 500.0);
    EXPECT_EQ(GetIniString("static2", "x", "<none>", saved), "<none>");
    EXPECT_EQ(GetIniInt("main", "players", -1, saved), 1);
    EXPECT_EQ(GetIniInt("main", "mapTiles", -1, saved), 1);
    EXPECT_EQ(GetIniInt("main", "checkpoints", -1, saved), 1);
    EXPECT_EQ(GetIniInt("main", "physObjects", -1, saved), 1);
    EXPECT_EQ(GetIniInt("main", "laps", -1, saved), 2);
    EXPECT_EQ(GetIniInt("main", "requiredCheckpoints", -1, saved), 1);
    EXPECT_TRUE(GetIniBool("checkpoint0", "isFinish", false, saved));
    EXPECT_EQ(GetIniDouble("phys0", "mass", -1, saved), 5.0);
    // What the editor does not edit comes along.
    EXPECT_EQ(GetIniString("main", "music", "", saved), "mus\\track.ogg");
    EXPECT_EQ(GetIniDouble("mod0", "accel", -1, saved), 0.5);
    const std::string text = FileText(saved);
    size_t at = 0;
    for (const char* section : {"[start0]", "[map0]", "[static0]", "[static1]", "[checkpoint0]", "[phys0]"}) {
        const size_t found = text.find(section);
        ASSERT_NE(found, std::string::npos) << section;
        EXPECT_GT(found, at) << section;
        at = found;
    }
}

TEST_F(WorldEditor, SavesOnlyOnAPlainYes) {
    Open(kWorld);
    const std::string saved = folder.File("saved.dat");
    Type("yes\n");
    EXPECT_FALSE(app->SaveWorld());
    Type("y\n");  // then the input ends before the file name
    EXPECT_FALSE(app->SaveWorld());
    EXPECT_FALSE(app->SaveWorld());
    EXPECT_FALSE(std::filesystem::exists(saved));
    EXPECT_FALSE(Said("Saving..."));
}

TEST_F(WorldEditor, FailedSaveLeavesTheTrackAsItWas) {
    Open(kWorld);
    const std::string before = FileText(worldFile);
    Type("y\n" + worldFile + "/inside.dat\ny\n" + folder.path + "\n");
    EXPECT_FALSE(app->SaveWorld());
    EXPECT_FALSE(app->SaveWorld());
    // A value that cannot be stored fails one write in the middle of the save.
    Click(SDL_BUTTON_LEFT, 10, 10);
    ASSERT_NE(dynamic_cast<ASP_WE_GroundSprite*>(SelectedSprite()), nullptr);
    dynamic_cast<ASP_WE_GroundSprite*>(SelectedSprite())->surface = "two\nlines";
    Type("y\n" + worldFile + "\n");
    EXPECT_FALSE(app->SaveWorld());
    EXPECT_TRUE(Said("Saving failed: " + worldFile + " was left as it was."));
    EXPECT_FALSE(Said("Saving done."));
    EXPECT_EQ(FileText(worldFile), before);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"world.dat"});
}

TEST_F(WorldEditor, AddsAnObjectCentredAndSelected) {
    Open(kWorld);
    Type("bogus\nStatic\ngfx\\objects\\none.png\ngfx\\objects\\cone.png\n");
    Key(SDL_KEYDOWN, SDLK_a);
    EXPECT_TRUE(Said("Enter class of new object: Wrong input, try again.\nTexture: Texture: "));
    EXPECT_EQ(Count<ASP_WE_StaticSprite>(), 6);
    ASSERT_NE(SelectedSprite(), nullptr);
    EXPECT_EQ(SelectedSprite()->GetWidth(), 32.0);
    EXPECT_EQ(SelectedSprite()->GetX(), (1280 - 32) / 2.0);
    EXPECT_EQ(SelectedSprite()->GetY(), (720 - 32) / 2.0);

    app->selected = nullptr;
    Type("start\n");
    app->AddObject();
    EXPECT_EQ(Count<ASP_WE_StartSprite>(), 2);
    EXPECT_EQ(SelectedSprite()->GetHeight(), 200.0);
}

TEST_F(WorldEditor, AddingEndsOnDoneOnAClosedConsoleAndOnAFileThatIsNoPicture) {
    Open(kWorld);
    const int before = app->world->GetSpriteCount();
    Type("DONE\n");
    app->AddObject();
    Type("ground\ngfx\\objects\\crate.png\n");
    app->AddObject();
    Type("physobj\n" + folder.Write("picture.png", "not a picture") + "\n");
    app->AddObject();
    EXPECT_TRUE(Said("Invalid texture file selected.\n"));
    EXPECT_EQ(app->world->GetSpriteCount(), before);
    EXPECT_EQ(app->selected, nullptr);
}

TEST_F(WorldEditor, EditsTheSelectedObjectUntilDoneOrTheEndOfInput) {
    Open(kWorld);
    Click(SDL_BUTTON_LEFT, 132, 132);
    ASSERT_NE(SelectedSprite(), nullptr);
    Type("X\nabc\n5\nsize\n1\nDONE\n");
    Key(SDL_KEYDOWN, SDLK_e);
    EXPECT_EQ(SelectedSprite()->GetX(), 5.0);
    EXPECT_TRUE(Said("\nx: 100\n"));
    EXPECT_TRUE(
        Said("Enter \"done\" to finish editing the object.\n\nProperty name: Value: Incorrect value.\n"
             "Value: Property name: Value: Incorrect property name.\nProperty name: "));
    Type("y\n");
    app->EditSelected();
    EXPECT_EQ(SelectedSprite()->GetY(), 100.0);
}

TEST_F(WorldEditor, EditsTheWorldValuesWithoutASelection) {
    Open(kWorld);
    Type("laps\n0\n3\nrequiredCheckpoints\n0\nsize\n1\ndone\n");
    Key(SDL_KEYDOWN, SDLK_e);
    EXPECT_TRUE(Said("\nlaps: 2\nrequiredCheckpoints: 1\nEnter \"done\""));
    EXPECT_TRUE(Said("Incorrect value.\n"));
    EXPECT_TRUE(Said("Incorrect property name.\n"));
    EXPECT_EQ(app->laps, 3);
    EXPECT_EQ(app->requiredCheckpoints, 0);
    EXPECT_EQ(app->SetWorldProperty("laps", "2x"), -2);
    EXPECT_EQ(app->SetWorldProperty("requiredCheckpoints", "-1"), -2);
    EXPECT_EQ(app->laps, 3);
}

TEST_F(WorldEditor, MouseSelectsDragsTurnsDropsAndDeletes) {
    Open(kWorld);
    Click(SDL_BUTTON_LEFT, 132, 132);
    CSprite* cone = SelectedSprite();
    ASSERT_NE(cone, nullptr);
    Move(10, -5, 0);
    EXPECT_EQ(cone->GetX(), 110.0);
    EXPECT_EQ(cone->GetY(), 95.0);
    Click(SDL_BUTTON_WHEELUP, 0, 0);
    Click(SDL_BUTTON_WHEELDOWN, 0, 0);
    Click(SDL_BUTTON_WHEELDOWN, 0, 0);
    EXPECT_EQ(dynamic_cast<CRotateable*>(cone)->GetRotation(), 355.0);
    Click(SDL_BUTTON_LEFT, 0, 0);
    EXPECT_EQ(app->selected, nullptr);
    Move(10, 10, 0);
    EXPECT_EQ(cone->GetX(), 110.0);

    // Ground tiles neither follow the mouse nor turn, but can be deleted.
    Click(SDL_BUTTON_LEFT, 10, 10);
    CSprite* tile = SelectedSprite();
    ASSERT_NE(dynamic_cast<ASP_WE_GroundSprite*>(tile), nullptr);
    Move(10, 10, 0);
    Click(SDL_BUTTON_WHEELUP, 0, 0);
    EXPECT_EQ(tile->GetX(), 0.0);
    Click(SDL_BUTTON_RIGHT, 0, 0);
    EXPECT_EQ(app->selected, nullptr);
    EXPECT_EQ(Count<ASP_WE_GroundSprite>(), 0);
    Click(SDL_BUTTON_RIGHT, 0, 0);
    EXPECT_EQ(app->world->GetSpriteCount(), 7);
}

TEST_F(WorldEditor, CtrlWheelZoomsAboutThePointerWithinLimitsAndMiddleButtonPans) {
    Open(kWorld);
    const Point under = app->world->GlobalToLocal(Point(200, 150));
    Key(SDL_KEYDOWN, SDLK_LCTRL);
    for (int i = 0; i < 8; ++i) {
        Click(SDL_BUTTON_WHEELUP, 200, 150);
    }
    EXPECT_EQ(app->zoomLevel, 7);
    EXPECT_NEAR(app->world->GetScale(), std::pow(1.5, 7), 1e-9);
    const Point after = app->world->GlobalToLocal(Point(200, 150));
    EXPECT_NEAR(after.x, under.x, 1e-9);
    EXPECT_NEAR(after.y, under.y, 1e-9);
    for (int i = 0; i < 20; ++i) {
        Click(SDL_BUTTON_WHEELDOWN, 200, 150);
    }
    EXPECT_EQ(app->zoomLevel, -8);
    for (int i = 0; i < 6; ++i) {
        Click(SDL_BUTTON_WHEELUP, 200, 150);
    }
    Key(SDL_KEYUP, SDLK_LCTRL);
    Click(SDL_BUTTON_WHEELUP, 200, 150);
    EXPECT_EQ(app->zoomLevel, -2);

    // At scale 1.5^-2 one pixel of the mouse is 2.25 pixels of the world. Objects take the new view
    // when they are drawn, as every frame does before the next events.
    app->OnRender(app->screen);
    const Point cone = app->world->LocalToGlobal(Point(132, 132));
    Click(SDL_BUTTON_LEFT, static_cast<int>(cone.x), static_cast<int>(cone.y));
    ASSERT_NE(SelectedSprite(), nullptr);
    Move(1, 0, 0);
    EXPECT_NEAR(SelectedSprite()->GetX(), 102.25, 1e-9);
    const double worldX = app->world->GetX();
    Move(30, -20, SDL_BUTTON(SDL_BUTTON_MIDDLE));
    EXPECT_EQ(app->world->GetX(), worldX + 30);
    EXPECT_NEAR(SelectedSprite()->GetX(), 102.25, 1e-9);
}

TEST_F(WorldEditor, SavingTheShippedTrackKeepsEveryKeyTheRaceReads) {
    Type("dat\\world0.dat\n");
    app->OnInit();
    const std::string original = app->worldPath;
    const std::string saved = folder.File("world0.dat");
    Type("y\n" + saved + "\n");
    ASSERT_TRUE(app->SaveWorld());

    // Each key with the race's default; "animPos" defaults to the value of "animStart".
    const std::vector<std::pair<std::string, std::string>> placed = {
        {"x", "0"},          {"y", "0"},         {"z", "0"},       {"width", "1"},    {"height", "1"},
        {"rotY", "0.5"},     {"rotX", "0.5"},    {"angle", "0"},   {"texture", ""},   {"tileWidth", "1"},
        {"tileHeight", "1"}, {"animStart", "0"}, {"animEnd", "0"}, {"animSpeed", "0"}};
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections;
    const auto addCounted = [&](const std::string& countKey, const std::string& prefix,
                                std::vector<std::pair<std::string, std::string>> keys) {
        for (int i = 0; i < GetIniInt("main", countKey, 0, original); ++i) {
            sections.push_back({prefix + NumberToText(i), keys});
        }
    };
    sections.push_back({"main",
                        {{"laps", "1"},
                         {"requiredCheckpoints", "1"},
                         {"music", ""},
                         {"players", "0"},
                         {"mapTiles", "0"},
                         {"modifiers", "0"},
                         {"statics", "0"},
                         {"checkpoints", "0"},
                         {"physObjects", "0"}}});
    addCounted("players", "start", {{"rot", "0"}, {"y", "0"}, {"x", "0"}});
    addCounted("mapTiles", "map", {{"texture", ""}, {"x", "0"}, {"y", "0"}, {"surface", ""}});
    addCounted("statics", "static", placed);
    auto checkpoint = placed;
    checkpoint.insert(checkpoint.end(), {{"isFinish", "0"}, {"index", "0"}});
    addCounted("checkpoints", "checkpoint", checkpoint);
    auto body = placed;
    body.insert(body.end(), {{"mass", "1"}, {"bounce", "0"}, {"fixedPos", "0"}, {"fixedRot", "0"}});
    addCounted("physObjects", "phys", body);
    for (int i = 0; i < GetIniInt("main", "modifiers", 0, original); ++i) {
        const std::string mod = "mod" + NumberToText(i);
        sections.push_back({mod,
                            {{"b", "0"},
                             {"g", "0"},
                             {"r", "0"},
                             {"accel", "1"},
                             {"brake", "1"},
                             {"frict", "1"},
                             {"activeAccel", "0"},
                             {"topSpeed", "1"}}});
        std::vector<std::pair<std::string, std::string>> part = {{"prototypes", "0"}};
        for (const char* key :
             {"fadeOut", "fadeIn",   "life",     "frict",    "massMax",  "massMin",  "rotMax",
              "rotMin",  "forceMax", "forceMin", "alphaMax", "alphaMin", "angleMax", "angleMin",
              "sizeMax", "sizeMin",  "dYMax",    "dYMin",    "dXMax",    "dXMin"}) {
            part.push_back({key, "<none>"});
        }
        sections.push_back({mod + "part", part});
        for (int j = 0; j < GetIniInt(mod + "part", "prototypes", 0, original); ++j) {
            sections.push_back({mod + "prot" + NumberToText(j),
                                {{"texture", ""},
                                 {"width", "0"},
                                 {"height", "0"},
                                 {"tileWidth", "0"},
                                 {"tileHeight", "0"},
                                 {"animStart", "0"},
                                 {"animEnd", "0"},
                                 {"animSpeed", "0"}}});
        }
    }

    int compared = 0;
    for (const auto& [section, keys] : sections) {
        for (const auto& [key, def] : keys) {
            EXPECT_TRUE(
                SameValue(GetIniString(section, key, def, original), GetIniString(section, key, def, saved)))
                << section << " " << key;
            ++compared;
        }
        if (section.rfind("static", 0) == 0 || section.rfind("checkpoint", 0) == 0 ||
            section.rfind("phys", 0) == 0) {
            const std::string first = GetIniString(section, "animStart", "0", original);
            EXPECT_TRUE(SameValue(GetIniString(section, "animPos", first, original),
                                  GetIniString(section, "animPos", first, saved)))
                << section;
        }
    }
    EXPECT_GT(compared, 3000);
}

}  // namespace
