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
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/angle.h"
#include "engine/ini.h"
#include "engine/label_sprite.h"
#include "game/menus/button.h"
#include "game/race/game.h"
#include "game/race/interface.h"
#include "game/race/lap_records.h"
#include "game/race/player.h"
#include "game/race/race_sounds.h"
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
    ASP_Player* AddCar(bool computer = false) {
        const std::string controls = "controls" + std::to_string(world->GetPlayers().size());
        computer ? world->AddComputerCar(kCarFile, "Vulcan", ASP_Difficulty::Easy)
                 : world->AddPlayer(kCarFile, "Vulcan", folder.File("config.ini"), controls);
        return world->GetPlayers().back();
    }
    ASP_Car& Car(const ASP_Player* player) {
        const auto& players = world->GetPlayers();
        return game->GetRace().GetCar(
            static_cast<size_t>(std::find(players.begin(), players.end(), player) - players.begin()));
    }
    void Press(SDLKey key) {
        SDL_Event e = KeyEvent(key);
        game->OnKeyDown(&e);
    }
    // The row's place and player, or its whole text.
    std::string StandingsRow(int r, bool whole = false) const {
        auto* label = dynamic_cast<CLabelSprite*>(game->GetStandingsLabel(r));
        const std::string text = label != nullptr && label->IsVisible() ? label->GetText() : "(hidden)";
        return whole ? text : text.substr(0, text.find("  "));
    }

    TempFolder folder;
    std::unique_ptr<ASP_Game> game;
    ASP_World* world = nullptr;
    ASP_Player* car = nullptr;
};

}  // namespace

// Accelerate is held from the loading screen on, its press never seen by the race; steering is
// pressed during the countdown and let go, its release lost, before GO.
TEST_F(RaceTest, CountdownShowsThreeTwoOneGoForFourSecondsWhileEscapeDoesNotPauseAndTheCarsWait) {
    Uint8* held = SDL_GetKeyState(nullptr);
    held[SDLK_UP] = 1;
    std::vector<int> shown;
    while (game->GetState() == State::Countdown && shown.size() < 10) {
        EXPECT_EQ(Car(car).body.motion.GetVelocity(), Point(0.0, 0.0));
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
    EXPECT_TRUE(car->IsForwardHeld() && !car->IsLeftHeld() && Car(car).body.motion.GetVelocity().y < 0.0);
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

// A computer car's finish starts the clock too; the human still racing is told who finished and
// how long is left. The results also keep the records (the humans' only) and the sprites stand still.
TEST_F(RaceTest, TheHumanStillRacingIsToldWhoFinishedAndWhenTheRaceEnds) {
    ASP_Player* other = AddCar(true);
    game->KeepRecords("loop.dat", folder.File("records.ini"));
    game->Update(4.0);
    ASP_Car& computer = Car(other);
    std::tie(computer.record.lap, computer.record.lastCheckpoint) = std::pair(2, 2);
    computer.PutAt(Point(100, -600) - computer.body.Pivot(), 0.0);
    game->Update(kDt);
    ASSERT_TRUE(computer.record.finished);
    ASP_Interface* hud = world->GetInterface();
    for (int tenths = 1; tenths < 200; ++tenths) {
        game->Update(0.1);
        const std::string told = tenths < ASP_Game::kNoticeSeconds * 10 ? "Computer 2 finished 1st\n" : "";
        EXPECT_EQ(hud->NoticeText(world->facts),
                  told + "Race ends in " + NumberToText(20 - tenths / 10) + " s")
            << tenths;
    }
    EXPECT_EQ(game->GetState(), State::Racing);
    game->Update(0.2);
    ASSERT_EQ(game->GetState(), State::Finished);
    EXPECT_EQ(hud->NoticeText(world->facts), "");
    EXPECT_EQ(StandingsRow(0, true).substr(0, 13), "1. Computer 2");
    EXPECT_FALSE(ASP_LapRecords(folder.File("records.ini")).Get("loop.dat").race.IsSet()) << "only humans'";
    const Point at(car->GetX(), car->GetY());
    game->Update(kDt);
    EXPECT_EQ(Point(car->GetX(), car->GetY()), at);
}

// Give up, from the pause menu, ends the race for the player still driving: unplaced, while the
// others are ranked where they stand; neither resume nor give up is offered any more.
TEST_F(RaceTest, GivingUpEndsTheRaceWithTheHumanUnplaced) {
    AddCar(true);
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
    EXPECT_TRUE(car->Record().retired);
    EXPECT_NE(StandingsRow(car->Record().position - 1, true).find("DNF"), std::string::npos);
}

// Two finishers both beat the empty records: each record is marked on its holder only. A lap still
// running is no best lap: not in the standings, not in the records.
TEST_F(RaceTest, EachNewRecordIsMarkedOnlyOnTheCarThatHoldsIt) {
    ASP_Player* other = AddCar();
    ASP_Player* third = AddCar();
    game->KeepRecords("loop.dat", folder.File("records.ini"));
    ASP_RaceRecord& a = Car(car).record;
    ASP_RaceRecord& b = Car(other).record;
    ASP_RaceRecord& c = Car(third).record;
    a.finished = b.finished = true;
    std::tie(a.position, a.raceTime, a.bestLapTime, a.lap) = std::tuple(1, 70.0, 30.0, 3);
    std::tie(b.position, b.raceTime, b.bestLapTime, b.lap) = std::tuple(2, 80.0, 25.0, 3);
    std::tie(c.position, c.bestLapTime, c.lap) = std::tuple(3, 20.0, 1);
    EXPECT_EQ(::StandingsRow(c, "Vulcan", false, 3, false), "3. Player 3   Vulcan    00:00:00  --");
    c.finished = true;  // as if lap 1 could end the race: still no lap to keep
    game->FinishRace();
    EXPECT_EQ(StandingsRow(0, true), ::StandingsRow(a, "Vulcan", false, 1, true, {false, true}));
    EXPECT_EQ(StandingsRow(1, true), ::StandingsRow(b, "Vulcan", false, 2, true, {true, false}));
    EXPECT_EQ(StandingsRow(2, true), "3. Player 3   Vulcan    00:00:00  --");
    EXPECT_EQ(ASP_LapRecords(folder.File("records.ini")).Get("loop.dat").lap.time, 25.0);
    EXPECT_EQ(StandingsHeader(), "Place         Car       Total     Best lap");
}

// A full grid on the shipped circuit: the results list all eight, first to eighth; the notice names
// the latest three finishers of a pack.
TEST_F(RaceTest, EightCarsFillTheResultsAndThePackOnlyTheNotice) {
    Start("dat\\world0.dat");
    while (world->AddComputerCar(kCarFile, "Comet", ASP_Difficulty::Easy)) {
    }
    const std::vector<ASP_Player*>& cars = world->GetPlayers();
    ASSERT_EQ(cars.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        std::tie(Car(cars[static_cast<size_t>(i)]).record.position,
                 Car(cars[static_cast<size_t>(i)]).record.finished) = std::pair(8 - i, true);
        world->facts.finishers.emplace_back(CarLabel(i > 0, i + 1), 8 - i);
    }
    EXPECT_EQ(world->GetInterface()->NoticeText(world->facts),
              "Computer 6 finished 3rd\nComputer 7 finished 2nd\nComputer 8 finished 1st");
    game->FinishRace();
    for (int r = 0; r < 8; ++r) {
        const std::string placed =
            NumberToText(r + 1) + (r < 7 ? ". Computer " : ". Player ") + NumberToText(8 - r);
        EXPECT_EQ(StandingsRow(r, true).substr(0, placed.size() + 1), placed + " ");
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

// A race car of 20 x 10 pixels whose pivot lies at (50, 50), and the player's sprite that shows it;
// another with its pivot at (0, 0).
class InterfaceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        hud.Load(dir.Write("interface.dat", InterfaceFile()));
        for (ASP_Car* c : {&raced, &otherRaced}) {
            c->body.SetSize(20, 10);
            c->PutAt(c == &raced ? Point(40, 45) : Point(-10, -5), 0.0);
        }
    }

    double CompassTowards(Point target, ASP_Car& which) {
        which.record.compassTarget = target;
        hud.Refresh(&which == &raced ? &car : &other, race);
        return hud.GetCompass()->GetRotation();
    }

    TempFolder dir;
    CTextureManager textures;
    ASP_Interface hud{app->GetFontFactory(), &textures};
    ASP_Car raced{ASP_CarModel()};
    ASP_Car otherRaced{ASP_CarModel()};
    ASP_Player car{nullptr, raced, false};
    ASP_Player other{nullptr, otherRaced, false};
    ASP_Interface::RaceFacts race{3, 4, {}, -1.0, -1.0};
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
    ASP_RaceRecord& r = raced.record;
    std::tie(r.raceTime, r.lapTime, r.position, r.finished, r.lap) = std::tuple(65.437, 5.5, 2, true, 3);
    hud.Refresh(&car, race);
    const char* const texts[] = {"Time 01:05:43", "Best 00:00:00", "Lap time 00:05:50",
                                 "Pos 2nd /4",    "Lap 3 /3",      "You are 2nd!\nin 01:05:43"};
    for (int e = ASP_Interface::TIME_TOTAL; e <= ASP_Interface::FINISHED; ++e) {
        EXPECT_EQ(hud.GetLabel(static_cast<ASP_Interface::Element>(e))->GetText(), texts[e]);
    }
    r.lap = 4;  // a finished car keeps crossing the line
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
    // Target x and y, car rotation, fixed camera, bearing; the "other" car in the rows marked 1.
    const double cases[][6] = {{50, 0, 0, 0, 0, 0},    {90, 50, 0, 0, 270, 0},  {50, 80, 0, 0, 180, 0},
                               {0, 50, 0, 0, 90, 0},   {50, 50, 0, 0, 90, 0},   {0, 0, 0, 0, 0, 1},
                               {100, 0, 0, 0, 270, 1}, {50, 50, 0, 0, 90, 0},   {0, 0, 30, 0, 45, 0},
                               {50, 0, 30, 1, 330, 0}, {90, 50, 30, 1, 240, 0}, {50, 50, 30, 1, 240, 0}};
    for (const auto& c : cases) {
        ASP_Car& which = c[5] != 0 ? otherRaced : raced;
        which.body.SetRotation(c[2]);
        (c[5] != 0 ? other : car).fixedCamera = c[3] != 0;
        EXPECT_NEAR(CompassTowards(Point(c[0], c[1]), which), c[4], 1e-9) << c[0] << ", " << c[1];
    }
}

TEST_F(InterfaceTest, FinishedTextAndWrongWaySignOnlyWhenDueAndNothingWithoutACarOrFile) {
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 0, kWidth, 20), 0);
    EXPECT_EQ(CountLitPixels(0, 88, 30, 40) + CountLitPixels(0, 40, 30, 14), 0);
    raced.record.wrongWayTime = ASP_RaceRecord::kWrongWaySeconds;
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 40, 30, 14), 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    raced.record.finished = true;
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 88, 30, 40), 0);
    EXPECT_EQ(CountLitPixels(0, 40, 30, 14), 0) << "a finished car is never wrong";
    EXPECT_EQ(hud.GetCompass()->GetX(), kWidth - 20.0) << "laid out in the 128 x 128 window";
    // Nothing without a car, nor from an interface not loaded or loaded from a missing file.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    hud.Refresh(nullptr, race);
    hud.Draw(nullptr, race, nullptr);
    ASP_Interface empty(app->GetFontFactory(), &textures);
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
        ASP_Car& raced = world.GetRace().GetCar(0);
        // Reached smoothly, as a car speeds up, unless by a crash.
        const Point was = raced.body.motion.GetVelocity();
        const int steps = crash ? 0 : static_cast<int>(Length(velocity - was) / 20.0);
        for (int i = 1; i <= steps; ++i) {
            raced.body.motion.SetVelocity(was + (velocity - was) * (static_cast<double>(i) / steps));
            sounds->Update(world, 0.01);
        }
        raced.body.motion.SetVelocity(velocity);
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
    ASP_World world;
    ASP_Player* car = nullptr;
    std::unique_ptr<ASP_RaceSounds> sounds;
};

}  // namespace

TEST_F(RaceSoundsTest, EngineGrowsWithSpeedACrashPeaksAndMutedIsSilent) {
    const Point full(0.0, -car->GetCar().GetModel().topSpeed);
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
            world.GetRace().GetCar(0).body.motion.SetVelocity(Point(0.0, i * 10.0));
            sounds->Update(world, 0.1);
        }
    });
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_NE(log.find("ERROR in class CAudio: Failed to load " + missing), std::string::npos) << log;
    EXPECT_EQ(Listen(Point()).second, 0);
}

// A full grid on loose ground holds six loops a car (engine, skid, surface); the chimes and the
// countdown still find a channel.
TEST_F(RaceSoundsTest, AFullGridOnGrassLeavesChannelsForTheOneShotSounds) {
    // Eight start positions, all at the origin (sections left out), on ground that sounds.
    ASP_World full(ASP_RaceServices{nullptr, nullptr, nullptr, audio, nullptr});
    full.Load(folder.Write("grid.dat", "[main]\nplayers=8\nmodifiers=1\n[mod0]\nsound=snd\\grass.wav\n"));
    while (full.AddComputerCar(kCarFile, "Dune", ASP_Difficulty::Easy)) {
    }
    ASSERT_EQ(full.GetPlayers().size(), 8u);
    ASP_RaceSounds eight(audio);
    eight.Load("dat\\sounds.dat");
    eight.Update(full, 0.1);
    EXPECT_GE(audio->PlaySound(audio->LoadSound("snd\\beep.wav")), 0);
}
