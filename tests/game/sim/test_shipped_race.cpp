#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/angle.h"
#include "engine/ini.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"
#include "tests/support/temp_folder.h"
#include "track/track_list.h"

namespace {

ASP_Command Forward() {
    ASP_Command c;
    c.forward = 255;
    return c;
}

// A race on the shipped circuit, no window: one human's Vulcan (80 x 160 pixels) unless told else.
class ShippedRace : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(race.Load("dat\\world0.dat", pictures)); }
    ASP_Car& Add(const std::string& name = "Vulcan") {
        race.AddCar(ASP_CarModel::Load(kCarFile, name));
        return *race.GetCars().back();
    }
    static void Place(ASP_Car& car, Point centre, double degrees) {
        car.PutAt(centre - car.body.Pivot(), degrees);
    }

    ASP_PictureFiles pictures;
    ASP_Race race;
};

}  // namespace

// Driven into each boundary wall, straight and at 45 degrees, from rest and at top speed: the car
// stays inside, and with the throttle released it comes to rest.
TEST_F(ShippedRace, WallsHoldTheCar) {
    ASP_Car& car = Add();
    race.Start({});
    // The middle of each wall's inner face, and the turn that faces it.
    const std::pair<Point, double> walls[] = {
        {{2048, 64}, 0.0}, {{64, 1536}, 90.0}, {{2048, 3008}, 180.0}, {{4032, 1536}, 270.0}};
    for (const auto& [face, facing] : walls) {
        for (double turn : {0.0, 45.0}) {
            for (double speed : {0.0, car.GetModel().topSpeed}) {
                SCOPED_TRACE(testing::Message() << "wall " << facing << "+" << turn << ", v " << speed);
                Place(car, face - Facing(facing) * 200.0, facing + turn);
                car.body.motion.SetVelocity(Facing(facing + turn) * speed);
                for (double t = 0.0; t < 4.5; t += ASP_Race::kStep) {
                    race.Step({t < 2.0 ? Forward() : ASP_Command()});
                    const Point p = car.body.Centre();
                    ASSERT_TRUE(p.x > 64 && p.x < 4032 && p.y > 64 && p.y < 3008) << "at " << t << " s";
                }
                EXPECT_EQ(car.body.motion.GetVelocity(), Point());
            }
        }
    }
}

namespace {

// How deep a point lies inside an outline: its distance to the nearest edge; 0 outside.
double DepthIn(Point p, const Quad& q) {
    double depth = 1e9;
    for (int k = 0; k < 4 && PointInQuad(p, q); ++k) {
        const Point a = q.p[k];
        const Point b = q.p[(k + 1) % 4];
        depth = std::min(depth, std::abs(Cross(b - a, p - a)) / Length(b - a));
    }
    return PointInQuad(p, q) ? depth : 0.0;
}

}  // namespace

// Driven at top speed into the right boundary at every angle up to the top, the car slides into the
// top-right corner, where the top wall, the right wall and a tree meet: after every step no corner
// of it lies more than a pixel inside any of them, and its centre never does.
TEST_F(ShippedRace, WallsHoldTheCarInTheirCorners) {
    ASP_Car& car = Add();
    race.Start({});
    // The fixed outlines never move: take them once, with their bounds, so that each step looks
    // only into those the car's bounds meet.
    struct Wall {
        Quad outline;
        Point low, high;
    };
    const auto bounds = [](const Quad& q, Point* low, Point* high) {
        *low = *high = q.p[0];
        for (const Point& c : q.p) {
            *low = Point(std::min(low->x, c.x), std::min(low->y, c.y));
            *high = Point(std::max(high->x, c.x), std::max(high->y, c.y));
        }
    };
    std::vector<Wall> walls;
    for (const ASP_TrackObject& object : race.GetObjects()) {
        if (!object.body.motion.Moves()) {
            walls.push_back({object.body.Outline(), {}, {}});
            bounds(walls.back().outline, &walls.back().low, &walls.back().high);
        }
    }
    double deepest = 0.0;
    for (double y = 200; y <= 700; y += 20) {
        for (double turn = 0.0; turn <= 80.0; turn += 10.0) {
            Place(car, Point(3900, y), 270.0 + turn);
            car.body.motion.SetVelocity(Facing(270.0 + turn) * 900.0);
            for (double t = 0.0; t < 3.0; t += ASP_Race::kStep) {
                race.Step({t < 2.0 ? Forward() : ASP_Command()});
                Point low, high;
                bounds(car.body.Outline(), &low, &high);
                for (const Wall& wall : walls) {
                    if (high.x < wall.low.x || low.x > wall.high.x || high.y < wall.low.y ||
                        low.y > wall.high.y) {
                        continue;
                    }
                    for (const Point& corner : car.body.Outline().p) {
                        deepest = std::max(deepest, DepthIn(corner, wall.outline));
                    }
                    ASSERT_EQ(DepthIn(car.body.Centre(), wall.outline), 0.0)
                        << "from y " << y << " turned " << turn << ", at " << t << " s";
                }
            }
        }
    }
    EXPECT_LE(deepest, 1.0);
}

// Every sand and mud area of the shipped circuit lets the weakest cars out within three seconds at
// full throttle, from its deepest point straight towards the nearest road.
TEST_F(ShippedRace, WeakestCarsLeaveEachSandAndMudAreaWithinThreeSeconds) {
    constexpr int kCell = 64;
    const ASP_Track& track = race.GetTrack();
    const auto ground = [&](Point p) {
        const SurfaceModifier m = track.ModifierAt(p);
        return SurfaceColor{m.r, m.g, m.b};
    };
    const auto loose = [&](Point p) {
        return ground(p) == SurfaceColor{230, 200, 110} || ground(p) == SurfaceColor{110, 70, 30};
    };
    // Per area (cells joined by their sides): the cell farthest from the road, the heading that
    // leaves it soonest and the steps of 8 pixels to the road that way.
    struct Exit {
        Point from;
        double angle;
        int steps;
    };
    std::set<std::pair<int, int>> seen;
    std::vector<Exit> exits;
    for (int y = 0; y < 3072; y += kCell) {
        for (int x = 0; x < 4096; x += kCell) {
            if (!loose(Point(x, y)) || !seen.insert({x, y}).second) {
                continue;
            }
            exits.push_back(Exit{Point(), 0.0, 0});
            for (std::vector<std::pair<int, int>> todo{{x, y}}; !todo.empty();) {
                const auto [cx, cy] = todo.back();
                todo.pop_back();
                Exit here{Point(cx, cy), 0.0, 1000};
                for (int a = 0; a < 360; a += 30) {
                    int n = 0;
                    while (n < 100 &&
                           !(ground(here.from + Facing(a) * (n * 8.0)) == SurfaceColor{128, 128, 128})) {
                        ++n;
                    }
                    here = n < here.steps ? Exit{here.from, static_cast<double>(a), n} : here;
                }
                exits.back() = here.steps > exits.back().steps ? here : exits.back();
                for (const auto& [nx, ny] :
                     {std::pair{cx + kCell, cy}, {cx - kCell, cy}, {cx, cy + kCell}, {cx, cy - kCell}}) {
                    if (loose(Point(nx, ny)) && seen.insert({nx, ny}).second) {
                        todo.push_back({nx, ny});
                    }
                }
            }
        }
    }
    ASSERT_GE(exits.size(), 2u);
    // The two cars with the least power for their weight.
    Add("Comet");
    Add("Cadillac");
    race.Start({});
    for (size_t i = 0; i < 2; ++i) {
        ASP_Car& car = race.GetCar(i);
        for (const Exit& exit : exits) {
            Place(race.GetCar(1 - i), Point(-1000, -1000), 0.0);
            Place(car, exit.from, exit.angle);
            std::vector<ASP_Command> commands(2);
            commands[i] = Forward();
            double t = 0.0;
            for (; t < 3.0 && loose(car.body.Centre()); t += ASP_Race::kStep) {
                race.Step(commands);
            }
            EXPECT_LT(t, 3.0) << car.GetModel().name << " held at " << exit.from.x << ", " << exit.from.y
                              << ", " << exit.steps * 8 << " px from the road";
        }
    }
}

// Every shipped track has a full grid behind its finish line: each car kind, on every start position,
// lies on asphalt, clear of the walls and objects, the checkpoints and the other cars.
TEST(ShippedGrid, EveryTrackHasAGridBoxOnAsphaltForEveryCarBehindTheLine) {
    const std::vector<ASP_TrackEntry> tracks = LoadTrackList("dat\\tracks.dat");
    ASSERT_EQ(tracks.size(), 3u);
    ASP_PictureFiles pictures;
    for (const ASP_TrackEntry& entry : tracks) {
        for (const std::string& kind : ReadCarList(kCarFile)) {
            SCOPED_TRACE(entry.world + " " + kind);
            ASP_Race race;
            ASSERT_TRUE(race.Load(entry.WorldFile(), pictures));
            const ASP_Track& track = race.GetTrack();
            while (race.AddCar(ASP_CarModel::Load(kCarFile, kind)) >= 0) {
            }
            ASSERT_EQ(race.GetCars().size(), static_cast<size_t>(ASP_Race::kMaxCars));
            std::vector<Quad> taken;
            for (const ASP_TrackObject& object : track.GetObjects()) {
                taken.push_back(object.body.Outline());
            }
            for (const ASP_Checkpoint& checkpoint : track.GetAllCheckpoints()) {
                taken.push_back(checkpoint.shape.Outline());
            }
            const Point finish = QuadCentre(track.GetCheckpoints(0).front()->shape.Outline());
            for (size_t i = 0; i < race.GetCars().size(); ++i) {
                const ASP_Body& car = race.GetCars()[i]->body;
                for (double u = 0.0; u <= 1.0; u += 0.125) {
                    for (double v = 0.0; v <= 1.0; v += 0.125) {
                        const SurfaceModifier m =
                            track.ModifierAt(car.ToWorld(Point(u * car.GetWidth(), v * car.GetHeight())));
                        EXPECT_TRUE(SurfaceColor({m.r, m.g, m.b}) == SurfaceColor({128, 128, 128})) << i;
                    }
                }
                EXPECT_GT(Dot(Facing(car.GetRotation()), finish - car.Centre()), 0.0) << i;
                for (const Quad& other : taken) {
                    EXPECT_FALSE(QuadsOverlap(car.Outline(), other, nullptr))
                        << i << " at " << QuadCentre(other).y;
                }
                taken.push_back(car.Outline());
            }
        }
    }
}

namespace {

// Longest a computer car may run off the road (grass, sand, mud) in one go.
constexpr double kLongestOffRoad = 12.0;
constexpr double kTimeLimit = 240.0;

// Computer cars (four unless told), in each order on the grid (every car from every place) or in
// the first orders only, until every one has finished, each in time and never off the road for
// long; the median of their race times. The track's finish timeout is off, so that each race waits
// for its slowest car.
double MedianComputerTime(const ASP_TrackEntry& entry, ASP_Difficulty difficulty,
                          std::vector<std::string> cars = {"Vulcan", "Hornet", "Cadillac", "Comet"},
                          size_t orders = 4) {
    const TempFolder folder;
    const std::string untimed = folder.Write("world.dat", folder.Read(MakeAbsolutePath(entry.WorldFile())));
    WriteIniDouble("main", "finishTimeout", 0.0, untimed);
    std::vector<double> times;
    double longestOffRoad = 0.0;
    for (size_t grid = 0; grid < orders; ++grid) {
        ASP_PictureFiles pictures;
        ASP_Race race(grid);
        EXPECT_TRUE(race.Load(untimed, pictures));
        for (const std::string& car : cars) {
            race.AddCar(ASP_CarModel::Load(kCarFile, car), std::make_unique<ASP_ComputerDriver>(difficulty));
        }
        EXPECT_EQ(race.GetCars().size(), cars.size());
        race.Start({});
        std::vector<double> offRoad(cars.size(), 0.0);
        while (!race.IsOver() && race.GetSteps() * ASP_Race::kStep < kTimeLimit) {
            race.Step({});
            for (size_t i = 0; i < offRoad.size(); ++i) {
                const ASP_Car& car = *race.GetCars()[i];
                const bool off =
                    race.GetTrack().ModifierAt(car.body.Centre()).topSpeed < 0.9 && car.record.Racing();
                offRoad[i] = off ? offRoad[i] + ASP_Race::kStep : 0.0;
                longestOffRoad = std::max(longestOffRoad, offRoad[i]);
            }
        }
        for (const auto& car : race.GetCars()) {
            EXPECT_TRUE(car->record.finished) << car->GetModel().name;
            times.push_back(car->record.raceTime);
        }
        std::rotate(cars.begin(), cars.begin() + 1, cars.end());
    }
    EXPECT_LT(longestOffRoad, kLongestOffRoad);
    std::sort(times.begin(), times.end());
    return (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2.0;
}

}  // namespace

// Every shipped track (by its place in the track list) at every difficulty: the computer cars finish
// in time and stay on the road, and harder opponents are faster.
class ComputerRace : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(ShippedTrack, ComputerRace, testing::Values(0, 1, 2));

TEST_P(ComputerRace, EveryComputerCarFinishesOnTheRoadAndHarderOnesFaster) {
    const std::vector<ASP_TrackEntry> tracks = LoadTrackList("dat\\tracks.dat");
    ASSERT_EQ(tracks.size(), 3u);
    double slower = kTimeLimit;
    for (ASP_Difficulty d : {ASP_Difficulty::Easy, ASP_Difficulty::Normal, ASP_Difficulty::Hard}) {
        SCOPED_TRACE(DifficultyText(d));
        const double median = MedianComputerTime(tracks[static_cast<size_t>(GetParam())], d);
        EXPECT_LT(median, slower);
        slower = median;
    }
}

// A full grid of eight, the car kinds repeating, finishes on the road.
TEST_P(ComputerRace, AFullGridOfEightFinishesOnTheRoad) {
    const std::vector<std::string> kinds = ReadCarList(kCarFile);
    std::vector<std::string> grid;
    while (grid.size() < static_cast<size_t>(ASP_Race::kMaxCars)) {
        grid.push_back(kinds[grid.size() % kinds.size()]);
    }
    MedianComputerTime(LoadTrackList("dat\\tracks.dat").at(static_cast<size_t>(GetParam())),
                       ASP_Difficulty::Normal, grid, 1);
}

// Green Valley without its racing line: the line through the checkpoints' centres turns sharply
// at checkpoint 4, a thin strip at the apex of a V, that a car cuts by. Every computer car still
// takes every checkpoint (going back for one it missed) and finishes.
TEST(ComputerRace, WithoutTheTracksLineEveryComputerCarFinishes) {
    const TempFolder folder;
    std::string text = folder.Read(MakeAbsolutePath("dat\\world0.dat"));
    const size_t line = text.find("[racingLine]");
    ASSERT_NE(line, std::string::npos);
    text.erase(line, text.find("\n[", line) - line);
    const std::string world = folder.Write("world.dat", text);
    WriteIniDouble("main", "finishTimeout", 0.0, world);
    ASP_PictureFiles pictures;
    ASP_Race race;
    ASSERT_TRUE(race.Load(world, pictures));
    ASSERT_EQ(race.GetTrack().GetRacingLine().GetPoints().size(), 7u);
    for (const char* car : {"Vulcan", "Comet", "Cadillac", "Dune"}) {
        race.AddCar(ASP_CarModel::Load(kCarFile, car),
                    std::make_unique<ASP_ComputerDriver>(ASP_Difficulty::Normal));
    }
    race.Start({});
    while (!race.IsOver() && race.GetSteps() * ASP_Race::kStep < 300.0) {
        race.Step({});
    }
    for (const auto& car : race.GetCars()) {
        EXPECT_TRUE(car->record.finished)
            << car->GetModel().name << " after checkpoint " << car->record.lastCheckpoint;
    }
}

// A computer car put on the line beyond checkpoint 1, which it has not taken, turns back for it
// rather than lapping on.
TEST_F(ShippedRace, AComputerCarGoesBackForACheckpointItMissed) {
    auto owned = std::make_unique<ASP_ComputerDriver>(ASP_Difficulty::Normal);
    const ASP_ComputerDriver& driver = *owned;
    race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan"), std::move(owned));
    ASP_Car& car = race.GetCar(0);
    race.Start({});
    while (car.record.lastCheckpoint < 0 && race.GetSteps() < 1000) {
        race.Step({});
    }
    ASSERT_EQ(car.record.lastCheckpoint, 0);
    const ASP_RacingLine& line = race.GetTrack().GetRacingLine();
    const double beyond =
        CrossingOf(line, race.GetTrack().GetCheckpoints(1).front()->shape.Outline()).progress + 300.0;
    Place(car, line.PointAt(beyond), HeadingOf(line.DirectionAt(beyond)));
    bool wentBack = false;
    for (double t = 0.0; t < 10.0 && car.record.lastCheckpoint == 0; t += ASP_Race::kStep) {
        race.Step({});
        wentBack = wentBack || driver.IsGoingBack();
    }
    EXPECT_TRUE(wentBack);
    EXPECT_EQ(car.record.lastCheckpoint, 1);
}

// A race recorded and played back (from its file) ends in the same state to the bit, with the same
// results; a replay of another version, or broken, is refused with why.
TEST(ReplayTest, ARecordedRacePlaysBackToTheSameStateAndBadFilesAreRefused) {
    TempFolder folder;
    ASP_PictureFiles pictures;
    ASP_Replay recorded;
    std::tie(recorded.world, recorded.seed, recorded.difficulty) =
        std::tuple("world0.dat", 7, ASP_Difficulty::Hard);
    recorded.cars = {{"Vulcan", false}, {"Comet", true}};
    const auto run = [&](const ASP_Replay& replay, ASP_Replay* record) {
        auto race = std::make_unique<ASP_Race>(replay.seed);
        race->Load("dat\\world0.dat", pictures);
        for (const ASP_ReplayCar& car : replay.cars) {
            race->AddCar(ASP_CarModel::Load(kCarFile, car.car),
                         car.computer ? std::make_unique<ASP_ComputerDriver>(replay.difficulty) : nullptr);
        }
        const long long steps = record != nullptr ? 3000 : replay.Steps();
        for (long long s = 0; s < steps; ++s) {
            // The human weaves: forward, with a turn now and then and a reset once.
            std::vector<ASP_Command> commands = replay.CommandsAt(s);
            if (record != nullptr) {
                commands[0] = Forward();
                commands[0].left = s % 400 < 60 ? 255 : 0;
                commands[0].flags = s == 1500 ? ASP_Command::kReset : 0;
            }
            s == 0 ? race->Start(commands) : race->Step(commands);
            if (record != nullptr) {
                record->Record(race->GetStepCommands());
            }
        }
        return race;
    };
    const std::unique_ptr<ASP_Race> raced = run(recorded, &recorded);
    ASSERT_EQ(recorded.Steps(), 3000);
    std::string error;
    ASSERT_TRUE(recorded.Save(folder.File("race.replay"), &error)) << error;
    ASP_Replay loaded;
    ASSERT_TRUE(loaded.Load(folder.File("race.replay"), &error)) << error;
    EXPECT_EQ(loaded.cars.size(), 2u);
    EXPECT_EQ(loaded.difficulty, ASP_Difficulty::Hard);
    const std::unique_ptr<ASP_Race> played = run(loaded, nullptr);
    EXPECT_EQ(played->StateHash(), raced->StateHash());
    EXPECT_EQ(played->GetCars()[0]->record.position, raced->GetCars()[0]->record.position);
    EXPECT_NE(raced->GetCars()[0]->body.Centre(), played->GetCars()[1]->body.Centre());

    const std::string file = folder.Read(folder.File("race.replay"));
    const std::pair<std::string, std::string> bad[] = {
        {"ASPHALTIA REPLAY\nversion=0\n", "another version of the game (replay version 0"},
        {"not a replay at all", "it is not a replay"},
        {file.substr(0, file.size() - 20), "its commands are broken"},
        {"ASPHALTIA REPLAY\nversion=" + std::to_string(ASP_Replay::kVersion) + "\ncars=9999999\n",
         "it is broken"}};
    for (const auto& [text, why] : bad) {
        EXPECT_FALSE(loaded.Load(folder.Write("bad.replay", text), &error));
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
}
