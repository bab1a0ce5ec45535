#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"
#include "track/track_list.h"

// A world or preview named outside the data and user folders is left out with an ERROR, even where
// the file exists (forty levels up is the root from anywhere); without any usable entry the list
// still holds the first track.
TEST(TrackList, WorldsAndPreviewsOutsideTheGamesFoldersAreLeftOut) {
    std::string up;
    for (int i = 0; i < 40; ++i) {
        up += "..\\";
    }
    TempFolder folder;
    const std::string list = folder.Write(
        "tracks.dat",
        "[main]\ntrack0=" + up + "etc\\passwd|P|\ntrack1=world0.dat|M|" + up +
            "proc\\self\\mem\ntrack2=world0.dat|A|/etc/passwd\ntrack3=..\\dat\\world0.dat|In|\n");
    std::vector<ASP_TrackEntry> tracks;
    const std::string log = Logged([&] { tracks = LoadTrackList(list); });
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "In");
    for (const std::string& left :
         {"0 of " + list + " left out: its world file dat\\" + up,
          "1 of " + list + " left out: its preview picture " + up,
          "2 of " + list + " left out: its preview picture /etc/passwd lies outside"}) {
        EXPECT_NE(log.find("ERROR in ASP_TrackList: Track track" + left), std::string::npos) << log;
    }
    const std::vector<ASP_TrackEntry> fallback =
        LoadTrackList(folder.Write("out.dat", "[main]\ntrack0=" + up + "x|P|\n"));
    EXPECT_TRUE(fallback.size() == 1 && fallback[0].world == "world0.dat");
}

TEST(TrackList, BadEntriesAreLeftOutWithAnErrorAndWithoutAListTheFirstTrackRemains) {
    TempFolder folder;
    const std::string list = folder.Write(
        "tracks.dat",
        "[main]\ntrack0=world0.dat|Green Valley|gfx\\tracks\\world0.png\ntrack1=nowhere.dat|Lost|\n"
        "track2=frost.dat|Frost|gfx\\no_such.png\ntrack3=|Nothing|\ntrack5= harbour.dat \n");
    std::vector<ASP_TrackEntry> tracks;
    const std::string log = Logged([&] { tracks = LoadTrackList(list); });
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Green Valley");
    EXPECT_EQ(tracks[0].WorldFile(), "dat\\world0.dat");
    // Without a name the track is called by its world file; without a picture it has none.
    EXPECT_EQ(tracks[1].name, "harbour.dat");
    EXPECT_EQ(tracks[1].preview, "");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << "one error each: " << log;
    EXPECT_NE(log.find("its preview picture gfx\\no_such.png does not exist"), std::string::npos) << log;

    for (const std::string& missing : {folder.File("none.dat"), folder.Write("empty.dat", "[main]\n")}) {
        const std::vector<ASP_TrackEntry> fallback = LoadTrackList(missing);
        EXPECT_TRUE(fallback.size() == 1 && fallback[0].world == "world0.dat") << missing;
    }
}

// The editor's publish lists a world once: listed again, in any letter case, it keeps its key and
// takes the new name; a list of a hundred entries takes no more and stays as it was.
TEST(TrackList, ListingAWorldAgainReplacesItsEntryAndAFullListTakesNoMore) {
    TempFolder folder;
    const PathRoots shipped = GetPathRoots();
    SetPathRoots({shipped.data, folder.File(""), folder.File("")});
    std::ostringstream out;
    for (const auto& [world, name] :
         {std::pair("mine.dat", "Mine"), {"other.dat", "Other"}, {"MINE.dat", "New"}}) {
        EXPECT_TRUE(ListTrack(world, name, "", out)) << out.str();
    }
    const std::string list = folder.File("dat/tracks.dat");
    EXPECT_EQ(GetIniString("main", "track0", "", list), "MINE.dat|New|");
    EXPECT_EQ(GetIniString("main", "track1", "", list), "other.dat|Other|");
    EXPECT_TRUE(TrackListed("mine.DAT") && TrackListed("world0.dat") && !TrackListed("none.dat"));
    std::string full = "[main]\n";
    for (int i = 0; i < 100; ++i) {
        full += "track" + std::to_string(i) + "=w" + std::to_string(i) + ".dat\n";
    }
    folder.Write("dat/tracks.dat", full);
    EXPECT_FALSE(ListTrack("new.dat", "New", "", out));
    EXPECT_NE(out.str().find("is full"), std::string::npos) << out.str();
    EXPECT_EQ(folder.Read(list), full);
    SetPathRoots(shipped);
}
