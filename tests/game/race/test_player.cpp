#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/particle_engine.h"
#include "game/race/player.h"
#include "game/race/world.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr double kDt = 0.1;

// 20 x 40 pixels, mass 2, one wheel right under the pivot so that its forces turn nothing: one step
// of kDt changes the speed by force * kDt / 2. accel 100, brake 300, reverseMod 0.5, steer 30.
std::string OneWheelCar(const std::string& frict = "0", const std::string& topSpeed = "10000") {
    return "[test]\ntopSpeed=" + topSpeed + "\naccel=100\nbrake=300\nreverseMod=0.5\nmass=2\nfrict=" + frict +
           "\nsteer=30\nwheels=1\nwheel0x=10\nwheel0y=20\nwidth=20\nheight=40\n";
}

// The velocity change of one step from v0 after pressing the keys.
Point Step(ASP_Player& car, Point v0, const std::vector<SDLKey>& keys = {}, double dt = kDt) {
    for (SDLKey key : keys) {
        car.OnKeyDown(key);
    }
    car.SetVelocity(v0);
    car.OnUpdate(dt);
    return car.GetVelocity() - v0;
}

// A car read from a car file of this text.
std::unique_ptr<ASP_Player> Car(const std::string& text, const std::string& section = "test") {
    TempFolder dir;
    auto car = std::make_unique<ASP_Player>(nullptr);
    car->LoadCar(dir.Write("cars.dat", text), section);
    return car;
}

// The drive force of one step: the car faces -y, so vy < 0 is rolling forwards; a steering key turns
// the wheel by 30 degrees and a turned car turns the wheel with it.
TEST(PlayerTest, DriveFollowsTheKeysTheDirectionOfMotionAndTheSteering) {
    const double c30 = std::cos(M_PI / 6.0), s15 = std::sin(M_PI / 12.0), c15 = std::cos(M_PI / 12.0);
    // What, keys, vy, force, the car's rotation, how far a stick is pushed left.
    const std::tuple<const char*, std::vector<SDLKey>, double, Point, double, double> cases[] = {
        {"forward at rest accelerates", {SDLK_UP}, 0.0, Point(0.0, -100.0), 0.0, 0.0},
        {"forward while rolling backwards brakes", {SDLK_UP}, 50.0, Point(0.0, -300.0), 0.0, 0.0},
        {"backward while rolling forwards brakes", {SDLK_DOWN}, -50.0, Point(0.0, 300.0), 0.0, 0.0},
        {"backward at rest reverses", {SDLK_DOWN}, 0.0, Point(0.0, 50.0), 0.0, 0.0},
        {"both, rolling forwards: brake + drive", {SDLK_UP, SDLK_DOWN}, -50.0, Point(0.0, 200.0), 0.0, 0.0},
        {"left", {SDLK_UP, SDLK_LEFT}, 0.0, Point(50.0, -100.0 * c30), 0.0, 0.0},
        {"both steering keys cancel", {SDLK_UP, SDLK_LEFT, SDLK_RIGHT}, 0.0, Point(0.0, -100.0), 0.0, 0.0},
        {"car turned counter-clockwise", {SDLK_UP}, 0.0, Point(-100.0, 0.0), 90.0, 0.0},
        {"a stick half left", {SDLK_UP}, 0.0, Point(100.0 * s15, -100.0 * c15), 0.0, 0.5}};
    for (const auto& [what, keys, vy, force, rotation, stickLeft] : cases) {
        auto car = Car(OneWheelCar());
        car->SetRotation(rotation);
        car->Drive(ASP_Action::Left, stickLeft);
        EXPECT_NEAR(Length(Step(*car, Point(0.0, vy), keys) - force * (kDt / 2.0)), 0.0, 1e-9) << what;
    }
}

TEST(PlayerTest, ResistanceTopSpeedAndSpinStopSlowTheCarButNeverReverseOrClampIt) {
    auto car = Car(OneWheelCar("1000000"));
    EXPECT_EQ(Step(*car, Point(3.0, 4.0)), Point(-3.0, -4.0)) << "never reversed";
    // Rolling resistance is a fifth of the grip, 0.2 * 100 * kDt / 2, and only without throttle.
    car = Car(OneWheelCar("100"));
    EXPECT_NEAR(Step(*car, Point(0.0, -100.0)).y, 1.0, 1e-9);
    EXPECT_NEAR(Step(*car, Point(0.0, -100.0), {SDLK_UP}).y, -5.0, 1e-9);
    // Above top speed the car brakes with twice its acceleration, 2 * 50 * kDt / 2, but is not clamped.
    car = Car("[test]\ntopSpeed=100\naccel=50\nmass=2\n");
    EXPECT_NEAR(Step(*car, Point(0.0, -300.0)).y, 5.0, 1e-9);
    EXPECT_EQ(Step(*car, Point(60.0, -80.0)), Point()) << "exactly at top speed";
    // A spin below 5 degrees per second stops, unless a steering key is held.
    const auto spinAfterStep = [&](double w) {
        car->SetAngularVelocity(w);
        car->OnUpdate(kDt);
        return car->GetAngularVelocity();
    };
    EXPECT_EQ(spinAfterStep(4.9), 0.0);
    EXPECT_EQ(spinAfterStep(-5.0), -5.0);
    car->OnKeyDown(SDLK_LEFT);
    EXPECT_EQ(spinAfterStep(4.0), 4.0);
}

TEST(PlayerTest, ClockTakesTheFirstLapAsBestAndAFinishedCarOnlyRollsOut) {
    auto car = Car(OneWheelCar("100"));
    for (int lap : {0, 1, 2}) {
        car->lap = lap;
        car->lapTime = 0.0;
        car->OnUpdate(0.25 * (lap + 1));
    }
    EXPECT_DOUBLE_EQ(car->bestLapTime, 0.5) << "the time of lap 1";
    EXPECT_DOUBLE_EQ(car->raceTime, 1.5);
    car->finished = true;
    const Point dv = Step(*car, Point(0.0, -100.0), {SDLK_UP, SDLK_LEFT});
    EXPECT_NEAR(Length(dv - Point(0.0, 1.0)), 0.0, 1e-9) << "only rolling resistance, no drive or steering";
    EXPECT_DOUBLE_EQ(car->raceTime, 1.5);
}

// Absent drive and steer flags are true; more than 64 wheels are cut with an error.
TEST(PlayerTest, WheelsFromTheCarFileWithinTheirLimits) {
    auto car = Car("[test]\nwheels=2\nwheel1drive=0\nwheel1steer=0\n");
    const auto& wheels = car->GetWheels();
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_TRUE(wheels[0].drive && wheels[0].steer && !wheels[1].drive && !wheels[1].steer);
    const std::string log = Logged([&] { car = Car("[test]\nwheels=2000000000\n"); });
    EXPECT_EQ(car->GetWheels().size(), static_cast<size_t>(ASP_Player::kMaxWheels));
    EXPECT_PRED_FORMAT2(
        testing::IsSubstring,
        "ERROR in class ASP_Player: Car test has 2000000000 wheels; only the first 64 are used.\n", log);
    EXPECT_TRUE(Car("[test]\nwheels=-3\n")->GetWheels().empty());
    car = Car("[other]\nwheels=1\n", "absent");
    EXPECT_EQ(Step(*car, Point(), {SDLK_UP}), Point()) << "a missing section gives a car without drive";
}

CImageSpriteEx* TailAt(ASP_Player& car, Point v) {
    car.SetVelocity(v);
    car.UpdateTail();
    return car.GetTail();
}

// Car 20 x 40; the tail hangs at the middle of the rear edge, (10, 40). Tail 10 x 20 at full speed,
// 5 x 5 at or below minSpeed 50, full from 150, 8 frames per second at full speed; it turns at
// most 30 degrees either way.
TEST(PlayerTest, TailFollowsTheSpeedAndDirectionOfItsAnchor) {
    auto car =
        Car("[test]\nwidth=20\nheight=40\n"
            "[test-tail]\nx=0.5\ny=1\nwidth=10\nheight=20\nwidthScale=0.5\nheightScale=0.25\n"
            "minSpeed=50\nmaxSpeed=150\nanimSpeed=8\nangleDeltaCW=30\nangleDeltaCCW=30\n");
    // Speed, then the tail's width, height and frames per second; its pivot sits on the anchor.
    const double sizes[][4] = {{50.0, 5.0, 5.0, 0.0}, {100.0, 7.5, 12.5, 4.0}, {400.0, 10.0, 20.0, 8.0}};
    for (const auto& [speed, width, height, animSpeed] : sizes) {
        SCOPED_TRACE(speed);
        const CImageSpriteEx* tail = TailAt(*car, Point(0.0, -speed));
        EXPECT_EQ(Point(tail->GetWidth(), tail->GetHeight()), Point(width, height));
        EXPECT_DOUBLE_EQ(tail->GetAnimSpeed(), animSpeed);
        EXPECT_EQ(Point(tail->GetX() + 0.5 * width, tail->GetY() + 0.5 * height), Point(10.0, 40.0));
    }
    // Sliding towards -x is 90 degrees counter-clockwise, beyond the limit.
    EXPECT_NEAR(TailAt(*car, Point(-200.0, -1.0))->GetRotation(), 30.0, 1e-9);
    EXPECT_NEAR(TailAt(*car, Point(200.0, -1.0))->GetRotation(), 330.0, 1e-9);
    EXPECT_NEAR(TailAt(*car, Point())->GetRotation(), 330.0, 1e-9) << "kept at rest";
    // Equal minSpeed and maxSpeed: full size as soon as the forward part reaches minSpeed.
    car = Car(
        "[test]\n[test-tail]\nwidth=10\nheight=20\nwidthScale=0.5\nminSpeed=50\nmaxSpeed=50\nanimSpeed=8\n");
    EXPECT_EQ(TailAt(*car, Point(0.0, -50.0))->GetWidth(), 5.0);
    const CImageSpriteEx* tail = TailAt(*car, Point(30.0, -50.0));
    EXPECT_EQ(Point(tail->GetWidth(), tail->GetHeight()), Point(10.0, 20.0));
}

// A world of one 300 x 100 ground tile whose surface map is red, green and blue in thirds: red halves
// drive and top speed and doubles grip, green is described by no modifier, blue pushes along the
// motion. Car i starts with its pivot at x 50 + 100 i; its tile sheet has 8 frames. W is bound to
// forward and to right, and acts only as forward.
class PlayerInWorldTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        const std::string worldFile = dir.Write(
            "world.dat",
            "[main]\nplayers=3\nmapTiles=1\nmodifiers=2\n"
            "[start0]\nx=40\ny=30\n[start1]\nx=140\ny=30\n[start2]\nx=240\ny=30\n[map0]\ntexture=" +
                WriteSolidBmp(dir.File("ground.bmp"), 300, 100, 0x808080) + "\nsurface=" +
                WriteBmp(dir.File("surface.bmp"), 300, 100,
                         [](int x, int) { return 0xFF0000u >> (x / 100 * 8); }) +
                "\n[mod0]\nr=255\naccel=0.5\nfrict=2\ntopSpeed=0.5\n[mod1]\nb=255\nactiveAccel=300\n");
        const std::string cars =
            dir.Write("cars.dat", OneWheelCar("100", "100") +
                                      "texture=" + WriteSolidBmp(dir.File("car.bmp"), 128, 16, 0x808080) +
                                      "\ntileWidth=16\ntileHeight=16\nanimSpeed=10\nanimLeftStart=2\n"
                                      "animLeftEnd=4\nanimLeftBackStart=5\nanimLeftBackEnd=7\n");
        const std::string config = dir.Write("config.ini", "[controls0]\nforward=119\nright=119\n");
        world.Load(worldFile);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(world.AddPlayer(cars, "test", config, "controls0"));
        }
    }
    ASP_Player& Car(int i) { return *world.GetPlayers()[static_cast<size_t>(i)]; }
    TempFolder dir;
    ASP_World world{nullptr};
};

TEST_F(PlayerInWorldTest, TurnAnimationsPlayOnceAndHoldTheirLastFrame) {
    ASP_Player& car = Car(0);
    car.OnKeyDown(SDLK_LEFT);
    EXPECT_EQ(car.GetAnimPos(), 2.0);
    car.Update(1.35);
    EXPECT_EQ(car.GetAnimPos(), 4.0) << "held on the last frame";
    EXPECT_FALSE(car.IsAnimated());
    car.OnKeyUp(SDLK_LEFT);
    EXPECT_EQ(car.GetAnimPos(), 5.0);
    car.Update(0.35);
    EXPECT_EQ(car.GetAnimPos(), 7.0);

    // Released one frame short of the full turn: the turn-back starts one frame in, its range intact.
    car.OnKeyDown(SDLK_LEFT);
    car.Update(0.1);
    EXPECT_EQ(car.GetAnimPos(), 3.0);
    car.OnKeyUp(SDLK_LEFT);
    EXPECT_EQ(car.GetAnimPos(), 6.0);
    EXPECT_EQ(car.GetAnimStart(), 5);
}

// Red: rolling resistance 0.2 * 100 * 2 takes 2, the halved top speed of 50 brakes with 2 * 100 and
// takes 10 more, doubled grip takes 10 of a slide of 15 and drive is halved. Blue: rolling resistance
// takes 1 and the surface adds 300 * kDt / 2, but only to a moving car.
TEST_F(PlayerInWorldTest, SurfaceUnderTheWheelScalesDriveGripAndTopSpeedAndPushesAlongTheMotion) {
    const std::tuple<int, Point, std::vector<SDLKey>, Point> cases[] = {
        {0, Point(0.0, -60.0), {}, Point(0.0, 12.0)}, {1, Point(0.0, -60.0), {}, Point(0.0, 1.0)},
        {0, Point(15.0, 0.0), {}, Point(-10.0, 0.0)}, {0, Point(), {SDLK_w}, Point(0.0, -2.5)},
        {1, Point(), {SDLK_w}, Point(0.0, -5.0)},     {2, Point(), {}, Point()},
        {2, Point(0.0, -50.0), {}, Point(0.0, -14.0)}};
    for (const auto& [car, v0, keys, dv] : cases) {
        EXPECT_NEAR(Length(Step(Car(car), v0, keys) - dv), 0.0, 1e-9)
            << "car " << car << ", v " << v0.x << "," << v0.y;
    }
}

TEST_F(PlayerInWorldTest, CarHitBlocksBothDrivesButNotTheGripAndThrowsThreeParticles) {
    Emitter* emitter = world.GetParticles()->GetEmitter(world.GetCollisionEmitter());
    ASSERT_NE(emitter, nullptr) << "dat\\cars.dat has collision particles";
    const size_t before = emitter->liveParticles.size();
    // Car 0 moves onto the neutral ground, over car 1.
    ASP_Player& car = Car(1);
    Car(0).SetPosition(car.GetX() + 10.0, car.GetY() + 10.0);
    car.SetVelocity(Point(50.0, 0.0));
    Point contact;
    ASSERT_TRUE(car.Collides(&Car(0), &contact));
    EXPECT_FALSE(car.OnCollision(&Car(0), contact));
    EXPECT_EQ(emitter->liveParticles.size(), before + 3);
    EXPECT_EQ(Car(0).GetDriveBlockTime(), ASP_Player::kDriveBlockSeconds);
    car.SetAngularVelocity(0.0);
    EXPECT_NEAR(Length(Step(car, Point(3.0, 0.0), {SDLK_w}, 0.15) - Point(-3.0, 0.0)), 0.0, 1e-9)
        << "no drive while blocked, side grip still acts";
    EXPECT_NEAR(Step(car, Point()).y, -5.0, 1e-9) << "drive is back after 0.2 s";
}

}  // namespace
