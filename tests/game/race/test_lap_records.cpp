#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "game/menus/track_menu.h"
#include "game/race/lap_records.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

// Times that are no number, not above 0 or a day and more are no records, in the file or submitted;
// a record keeps every digit of its time, however long.
TEST(LapRecords, AbsurdTimesAreNoRecordsAndTimesReadBackToTheLastDigit) {
    TempFolder folder;
    const std::string file = folder.Write(
        "records.ini",
        "[records]\nformat=1\n[a.dat]\nlapTime=1e17\nlapCar=X\nraceTime=-5\n[b.dat]\nlapTime=nan\n"
        "raceTime=86400\n[c.dat]\nlapTime=86399.5\nraceTime=inf\n");
    ASP_LapRecords records(file);
    // Only c.dat's lap, 86399.5 s, is a record.
    const std::string log = Logged([&] {
        for (const std::string track : {"a.dat", "b.dat", "c.dat"}) {
            const ASP_TrackRecords r = records.Get(track);
            EXPECT_EQ(std::pair(r.lap.IsSet(), r.race.IsSet()), std::pair(track == "c.dat", false)) << track;
        }
    });
    EXPECT_NE(log.find("gives a.dat a lapTime of 1e17, not a time of more than 0 and less than a day"),
              std::string::npos);
    for (double absurd : {1e17, 86400.0, -1.0, HUGE_VAL, std::nan("")}) {
        const ASP_NewRecords made = records.Submit("d.dat", "Vulcan", absurd, absurd, "2026-12-07");
        EXPECT_FALSE(made.lap || made.race) << absurd;
    }
    EXPECT_TRUE(records.Submit("d.dat", "Vulcan", 12345.67, 54321.987654, "2026-12-07").race);
    EXPECT_EQ(GetIniString("d.dat", "lapTime", "", file), "12345.67");
    EXPECT_EQ(records.Get("d.dat").race.time, 54321.987654);
    EXPECT_TRUE(records.Submit("e.dat", "Vulcan", 1e-70, 0.0, "2026-12-07").lap);
    EXPECT_EQ(records.Get("e.dat").lap.time, 1e-70);
}

// A records file of the data folder that is not readable as records is never deleted or copied:
// the new records go to a new file in the user's folder.
TEST(LapRecords, AShippedFileThatIsNoRecordsStaysAsItIs) {
    TempFolder folder;
    const PathRoots saved = GetPathRoots();
    const std::string data = folder.File("data/"), user = folder.File("user/");
    std::filesystem::create_directories(data);
    const std::string shipped = folder.Write("data/records.ini", "[world0.dat]\nlapTime=12\n");
    SetPathRoots({data, user, user});
    EXPECT_TRUE(ASP_LapRecords("records.ini").Submit("world0.dat", "Comet", 50.0, 160.0, "2026-12-07").lap);
    const std::string written = folder.Read(user + "records.ini");
    SetPathRoots(saved);
    EXPECT_EQ(folder.Read(shipped), "[world0.dat]\nlapTime=12\n");
    EXPECT_EQ(
        written,
        "[records]\nformat=1\n[world0.dat]\nlapTime=50\nlapCar=Comet\nlapDate=2026-12-07\nraceTime=160\n"
        "raceCar=Comet\nraceDate=2026-12-07\n");
}

TEST(LapRecords, FasterTimesReplaceSlowerOnesDoNotAndACorruptFileIsReplacedAtTheNextRecord) {
    TempFolder folder;
    ASP_LapRecords records(folder.File("records.ini"));
    EXPECT_FALSE(records.Get("world0.dat").lap.IsSet());

    // Lap and race submitted, whether each is a new record, and the records kept.
    const std::tuple<double, double, bool, bool, double, double> entries[] = {
        {40.0, 130.0, true, true, 40.0, 130.0},  // the first times are records
        {42.0, 125.0, false, true, 40.0, 125.0},
        {39.5, 131.0, true, false, 39.5, 125.0},
        {0.0, 0.0, false, false, 39.5, 125.0},  // no lap and no finish
    };
    for (const auto& [lap, race, newLap, newRace, keptLap, keptRace] : entries) {
        SCOPED_TRACE(testing::Message() << lap << " " << race);
        const ASP_NewRecords made = records.Submit("world0.dat", "Vulcan", lap, race, "2026-12-07");
        const ASP_TrackRecords kept = records.Get("world0.dat");
        EXPECT_TRUE(made.lap == newLap && made.race == newRace);
        EXPECT_TRUE(kept.lap.time == keptLap && kept.race.time == keptRace);
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
    EXPECT_EQ(warned, "WARNING in ASP_LapRecords: The records file " + corrupt +
                          " is not readable as records; it is ignored and replaced at the next record.\n");
    EXPECT_TRUE(damaged.Submit("world0.dat", "Comet", 50.0, 160.0, "2026-12-07").race);
    EXPECT_EQ(GetIniString("world0.dat", "lapCar", "", corrupt), "Comet");
    EXPECT_DOUBLE_EQ(ASP_LapRecords(corrupt).Get("world0.dat").race.time, 160.0);
}
