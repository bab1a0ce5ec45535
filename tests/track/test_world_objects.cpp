#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/temp_folder.h"
#include "track/world_objects.h"

// A placed object's frame is the file's only when the file gives a whole number; otherwise the
// reader starts at the animation's first frame. Written back, an unset frame writes no key, and
// what is written reads back as it was.
TEST(WorldObjects, APlacedObjectsFrameIsKeptOnlyWhereTheFileGivesOne) {
    TempFolder folder;
    const std::pair<std::string, std::optional<int>> frames[] = {
        {"", std::nullopt}, {"animPos=abc\n", std::nullopt}, {"animPos=3\n", 3}, {"animPos=0\n", 0}};
    for (const auto& [line, frame] : frames) {
        const std::string file = folder.Write("w.dat", "[static0]\nanimStart=2\nanimEnd=5\n" + line);
        EXPECT_EQ(ReadPlaced("static0", file).animPos, frame) << line;
    }
    ASP_PlacedKeys keys;
    keys.x = 12.5;
    keys.angle = 90.0;
    keys.texture = "gfx\\objects\\cone.png";
    keys.tileWidth = 32;
    const std::string file = folder.File("out.dat");
    ASSERT_TRUE(WritePlaced(keys, "static0", file));
    EXPECT_EQ(folder.Read(file).find("animPos"), std::string::npos);
    keys.animPos = 4;
    ASSERT_TRUE(WritePlaced(keys, "static0", file));
    const ASP_PlacedKeys read = ReadPlaced("static0", file);
    EXPECT_TRUE(read.x == keys.x && read.angle == keys.angle && read.texture == keys.texture &&
                read.tileWidth == 32 && read.animPos == 4);
}
