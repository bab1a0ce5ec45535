#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "engine/ini.h"
#include "game/race/track_pictures.h"
#include "game/sim/track.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"
#include "worldedit/objects/object_kinds.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/objects/we_physics_sprite.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/track_document.h"

namespace {

class ObjectKindRegistry : public GLTest {
protected:
    // The section the object saves, as text.
    std::string Section(ASP_WE_Object& object) {
        const std::string file = folder.File("section" + std::to_string(++sections) + ".dat");
        EXPECT_TRUE(object.Save("object", file));
        return folder.Read(file);
    }

    TempFolder folder;
    std::ostringstream out;
    int sections = 0;
};

// Two objects of every kind, each with pictures and a place of its own, are saved and loaded
// back by the document through the registry's sections, counts and factories, and read by the race.
TEST_F(ObjectKindRegistry, EveryKindRoundTripsThroughSaveAndLoad) {
    const std::map<std::string, std::string> pictures = {{"texture", "gfx\\objects\\cone.png"},
                                                         {"surface", "gfx\\tiles\\surface_0_0.png"}};
    ASP_WE_TrackDocument saved(out);
    saved.Open();
    double x = 0.0;
    for (const ASP_WE_ObjectKind* kind : ObjectKinds()) {
        for (int copy = 0; copy < 2; ++copy) {
            std::unique_ptr<ASP_WE_Object> object = kind->create(saved.world.get(), saved.textures);
            for (const ASP_WE_PictureQuestion& question : kind->pictures) {
                ASSERT_EQ(object->SetProperty(question.property, pictures.at(question.property), out), 0);
            }
            ASSERT_EQ(object->SetProperty("x", NumberToText(x += 10.0), out), 0);
            saved.Add(std::move(object));
        }
    }
    const std::string file = folder.File("kinds.dat");
    ASSERT_TRUE(saved.Write(file)) << out.str();

    ASP_WE_TrackDocument loaded(out);
    loaded.Open();
    loaded.worldPath = file;
    loaded.Load();
    for (const ASP_WE_ObjectKind* kind : ObjectKinds()) {
        const std::vector<ASP_WE_Object*> before = saved.ObjectsOf(*kind);
        const std::vector<ASP_WE_Object*> after = loaded.ObjectsOf(*kind);
        ASSERT_EQ(after.size(), 2u) << kind->word;
        EXPECT_EQ(GetIniInt("main", kind->countKey, -1, file), 2) << kind->word;
        EXPECT_EQ(GetIniDouble(kind->prefix + std::string("1"), "x", -1.0, file), before[1]->Sprite().GetX());
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(Section(*after[i]), Section(*before[i])) << kind->word << i;
        }
        // The add dialogue finds it by its word in any letter case, and offers it.
        std::string shouted = kind->word;
        std::transform(shouted.begin(), shouted.end(), shouted.begin(), ::toupper);
        const std::vector<const ASP_WE_ObjectKind*> offered = KindsOnOffer();
        EXPECT_TRUE(KindNamed(shouted) == kind && std::count(offered.begin(), offered.end(), kind) == 1);
    }
    // The race reads the same save through the same reader: the second of each kind where the
    // editor put it (statics are the drawing's alone).
    ASP_PictureFiles files;
    ASP_Track track;
    ASSERT_TRUE(track.Load(file, files));
    const std::pair<const ASP_WE_ObjectKind*, double> read[] = {
        {&ASP_WE_StartSprite::kind, track.GetStartPositions().at(1).x},
        {&ASP_WE_GroundSprite::kind, track.GetTiles().at(1).x},
        {&ASP_WE_CheckpointSprite::kind, track.GetAllCheckpoints().at(1).shape.GetX()},
        {&ASP_WE_PhysicsSprite::kind, track.GetObjects().at(1).body.GetX()}};
    for (const auto& [kind, x] : read) {
        EXPECT_EQ(x, saved.ObjectsOf(*kind)[1]->Sprite().GetX()) << kind->word;
    }
    loaded.Close();
    saved.Close();
}

}  // namespace
