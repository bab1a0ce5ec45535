#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/race/replay_library.h"
#include "game/race/time_trial.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "tests/support/temp_folder.h"

// Three laps of the shipped circuit by a driver who steers as the computer would but through a
// human's commands, braking for two seconds in the third: the first lap sets the ghost, the second
// (flying) beats it, the third does not. The ghost file, driven again from its inputs, gives the
// poses the car had.
TEST(TimeTrial, ABetterLapReplacesTheGhostWhosePosesComeFromItsInputs) {
    TempFolder folder;
    ASP_PictureFiles pictures;
    ASP_Race race(7);
    ASSERT_TRUE(race.Load("dat\\world0.dat", pictures));
    race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan"));
    ASP_Replay session;
    session.world = "world0.dat";
    session.seed = 7;
    session.cars = {{"Vulcan", false}};
    ASP_TimeTrial trial(folder.File("ghosts/world0.dat.replay"), "world0.dat");
    ASP_ComputerDriver driver(ASP_Difficulty::Hard);
    race.Start({ASP_Command()});
    session.Record(race.GetStepCommands());
    std::vector<Point> raced{Point(race.GetCar(0).body.GetX(), race.GetCar(0).body.GetY())};
    // By lap: where it began, its time, and the ghost's time after it.
    std::vector<long long> starts;
    std::vector<double> times;
    std::vector<double> ghosts;
    const ASP_RaceRecord& record = race.GetCar(0).record;
    while (times.size() < 3 && race.GetSteps() < 60000) {
        ASP_Command command = driver.Drive(race, 0, ASP_Race::kStep);
        if (record.lap == 3 && record.lapTime > 5.0 && record.lapTime < 7.0) {
            command = ASP_Command{0, 255, 0, 0, 0};
        }
        const int lap = record.lap;
        race.Step({command});
        session.Record(race.GetStepCommands());
        trial.AfterStep(race, &session);
        raced.emplace_back(race.GetCar(0).body.GetX(), race.GetCar(0).body.GetY());
        if (record.lap != lap) {
            starts.push_back(race.GetSteps());
        }
        for (const ASP_RaceEvent& e : race.GetEvents()) {
            if (e.kind == ASP_RaceEvent::Lap) {
                times.push_back(e.time);
                ghosts.push_back(trial.GetGhost().Time());
            }
        }
    }
    ASSERT_EQ(times.size(), 3u);
    ASSERT_TRUE(times[1] < times[0] && times[2] > times[1]) << times[0] << " " << times[1] << " " << times[2];
    EXPECT_EQ(ghosts, std::vector<double>({times[0], times[1], times[1]}));
    // The gaps of the best lap, the second, to the ghost it was driven against, the first.
    ASSERT_EQ(trial.GetGaps().size(), 7u);
    EXPECT_DOUBLE_EQ(trial.GetGaps().back(), times[1] - times[0]);

    ASP_GhostLap ghost;
    std::string error;
    ASSERT_TRUE(LoadGhostLap(folder.File("ghosts/world0.dat.replay"), "world0.dat", pictures, &ghost, &error))
        << error;
    EXPECT_EQ(ghost.Time(), times[1]);
    ASSERT_EQ(ghost.poses.size(), static_cast<size_t>(starts[2] - starts[1] + 1));
    for (size_t k : {size_t{0}, ghost.poses.size() / 2, ghost.poses.size() - 1}) {
        EXPECT_EQ(ghost.poses[k].at, raced[static_cast<size_t>(starts[1]) + k]) << k;
    }
    EXPECT_FALSE(
        LoadGhostLap(folder.File("ghosts/world0.dat.replay"), "frost.dat", pictures, &ghost, &error));
    EXPECT_EQ(error, "it is a ghost of world0.dat, not of frost.dat");
}

TEST(TimeTrial, GapLinesNumberTheCheckpointsFourToALine) {
    EXPECT_EQ(GapLines("Gaps", {0.214, -0.1, 0.05, 0.333, 1.0}, 4),
              std::vector<std::string>({"Gaps  1 +0.21  2 -0.10  3 +0.05  4 +0.33", "      5 +1.00"}));
    EXPECT_TRUE(GapLines("Gaps", {}, 4).empty());
}
