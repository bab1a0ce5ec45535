#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "game/race/game.h"
#include "game/race/world.h"
#include "tests/support/editor_test.h"
#include "worldedit/objects/we_ground_sprite.h"

namespace {

class WorldEditor : public EditorTest {
protected:
    int Count() const { return app->world->GetSpriteCount(); }
    CSprite* Selected() const { return dynamic_cast<CSprite*>(app->selected); }
    static double Turn(CSprite* s) { return dynamic_cast<CRotateable*>(s)->GetRotation(); }
    std::string SavedText() { return folder.Read(Save()); }
};

// Each line of the help names its inputs before a gap of two blanks; every key, button and drag
// with every modifier is listed exactly when the table that runs the inputs binds it.
TEST_F(WorldEditor, TheHelpListsExactlyTheBoundInputs) {
    const ASP_WE_KeyBindings& keys = app->Keys();
    std::set<std::string> listed;
    const std::regex name(R"(((Ctrl\+|Shift\+)?(\w+ (click|drag)|\S+)) ?)");
    for (const std::string& line : keys.HelpLines()) {
        const size_t start = line.find_first_not_of(' ');
        const size_t gap = line.find("  ", start);
        const std::string label = gap == std::string::npos ? "" : line.substr(start, gap - start);
        for (std::sregex_iterator it(label.begin(), label.end(), name), end; it != end; ++it) {
            listed.insert((*it)[1]);
        }
    }
    using Input = ASP_WE_Input;
    int bound = 0;
    for (Input::Modifier modifier :
         {Input::Modifier::kNone, Input::Modifier::kShift, Input::Modifier::kCtrl}) {
        std::vector<Input> inputs;
        for (int key = SDLK_FIRST; key < SDLK_LAST; ++key) {
            inputs.push_back(Input::Key(static_cast<SDLKey>(key), modifier));
        }
        for (Uint8 button = 1; button <= SDL_BUTTON_WHEELDOWN; ++button) {
            inputs.push_back(Input::Click(button, modifier));
            inputs.push_back({Input::Device::kDrag, button, modifier});
        }
        for (const Input& input : inputs) {
            bound += keys.Binds(input) ? 1 : 0;
            EXPECT_EQ(listed.count(input.Name()) == 1, keys.Binds(input)) << input.Name();
        }
    }
    // Two wheel directions share each of their three names.
    EXPECT_EQ(bound, static_cast<int>(listed.size()) + 3);
}

TEST_F(WorldEditor, OpensTheNamedWorldAndSavesItWithoutTheDeletedObject) {
    Type(folder.File("missing.dat") + "\n");
    Open(kWorld);
    // The answer to the offer of a new track is taken as the next name, as scripts send it.
    const std::string asked = "Enter World File Path: File not found: " + folder.File("missing.dat") +
                              "\nCreate it as a new track? (y/n) Loading world file...\n";
    EXPECT_EQ(out.str().substr(0, asked.size()), asked);
    // The middle cone is selected, then deleted.
    Click(SDL_BUTTON_LEFT, 332, 132);
    Click(SDL_BUTTON_RIGHT, 332, 132);
    const std::string saved = folder.File("saved.dat");
    // The answer as a console on Windows sends it.
    Type("Y\r\n" + saved + "\n");
    Key(SDLK_s);
    EXPECT_EQ(GetIniInt("main", "statics", -1, saved), 2);
    EXPECT_EQ(GetIniDouble("static1", "x", -1, saved), 500.0);
}

TEST_F(WorldEditor, SavesKeepWhatWasLoadedClearStaleTemporaryFilesOnlyOnAPlainYesAndFailLeavingTheTrack) {
    // Left by a save of a process that is gone, and a file that only looks like one.
    const std::string stale = folder.Write(".world.dat.tmp2147483646.0", "half");
    const std::string foreign = folder.Write(".world.dat.tmpmine", "not the editor's");
    Open(kWorld);
    EXPECT_FALSE(std::filesystem::exists(stale));
    // The world file is gone before the save: what was loaded is written back all the same.
    std::filesystem::remove(worldFile);
    Type("y\n" + worldFile + "\n");
    ASSERT_TRUE(app->SaveWorld());
    EXPECT_TRUE(GetIniString("mod0", "accel", "", worldFile) == "0.5" && std::filesystem::exists(foreign));

    // Only a plain yes saves; a failed save leaves the track as it was, byte for byte.
    const std::string before = folder.Read(worldFile);
    Type("yes\n");
    EXPECT_FALSE(app->SaveWorld());
    // The input ends before the file name, then before the answer.
    Type("y\n");
    EXPECT_FALSE(app->SaveWorld());
    // A value that cannot be stored fails one write mid-save.
    Click(SDL_BUTTON_LEFT, 10, 10);
    auto* tile = dynamic_cast<ASP_WE_GroundSprite*>(Selected());
    ASSERT_NE(tile, nullptr);
    tile->surface = "two\nlines";
    Type("y\n" + worldFile + "\n");
    EXPECT_FALSE(app->SaveWorld());
    EXPECT_TRUE(Said("Saving failed: " + worldFile + " was left as it was.\n"));
    EXPECT_EQ(std::pair(folder.Read(worldFile), folder.Entries()), std::pair(before, 2L));
}

TEST_F(WorldEditor, AddingAsksAgainOnWrongInputAndEndsOnDoneClosedInputOrNoPicture) {
    Open(kWorld);
    const int before = Count();
    Type("DONE\n");
    app->AddObject();
    // A ground tile whose input ends before its surface map, and a file that is no picture.
    Type("ground\ngfx\\objects\\crate.png\n");
    app->AddObject();
    Type("physobj\n" + folder.Write("picture.png", "not a picture") + "\n");
    app->AddObject();
    EXPECT_TRUE(Said("Invalid texture file selected.\n") && Count() == before);
    Type("bogus\nStatic\ngfx\\objects\\none.png\ngfx\\objects\\cone.png\n");
    Key(SDLK_a);
    EXPECT_TRUE(Said("File not found: gfx\\objects\\none.png\n"));
    ASSERT_EQ(Count(), before + 1);
    // As large as its picture (32), under the pointer, which starts in the middle of the 1280 x 720 view.
    EXPECT_EQ(Point(Selected()->GetX(), Selected()->GetY()), Point((1280 - 32) / 2.0, (720 - 32) / 2.0));
}

TEST_F(WorldEditor, EditingAsksAgainForARefusedValueOrNameAndEndsOnDoneOrClosedInput) {
    Open(kWorld);
    // Without a selection the world's values are edited.
    Type("laps\n0\n3\nrequiredCheckpoints\n0\nsize\n1\ndone\n");
    Key(SDLK_e);
    EXPECT_EQ(std::pair(app->laps, app->requiredCheckpoints), std::pair(3, 0));

    // A refused value is asked again for the same name, a refused name for the same value.
    Click(SDL_BUTTON_LEFT, 132, 132);
    ASSERT_NE(Selected(), nullptr);
    Type("X\nabc\n5\nsize\n7\ny\nx\ndone\nDONE\n");
    Key(SDLK_e);
    EXPECT_EQ(Point(Selected()->GetX(), Selected()->GetY()), Point(5.0, 7.0));
    Type("x\n");
    app->EditSelected();
    EXPECT_EQ(Selected()->GetX(), 5.0);
}

TEST_F(WorldEditor, MouseSelectsDragsTurnsAndDropsWhileTheCanvasOutlinesTheHeldObjectAndLabelsCheckpoints) {
    Open(kWorld);
    Render();
    const std::vector<int> highlight = {255, 230, 0};
    // The cone's top edge, and the checkpoint's label on its middle.
    EXPECT_NE(Pixel(132, 100), highlight);
    Click(SDL_BUTTON_LEFT, 132, 132);
    Render();
    EXPECT_EQ(Pixel(132, 100), highlight);
    int lit = 0;
    // One checkpoint points up, so its label sits below its middle (200, 310).
    for (int x = 185; x < 215; ++x) {
        for (int y = 322; y < 346; ++y) {
            const std::vector<int> p = Pixel(x, y);
            lit += p[0] > 200 && p[1] > 200 && p[2] > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 10);
    CSprite* cone = Selected();
    ASSERT_NE(cone, nullptr);
    // Held where it was taken.
    Move(142, 127);
    EXPECT_EQ(Point(cone->GetX(), cone->GetY()), Point(110.0, 95.0));
    Click(SDL_BUTTON_WHEELUP, 0, 0);
    Click(SDL_BUTTON_WHEELDOWN, 0, 0);
    Click(SDL_BUTTON_WHEELDOWN, 0, 0);
    EXPECT_EQ(Turn(cone), 355.0);
    Click(SDL_BUTTON_LEFT, 0, 0);
    Move(10, 10);
    EXPECT_EQ(cone->GetX(), 110.0);
    // Shift turns to the next 15 degree step, either way.
    Click(SDL_BUTTON_LEFT, 142, 127);
    SDL_SetModState(KMOD_LSHIFT);
    Click(SDL_BUTTON_WHEELUP, 0, 0);
    Click(SDL_BUTTON_WHEELDOWN, 0, 0);
    Click(SDL_BUTTON_WHEELDOWN, 0, 0);
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(Turn(cone), 330.0);
    // Ground tiles do not follow the mouse.
    Click(SDL_BUTTON_LEFT, 0, 0);
    Click(SDL_BUTTON_LEFT, 10, 10);
    Move(20, 20);
    EXPECT_EQ(Point(Selected()->GetX(), Selected()->GetY()), Point(0.0, 0.0));
}

TEST_F(WorldEditor, UndoingEveryEditRestoresTheTrackByteForByteAndRedoingMakesThemAgain) {
    Open(kWorld);
    const std::string original = SavedText();
    // Add, move and turn, edit, delete; then more than a hundred turns.
    Move(640, 600);
    Type("static\ngfx\\objects\\cone.png\n");
    app->AddObject();
    Move(600, 650);
    Click(SDL_BUTTON_LEFT, 600, 650);
    Click(SDL_BUTTON_LEFT, 132, 132);
    Move(200, 200);
    Click(SDL_BUTTON_WHEELUP, 200, 200);
    Type("height\n12\nanimEnd\n2\ndone\n");
    app->EditSelected();
    Click(SDL_BUTTON_LEFT, 200, 200);
    Click(SDL_BUTTON_LEFT, 332, 332);
    Click(SDL_BUTTON_RIGHT, 332, 332);
    for (int i = 0; i < 120; ++i) {
        Click(SDL_BUTTON_LEFT, 532, 132);
        Click(SDL_BUTTON_WHEELDOWN, 532, 132);
        Click(SDL_BUTTON_LEFT, 532, 132);
    }
    const std::string edited = SavedText();
    int undone = 0;
    Key(SDLK_RCTRL);
    while (app->Undo()) {
        ++undone;
    }
    EXPECT_EQ(undone, 5 + 120);
    EXPECT_EQ(SavedText(), original);
    for (int i = 0; i < undone; ++i) {
        Key(SDLK_y);
    }
    EXPECT_EQ(SavedText(), edited);
}

TEST_F(WorldEditor, ConsoleQuestionsCancelOnEscapeAndClosingAsksToSaveUnsavedWork) {
    Open(kWorld);
    // Escape in the window cancels the question; the typed line waits for the next one.
    SDL_Event escape{};
    escape.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {0, SDLK_ESCAPE, KMOD_NONE, 0}};
    SDL_PushEvent(&escape);
    const int before = Count();
    Type("static\ngfx\\objects\\cone.png\n");
    app->AddObject();
    EXPECT_TRUE(Said("Cancelled.\n") && Count() == before);

    in.str("");
    Type("static\ngfx\\objects\\cone.png\n");
    app->AddObject();
    ASSERT_TRUE(app->Unsaved());
    // Closing asks first: anything but y or n keeps the editor open; n closes; so does an ended input.
    const std::pair<std::string, bool> answers[] = {{"keep\n", false}, {"n\n", true}, {"", true}};
    for (const auto& [answer, closes] : answers) {
        app->quit = true;
        Type(answer);
        app->OnUpdate(0.0);
        EXPECT_EQ(app->quit, closes) << answer;
    }
    app->quit = true;
    Type("y\n" + folder.File("closing.dat") + "\n");
    app->OnUpdate(0.0);
    EXPECT_TRUE(app->quit && GetIniInt("main", "statics", 0, folder.File("closing.dat")) == 4);
}

TEST_F(WorldEditor, ANewTrackFromTheConsoleLoadsInTheRace) {
    const std::string track = folder.File("new.dat");
    Type(track +
         "\ny\n0\n3\n2\ngfx\\tiles\\ground_0_0.png\ngfx\\tiles\\none.png\ngfx\\tiles\\surface_0_0.png\n");
    app->OnInit();
    ASSERT_FALSE(app->quit) << out.str();
    EXPECT_TRUE(Said("File not found: gfx\\tiles\\none.png\n"));

    ASP_Game race(app.get());
    race.GetWorld()->Load(track);
    const ASP_World& world = *race.GetWorld();
    EXPECT_EQ(std::tuple(world.GetGroundTiles().size(), world.GetStartPositions().size(),
                         world.GetRace().GetTrack().GetCheckpoints(0).size(), world.GetRequiredCheckpoints()),
              std::tuple(6u, 8u, 1u, 1));
    // The music comes from the shipped track.
    EXPECT_EQ(world.GetMusic(), GetIniString("main", "music", "", "dat\\world0.dat"));
}

// A new track that cannot be written leaves the view of the file opened next as it is.
TEST_F(WorldEditor, ANewTrackThatCannotBeWrittenLeavesTheViewAlone) {
    // A folder of that name is no file to open, and none to write.
    const std::string taken = folder.File("taken.dat");
    std::filesystem::create_directory(taken);
    Type(taken + "\ny\n3\n2\ngfx\\tiles\\ground_0_0.png\ngfx\\tiles\\surface_0_0.png\n" +
         folder.Write("world.dat", kWorld) + "\n");
    app->OnInit();
    EXPECT_TRUE(Said("Cannot create " + taken + ".\n")) << out.str();
    EXPECT_EQ(std::pair(app->zoomLevel, app->world->GetScale()), std::pair(0, 1.0));
}

// A relative name that climbs out of the user's folder is refused for a new track and for a save.
TEST_F(WorldEditor, NamesLeavingTheUsersFolderAreRefusedForNewTracksAndSaves) {
    const PathRoots saved = GetPathRoots();
    SetPathRoots({saved.data, folder.File("user/"), folder.File("user/")});
    Type("..\\new.dat\ny\n" + folder.Write("world.dat", kWorld) + "\n");
    app->OnInit();
    Type("y\n..\\saved.dat\n");
    const bool savedOutside = app->SaveWorld();
    SetPathRoots(saved);
    EXPECT_FALSE(savedOutside || app->quit);
    EXPECT_TRUE(Said("Refused ..\\new.dat: a file name stays inside your folder, or is a full path.\n") &&
                Said("Refused ..\\saved.dat: "))
        << out.str();
    EXPECT_EQ(folder.Entries(), 1);
}

}  // namespace
