#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "engine/ini.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"
#include "worldedit/object_kinds.h"
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
// back by the document through the registry's sections, counts and factories.
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
    loaded.Close();
    saved.Close();
}

}  // namespace
