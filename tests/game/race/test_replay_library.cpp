#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "game/race/replay_library.h"
#include "game/sim/car.h"
#include "tests/support/temp_folder.h"

namespace {

// A race on the shipped circuit, as the game records it today.
ASP_Replay Raced(const std::string& name) {
    ASP_Replay replay;
    replay.world = "world0.dat";
    replay.trackName = name;
    replay.cars = {{"Vulcan", false}, {"Comet", true}};
    replay.worldHash = DataFileHash("dat\\world0.dat");
    replay.carsHash = DataFileHash(kCarFile);
    replay.Record({ASP_Command(), ASP_Command()});
    return replay;
}

}  // namespace

// Every race is kept under a name that sorts by time; the list shows the newest first and no more
// than twenty, the oldest deleted.
TEST(ReplayLibrary, ListsTheNewestFirstAndKeepsTwenty) {
    TempFolder folder;
    const ASP_ReplayLibrary library(folder.File("replays/"));
    std::string error;
    for (int race = 0; race < 22; ++race) {
        ASSERT_TRUE(Raced("race " + std::to_string(race)).Save(library.NewFile(), &error)) << error;
    }
    library.Prune();
    const std::vector<ASP_ReplayEntry> entries = library.List();
    ASSERT_EQ(entries.size(), ASP_ReplayLibrary::kMaxReplays);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].header.trackName, "race " + std::to_string(21 - i));
        EXPECT_EQ(entries[i].refused, "");
    }
    EXPECT_EQ(ASP_ReplayLibrary("").NewFile(), "");
}

// A replay is refused, with why, when its race can no longer be run as it was: not so a file
// written before the hashes were kept.
TEST(ReplayLibrary, RefusesChangedTracksAndCarsWithAReason) {
    const std::vector<std::pair<void (*)(ASP_Replay&), std::string>> cases = {
        {[](ASP_Replay&) {}, ""},
        {[](ASP_Replay& r) { r.worldHash = r.carsHash = ""; }, ""},
        {[](ASP_Replay& r) { r.worldHash = "0123456789abcdef"; },
         "its track has changed since it was recorded"},
        {[](ASP_Replay& r) { r.carsHash[0] ^= 1; }, "the cars have changed since it was recorded"},
        {[](ASP_Replay& r) { r.world = "gone.dat"; }, "its track dat\\gone.dat is missing"},
        {[](ASP_Replay& r) { r.world = "..\\config.ini"; }, "it names no track of the game"},
        {[](ASP_Replay& r) { r.cars.resize(ASP_Race::kMaxCars + 1); }, "it has more cars than a race takes"},
    };
    for (const auto& [change, reason] : cases) {
        ASP_Replay replay = Raced("track");
        change(replay);
        EXPECT_EQ(ReplayRefusal(replay), reason);
    }
    // A file the game cannot read is listed, refused with the reader's reason.
    TempFolder folder;
    const ASP_ReplayLibrary library(folder.File("replays/"));
    std::string error;
    ASSERT_TRUE(Raced("track").Save(library.NewFile(), &error));
    const std::string file = library.List().at(0).file;
    std::string text = folder.Read(file);
    const std::string version = "version=" + std::to_string(ASP_Replay::kVersion);
    text.replace(text.find(version), version.size(), "version=0");
    folder.Write("replays/" + file.substr(file.rfind('/') + 1), text);
    EXPECT_NE(library.List().at(0).refused.find("another version"), std::string::npos);
}
