#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/race/track_list.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

// Deep enough to climb from any working directory to the root.
std::string Up(int levels) {
    std::string path;
    for (int i = 0; i < levels; ++i) {
        path += "..\\";
    }
    return path;
}

}  // namespace

// A world or preview named outside the data and user folders is left out with an ERROR, even where
// the file exists; without any usable entry the list still holds the first track.
TEST(TrackList, WorldsAndPreviewsOutsideTheGamesFoldersAreLeftOut) {
    TempFolder folder;
    const std::string list = folder.Write(
        "tracks.dat",
        "[main]\ntrack0=" + Up(40) + "etc\\passwd|Passwd|\ntrack1=world0.dat|Mem|" + Up(40) +
            "proc\\self\\mem\ntrack2=world0.dat|Abs|/etc/passwd\ntrack3=..\\dat\\world0.dat|Up and in|\n");
    std::vector<ASP_Track> tracks;
    const std::string log = Logged([&] { tracks = LoadTrackList(list); });
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "Up and in");
    for (const std::string& left :
         {"track0 of " + list + " left out: its world file dat\\" + Up(40),
          "track1 of " + list + " left out: its preview picture " + Up(40),
          "track2 of " + list + " left out: its preview picture /etc/passwd lies"}) {
        EXPECT_NE(log.find("ERROR in ASP_TrackList: Track " + left), std::string::npos) << log;
    }

    const std::string outside = folder.Write("outside.dat", "[main]\ntrack0=" + Up(40) + "etc\\passwd|P|\n");
    const std::vector<ASP_Track> fallback = LoadTrackList(outside);
    EXPECT_TRUE(fallback.size() == 1 && fallback[0].world == "world0.dat");
}
