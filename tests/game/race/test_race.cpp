#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/angle.h"
#include "engine/ini.h"
#include "engine/label_sprite.h"
#include "engine/sprite_manager.h"
#include "game/menus/button.h"
#include "game/menus/track_menu.h"
#include "game/race/checkpoint_sprite.h"
#include "game/race/computer_driver.h"
#include "game/race/game.h"
#include "game/race/ground_sprite.h"
#include "game/race/interface.h"
#include "game/race/lap_records.h"
#include "game/race/player.h"
#include "game/race/race_sounds.h"
#include "game/race/track_list.h"
#include "game/race/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/sdl_events.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr double kDt = 1.0 / 60.0;
using State = ASP_Game::RaceState;

// A loop of three big checkpoints, the finish line straight ahead of the grid.
const char* const kTrack =
    "[main]\nlaps=2\nrequiredCheckpoints=3\nplayers=3\ncheckpoints=3\nfinishTimeout=20\n"
    "[start0]\nx=0\ny=0\nrot=0\n[start1]\nx=200\ny=0\nrot=0\n[start2]\nx=400\ny=0\nrot=0\n"
    "[checkpoint0]\nx=-300\ny=-700\nwidth=800\nheight=200\nisFinish=1\nindex=0\n"
    "[checkpoint1]\nx=1800\ny=-2200\nwidth=600\nheight=600\nindex=1\n"
    "[checkpoint2]\nx=1800\ny=600\nwidth=600\nheight=600\nindex=2\n";

// A race with the shipped Vulcan (80 x 160 pixels) as player 1: on kTrack, or on the shipped circuit.
class RaceTest : public GLTest {
protected:
    void SetUp() override { Start(folder.Write("world.dat", kTrack)); }
    void Start(const std::string& worldFile) {
        GLTest::SetUp();
        game = std::make_unique<ASP_Game>(app.get());
        world = game->GetWorld();
        world->Load(worldFile);
        car = AddCar();
    }
    ASP_Player* AddCar() {
        const std::string controls = "controls" + std::to_string(world->GetPlayers().size());
        world->AddPlayer("dat\\cars.dat", "Vulcan", folder.File("config.ini"), controls);
        return world->GetPlayers().back();
    }
    void Press(SDLKey key) {
        SDL_Event e = KeyEvent(key);
        game->OnKeyDown(&e);
    }
    // Puts the car's pivot on the checkpoint's and runs the collision pass.
    void PassOver(ASP_Player* car, int checkpoint) {
        ASP_CheckpointSprite* c = world->GetCheckpoints(checkpoint).front();
        car->SetPosition(c->GetX() + c->GetWidth() * 0.5 - 40.0, c->GetY() + c->GetHeight() * 0.5 - 80.0);
        world->CheckCollisions();
    }
    // The row's place and player, or its whole text.
    std::string StandingsRow(int r, bool whole = false) const {
        auto* label = dynamic_cast<CLabelSprite*>(game->GetStandingsLabel(r));
        const std::string text = label != nullptr && label->IsVisible() ? label->GetText() : "(hidden)";
        return whole ? text : text.substr(0, text.find("  "));
    }
    Point PivotOffset() const {
        const Point c = car->GetRotationCenter();
        return Point(car->GetWidth() * c.x, car->GetHeight() * c.y);
    }
    Point Pivot() const { return Point(car->GetX(), car->GetY()) + PivotOffset(); }
    // Puts the car at rest with its pivot at p, turned by degrees, no key held.
    void Place(Point p, double degrees) {
        for (SDLKey key : {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}) {
            car->OnKeyUp(key);
        }
        car->SetRotation(degrees);
        car->SetPosition(p.x - PivotOffset().x, p.y - PivotOffset().y);
        car->SetVelocity(Point());
        car->SetAngularVelocity(0.0);
    }

    TempFolder folder;
    std::unique_ptr<ASP_Game> game;
    ASP_World* world = nullptr;
    ASP_Player* car = nullptr;
};

class ShippedTrack : public RaceTest {
protected:
    void SetUp() override { Start("dat\\world0.dat"); }
};

// Big fixed steps and no drawing keep nine whole races quick.
constexpr double kRaceDt = 1.0 / 30.0;
constexpr double kTimeLimit = 240.0;
// Longest a computer car may run off the road (grass, sand, mud) in one go.
constexpr double kLongestOffRoad = 10.0;
// The scripted human sets off this late, so the race still runs when the computer cars finish.
constexpr double kHumanDelay = 90.0;

bool OffRoad(const ASP_World& world, const ASP_Player& car) {
    const Point c = car.GetRotationCenter();
    return world.GetModifierAt(car.LocalToGlobal(Point(c.x * car.GetWidth(), c.y * car.GetHeight())))
               .topSpeed < 0.9;
}

// Three computer cars and a scripted human until every computer car has finished, each in time and
// never off the road for long; the computer cars' mean race time. The track's finish timeout is
// off, so that the race waits for the slowest.
double MeanComputerTime(CGameBase* app, const ASP_TrackEntry& track, ASP_Difficulty difficulty) {
    ASP_Game game(app);
    ASP_World* world = game.GetWorld();
    const TempFolder folder;
    const std::string untimed = folder.Write("world.dat", folder.Read(MakeAbsolutePath(track.WorldFile())));
    WriteIniDouble("main", "finishTimeout", 0.0, untimed);
    world->Load(untimed);
    world->AddPlayer("dat\\cars.dat", "Vulcan", "", "controls0");
    for (const char* car : {"Hornet", "Cadillac", "Comet"}) {
        AddComputerCar(*world, "dat\\cars.dat", car, difficulty);
    }
    const std::vector<ASP_Player*> cars = world->GetPlayers();
    ASP_ComputerDriver humanHands(*world, ASP_Difficulty::Easy);
    game.Update(4.0);
    std::vector<double> offRoad(cars.size(), 0.0);
    double longestOffRoad = 0.0, mean = 0.0;
    const auto allDone = [&] {
        return std::all_of(cars.begin() + 1, cars.end(), [](auto* c) { return c->finished; });
    };
    for (double t = 0.0; t < kTimeLimit && !allDone(); t += kRaceDt) {
        if (t > kHumanDelay) {
            humanHands.Drive(*cars[0], kRaceDt);
        }
        game.Update(kRaceDt);
        for (size_t i = 1; i < cars.size(); ++i) {
            offRoad[i] = OffRoad(*world, *cars[i]) && !cars[i]->finished ? offRoad[i] + kRaceDt : 0.0;
            longestOffRoad = std::max(longestOffRoad, offRoad[i]);
        }
    }
    for (size_t i = 1; i < cars.size(); ++i) {
        EXPECT_TRUE(cars[i]->finished) << cars[i]->carName;
        mean += cars[i]->raceTime / 3.0;
    }
    EXPECT_LT(longestOffRoad, kLongestOffRoad);
    EXPECT_EQ(game.GetState(), ASP_Game::RaceState::Racing) << "the race waits for its human";
    return mean;
}

}  // namespace

// Accelerate is held from the loading screen on, its press never seen by the race; steering is
// pressed during the countdown and let go, its release lost, before GO.
TEST_F(RaceTest, CountdownShowsThreeTwoOneGoForFourSecondsWhileEscapeDoesNotPauseAndTheCarsWait) {
    Uint8* held = SDL_GetKeyState(nullptr);
    held[SDLK_UP] = 1;
    std::vector<int> shown;
    while (game->GetState() == State::Countdown && shown.size() < 10) {
        EXPECT_EQ(car->GetVelocity(), Point(0.0, 0.0));
        Press(SDLK_ESCAPE);
        if (shown.size() == 2) {
            Press(SDLK_LEFT);
        }
        game->Update(0.5);
        EXPECT_TRUE(car->IsForwardHeld()) << "held since before the countdown";
        shown.push_back(static_cast<int>(game->GetCountdownLabel()->GetAnimPos()));
    }
    held[SDLK_UP] = 0;
    EXPECT_EQ(shown, (std::vector<int>{3, 3, 2, 2, 1, 1, 0, 0}));
    EXPECT_EQ(game->GetState(), State::Racing);
    // The start push sends the car up the world, and it drives on.
    EXPECT_TRUE(car->IsForwardHeld() && !car->IsLeftHeld() && car->GetVelocity().y < 0.0);
}

TEST_F(RaceTest, BothCarsLeadUntilOneTakesALineOnlyCheckpointsInOrderCountAndStandingsListEachCarOnce) {
    ASP_Player* other = AddCar();
    EXPECT_EQ(other->position, 1);
    game->Update(4.0);
    // Of two cars at the same checkpoint, the later one ranks behind.
    PassOver(other, 0);
    PassOver(car, 0);
    EXPECT_EQ(std::pair(other->position, car->position), std::pair(1, 2));
    // Checkpoint 2 without 1 is not counted, nor is the finish line without the others a lap.
    PassOver(car, 2);
    EXPECT_EQ(car->lastCheckpoint, 0);
    PassOver(car, 0);
    EXPECT_EQ(car->lap, 1);
    for (int checkpoint : {1, 2, 0}) {
        PassOver(car, checkpoint);
    }
    EXPECT_EQ(car->lap, 2);
    EXPECT_EQ(other->position, 2);

    // The standings list every car once even when positions collide; rows without a car are hidden.
    EXPECT_EQ(StandingsOrder({1, 1, 1, 1}), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(StandingsOrder({4, 4, 1}), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(StandingsOrder({2, 9, 0}), (std::vector<int>{2, 0, 1}));
    game->BuildStandings();
    EXPECT_EQ(StandingsRow(2), "(hidden)");
}

TEST_F(RaceTest, EscapePausesAndThePausedWorldStandsStillEvenWhenDrawn) {
    game->Update(4.0);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(game->GetState(), State::Paused);
    const Point at(car->GetX(), car->GetY());
    game->Update(kDt);
    game->Draw(nullptr);
    EXPECT_EQ(Point(car->GetX(), car->GetY()), at);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(game->GetState(), State::Racing);
    game->Update(kDt);
    EXPECT_NE(Point(car->GetX(), car->GetY()), at);
}

// Driven into each boundary wall, straight and at 45 degrees, from rest and at top speed, at 60 and
// at 8 frames per second (the long step is where a car would pass through): the car stays inside,
// and with the key released it comes to rest.
TEST_F(ShippedTrack, WallsHoldTheCarAtAnyFrameStep) {
    game->Update(4.0);
    // The middle of each wall's inner face, and the turn that faces it.
    const std::pair<Point, double> walls[] = {
        {{2048, 64}, 0.0}, {{64, 1536}, 90.0}, {{2048, 3008}, 180.0}, {{4032, 1536}, 270.0}};
    for (double frame : {kDt, 1.0 / 8}) {
        for (const auto& [face, facing] : walls) {
            for (double turn : {0.0, 45.0}) {
                for (double speed : {0.0, car->GetTopSpeed()}) {
                    SCOPED_TRACE(testing::Message() << "frame " << frame << ", wall " << facing << "+" << turn
                                                    << ", v " << speed);
                    Place(face - Facing(facing) * 200.0, facing + turn);
                    car->SetVelocity(Facing(facing + turn) * speed);
                    car->OnKeyDown(SDLK_UP);
                    for (double t = 0.0; t < 4.5; t += frame) {
                        if (t >= 2.0) {
                            car->OnKeyUp(SDLK_UP);
                        }
                        game->Update(frame);
                        const Point p = Pivot();
                        ASSERT_TRUE(p.x > 64 && p.x < 4032 && p.y > 64 && p.y < 3008) << "at " << t << " s";
                    }
                    EXPECT_EQ(car->GetVelocity(), Point());
                }
            }
        }
    }
}

// The same keys at the same times give the same path at 8 or 240 frames per second as at 60.
TEST_F(ShippedTrack, TheRaceFollowsTheSamePathAtAnyFrameRate) {
    game->Update(4.0);
    const Point start = Pivot();
    const auto path = [&](double frame) {
        Place(start, 0.0);
        const std::tuple<double, SDLKey, bool> timeline[] = {
            {0.0, SDLK_UP, true},    {1.0, SDLK_LEFT, true},    {1.5, SDLK_LEFT, false},
            {2.0, SDLK_RIGHT, true}, {2.25, SDLK_RIGHT, false}, {3.0, SDLK_UP, false},
            {3.0, SDLK_DOWN, true},  {3.5, SDLK_DOWN, false}};
        std::vector<Point> points;
        const int frames = static_cast<int>(std::lround(4.0 / frame));
        for (int f = 0; f < frames; ++f) {
            for (const auto& [at, key, down] : timeline) {
                if (std::lround(at / frame) == f) {
                    down ? car->OnKeyDown(key) : car->OnKeyUp(key);
                }
            }
            game->Update(frame);
            if ((f + 1) % std::lround(0.25 / frame) == 0) {
                points.push_back(Pivot());
            }
        }
        return points;
    };
    const std::vector<Point> usual = path(1.0 / 60);
    EXPECT_GT(Length(usual.back() - start), 300.0);
    for (double frame : {1.0 / 8, 1.0 / 240}) {
        const std::vector<Point> other = path(frame);
        ASSERT_EQ(other.size(), usual.size());
        for (size_t i = 0; i < usual.size(); ++i) {
            EXPECT_NEAR(Length(other[i] - usual[i]), 0.0, 1e-6) << frame << " " << i;
        }
    }
}

// The reset key puts a car that left the track (here beyond the walls) back on its last checkpoint,
// facing the next, once the delay is over.
TEST_F(ShippedTrack, ResetPutsTheCarBackOnItsLastCheckpoint) {
    game->Update(4.0);
    const Point from(-400.0, 1500.0);
    Place(from, 30.0);
    car->lastCheckpoint = 3;
    Press(SDLK_BACKSPACE);
    for (double t = 0.0; t < ASP_Player::kResetDelay - 0.05; t += kDt) {
        game->Update(kDt);
    }
    EXPECT_LT(Length(Pivot() - from), 1.0) << "not before the delay is over";
    game->Update(0.1);
    const Point onIt = QuadCenter(world->GetCheckpoints(3).front()->GetCorners());
    EXPECT_NEAR(Length(Pivot() - onIt), 0.0, 1e-6);
    const Point ahead = car->compassTarget - onIt;
    EXPECT_GT(Dot(Facing(car->GetRotation()), ahead / Length(ahead)), 0.999);
}

// A computer car's finish starts the clock too; the human still racing is told who finished and
// how long is left. The results also keep the records and freeze the world.
TEST_F(RaceTest, ProgressRanksBeforeTheLineAndTheRaceEndsAfterTheTimeoutWithTheOthersDnf) {
    ASP_Player* other = AddCar();
    other->SetDriver(std::make_unique<ASP_ComputerDriver>(*world, ASP_Difficulty::Easy));
    game->KeepRecords("loop.dat", folder.File("records.ini"));
    game->Update(4.0);
    other->SetY(other->GetY() - 200.0);
    game->Update(kDt);
    EXPECT_EQ(car->position, 2) << "farther from the finish line";
    std::tie(other->lap, other->lastCheckpoint) = std::pair(2, 2);
    PassOver(other, 0);
    ASSERT_TRUE(other->finished);
    ASP_Interface* hud = world->GetInterface();
    for (int tenths = 1; tenths < 200; ++tenths) {
        game->Update(0.1);
        const std::string told = tenths < ASP_Game::kNoticeSeconds * 10 ? "Computer 2 finished 1st\n" : "";
        EXPECT_EQ(hud->NoticeText(hud->CurrentRace()),
                  told + "Race ends in " + NumberToText(20 - tenths / 10) + " s")
            << tenths;
    }
    EXPECT_EQ(game->GetState(), State::Racing);
    game->Update(0.2);
    ASSERT_EQ(game->GetState(), State::Finished);
    EXPECT_EQ(hud->NoticeText(hud->CurrentRace()), "");
    EXPECT_EQ(StandingsRow(0, true).substr(0, 13), "1. Computer 2");
    EXPECT_FALSE(ASP_LapRecords(folder.File("records.ini")).Get("loop.dat").race.IsSet()) << "only humans'";
    const Point at(car->GetX(), car->GetY());
    car->SetVelocity(Point(0.0, -300.0));
    game->Update(kDt);
    EXPECT_EQ(Point(car->GetX(), car->GetY()), at);
}

// Give up, from the pause menu, ends the race for the player still driving: unplaced, while the
// others are ranked where they stand; neither resume nor give up is offered any more.
TEST_F(RaceTest, GivingUpEndsTheRaceWithTheHumanUnplaced) {
    ASP_Player* other = AddCar();
    other->SetDriver(std::make_unique<ASP_ComputerDriver>(*world, ASP_Difficulty::Easy));
    game->Update(4.0);
    Press(SDLK_ESCAPE);
    ASSERT_EQ(game->GetState(), State::Paused);
    auto* giveUp = dynamic_cast<ASP_Button*>(game->GetGiveUpButton());
    ASSERT_TRUE(giveUp != nullptr && giveUp->IsVisible());
    SDL_Event click = MouseEvent(SDL_MOUSEBUTTONDOWN, 0, 0);
    giveUp->OnMouseDown(&click);
    giveUp->OnMouseUp(&click);
    EXPECT_EQ(game->GetState(), State::Finished);
    EXPECT_FALSE(game->GetGiveUpButton()->IsVisible() || game->GetResumeButton()->IsVisible());
    EXPECT_FALSE(car->finished);
    EXPECT_NE(StandingsRow(car->position - 1, true).find("DNF"), std::string::npos);
}

// Two finishers both beat the empty records: each record is marked on its holder only. A lap still
// running is no best lap: not in the standings, not in the records.
TEST_F(RaceTest, EachNewRecordIsMarkedOnlyOnTheCarThatHoldsIt) {
    ASP_Player* other = AddCar();
    ASP_Player* third = AddCar();
    game->KeepRecords("loop.dat", folder.File("records.ini"));
    car->finished = other->finished = true;
    std::tie(car->position, car->raceTime, car->bestLapTime, car->lap) = std::tuple(1, 70.0, 30.0, 3);
    std::tie(other->position, other->raceTime, other->bestLapTime, other->lap) = std::tuple(2, 80.0, 25.0, 3);
    std::tie(third->position, third->bestLapTime, third->lap) = std::tuple(3, 20.0, 1);
    EXPECT_EQ(::StandingsRow(*third, 3, false), "3. Player 3   Vulcan    00:00:00  --");
    third->finished = true;  // as if lap 1 could end the race: still no lap to keep
    game->FinishRace();
    EXPECT_EQ(StandingsRow(0, true), ::StandingsRow(*car, 1, true, {false, true}));
    EXPECT_EQ(StandingsRow(1, true), ::StandingsRow(*other, 2, true, {true, false}));
    EXPECT_EQ(StandingsRow(2, true), "3. Player 3   Vulcan    00:00:00  --");
    EXPECT_EQ(ASP_LapRecords(folder.File("records.ini")).Get("loop.dat").lap.time, 25.0);
}

TEST_F(RaceTest, ReversingAwayFromTheNextCheckpointIsTheWrongWayAfterASecond) {
    game->Update(4.0);
    Press(SDLK_DOWN);
    double t = 0.0;
    for (; t < 5.0 && !car->IsWrongWay(); t += kDt) {
        game->Update(kDt);
    }
    ASSERT_TRUE(car->IsWrongWay() && t > 1.0) << t;
    car->OnKeyUp(SDLK_DOWN);
    Press(SDLK_UP);
    for (t = 0.0; t < 3.0 && car->IsWrongWay(); t += kDt) {
        game->Update(kDt);
    }
    EXPECT_FALSE(car->IsWrongWay());
}

// Every sand and mud area of the shipped circuit lets the weakest cars out within three seconds at
// full throttle, from its deepest point straight towards the nearest road.
TEST_F(ShippedTrack, WeakestCarsLeaveEachSandAndMudAreaWithinThreeSeconds) {
    constexpr int kStep = 64;
    const auto ground = [&](Point p) {
        const SurfaceModifier m = world->GetModifierAt(p);
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
    for (int y = 0; y < 3072; y += kStep) {
        for (int x = 0; x < 4096; x += kStep) {
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
                     {std::pair{cx + kStep, cy}, {cx - kStep, cy}, {cx, cy + kStep}, {cx, cy - kStep}}) {
                    if (loose(Point(nx, ny)) && seen.insert({nx, ny}).second) {
                        todo.push_back({nx, ny});
                    }
                }
            }
        }
    }
    ASSERT_GE(exits.size(), 2u);
    game->Update(4.0);
    // The two cars with the least power for their weight.
    for (const std::string name : {"Comet", "Cadillac"}) {
        car->LoadCar("dat\\cars.dat", name);
        for (const Exit& exit : exits) {
            Place(exit.from, exit.angle);
            car->OnKeyDown(SDLK_UP);
            double t = 0.0;
            for (; t < 3.0 && loose(Pivot()); t += kDt) {
                game->Update(kDt);
            }
            EXPECT_LT(t, 3.0) << name << " held at " << exit.from.x << ", " << exit.from.y << ", "
                              << exit.steps * 8 << " px from the road";
        }
    }
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

// Every shipped track (by its place in the track list) at every difficulty: three computer cars
// finish in time and stay on the road, and harder opponents are faster.
class ComputerRace : public GLTest, public testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(ShippedTrack, ComputerRace, testing::Values(0, 1, 2));

TEST_P(ComputerRace, EveryComputerCarFinishesOnTheRoadAndHarderOnesFaster) {
    const std::vector<ASP_TrackEntry> tracks = LoadTrackList("dat\\tracks.dat");
    ASSERT_EQ(tracks.size(), 3u);
    double slower = kTimeLimit;
    for (ASP_Difficulty d : {ASP_Difficulty::Easy, ASP_Difficulty::Normal, ASP_Difficulty::Hard}) {
        SCOPED_TRACE(DifficultyText(d));
        const double mean = MeanComputerTime(app.get(), tracks[static_cast<size_t>(GetParam())], d);
        EXPECT_LT(mean, slower);
        slower = mean;
    }
}

// Every car has its own box on the grid, computer cars too, in the order they join; a car beyond
// the grid is refused. Without a human, the computer cars fill the grid alike.
TEST_F(ShippedTrack, EachCarStartsOnItsOwnGridPositionAndNoneOverlapDuringTheCountdown) {
    for (const int humans : {1, 0}) {
        if (humans == 0) {
            game = std::make_unique<ASP_Game>(app.get());
            world = game->GetWorld();
            world->Load("dat\\world0.dat");
        }
        const std::string refused = Logged([&] {
            for (int i = humans; i < 5; ++i) {
                EXPECT_EQ(AddComputerCar(*world, "dat\\cars.dat", "Comet", ASP_Difficulty::Normal), i < 4);
            }
        });
        EXPECT_NE(refused.find("Failed to add new player: maximum number of players reached."),
                  std::string::npos);
        const std::vector<ASP_Player*> cars = world->GetPlayers();
        ASSERT_EQ(cars.size(), 4u);
        for (size_t i = 0; i < cars.size(); ++i) {
            const StartPosition& start = world->GetStartPositions()[i];
            EXPECT_EQ(Point(cars[i]->GetX(), cars[i]->GetY()), Point(start.x, start.y)) << i;
        }
        while (game->GetState() == State::Countdown) {
            game->Update(0.5);
            for (size_t i = 0; i < cars.size(); ++i) {
                for (size_t j = 0; j < i; ++j) {
                    EXPECT_FALSE(QuadsOverlap(cars[i]->GetCorners(), cars[j]->GetCorners(), nullptr))
                        << i << j;
                }
            }
        }
    }
}

// Computer cars ignore the keys and get no view; the race ends with its one human, and the
// computer cars still running are ranked by how far they got.
TEST_F(ShippedTrack, TheRaceEndsWithItsHumansAndRanksTheComputerCarsByProgress) {
    ASSERT_TRUE(AddComputerCar(*world, "dat\\cars.dat", "Comet", ASP_Difficulty::Easy));
    ASSERT_TRUE(AddComputerCar(*world, "dat\\cars.dat", "Dune", ASP_Difficulty::Hard));
    const std::vector<ASP_Player*> cars = world->GetPlayers();
    EXPECT_EQ(world->GetViewedPlayers(), std::vector<ASP_Player*>{car});
    cars[1]->OnKeyDown(SDLK_UP);
    EXPECT_FALSE(cars[1]->IsForwardHeld());

    game->Update(4.0);
    cars[1]->lap = cars[2]->lap = 2;
    cars[1]->lastCheckpoint = 3;
    cars[2]->lastCheckpoint = 5;
    world->FinishPlayer(car);
    EXPECT_EQ(game->GetState(), State::Finished);
    EXPECT_EQ(cars[2]->position, 2);
    EXPECT_EQ(cars[1]->position, 3);
    EXPECT_EQ(StandingsRow(1, true), "2. Computer 3 Dune      DNF       --");
}

// A racing line that misses a checkpoint (copied from another track, say) gives way to a line
// through the checkpoints' centres.
TEST_F(RaceTest, ARacingLineMustCrossEveryCheckpoint) {
    const std::string track =
        "[main]\nrequiredCheckpoints=2\ncheckpoints=2\n[checkpoint0]\nwidth=200\nheight=20\nisFinish=1\n"
        "[checkpoint1]\nx=1000\nwidth=200\nheight=20\nindex=1\n[racingLine]\npoints=3\n";
    const std::pair<std::string, size_t> cases[] = {{"x0=100\ny0=10\nx1=1100\ny1=10\nx2=600\ny2=500\n", 3},
                                                    {"x0=100\ny0=10\nx1=600\ny1=500\nx2=100\ny2=500\n", 2}};
    for (const auto& [line, points] : cases) {
        game = std::make_unique<ASP_Game>(app.get());
        game->GetWorld()->Load(folder.Write("track.dat", track + line));
        EXPECT_EQ(game->GetWorld()->GetRacingLine().GetPoints().size(), points) << line;
    }
}

// The interface.

namespace {

// Every text element 60 x 14 in white (finished 60 x 40), the compass 16 x 16 turning about its centre.
// Anchors: timeTotal from the left and top, timeBest from the centres, timeCurrent from the right and bottom,
// position anchored nowhere, lap right of the centre; finished is two lines at the bottom left, the
// wrong-way sign at the left under the total.
std::string InterfaceFile() {
    const char* const elements[][3] = {{"timeTotal", "Time", "x=4\ny=2\n"},
                                       {"timeBest", "Best", "anchorH=1\nanchorV=1\nx=-30\ny=5\n"},
                                       {"timeCurrent", "Lap time", "anchorH=2\nanchorV=2\nx=-64\ny=-20\n"},
                                       {"position", "Pos", "anchorH=3\nanchorV=7\n"},
                                       {"lap", "Lap", "anchorH=1\nx=10\ny=30\n"},
                                       {"finished", "You are [p]![n]in [t]", "multiLine=1\ny=88\n"},
                                       {"wrongWay", "Wrong", "y=40\n"}};
    const char* const font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    std::string text;
    for (const auto& [section, caption, placement] : elements) {
        const char* height = std::string(section) == "finished" ? "40" : "14";
        text += "[" + std::string(section) + "]\nfont=" + font + "\nsize=10\nwidth=60\nheight=" + height +
                "\ncolor_r=255\ncolor_g=255\ncolor_b=255\ncaption=" + caption + "\n" + placement;
    }
    return text + "[compass]\nwidth=16\nheight=16\nx=-20\nanchorH=2\ny=2\n";
}

}  // namespace

class InterfaceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        hud.Load(dir.Write("interface.dat", InterfaceFile()));
        // A 20 x 10 car whose pivot lies at (50, 50).
        car.SetPosition(40, 45);
        car.SetSize(20, 10);
    }

    double CompassTowards(Point target, ASP_Player& which) {
        which.compassTarget = target;
        hud.Refresh(&which, race);
        return hud.GetCompass()->GetRotation();
    }

    TempFolder dir;
    CTextureManager textures;
    ASP_Interface hud{nullptr, app->GetFontFactory(), &textures};
    ASP_Player car{nullptr};
    ASP_Interface::RaceFacts race{3, 4, nullptr, {}, -1.0};
};

// A hundred minutes and more keep only their first two digits; what cannot be a race time reads zero.
// Ordinal suffixes follow the last digits as written.
TEST_F(InterfaceTest, TextsShowTheCarsRecordInTwoDigitsPerFieldAndTheLapStopsAtTheRacesLaps) {
    const std::pair<double, const char*> times[] = {
        {0.0, "00:00:00"},     {59.999, "00:59:99"}, {65.437, "01:05:43"},       {3600.0, "60:00:00"},
        {7384.25, "12:04:25"}, {-3.5, "00:00:00"},   {std::nan(""), "00:00:00"}, {INFINITY, "00:00:00"}};
    for (const auto& [t, text] : times) {
        EXPECT_EQ(FormatTime(t), text) << t;
    }
    const std::pair<int, const char*> ordinals[] = {
        {1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},   {0, "0th"},     {11, "11th"},
        {12, "12th"}, {13, "13th"}, {21, "21st"}, {22, "22nd"}, {111, "111th"}, {101, "101st"}};
    for (const auto& [k, text] : ordinals) {
        EXPECT_EQ(Ordinal(k), text);
    }
    std::tie(car.raceTime, car.lapTime, car.position, car.finished, car.lap) =
        std::tuple(65.437, 5.5, 2, true, 3);
    hud.Refresh(&car, race);
    const char* const texts[] = {"Time 01:05:43", "Best 00:00:00", "Lap time 00:05:50",
                                 "Pos 2nd /4",    "Lap 3 /3",      "You are 2nd!\nin 01:05:43"};
    for (int e = ASP_Interface::TIME_TOTAL; e <= ASP_Interface::FINISHED; ++e) {
        EXPECT_EQ(hud.GetLabel(static_cast<ASP_Interface::Element>(e))->GetText(), texts[e]);
    }
    car.lap = 4;  // a finished car keeps crossing the line
    hud.Refresh(&car, race);
    EXPECT_EQ(hud.GetLabel(ASP_Interface::LAP)->GetText(), "Lap 3 /3");
}

// The shipped interface also shrinks below 640 x 480, to under a third of a quarter of 800 x 600.
TEST_F(InterfaceTest, AnchorsPlaceElementsFromTheViewsEdgesAndCentreAndSmallViewsShrinkThem) {
    hud.GetLabel(ASP_Interface::POSITION)->SetPosition(17, 23);
    hud.Layout(200, 101);
    const auto at = [&](auto e) {
        return Point(hud.GetElement(e).sprite->GetX(), hud.GetElement(e).sprite->GetY());
    };
    EXPECT_EQ(at(ASP_Interface::TIME_TOTAL), Point(4, 2));
    // The centre is the integer half of the view.
    EXPECT_EQ(at(ASP_Interface::TIME_BEST), Point(70, 55));
    EXPECT_EQ(at(ASP_Interface::TIME_CURRENT), Point(136, 81));
    EXPECT_EQ(at(ASP_Interface::POSITION), Point(17, 23)) << "other anchors leave it alone";
    EXPECT_EQ(at(ASP_Interface::LAP), Point(110, 30));
    EXPECT_EQ(at(ASP_Interface::COMPASS), Point(180, 2));
    hud.Load("dat\\interface.dat");
    for (const auto& [w, h, k] : {std::tuple{1280, 960, 1.0}, std::tuple{400, 300, 0.625}}) {
        hud.Layout(w, h);
        double covered = 0.0;
        for (int e = ASP_Interface::TIME_TOTAL; e <= ASP_Interface::COMPASS; ++e) {
            const CSprite* s = hud.GetElement(static_cast<ASP_Interface::Element>(e)).sprite.get();
            EXPECT_TRUE(s->GetScale() == k && s->GetX() >= 0 && s->GetX() + s->GetGlobalWidth() <= w) << e;
            covered += e == ASP_Interface::FINISHED ? 0.0 : s->GetGlobalWidth() * s->GetGlobalHeight();
        }
        EXPECT_LT(covered, w * h / 3.0);
    }
}

// Bearings are counter-clockwise from up on screen; the car's pivot is at (50, 50). On its target a
// car keeps its last bearing, also when another car points elsewhere in between; a car that never
// had a direction points up. A fixed camera turns the bearing against the car, kept ones too.
TEST_F(InterfaceTest, CompassPointsAtTheTargetKeepsItsBearingOnItAndTurnsWithAFixedCamera) {
    ASP_Player other(nullptr);
    // Target x and y, car rotation, fixed camera, bearing; the "other" car in the rows marked 1.
    const double cases[][6] = {{50, 0, 0, 0, 0, 0},    {90, 50, 0, 0, 270, 0},  {50, 80, 0, 0, 180, 0},
                               {0, 50, 0, 0, 90, 0},   {50, 50, 0, 0, 90, 0},   {0, 0, 0, 0, 0, 1},
                               {100, 0, 0, 0, 270, 1}, {50, 50, 0, 0, 90, 0},   {0, 0, 30, 0, 45, 0},
                               {50, 0, 30, 1, 330, 0}, {90, 50, 30, 1, 240, 0}, {50, 50, 30, 1, 240, 0}};
    for (const auto& c : cases) {
        ASP_Player& which = c[5] != 0 ? other : car;
        which.SetRotation(c[2]);
        which.fixedCamera = c[3] != 0;
        EXPECT_NEAR(CompassTowards(Point(c[0], c[1]), which), c[4], 1e-9) << c[0] << ", " << c[1];
    }
    // A world moved and zoomed on screen; a car lives in it and its target is a world point.
    CSpriteManager world(&textures);
    world.SetX(100);
    world.SetY(50);
    world.SetScale(2);
    auto* inWorld = new ASP_Player(&world);
    world.AddSprite(inWorld);
    inWorld->SetPosition(40, 45);
    inWorld->SetSize(20, 10);
    race.world = &world;
    EXPECT_NEAR(CompassTowards(Point(90, 50), *inWorld), 270.0, 1e-9);
}

TEST_F(InterfaceTest, FinishedTextAndWrongWaySignOnlyWhenDueAndNothingWithoutACarOrFile) {
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 0, kWidth, 20), 0);
    EXPECT_EQ(CountLitPixels(0, 88, 30, 40) + CountLitPixels(0, 40, 30, 14), 0);
    car.wrongWayTime = ASP_Player::kWrongWaySeconds;
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 40, 30, 14), 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    car.finished = true;
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 88, 30, 40), 0);
    EXPECT_EQ(CountLitPixels(0, 40, 30, 14), 0) << "a finished car is never wrong";
    EXPECT_EQ(hud.GetCompass()->GetX(), kWidth - 20.0) << "laid out in the 128 x 128 window";
    // Nothing without a car, nor from an interface not loaded or loaded from a missing file.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    hud.Refresh(nullptr, race);
    hud.Draw(nullptr, race, nullptr);
    ASP_Interface empty(nullptr, app->GetFontFactory(), &textures);
    empty.Draw(&car, race, nullptr);
    empty.Load(dir.File("absent.dat"));
    empty.Draw(&car, race, nullptr);
    EXPECT_EQ(empty.GetLabel(ASP_Interface::LAP)->GetText(), " 0 /3");
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

// The sounds.

namespace {

// The disk driver writes every mixed buffer (2048 stereo frames of 16 bits) to a file.
constexpr std::uintmax_t kBuffer = 2048 * 4;

// One car of the shipped cars on a track with only a grid, and the shipped race sounds, heard
// through the disk driver.
class RaceSoundsTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "5", 1);
        audio = app->GetAudio();
        ASSERT_TRUE(audio->Init());
        world.Load(folder.Write("world.dat", "[main]\nplayers=1\n[start0]\nx=0\ny=0\n"));
        world.AddPlayer("dat\\cars.dat", "Vulcan", folder.File("config.ini"), "controls0");
        car = world.GetPlayers().front();
        sounds = std::make_unique<ASP_RaceSounds>(audio);
        sounds->Load("dat\\sounds.dat");
    }
    void TearDown() override { audio->Reset(); }

    // RMS and peak of the output once the car has run at this velocity for a moment, reached
    // smoothly or by a crash. The buffers mixed before the change are skipped.
    std::pair<double, int> Listen(Point velocity, bool crash = false) {
        sounds->BeforeCollisions(world);
        car->SetVelocity(velocity);
        if (!crash) {
            sounds->BeforeCollisions(world);
        }
        for (int i = 0; i < 10; ++i) {
            sounds->Update(world, 0.1);
        }
        const std::uintmax_t from = std::filesystem::file_size(output) + 2 * kBuffer;
        for (int waited = 0; waited < 5000 && std::filesystem::file_size(output) < from + 4 * kBuffer;
             waited += 5) {
            SDL_Delay(5);
        }
        const std::string bytes = folder.Read(output).substr(from, 4 * kBuffer);
        std::vector<int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        double sum = 0.0;
        int peak = 0;
        for (int16_t s : samples) {
            sum += static_cast<double>(s) * s;
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        }
        return {std::sqrt(sum / samples.size()), peak};
    }

    TempFolder folder;
    const std::string output = folder.File("output.raw");
    CAudio* audio = nullptr;
    ASP_World world{nullptr};
    ASP_Player* car = nullptr;
    std::unique_ptr<ASP_RaceSounds> sounds;
};

}  // namespace

TEST_F(RaceSoundsTest, EngineGrowsWithSpeedACrashPeaksAndMutedIsSilent) {
    const Point full(0.0, -car->GetTopSpeed());
    const double idle = Listen(Point()).first;
    const auto [fast, fastPeak] = Listen(full);
    EXPECT_GT(idle, 300.0);
    EXPECT_GT(fast, idle * 1.3);
    // Stopped dead by a wall.
    EXPECT_GT(Listen(Point(), true).second, fastPeak * 1.5);
    ASSERT_TRUE(audio->ToggleMute());
    EXPECT_EQ(Listen(full, true).second, 0);
    audio->ToggleMute();
}

// Sound files that are missing or do not decode: one error each, then silence, never a crash.
TEST_F(RaceSoundsTest, MissingOrBrokenSoundsAreReportedOnceAndStaySilent) {
    const std::string broken = folder.Write("broken.wav", std::string(4096, '\x7f'));
    const std::string missing = folder.File("missing.wav");
    sounds = std::make_unique<ASP_RaceSounds>(audio);
    const std::string log = Logged([&] {
        sounds->Load(
            folder.Write("sounds.dat", "[engine]\nloop0=" + broken + "\n[effects]\ncrash=" + missing + "\n"));
        for (int i = 0; i < 10; ++i) {
            sounds->BeforeCollisions(world);
            car->SetVelocity(Point(0.0, i * 100.0));
            sounds->Update(world, 0.1);
        }
    });
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_NE(log.find("ERROR in class CAudio: Failed to load " + missing), std::string::npos) << log;
    EXPECT_EQ(Listen(Point()).second, 0);
}
