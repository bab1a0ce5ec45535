#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "engine/ini.h"
#include "engine/log.h"
#include "engine/particle_engine.h"
#include "engine/sprite_manager.h"
#include "game/player.h"
#include "game/world.h"
#include "tests/support/gl_test.h"

namespace {

// A folder of its own under /tmp for the files one test writes; removed with the object.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/asphaltia_player_XXXXXX";
        if (mkdtemp(pattern)) {
            path = pattern;
        }
    }
    ~TempDir() {
        if (!path.empty()) {
            const std::string command = "rm -rf '" + path + "'";
            EXPECT_EQ(std::system(command.c_str()), 0);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string Write(const std::string& name, const std::string& text) const {
        const std::string file = File(name);
        std::ofstream(file) << text;
        return file;
    }

    std::string path;
};

// 20 x 40 pixels, pivot in the middle, one wheel right under the pivot so that its forces turn
// nothing: the velocity change of one step shows the force.
std::string OneWheelCar(const std::string& frict = "0", const std::string& topSpeed = "10000") {
    return "[test]\ntopSpeed=" + topSpeed + "\naccel=100\nbrake=300\nreverseMod=0.5\nmass=2\nfrict=" + frict +
           "\nsteer=30\nwheels=1\nwheel0x=10\nwheel0y=20\nwheel0drive=1\nwheel0steer=1\nwidth=20\nheight="
           "40\n";
}

constexpr double kDt = 0.1;

bool IsFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

class PlayerTest : public ::testing::Test {
protected:
    std::unique_ptr<ASP_Player> MakeCar(const std::string& carText, const std::string& section = "test") {
        const std::string file = dir.Write("cars.dat", carText);
        auto car = std::make_unique<ASP_Player>(nullptr);
        car->LoadCar(file, section);
        return car;
    }

    // The velocity change of one step from velocity v0 with the given keys held.
    Point Step(ASP_Player& car, Point v0, bool forward, bool backward) {
        car.SetVelocity(v0);
        if (forward) {
            car.OnKeyDown(SDLK_UP);
        }
        if (backward) {
            car.OnKeyDown(SDLK_DOWN);
        }
        car.OnUpdate(kDt);
        return car.GetVelocity() - v0;
    }

    TempDir dir;
};

TEST_F(PlayerTest, ThrottleFollowsTheKeysAndTheDirectionOfMotion) {
    struct Case {
        const char* what;
        bool forward;
        bool backward;
        double vy;
        double T;
    };
    // accel 100, brake 300, reverseMod 0.5; the car faces -y, so vy < 0 is rolling forwards.
    const Case cases[] = {
        {"forward at rest accelerates", true, false, 0.0, -100.0},
        {"forward while rolling forwards accelerates", true, false, -50.0, -100.0},
        {"forward while rolling backwards brakes", true, false, 50.0, -300.0},
        {"backward while rolling forwards brakes", false, true, -50.0, 300.0},
        {"backward at rest reverses", false, true, 0.0, 50.0},
        {"backward while rolling backwards reverses", false, true, 50.0, 50.0},
        {"both while rolling forwards", true, true, -50.0, -100.0 + 300.0},
        {"both at rest", true, true, 0.0, -100.0 + 50.0},
        {"no key", false, false, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto car = MakeCar(OneWheelCar());
        const Point dv = Step(*car, Point(0.0, c.vy), c.forward, c.backward);
        EXPECT_DOUBLE_EQ(dv.x, 0.0);
        EXPECT_NEAR(dv.y, c.T * kDt / 2.0, 1e-9);
        EXPECT_DOUBLE_EQ(car->GetAngularVelocity(), 0.0);
    }
}

TEST_F(PlayerTest, DriveForcePushesTowardsTheFrontOfATurnedCar) {
    auto car = MakeCar(OneWheelCar());
    EXPECT_FALSE(car->MovingForward());
    car->SetRotation(90.0);
    const Point dv = Step(*car, Point(), true, false);
    // Rotated by 90 degrees counter-clockwise the front looks towards -x.
    EXPECT_NEAR(dv.x, -5.0, 1e-9);
    EXPECT_NEAR(dv.y, 0.0, 1e-9);
    EXPECT_TRUE(car->MovingForward());
    car->SetVelocity(Point(10.0, 0.0));
    EXPECT_FALSE(car->MovingForward()) << "rolling backwards";
    car->SetRotation(0.0);
    EXPECT_FALSE(car->MovingForward()) << "sliding exactly sideways";
}

TEST_F(PlayerTest, BothSteeringKeysCancelAndOneTurnsTheWheel) {
    struct Case {
        const char* what;
        bool left;
        bool right;
        double dvx;
    };
    // Full throttle at rest changes the speed by 5 along the wheel, which is turned by 30 degrees.
    const Case cases[] = {
        {"left", true, false, 2.5},
        {"right", false, true, -2.5},
        {"both", true, true, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto car = MakeCar(OneWheelCar());
        if (c.left) {
            car->OnKeyDown(SDLK_LEFT);
        }
        if (c.right) {
            car->OnKeyDown(SDLK_RIGHT);
        }
        const Point dv = Step(*car, Point(), true, false);
        EXPECT_NEAR(dv.x, c.dvx, 1e-9);
        EXPECT_NEAR(Length(dv), 5.0, 1e-9);
    }
}

TEST_F(PlayerTest, ResistanceStopsMotionButNeverReversesIt) {
    const std::string grippy =
        "[test]\ntopSpeed=10000\naccel=100\nmass=2\nfrict=1000000\nwheels=1\nwheel0x=10\nwheel0y=20\n"
        "width=20\nheight=40\n";
    auto car = MakeCar(grippy);
    car->SetVelocity(Point(3.0, 4.0));
    car->OnUpdate(kDt);
    EXPECT_NEAR(car->GetVelocity().x, 0.0, 1e-9) << "side grip";
    EXPECT_NEAR(car->GetVelocity().y, 0.0, 1e-9) << "rolling resistance";

    // Rolling resistance is a fifth of the grip: 0.2 * 100 * 0.1 / 2 = 1 pixel per second.
    const std::string rolling =
        "[test]\ntopSpeed=10000\nmass=2\nfrict=100\nwheels=1\nwheel0x=10\nwheel0y=20\nwidth=20\nheight=40\n";
    car = MakeCar(rolling);
    car->SetVelocity(Point(0.0, -100.0));
    car->OnUpdate(kDt);
    EXPECT_NEAR(car->GetVelocity().y, -99.0, 1e-9);

    // With a throttle key held the wheel does not roll out.
    car->OnKeyDown(SDLK_DOWN);
    car->SetVelocity(Point(0.0, -100.0));
    car->OnUpdate(kDt);
    EXPECT_NEAR(car->GetVelocity().y, -100.0, 1e-9);
}

TEST_F(PlayerTest, CarHitBlocksDriveForAFifthOfASecondButKeepsGrip) {
    const std::string grippy = OneWheelCar("1000000");
    auto a = MakeCar(grippy);
    auto b = MakeCar(grippy);
    b->SetX(10.0);
    b->SetY(10.0);
    a->SetVelocity(Point(50.0, 0.0));
    Point contact;
    ASSERT_TRUE(a->Collides(b.get(), &contact));
    EXPECT_FALSE(a->OnCollision(b.get(), contact)) << "a car hit is handled";
    EXPECT_DOUBLE_EQ(a->GetDriveBlockTime(), ASP_Player::kDriveBlockSeconds);
    EXPECT_DOUBLE_EQ(b->GetDriveBlockTime(), ASP_Player::kDriveBlockSeconds);

    a->SetAngularVelocity(0.0);
    a->OnKeyDown(SDLK_UP);
    a->SetVelocity(Point(3.0, 0.0));
    a->OnUpdate(0.15);
    EXPECT_NEAR(a->GetVelocity().y, 0.0, 1e-9) << "no drive while blocked";
    EXPECT_NEAR(a->GetVelocity().x, 0.0, 1e-9) << "side grip still acts";

    a->SetVelocity(Point());
    a->OnUpdate(kDt);
    EXPECT_NEAR(a->GetVelocity().y, -5.0, 1e-9) << "drive is back after 0.2 s";
}

TEST_F(PlayerTest, CollisionWithASpriteThatIsNoBodyIsLeftToTheOther) {
    auto car = MakeCar(OneWheelCar());
    CImageSpriteEx marker(nullptr);
    marker.SetSize(20.0, 20.0);
    EXPECT_TRUE(car->OnCollision(&marker, Point(5.0, 5.0)));
    EXPECT_DOUBLE_EQ(car->GetDriveBlockTime(), 0.0);
}

TEST_F(PlayerTest, TopSpeedBrakesWithTwiceTheAccelerationWithoutClamping) {
    auto car = MakeCar("[test]\ntopSpeed=100\naccel=50\nmass=2\nwidth=20\nheight=40\n");
    ASSERT_TRUE(car->GetWheels().empty());
    car->SetVelocity(Point(0.0, -300.0));
    car->OnUpdate(kDt);
    // 2 * 50 * 0.1 / 2 = 5 pixels per second less.
    EXPECT_NEAR(car->GetVelocity().y, -295.0, 1e-9);

    car->SetVelocity(Point(60.0, -80.0));
    car->OnUpdate(kDt);
    EXPECT_DOUBLE_EQ(car->GetVelocity().x, 60.0) << "exactly at top speed";
    EXPECT_DOUBLE_EQ(car->GetVelocity().y, -80.0);
}

TEST_F(PlayerTest, SlowSpinStopsUnlessSteering) {
    auto car = MakeCar("[test]\nwidth=20\nheight=40\n");
    car->SetAngularVelocity(4.9);
    car->OnUpdate(kDt);
    EXPECT_DOUBLE_EQ(car->GetAngularVelocity(), 0.0);
    EXPECT_DOUBLE_EQ(car->GetRotation(), 0.0);

    car->SetAngularVelocity(-5.0);
    car->OnUpdate(kDt);
    EXPECT_DOUBLE_EQ(car->GetAngularVelocity(), -5.0);

    car->SetAngularVelocity(4.0);
    car->OnKeyDown(SDLK_LEFT);
    car->OnUpdate(kDt);
    EXPECT_DOUBLE_EQ(car->GetAngularVelocity(), 4.0);
}

TEST_F(PlayerTest, FinishedCarRollsWithoutDriveSteeringOrTime) {
    auto car = MakeCar(OneWheelCar("100"));
    car->OnKeyDown(SDLK_UP);
    car->OnKeyDown(SDLK_LEFT);
    car->OnUpdate(kDt);
    EXPECT_DOUBLE_EQ(car->raceTime, kDt);
    EXPECT_DOUBLE_EQ(car->lapTime, kDt);

    car->finished = true;
    car->SetVelocity(Point(0.0, -100.0));
    car->SetAngularVelocity(0.0);
    car->OnUpdate(kDt);
    // No drive; rolling resistance acts although forward is held, along the unsteered wheel.
    EXPECT_NEAR(car->GetVelocity().y, -99.0, 1e-9);
    EXPECT_NEAR(car->GetVelocity().x, 0.0, 1e-9);
    EXPECT_DOUBLE_EQ(car->raceTime, kDt);
}

TEST_F(PlayerTest, BestLapFollowsTheFirstLap) {
    auto car = MakeCar("[test]\nwidth=20\nheight=40\n");
    car->OnUpdate(0.5);
    EXPECT_DOUBLE_EQ(car->bestLapTime, 0.0) << "before the first crossing";
    car->lap = 1;
    car->lapTime = 0.0;
    car->OnUpdate(0.25);
    car->OnUpdate(0.25);
    EXPECT_DOUBLE_EQ(car->bestLapTime, 0.5);
    EXPECT_DOUBLE_EQ(car->raceTime, 1.0);
    car->lap = 2;
    car->lapTime = 0.0;
    car->OnUpdate(0.25);
    EXPECT_DOUBLE_EQ(car->bestLapTime, 0.5);
}

TEST_F(PlayerTest, NewCarHasTheStartingRaceRecord) {
    ASP_Player car(nullptr);
    EXPECT_EQ(car.raceTime, 0.0);
    EXPECT_EQ(car.lapTime, 0.0);
    EXPECT_EQ(car.bestLapTime, 0.0);
    EXPECT_EQ(car.lap, 0);
    EXPECT_EQ(car.lastCheckpoint, -1);
    EXPECT_EQ(car.position, 1);
    EXPECT_FALSE(car.finished);
    EXPECT_EQ(car.compassTarget, Point());
    EXPECT_FALSE(car.fixedCamera);
    EXPECT_EQ(car.GetTail()->GetParent(), &car);
}

TEST_F(PlayerTest, MissingSectionGivesACarThatNeverMovesByItself) {
    auto car = MakeCar("[other]\nwidth=5\n", "absent");
    EXPECT_DOUBLE_EQ(car->GetWidth(), 1.0);
    EXPECT_DOUBLE_EQ(car->GetHeight(), 1.0);
    EXPECT_EQ(car->GetTexture(), nullptr);
    EXPECT_TRUE(car->GetWheels().empty());
    car->OnKeyDown(SDLK_UP);
    car->OnUpdate(kDt);
    EXPECT_EQ(car->GetVelocity(), Point());
}

class PlayerControlsTest : public PlayerTest {};

TEST_F(PlayerControlsTest, KeysComeFromTheControlsSection) {
    const std::string config = dir.Write("config.ini",
                                         "[controls0]\nforward=119\nbackward=115\nleft=97\nright=100\n"
                                         "fixedCamera=1\n"
                                         "[controls1]\nforward=105\nfixedCamera=true\n");
    ASP_Player first(nullptr);
    first.LoadControls(config, "controls0");
    EXPECT_TRUE(first.fixedCamera);
    EXPECT_TRUE(first.OnKeyDown(SDLK_w));
    EXPECT_TRUE(first.OnKeyDown(SDLK_s));
    EXPECT_TRUE(first.OnKeyDown(SDLK_a));
    EXPECT_TRUE(first.OnKeyDown(SDLK_d));
    EXPECT_FALSE(first.OnKeyDown(SDLK_UP));
    EXPECT_TRUE(first.IsForwardHeld() && first.IsBackwardHeld() && first.IsLeftHeld() && first.IsRightHeld());
    EXPECT_TRUE(first.OnKeyUp(SDLK_w));
    EXPECT_FALSE(first.IsForwardHeld());
    EXPECT_TRUE(first.IsBackwardHeld());

    ASP_Player second(nullptr);
    second.LoadControls(config, "controls1");
    EXPECT_FALSE(second.fixedCamera) << "only the text 1 is true";
    EXPECT_TRUE(second.OnKeyDown(SDLK_i));
    EXPECT_TRUE(second.OnKeyDown(SDLK_LEFT)) << "missing keys take the arrow keys";
    EXPECT_TRUE(second.IsForwardHeld());
    EXPECT_TRUE(second.IsLeftHeld());
}

TEST_F(PlayerControlsTest, AKeyBoundToForwardAndLeftActsAsForwardOnly) {
    const std::string config = dir.Write("config.ini", "[controls0]\nforward=97\nleft=97\n");
    ASP_Player car(nullptr);
    car.LoadControls(config, "controls0");
    EXPECT_TRUE(car.OnKeyDown(SDLK_a));
    EXPECT_TRUE(car.IsForwardHeld());
    EXPECT_FALSE(car.IsLeftHeld());
    EXPECT_TRUE(car.OnKeyUp(SDLK_a));
    EXPECT_FALSE(car.IsForwardHeld());
}

class PlayerCarFileTest : public PlayerTest {};

TEST_F(PlayerCarFileTest, WheelFlagsAreTrueWhenAbsentAndOnlyForTheText1) {
    auto car = MakeCar(
        "[test]\nsteer=12.5\nfrict=7\nwheels=4\n"
        "wheel0x=1\nwheel0y=2\n"
        "wheel1x=3\nwheel1y=4\nwheel1drive=1\nwheel1steer=1\n"
        "wheel2drive=true\nwheel2steer=yes\n"
        "wheel3drive=0\nwheel3steer=0\n");
    const auto& wheels = car->GetWheels();
    ASSERT_EQ(wheels.size(), 4u);
    EXPECT_DOUBLE_EQ(wheels[0].x, 1.0);
    EXPECT_DOUBLE_EQ(wheels[0].y, 2.0);
    EXPECT_DOUBLE_EQ(wheels[1].x, 3.0);
    EXPECT_DOUBLE_EQ(wheels[1].y, 4.0);
    EXPECT_TRUE(wheels[0].drive);
    EXPECT_TRUE(wheels[0].steer);
    EXPECT_TRUE(wheels[1].drive);
    EXPECT_TRUE(wheels[1].steer);
    EXPECT_FALSE(wheels[2].drive);
    EXPECT_FALSE(wheels[2].steer);
    EXPECT_FALSE(wheels[3].drive);
    EXPECT_FALSE(wheels[3].steer);
    EXPECT_DOUBLE_EQ(car->GetSteer(), 12.5);
    EXPECT_DOUBLE_EQ(car->GetFrict(), 7.0);
}

TEST_F(PlayerCarFileTest, CarValuesAndMassAreRead) {
    auto car = MakeCar(OneWheelCar() + "bounce=0.25\nrotX=0.25\nrotY=0.75\n");
    EXPECT_DOUBLE_EQ(car->GetTopSpeed(), 10000.0);
    EXPECT_DOUBLE_EQ(car->GetAccel(), 100.0);
    EXPECT_DOUBLE_EQ(car->GetBrake(), 300.0);
    EXPECT_DOUBLE_EQ(car->GetReverseMod(), 0.5);
    EXPECT_DOUBLE_EQ(car->GetMass(), 2.0);
    EXPECT_DOUBLE_EQ(car->GetBounce(), 0.25);
    EXPECT_EQ(car->GetRotationCenter(), Point(0.25, 0.75));
    EXPECT_DOUBLE_EQ(car->GetWidth(), 20.0);
    EXPECT_DOUBLE_EQ(car->GetHeight(), 40.0);
}

TEST_F(PlayerCarFileTest, AHugeWheelCountIsBoundedAndLogged) {
    EnableLogging();
    testing::internal::CaptureStdout();
    auto car = MakeCar("[test]\nwheels=2000000000\n");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(car->GetWheels().size(), static_cast<size_t>(ASP_Player::kMaxWheels));
    EXPECT_NE(log.find("ERROR in class ASP_Player: Car test has 2000000000 wheels"), std::string::npos)
        << log;

    auto none = MakeCar("[test]\nwheels=-3\n");
    EXPECT_TRUE(none->GetWheels().empty());
}

// Car 20 x 40; the tail hangs at the middle of the rear edge, (10, 40). Tail 10 x 20 at full
// speed, 5 x 5 at or below minSpeed 50, full from 150, 8 frames per second at full speed.
const char* const kTailCar =
    "[test]\nwidth=20\nheight=40\n"
    "[test-tail]\nx=0.5\ny=1\nwidth=10\nheight=20\nwidthScale=0.5\nheightScale=0.25\n"
    "minSpeed=50\nmaxSpeed=150\nanimSpeed=8\nangleDeltaCW=30\nangleDeltaCCW=30\n";

class PlayerTailTest : public PlayerTest {};

TEST_F(PlayerTailTest, GrowsWithTheForwardSpeedOfItsAnchor) {
    auto car = MakeCar(kTailCar);
    CImageSpriteEx* tail = car->GetTail();
    EXPECT_DOUBLE_EQ(tail->GetZ(), 1e-7);
    EXPECT_TRUE(tail->depthTest);

    struct Case {
        double speed;
        double width;
        double height;
        double animSpeed;
    };
    const Case cases[] = {
        {0.0, 5.0, 5.0, 0.0},     {50.0, 5.0, 5.0, 0.0},    {100.0, 7.5, 12.5, 4.0},
        {150.0, 10.0, 20.0, 8.0}, {400.0, 10.0, 20.0, 8.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        car->SetVelocity(Point(0.0, -c.speed));
        car->UpdateTail();
        EXPECT_DOUBLE_EQ(tail->GetWidth(), c.width);
        EXPECT_DOUBLE_EQ(tail->GetHeight(), c.height);
        EXPECT_DOUBLE_EQ(tail->GetAnimSpeed(), c.animSpeed);
        // Its pivot sits on the anchor.
        EXPECT_DOUBLE_EQ(tail->GetX() + 0.5 * c.width, 10.0);
        EXPECT_DOUBLE_EQ(tail->GetY() + 0.5 * c.height, 40.0);
    }
}

TEST_F(PlayerTailTest, TurnsWithTheMotionWithinItsLimits) {
    auto car = MakeCar(kTailCar);
    CImageSpriteEx* tail = car->GetTail();
    car->SetVelocity(Point(0.0, -200.0));
    car->UpdateTail();
    EXPECT_DOUBLE_EQ(tail->GetRotation(), 0.0);

    // Sliding towards -x is 90 degrees counter-clockwise, beyond the 30-degree limit.
    car->SetVelocity(Point(-200.0, -1.0));
    car->UpdateTail();
    EXPECT_NEAR(tail->GetRotation(), 30.0, 1e-9);
    car->SetVelocity(Point(200.0, -1.0));
    car->UpdateTail();
    EXPECT_NEAR(tail->GetRotation(), 330.0, 1e-9);
    car->SetVelocity(Point(200.0, -400.0));
    car->UpdateTail();
    EXPECT_NEAR(tail->GetRotation(), 360.0 - std::atan(0.5) * 180.0 / M_PI, 1e-9);

    // At rest the tail keeps its rotation.
    car->SetVelocity(Point());
    car->UpdateTail();
    EXPECT_NEAR(tail->GetRotation(), 360.0 - std::atan(0.5) * 180.0 / M_PI, 1e-9);
}

TEST_F(PlayerTailTest, EqualMinAndMaxSpeedGiveFullSizeAboveMinSpeed) {
    auto car = MakeCar(
        "[test]\nwidth=20\nheight=40\n"
        "[test-tail]\nwidth=10\nheight=20\nwidthScale=0.5\nheightScale=0.5\n"
        "minSpeed=50\nmaxSpeed=50\nanimSpeed=8\n");
    CImageSpriteEx* tail = car->GetTail();
    car->SetVelocity(Point(0.0, -50.0));
    car->UpdateTail();
    EXPECT_DOUBLE_EQ(tail->GetWidth(), 5.0);
    EXPECT_DOUBLE_EQ(tail->GetAnimSpeed(), 0.0);
    car->SetVelocity(Point(0.0, -50.5));
    car->UpdateTail();
    EXPECT_DOUBLE_EQ(tail->GetWidth(), 10.0);
    // Faster than minSpeed, but with a forward part of exactly minSpeed.
    car->SetVelocity(Point(30.0, -50.0));
    car->UpdateTail();
    EXPECT_DOUBLE_EQ(tail->GetWidth(), 10.0);
    EXPECT_DOUBLE_EQ(tail->GetHeight(), 20.0);
    EXPECT_DOUBLE_EQ(tail->GetAnimSpeed(), 8.0);
    EXPECT_TRUE(std::isfinite(tail->GetX()));
}

// A tile sheet of frames in a row, all in one colour.
std::string WriteSheet(const TempDir& dir, const std::string& name, Uint32 colour, int frames,
                       int tileWidth = 16, int tileHeight = 16) {
    const std::string file = dir.File(name);
    SDL_Surface* s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, tileWidth * frames, tileHeight, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, colour);
    EXPECT_EQ(SDL_SaveBMP(s, file.c_str()), 0);
    SDL_FreeSurface(s);
    return file;
}

class PlayerGraphicsTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        scene = std::make_unique<CSpriteManager>(nullptr);
        car = new ASP_Player(scene.get());
        scene->AddSprite(car);
    }

    void Load(const std::string& text) { car->LoadCar(dir.Write("cars.dat", text), "test"); }

    TempDir dir;
    std::unique_ptr<CSpriteManager> scene;
    ASP_Player* car = nullptr;
};

TEST_F(PlayerGraphicsTest, TurnAnimationsPlayOnceAndHoldTheirLastFrame) {
    const std::string sheet = WriteSheet(dir, "sheet.bmp", 0x808080, 8);
    Load("[test]\ntexture=" + sheet +
         "\nwidth=16\nheight=16\ntileWidth=16\ntileHeight=16\nanimSpeed=10\n"
         "animStraightStart=0\nanimStraightEnd=1\nanimLeftStart=2\nanimLeftEnd=4\n"
         "animLeftBackStart=5\nanimLeftBackEnd=7\n");
    ASSERT_EQ(car->GetFrameCount(), 8);
    ASSERT_NE(car->GetTexture(), nullptr);
    EXPECT_TRUE(car->GetTexture()->smooth);

    // The straight range loops.
    EXPECT_TRUE(car->IsAnimated());
    car->Update(0.25);
    EXPECT_TRUE(car->IsAnimated());
    EXPECT_NEAR(car->GetAnimPos(), 0.5, 1e-9);

    car->OnKeyDown(SDLK_LEFT);
    EXPECT_EQ(car->GetAnimStart(), 2);
    EXPECT_EQ(car->GetAnimEnd(), 4);
    EXPECT_DOUBLE_EQ(car->GetAnimPos(), 2.0);
    car->Update(0.25);
    EXPECT_NEAR(car->GetAnimPos(), 4.5, 1e-9);
    car->Update(0.1);
    EXPECT_DOUBLE_EQ(car->GetAnimPos(), 4.0) << "held on the last frame";
    EXPECT_FALSE(car->IsAnimated());
    car->Update(1.0);
    EXPECT_DOUBLE_EQ(car->GetAnimPos(), 4.0);

    car->OnKeyUp(SDLK_LEFT);
    EXPECT_EQ(car->GetAnimStart(), 5);
    EXPECT_EQ(car->GetAnimEnd(), 7);
    EXPECT_DOUBLE_EQ(car->GetAnimPos(), 5.0);
    EXPECT_TRUE(car->IsAnimated());
    car->Update(0.35);
    EXPECT_DOUBLE_EQ(car->GetAnimPos(), 7.0);
    EXPECT_FALSE(car->IsAnimated());
}

TEST_F(PlayerGraphicsTest, TailIsDrawnOverTheCar) {
    const std::string body = WriteSheet(dir, "body.bmp", 0xFF0000, 1);
    const std::string flame = WriteSheet(dir, "flame.bmp", 0x00FF00, 1);
    Load("[test]\ntexture=" + body +
         "\nwidth=40\nheight=40\ntileWidth=16\ntileHeight=16\n[test-tail]\ntexture=" + flame +
         "\nx=0.5\ny=0.5\nwidth=10\nheight=10\ntileWidth=16\ntileHeight=16\n");
    car->SetX(20.0);
    car->SetY(20.0);
    car->UpdateTail();
    EXPECT_TRUE(car->GetTail()->GetTexture()->smooth);
    car->Draw(nullptr);
    const Rgba onTail = Pixel(40, 40);
    EXPECT_EQ(onTail.g, 255);
    EXPECT_EQ(onTail.r, 0);
    const Rgba onCar = Pixel(25, 25);
    EXPECT_EQ(onCar.r, 255);
    EXPECT_EQ(onCar.g, 0);
}

// A world of one 300 x 100 ground tile whose surface map is red, green and blue in thirds: red is
// slow, sticky ground, green is described by no modifier, blue pushes along the motion. One car
// starts in each third, its pivot at x 50, 150 and 250.
class PlayerInWorldTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        const std::string ground = WriteSheet(dir, "ground.bmp", 0x808080, 1, 300, 100);
        const std::string surface = dir.File("surface.bmp");
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 300, 100, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        const Uint32 thirds[] = {0xFF0000, 0x00FF00, 0x0000FF};
        for (int i = 0; i < 3; ++i) {
            SDL_Rect r = {static_cast<Sint16>(100 * i), 0, 100, 100};
            SDL_FillRect(s, &r, thirds[i]);
        }
        ASSERT_EQ(SDL_SaveBMP(s, surface.c_str()), 0);
        SDL_FreeSurface(s);

        const std::string worldFile =
            dir.Write("world.dat",
                      "[main]\nplayers=3\nmapTiles=1\nmodifiers=2\n"
                      "[start0]\nx=40\ny=30\n[start1]\nx=140\ny=30\n[start2]\nx=240\ny=30\n"
                      "[map0]\ntexture=" +
                          ground + "\nsurface=" + surface +
                          "\n"
                          "[mod0]\nr=255\naccel=0.5\nfrict=2\ntopSpeed=0.5\n"
                          "[mod1]\nb=255\nactiveAccel=300\n");
        const std::string cars = dir.Write("cars.dat", OneWheelCar("100", "100"));
        const std::string config = dir.Write("config.ini", "[controls0]\nforward=119\n");
        world = std::make_unique<ASP_World>(nullptr);
        world->Load(worldFile);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(world->AddPlayer(cars, "test", config, "controls0"));
        }
        ASSERT_EQ(world->GetPlayers().size(), 3u);
    }

    ASP_Player& Car(int i) { return *world->GetPlayers()[i]; }

    TempDir dir;
    std::unique_ptr<ASP_World> world;
};

TEST_F(PlayerInWorldTest, SurfaceUnderTheWheelScalesDriveAndGripAndTopSpeed) {
    ASSERT_EQ(world->GetModifierAt(Point(50.0, 50.0)).accel, 0.5);
    for (int i : {0, 1}) {
        Car(i).OnKeyDown(SDLK_w);
        Car(i).OnUpdate(kDt);
    }
    EXPECT_NEAR(Car(0).GetVelocity().y, -2.5, 1e-9) << "half the drive on red";
    EXPECT_NEAR(Car(1).GetVelocity().y, -5.0, 1e-9);

    for (int i : {0, 1}) {
        Car(i).OnKeyUp(SDLK_w);
        Car(i).SetVelocity(Point(0.0, -60.0));
        Car(i).OnUpdate(kDt);
    }
    // Red: rolling resistance 0.2 * 100 * 2 takes 2, then the halved top speed of 50 brakes with
    // 2 * 100 and takes 10 more.
    EXPECT_NEAR(Car(0).GetVelocity().y, -48.0, 1e-9);
    EXPECT_NEAR(Car(1).GetVelocity().y, -59.0, 1e-9);
}

TEST_F(PlayerInWorldTest, ActiveSurfacePushesAlongTheMotionAndLeavesACarAtRestAlone) {
    ASP_Player& car = Car(2);
    car.OnUpdate(kDt);
    EXPECT_EQ(car.GetVelocity(), Point());
    EXPECT_EQ(car.GetAngularVelocity(), 0.0);
    EXPECT_EQ(car.GetRotation(), 0.0);
    for (const Point& corner : car.GetCorners().p) {
        EXPECT_TRUE(IsFinite(corner));
    }

    car.SetVelocity(Point(0.0, -50.0));
    car.OnUpdate(kDt);
    // Rolling resistance takes 1, the surface adds 300 * 0.1 / 2.
    EXPECT_NEAR(car.GetVelocity().y, -64.0, 1e-9);
}

TEST_F(PlayerInWorldTest, CarsThatHitEachOtherThrowThreeParticlesAtTheContact) {
    const int emitterIndex = world->GetCollisionEmitter();
    ASSERT_GE(emitterIndex, 0) << "dat\\cars.dat has collision particles";
    Emitter* emitter = world->GetParticles()->GetEmitter(emitterIndex);
    ASSERT_NE(emitter, nullptr);
    const size_t before = emitter->liveParticles.size();

    Car(1).SetX(Car(0).GetX() + 10.0);
    Car(1).SetY(Car(0).GetY() + 10.0);
    Point contact;
    ASSERT_TRUE(Car(0).Collides(&Car(1), &contact));
    EXPECT_FALSE(Car(0).OnCollision(&Car(1), contact));
    EXPECT_EQ(emitter->liveParticles.size(), before + 3);
    EXPECT_EQ(emitter->settings->originX, static_cast<int>(contact.x));
    EXPECT_EQ(emitter->settings->originY, static_cast<int>(contact.y));
    EXPECT_DOUBLE_EQ(Car(0).GetDriveBlockTime(), ASP_Player::kDriveBlockSeconds);
    EXPECT_DOUBLE_EQ(Car(1).GetDriveBlockTime(), ASP_Player::kDriveBlockSeconds);
    EXPECT_DOUBLE_EQ(Car(2).GetDriveBlockTime(), 0.0);
}

TEST_F(PlayerInWorldTest, OneKeyDrivesEveryCarBoundToIt) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_w;
    world->OnKeyDown(&event);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Car(i).IsForwardHeld());
    }
    event.type = SDL_KEYUP;
    world->OnKeyUp(&event);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(Car(i).IsForwardHeld());
    }
}

// The cars of the game's own car list, driven on neutral ground at 60 frames per second.
class ShippedCarsTest : public PlayerGraphicsTest {};

TEST_F(ShippedCarsTest, EveryCarLoadsDrivesTurnsLeftAndKeepsToItsTopSpeed) {
    const std::string carsFile = "dat\\cars.dat";
    const int count = GetIniInt("main", "cars", 0, carsFile);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        const std::string name = GetIniString("main", "car" + NumberToText(i), "", carsFile);
        SCOPED_TRACE(name);
        auto* shipped = new ASP_Player(scene.get());
        scene->AddSprite(shipped);
        shipped->LoadCar(carsFile, name);
        ASSERT_NE(shipped->GetTexture(), nullptr);
        EXPECT_TRUE(shipped->GetTexture()->loaded);
        ASSERT_NE(shipped->GetTail()->GetTexture(), nullptr);
        EXPECT_TRUE(shipped->GetTail()->GetTexture()->loaded);
        EXPECT_FALSE(shipped->GetWheels().empty());

        const double dt = 1.0 / 60.0;
        shipped->OnKeyDown(SDLK_UP);
        double fastest = 0.0;
        for (int frame = 0; frame < 600; ++frame) {
            shipped->Update(dt);
            fastest = std::max(fastest, Length(shipped->GetVelocity()));
        }
        EXPECT_TRUE(shipped->MovingForward());
        EXPECT_GT(fastest, 0.9 * shipped->GetTopSpeed());
        EXPECT_LT(fastest, 1.05 * shipped->GetTopSpeed());

        const double heading = shipped->GetRotation();
        shipped->OnKeyDown(SDLK_LEFT);
        for (int frame = 0; frame < 30; ++frame) {
            shipped->Update(dt);
        }
        // Counter-clockwise on screen is a left turn for a car that faces up.
        const double turned = std::remainder(shipped->GetRotation() - heading, 360.0);
        EXPECT_GT(turned, 5.0);
        EXPECT_TRUE(IsFinite(Point(shipped->GetX(), shipped->GetY())));
    }
}

}  // namespace
