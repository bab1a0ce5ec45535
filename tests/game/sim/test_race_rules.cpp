#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/angle.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "game/sim/results.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

// A loop of three big checkpoints, the finish line straight ahead of the grid.
const char* const kTrack =
    "[main]\nlaps=2\nrequiredCheckpoints=3\nplayers=3\ncheckpoints=3\nfinishTimeout=20\n"
    "[start0]\nx=0\ny=0\nrot=0\n[start1]\nx=200\ny=0\nrot=0\n[start2]\nx=400\ny=0\nrot=0\n"
    "[checkpoint0]\nx=-300\ny=-700\nwidth=800\nheight=200\nisFinish=1\nindex=0\n"
    "[checkpoint1]\nx=1800\ny=-2200\nwidth=600\nheight=600\nindex=1\n"
    "[checkpoint2]\nx=1800\ny=600\nwidth=600\nheight=600\nindex=2\n";

// Races on kTrack (or a track of the given text) with the shipped Vulcan (80 x 160), no window.
class RaceRules : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(race.Load(folder.Write("world.dat", kTrack), pictures)); }
    ASP_Car& Add(bool computer = false) {
        race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan"),
                    computer ? std::make_unique<ASP_ComputerDriver>(ASP_Difficulty::Easy) : nullptr);
        return *race.GetCars().back();
    }
    // Puts the car at rest with its centre at p, turned by degrees.
    static void Place(ASP_Car& car, Point p, double degrees = 0.0) {
        car.PutAt(p - car.body.Pivot(), degrees);
    }
    // Puts the car on a checkpoint and steps once; off it first, so that it reaches it.
    void PassOver(ASP_Car& car, int checkpoint) {
        Place(car, Point(5000, 5000));
        race.Step({});
        Place(car, race.GetTrack().GetCheckpoints(checkpoint).front()->shape.Centre());
        race.Step({});
    }
    // What the last step told, contacts aside.
    std::vector<ASP_RaceEvent::Kind> Kinds() const {
        std::vector<ASP_RaceEvent::Kind> kinds;
        for (const ASP_RaceEvent& e : race.GetEvents()) {
            if (e.kind != ASP_RaceEvent::Contact) {
                kinds.push_back(e.kind);
            }
        }
        return kinds;
    }

    TempFolder folder;
    ASP_PictureFiles pictures;
    ASP_Race race;
};

}  // namespace

// Checkpoints count in order only; the finish line makes a lap only after all the others; of two
// cars at one checkpoint the later ranks behind; before the first crossing, the nearer leads.
TEST_F(RaceRules, CheckpointsInOrderMakeLapsAndPositionsFollowProgress) {
    ASP_Car& a = Add();
    ASP_Car& b = Add();
    race.Start({});
    Place(b, Point(200, -300));
    race.Step({});
    EXPECT_EQ(std::pair(a.record.position, b.record.position), std::pair(2, 1)) << "b is nearer the line";
    PassOver(a, 0);
    PassOver(b, 0);
    EXPECT_EQ(std::pair(a.record.position, b.record.position), std::pair(1, 2)) << "a got there first";
    EXPECT_EQ(a.record.lap, 1);
    PassOver(a, 2);
    EXPECT_EQ(a.record.lastCheckpoint, 0) << "checkpoint 2 before 1";
    PassOver(a, 0);
    EXPECT_EQ(a.record.lap, 1) << "the line again without the others";
    for (int checkpoint : {1, 2, 0}) {
        PassOver(a, checkpoint);
    }
    EXPECT_EQ(a.record.lap, 2);
    EXPECT_EQ(Kinds(), (std::vector<ASP_RaceEvent::Kind>{ASP_RaceEvent::Checkpoint, ASP_RaceEvent::Lap}));
    // The standings list every car once even when positions collide.
    EXPECT_EQ(StandingsOrder({1, 1, 1, 1}), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(StandingsOrder({4, 4, 1}), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(StandingsOrder({2, 9, 0}), (std::vector<int>{2, 0, 1}));
}

// A track of one checkpoint: a car standing on its line takes it once, not once a step, and a car
// put back on it by a reset does not take it at all.
TEST(RaceOneLine, ALineIsTakenWhenReachedNotForEveryStepOnIt) {
    TempFolder folder;
    ASP_PictureFiles pictures;
    ASP_Race race;
    ASSERT_TRUE(race.Load(folder.Write("one.dat",
                                       "[main]\nlaps=3\nrequiredCheckpoints=1\nplayers=1\ncheckpoints=1\n"
                                       "[start0]\n[checkpoint0]\nx=-300\ny=-700\nwidth=800\nheight=200\n"
                                       "isFinish=1\n"),
                          pictures));
    race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan"));
    ASP_Car& car = race.GetCar(0);
    race.Start({});
    car.PutAt(Point(100, -600) - car.body.Pivot(), 0.0);
    for (int i = 0; i < 50; ++i) {
        race.Step({});
    }
    EXPECT_EQ(car.record.lap, 1);
    ASP_Command reset;
    reset.flags = ASP_Command::kReset;
    race.Step({reset});
    for (double t = 0.0; t < ASP_Car::kResetDelay + 0.1; t += ASP_Race::kStep) {
        race.Step({});
    }
    EXPECT_EQ(car.record.lap, 1);
    EXPECT_FALSE(race.IsOver());
}

// The first finish (here a computer car's) starts the track's 20 s for everyone else; then the race
// ends with the others ranked where they stand and unplaced. Finishing is told once.
TEST_F(RaceRules, TheFirstFinishStartsTheClockAndTheRaceEndsWithTheOthersUnplaced) {
    ASP_Car& human = Add();
    ASP_Car& computer = Add(true);
    race.Start({});
    std::tie(computer.record.lap, computer.record.lastCheckpoint) = std::pair(2, 2);
    PassOver(computer, 0);
    EXPECT_TRUE(computer.record.finished);
    EXPECT_EQ(race.GetEvents().back().kind, ASP_RaceEvent::Finish);
    EXPECT_EQ(race.GetEvents().back().value, 1);
    EXPECT_NEAR(race.GetRules().GetRaceEndIn(), 20.0 - ASP_Race::kStep, 1e-9);
    PassOver(computer, 0);
    EXPECT_EQ(Kinds(), std::vector<ASP_RaceEvent::Kind>()) << "finished once";
    while (!race.IsOver() && race.GetSteps() < 10000) {
        race.Step({});
    }
    EXPECT_NEAR(race.GetSteps() * ASP_Race::kStep, 20.0 + 4 * ASP_Race::kStep, 0.02);
    EXPECT_EQ(Kinds().back(), ASP_RaceEvent::RaceOver);
    EXPECT_EQ(std::pair(computer.record.position, human.record.position), std::pair(1, 2));
    EXPECT_EQ(StandingsRow(human.record, "Vulcan", false, 1, true), "2. Player 1   Vulcan    DNF       --");
    const Point at = human.body.Centre();
    race.Step({});
    EXPECT_EQ(human.body.Centre(), at) << "an ended race stands still";
}

// Giving up takes the human out of the race, which then ends without waiting for the computer car
// still driving; the human is unplaced.
TEST_F(RaceRules, GivingUpEndsTheRaceForTheHumans) {
    ASP_Car& human = Add();
    ASP_Car& computer = Add(true);
    race.Start({});
    race.Step({});
    ASP_Command out;
    out.flags = ASP_Command::kGiveUp;
    race.Step({out});
    EXPECT_TRUE(race.IsOver());
    EXPECT_TRUE(human.record.retired && !human.record.finished && !computer.record.finished);
    EXPECT_EQ(Kinds(), (std::vector<ASP_RaceEvent::Kind>{ASP_RaceEvent::Retired, ASP_RaceEvent::RaceOver}));
    EXPECT_EQ(StandingsRow(human.record, "Vulcan", false, 1, false).substr(24, 3), "DNF");
}

// Reset puts a car on the nearest checkpoint of the last it took when it asked, facing the next,
// once the delay is over; before the first, on its start position. A checkpoint taken while waiting
// still counts, but does not move the place: every machine of a network race agrees on it.
TEST_F(RaceRules, ResetPutsTheCarBackOnItsLastCheckpointFacingTheNext) {
    ASP_Car& car = Add();
    race.Start({});
    const auto centre = [this](int checkpoint) {
        return race.GetTrack().GetCheckpoints(checkpoint).front()->shape.Centre();
    };
    for (const auto& [last, takesWhileWaiting] :
         {std::pair(-1, false), std::pair(1, false), std::pair(1, true)}) {
        car.record.lastCheckpoint = last;
        Place(car, Point(-3000, 3000), 30.0);
        ASP_Command reset;
        reset.flags = ASP_Command::kReset;
        race.Step({reset});
        if (takesWhileWaiting) {
            PassOver(car, 2);
            ASSERT_EQ(car.record.lastCheckpoint, 2);
            Place(car, Point(-3000, 3000), 30.0);
        }
        for (double t = ASP_Race::kStep; t < ASP_Car::kResetDelay - 0.05; t += ASP_Race::kStep) {
            race.Step({});
        }
        EXPECT_EQ(car.body.Centre(), Point(-3000, 3000) + Point()) << "not before the delay is over";
        for (int i = 0; i < 12; ++i) {
            race.Step({});
        }
        if (last < 0) {
            EXPECT_EQ(Point(car.body.GetX(), car.body.GetY()), Point(0, 0));
            continue;
        }
        EXPECT_LT(Length(car.body.Centre() - centre(1)), 1.0);
        const Point ahead = centre(2) - centre(1);
        EXPECT_GT(Dot(Facing(car.body.GetRotation()), ahead / Length(ahead)), 0.999);
        EXPECT_EQ(car.record.compassTarget, centre(takesWhileWaiting ? 0 : 2));
    }
}

// Two cars put back on one checkpoint at once both stand on its centre, passing through each other
// rather than being flung apart, until they are clear; then they meet as cars do.
TEST_F(RaceRules, CarsPutBackOnOneCheckpointAtOncePassThroughEachOtherUntilClear) {
    ASP_Car& a = Add();
    ASP_Car& b = Add();
    race.Start({});
    const Point centre = race.GetTrack().GetCheckpoints(1).front()->shape.Centre();
    for (ASP_Car* car : {&a, &b}) {
        car->record.lastCheckpoint = 1;
        Place(*car, Point(car == &a ? -3000 : 3000, 3000));
    }
    ASP_Command reset;
    reset.flags = ASP_Command::kReset;
    race.Step({reset, reset});
    for (double t = 0.0; t < ASP_Car::kResetDelay + 0.2; t += ASP_Race::kStep) {
        race.Step({});
    }
    EXPECT_LT(Length(a.body.Centre() - centre), 1.0);
    EXPECT_LT(Length(b.body.Centre() - centre), 1.0);
    EXPECT_TRUE(a.passesThroughCars && b.passesThroughCars);
    ASP_Command go;
    go.forward = 255;
    for (int i = 0; i < 240 && b.passesThroughCars; ++i) {
        race.Step({ASP_Command(), go});
    }
    EXPECT_FALSE(a.passesThroughCars || b.passesThroughCars);
    Place(b, a.body.Centre() + Point(0, 60));
    race.Step({});
    EXPECT_EQ(Kinds(), std::vector<ASP_RaceEvent::Kind>());
    EXPECT_TRUE(std::any_of(race.GetEvents().begin(), race.GetEvents().end(),
                            [](const ASP_RaceEvent& e) { return e.kind == ASP_RaceEvent::Contact; }));
}

// Backing away from the next checkpoint is the wrong way after a second, told once; driving on
// towards it ends it.
TEST_F(RaceRules, ReversingAwayFromTheNextCheckpointIsTheWrongWayAfterASecond) {
    ASP_Car& car = Add();
    race.Start({});
    ASP_Command back;
    back.backward = 255;
    int told = 0;
    double t = 0.0;
    for (; t < 5.0 && !car.record.IsWrongWay(); t += ASP_Race::kStep) {
        race.Step({back});
        told += Kinds() == std::vector<ASP_RaceEvent::Kind>{ASP_RaceEvent::WrongWay};
    }
    ASSERT_TRUE(car.record.IsWrongWay() && t > 1.0) << t;
    EXPECT_EQ(told, 1);
    ASP_Command on;
    on.forward = 255;
    for (t = 0.0; t < 3.0 && car.record.IsWrongWay(); t += ASP_Race::kStep) {
        race.Step({on});
    }
    EXPECT_FALSE(car.record.IsWrongWay());
}

// Every car takes the next start position, computer cars too; one beyond the grid is refused.
TEST_F(RaceRules, EachCarTakesTheNextStartPositionAndAFourthIsRefused) {
    Add();
    Add(true);
    Add(true);
    const std::string refused =
        Logged([&] { EXPECT_EQ(race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan")), -1); });
    EXPECT_EQ(refused,
              "ERROR in class ASP_Race: Failed to add new player: maximum number of players reached.\n");
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(race.GetCars()[i]->body.GetX(), 200.0 * i);
    }
}
