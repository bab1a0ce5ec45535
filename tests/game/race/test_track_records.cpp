#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ini.h"
#include "game/menus/track_menu.h"
#include "game/race/lap_records.h"
#include "game/race/track_list.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace

TEST(TrackList, BadEntriesAreLeftOutWithAnErrorAndWithoutAListTheFirstTrackRemains) {
    TempFolder folder;
    const std::string list = folder.Write(
        "tracks.dat",
        "[main]\ntrack0=world0.dat|Green Valley|gfx\\tracks\\world0.png\ntrack1=nowhere.dat|Lost|\n"
        "track2=frost.dat|Frost|gfx\\no_such.png\ntrack3=|Nothing|\ntrack5= harbour.dat \n");
    std::vector<ASP_Track> tracks;
    const std::string log = Logged([&] { tracks = LoadTrackList(list); });
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Green Valley");
    EXPECT_EQ(tracks[0].WorldFile(), "dat\\world0.dat");
    // Without a name the track is called by its world file; without a picture it has none.
    EXPECT_EQ(tracks[1].name, "harbour.dat");
    EXPECT_EQ(tracks[1].preview, "");
    EXPECT_EQ(Count(log, "ERROR in ASP_TrackList"), 3u) << log;
    EXPECT_NE(log.find("its preview picture gfx\\no_such.png does not exist"), std::string::npos) << log;

    for (const std::string& missing : {folder.File("none.dat"), folder.Write("empty.dat", "[main]\n")}) {
        const std::vector<ASP_Track> fallback = LoadTrackList(missing);
        EXPECT_TRUE(fallback.size() == 1 && fallback[0].world == "world0.dat") << missing;
    }
}

TEST(LapRecords, FasterTimesReplaceSlowerOnesDoNotAndACorruptFileIsReplacedAtTheNextRecord) {
    TempFolder folder;
    ASP_LapRecords records(folder.File("records.ini"));
    EXPECT_FALSE(records.Get("world0.dat").lap.IsSet());

    struct Entry {
        double lap, race;
        bool newLap, newRace;
        double keptLap, keptRace;
    };
    const std::vector<Entry> entries = {
        {40.0, 130.0, true, true, 40.0, 130.0},  // the first times are records
        {42.0, 125.0, false, true, 40.0, 125.0},
        {39.5, 131.0, true, false, 39.5, 125.0},
        {0.0, 0.0, false, false, 39.5, 125.0},  // no lap and no finish
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(testing::Message() << e.lap << " " << e.race);
        const ASP_NewRecords made = records.Submit("world0.dat", "Vulcan", e.lap, e.race, "2026-12-07");
        const ASP_TrackRecords kept = records.Get("world0.dat");
        EXPECT_TRUE(made.lap == e.newLap && made.race == e.newRace);
        EXPECT_TRUE(kept.lap.time == e.keptLap && kept.race.time == e.keptRace);
    }
    EXPECT_EQ(records.Get("world0.dat").lap.car, "Vulcan");
    EXPECT_FALSE(records.Get("frost.dat").race.IsSet());
    // As the track choice shows them, rounded to hundredths.
    EXPECT_EQ(RecordTime(65.437), "1:05.44");
    EXPECT_EQ(RecordTime(3599.999), "60:00.00");

    // Garbage instead of records: ignored with one WARNING, then replaced by the next record.
    const std::string corrupt = folder.Write("corrupt.ini", "\x01\x02 not [an ini\nlapTime=abc\n");
    ASP_LapRecords damaged(corrupt);
    const std::string warned = Logged([&] {
        EXPECT_FALSE(damaged.Get("world0.dat").lap.IsSet());
        EXPECT_FALSE(damaged.Submit("world0.dat", "Comet", 0.0, 0.0, "2026-12-07").lap);
    });
    EXPECT_EQ(Count(warned, "WARNING in ASP_LapRecords"), 1u) << warned;
    EXPECT_TRUE(damaged.Submit("world0.dat", "Comet", 50.0, 160.0, "2026-12-07").race);
    EXPECT_EQ(GetIniString("world0.dat", "lapCar", "", corrupt), "Comet");
    EXPECT_DOUBLE_EQ(ASP_LapRecords(corrupt).Get("world0.dat").race.time, 160.0);
}
