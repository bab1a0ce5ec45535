#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "game/race/track_pictures.h"
#include "game/sim/race.h"
#include "tests/support/bmp_file.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr double kDt = 0.1;

// 20 x 40 pixels, mass 2, one wheel right under the pivot so that its forces turn nothing: one step
// of kDt changes the speed by force * kDt / 2. accel 100, brake 300, reverseMod 0.5, steer 30.
std::string OneWheelCar(const std::string& frict = "0", const std::string& topSpeed = "10000") {
    return "[test]\ntopSpeed=" + topSpeed + "\naccel=100\nbrake=300\nreverseMod=0.5\nmass=2\nfrict=" + frict +
           "\nsteer=30\nwheels=1\nwheel0x=10\nwheel0y=20\nwidth=20\nheight=40\n";
}

ASP_Car Car(const std::string& text, const std::string& section = "test") {
    TempFolder dir;
    return ASP_Car(ASP_CarModel::Load(dir.Write("cars.dat", text), section));
}

ASP_Command Held(double forward, double backward, double left = 0.0, double right = 0.0) {
    ASP_Command c;
    c.forward = ASP_Command::Amount(forward);
    c.backward = ASP_Command::Amount(backward);
    c.left = ASP_Command::Amount(left);
    c.right = ASP_Command::Amount(right);
    return c;
}

// The velocity change of one step from v0 with a command, on a track (a ground that says nothing
// without one).
Point Step(ASP_Car& car, Point v0, ASP_Command command = {}, double dt = kDt, const ASP_Track& track = {}) {
    car.Control(command);
    car.body.motion.SetVelocity(v0);
    car.Step(dt, track);
    return car.body.motion.GetVelocity() - v0;
}

}  // namespace

// The drive force of one step: the car faces -y, so vy < 0 is rolling forwards; full left lock
// turns the wheel by 30 degrees, a stick half way (128 of 255) by as much of that, and a turned car
// turns the wheel with it.
TEST(CarTest, DriveFollowsTheControlsTheDirectionOfMotionAndTheSteering) {
    const double half = M_PI / 6.0 * 128.0 / 255.0;
    const double c30 = std::cos(M_PI / 6.0), s15 = std::sin(half), c15 = std::cos(half);
    // What, command, vy, force, the car's rotation.
    const std::tuple<const char*, ASP_Command, double, Point, double> cases[] = {
        {"forward at rest accelerates", Held(1, 0), 0.0, Point(0.0, -100.0), 0.0},
        {"forward while rolling backwards brakes", Held(1, 0), 50.0, Point(0.0, -300.0), 0.0},
        {"backward while rolling forwards brakes", Held(0, 1), -50.0, Point(0.0, 300.0), 0.0},
        {"backward at rest reverses", Held(0, 1), 0.0, Point(0.0, 50.0), 0.0},
        {"both, rolling forwards: brake + drive", Held(1, 1), -50.0, Point(0.0, 200.0), 0.0},
        {"left", Held(1, 0, 1), 0.0, Point(50.0, -100.0 * c30), 0.0},
        {"both steering ways cancel", Held(1, 0, 1, 1), 0.0, Point(0.0, -100.0), 0.0},
        {"car turned counter-clockwise", Held(1, 0), 0.0, Point(-100.0, 0.0), 90.0},
        {"a stick half left", Held(1, 0, 0.5), 0.0, Point(100.0 * s15, -100.0 * c15), 0.0}};
    for (const auto& [what, command, vy, force, rotation] : cases) {
        ASP_Car car = Car(OneWheelCar());
        car.body.SetRotation(rotation);
        EXPECT_NEAR(Length(Step(car, Point(0.0, vy), command) - force * (kDt / 2.0)), 0.0, 1e-9) << what;
    }
}

TEST(CarTest, ResistanceTopSpeedAndSpinStopSlowTheCarButNeverReverseOrClampIt) {
    ASP_Car car = Car(OneWheelCar("1000000"));
    EXPECT_EQ(Step(car, Point(3.0, 4.0)), Point(-3.0, -4.0)) << "never reversed";
    // Rolling resistance is a fifth of the grip, 0.2 * 100 * kDt / 2, and only without throttle.
    car = Car(OneWheelCar("100"));
    EXPECT_NEAR(Step(car, Point(0.0, -100.0)).y, 1.0, 1e-9);
    EXPECT_NEAR(Step(car, Point(0.0, -100.0), Held(1, 0)).y, -5.0, 1e-9);
    // Above top speed the car brakes with twice its acceleration, 2 * 50 * kDt / 2, but is not clamped.
    car = Car("[test]\ntopSpeed=100\naccel=50\nmass=2\n");
    EXPECT_NEAR(Step(car, Point(0.0, -300.0)).y, 5.0, 1e-9);
    EXPECT_EQ(Step(car, Point(60.0, -80.0)), Point()) << "exactly at top speed";
    // A spin below 5 degrees per second stops, unless the car steers.
    const auto spinAfterStep = [&car](double w, ASP_Command command = {}) {
        car.body.motion.SetSpin(w);
        car.Control(command);
        car.Step(kDt, ASP_Track());
        return car.body.motion.GetSpin();
    };
    EXPECT_EQ(spinAfterStep(4.9), 0.0);
    EXPECT_EQ(spinAfterStep(-5.0), -5.0);
    EXPECT_EQ(spinAfterStep(4.0, Held(0, 0, 1)), 4.0);
}

TEST(CarTest, ClockTakesTheFirstLapAsBestAndAFinishedCarOnlyRollsOut) {
    ASP_Car car = Car(OneWheelCar("100"));
    for (int lap : {0, 1, 2}) {
        std::tie(car.record.lap, car.record.lapTime) = std::pair(lap, 0.0);
        car.Step(0.25 * (lap + 1), ASP_Track());
    }
    EXPECT_DOUBLE_EQ(car.record.bestLapTime, 0.5) << "the time of lap 1";
    EXPECT_DOUBLE_EQ(car.record.raceTime, 1.5);
    car.record.finished = true;
    const Point dv = Step(car, Point(0.0, -100.0), Held(1, 0, 1));
    EXPECT_NEAR(Length(dv - Point(0.0, 1.0)), 0.0, 1e-9) << "only rolling resistance, no drive or steering";
    EXPECT_DOUBLE_EQ(car.record.raceTime, 1.5);
}

// Absent drive and steer flags are true. (More than 64 wheels are cut: see the catalogue.)
TEST(CarTest, WheelsFromTheCarFileWithinTheirLimits) {
    const ASP_Car car = Car("[test]\nwheels=2\nwheel1drive=0\nwheel1steer=0\n");
    const auto& wheels = car.GetModel().wheels;
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_TRUE(wheels[0].drive && wheels[0].steer && !wheels[1].drive && !wheels[1].steer);
    EXPECT_TRUE(Car("[test]\nwheels=-3\n").GetModel().wheels.empty());
    ASP_Car absent = Car("[other]\nwheels=1\n", "absent");
    EXPECT_EQ(Step(absent, Point(), Held(1, 0)), Point()) << "a missing section gives a car without drive";
}

// A track of one 300 x 100 ground tile whose surface map is red, green and blue in thirds: red halves
// drive and top speed and doubles grip, green is described by no modifier, blue pushes along the
// motion. Car i stands with its pivot at x 50 + 100 i.
class CarOnGround : public testing::Test {
protected:
    void SetUp() override {
        const std::string world = folder.Write(
            "world.dat",
            "[main]\nplayers=3\nmapTiles=1\nmodifiers=2\n[start0]\nx=40\ny=30\n[start1]\nx=140\ny=30\n"
            "[start2]\nx=240\ny=30\n[map0]\ntexture=" +
                WriteSolidBmp(folder.File("ground.bmp"), 300, 100, 0x808080) + "\nsurface=" +
                WriteBmp(folder.File("surface.bmp"), 300, 100,
                         [](int x, int) { return 0xFF0000u >> (x / 100 * 8); }) +
                "\n[mod0]\nr=255\naccel=0.5\nfrict=2\ntopSpeed=0.5\n[mod1]\nb=255\nactiveAccel=300\n");
        ASSERT_TRUE(race.Load(world, pictures));
        const ASP_CarModel model =
            ASP_CarModel::Load(folder.Write("cars.dat", OneWheelCar("100", "100")), "test");
        for (int i = 0; i < 3; ++i) {
            race.AddCar(model);
        }
    }
    ASP_Car& CarAt(int i) { return race.GetCar(static_cast<size_t>(i)); }

    TempFolder folder;
    ASP_PictureFiles pictures;
    ASP_Race race;
};

// Red: rolling resistance 0.2 * 100 * 2 takes 2, the halved top speed of 50 brakes with 2 * 100 and
// takes 10 more, doubled grip takes 10 of a slide of 15 and drive is halved. Blue: rolling resistance
// takes 1 and the surface adds 300 * kDt / 2, but only to a moving car.
TEST_F(CarOnGround, SurfaceUnderTheWheelScalesDriveGripAndTopSpeedAndPushesAlongTheMotion) {
    const std::tuple<int, Point, ASP_Command, Point> cases[] = {
        {0, Point(0.0, -60.0), {}, Point(0.0, 12.0)}, {1, Point(0.0, -60.0), {}, Point(0.0, 1.0)},
        {0, Point(15.0, 0.0), {}, Point(-10.0, 0.0)}, {0, Point(), Held(1, 0), Point(0.0, -2.5)},
        {1, Point(), Held(1, 0), Point(0.0, -5.0)},   {2, Point(), {}, Point()},
        {2, Point(0.0, -50.0), {}, Point(0.0, -14.0)}};
    for (const auto& [car, v0, command, dv] : cases) {
        EXPECT_NEAR(Length(Step(CarAt(car), v0, command, kDt, race.GetTrack()) - dv), 0.0, 1e-9)
            << "car " << car << ", v " << v0.x << "," << v0.y;
    }
}

// Two cars that meet both lose drive for 0.2 s, not grip; the contact is told.
TEST_F(CarOnGround, CarHitBlocksBothDrivesButNotTheGrip) {
    ASP_Car& car = CarAt(1);
    CarAt(0).PutAt(Point(car.body.GetX() + 10.0, car.body.GetY() + 10.0), 0.0);
    car.body.motion.SetVelocity(Point(50.0, 0.0));
    race.Step({});
    ASSERT_FALSE(race.GetEvents().empty());
    EXPECT_EQ(race.GetEvents().front().kind, ASP_RaceEvent::Contact);
    EXPECT_NEAR(CarAt(0).GetDriveBlockTime(), ASP_Car::kDriveBlockSeconds, 1e-12);
    car.body.motion.SetSpin(0.0);
    EXPECT_NEAR(Length(Step(car, Point(3.0, 0.0), Held(1, 0), 0.15, race.GetTrack()) - Point(-3.0, 0.0)), 0.0,
                1e-9)
        << "no drive while blocked, side grip still acts";
    EXPECT_NEAR(Step(car, Point(), Held(1, 0), kDt, race.GetTrack()).y, -5.0, 1e-9)
        << "drive is back after 0.2 s";
}
