#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/angle.h"
#include "engine/particle_engine.h"
#include "game/race/game.h"
#include "game/race/ground_sprite.h"
#include "game/race/physics_sprite.h"
#include "game/race/player.h"
#include "game/race/static_sprite.h"
#include "game/race/world.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

using Viewport = std::array<GLint, 4>;

struct ViewportProbe : CSprite {
    explicit ViewportProbe(std::vector<Viewport>* seen) : CSprite(nullptr), seen(seen) {}
    void Draw(void*) override {
        seen->emplace_back();
        glGetIntegerv(GL_VIEWPORT, seen->back().data());
    }
    void Update(double) override {}
    std::vector<Viewport>* seen;
};

class WorldTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glViewport(0, 0, kWidth, kHeight);
        NewRace();
    }
    void NewRace() {
        game = std::make_unique<ASP_Game>(app.get());
        world = game->GetWorld();
    }
    // Loads a world file of text after "[main]": keys of section main, then other sections.
    void LoadWorld(const std::string& text) { world->Load(folder.Write("world.dat", "[main]\n" + text)); }
    // Offers n plain cars of 20 x 40 pixels without wheels; the number the world took.
    int AddCars(int n) {
        const std::string cars = folder.Write("cars.dat", "[box]\nwidth=20\nheight=40\nmass=2\n");
        int added = 0;
        for (int i = 0; i < n; ++i) {
            added += world->AddPlayer(cars, "box", folder.File("config.ini"), "controls" + std::to_string(i));
        }
        return added;
    }

    TempFolder folder;
    std::unique_ptr<ASP_Game> game;
    ASP_World* world = nullptr;
};

}  // namespace

// Surface dust comes from the modifiers' particle sections: one emission in ten on average, the
// angle range turned for the emission only; a modifier without prototypes has nothing to emit.
TEST_F(WorldTest, SurfaceDustComesFromTheModifiersEmittersAndHugeCountsAreRefused) {
    const std::string log = Logged([&] {
        LoadWorld(
            "modifiers=2\nstatics=10001\ncheckpoints=1\n[checkpoint0]\nindex=0\n[mod0]\nr=300\ng=2\nb=3\n"
            "[mod0part]\nprototypes=1\nlife=2\n[mod0prot0]\nwidth=4\nheight=4\n[mod1]\nr=1\n");
    });
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Refused \"statics\" = 10001 in section main", log);
    // Nothing of a refused kind: the particle engine and the one checkpoint.
    EXPECT_EQ(world->GetSpriteCount(), 2);
    ASSERT_EQ(world->GetSurfaceSounds().size(), 2u);
    Emitter* dust = nullptr;
    for (int i = 0; i < 4 && dust == nullptr; ++i) {
        Emitter* e = world->GetParticles()->GetEmitter(i);
        dust = e != nullptr && i != world->GetCollisionEmitter() ? e : nullptr;
    }
    ASSERT_NE(dust, nullptr);
    for (int i = 0; i < 200; ++i) {
        world->EmitParticle(world->GetCollisionEmitter() + 1, Point(50.0, 60.0), 90.0);
        world->EmitParticle(-1, Point(50.0, 60.0), 90.0);
    }
    EXPECT_GT(dust->liveParticles.size(), 5u);
    EXPECT_LT(dust->liveParticles.size(), 50u);
    EXPECT_DOUBLE_EQ(dust->settings->angleMax, 360.0);
}

TEST(WorldZoom, ZoomsOutFrom100To800PixelsPerSecond) {
    for (const auto& [speed, zoom] :
         {std::pair{0.0, 0.6}, {100.0, 0.6}, {450.0, 0.5}, {800.0, 0.4}, {5000.0, 0.4}, {NAN, 0.6}}) {
        EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(speed), zoom) << speed;
    }
}

TEST_F(WorldTest, ViewsSplitTheWindowByTheNumberOfCarsIntoFourAtMost) {
    const int w = kWidth / 2, h = kHeight / 2;
    const std::vector<std::vector<Viewport>> expected = {
        {{0, 0, 2 * w, 2 * h}},
        {{0, 0, w, 2 * h}, {w, 0, w, 2 * h}},
        {{w / 2, h, w, h}, {0, 0, w, h}, {w, 0, w, h}},
        {{0, h, w, h}, {w, h, w, h}, {0, 0, w, h}, {w, 0, w, h}}};
    // Beyond four cars the first four get the quarters.
    for (int n = 1; n <= ASP_Race::kMaxCars; ++n) {
        NewRace();
        LoadWorld("players=8\n");
        AddCars(n);
        std::vector<Viewport> seen;
        world->AddSprite(new ViewportProbe(&seen));
        world->Draw(nullptr);
        EXPECT_EQ(seen, expected[static_cast<size_t>(std::min(n, 4) - 1)]) << n << " cars";
        Viewport after{};
        glGetIntegerv(GL_VIEWPORT, after.data());
        EXPECT_EQ(after, (Viewport{0, 0, 2 * w, 2 * h})) << n << " cars";
    }
}

// Counts its renders, so that a test sees which objects a view left out.
struct RenderCounter : CImageSpriteEx {
    using CImageSpriteEx::CImageSpriteEx;
    void Render(void* target) override {
        ++renders;
        CImageSpriteEx::Render(target);
    }
    int renders = 0;
};

TEST_F(WorldTest, ViewsLeaveOutWhatTheyCannotShowAndDrawTheSameImage) {
    LoadWorld("players=1\n");
    ASSERT_EQ(AddCars(1), 1);
    CTexture* texture = world->textureManager->GetTexture(
        WriteBmp(folder.File("o.bmp"), 16, 16, [](int x, int y) { return x * 0x0F0000 + y * 0x0F; }));
    // Around the car's view of about 213 x 213 world pixels: across its edges, turned, and far out.
    RenderCounter* far = nullptr;
    const double objects[][3] = {{-125, 0, 0},     {70, -125, 30}, {110, 90, 45},
                                 {-150, -150, 10}, {-40, 150, 80}, {3000, 3000, 0}};
    for (const auto& [x, y, angle] : objects) {
        far = new RenderCounter(world);
        far->SetTexture(texture);
        far->SetSize(40, 40);
        far->SetPosition(x, y);
        far->SetRotation(angle);
        world->AddSprite(far);
    }
    world->GetRace().GetCar(0).body.SetRotation(37);
    world->Follow();
    for (bool turning : {false, true}) {
        world->GetPlayers()[0]->fixedCamera = turning;
        std::vector<uint8_t> image[2] = {std::vector<uint8_t>(kWidth * kHeight * 4), image[0]};
        for (bool cull : {false, true}) {
            world->cullViews = cull;
            far->renders = 0;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            world->Draw(nullptr);
            EXPECT_EQ(far->renders, cull ? 0 : 1);
            glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, image[cull].data());
        }
        EXPECT_GT(CountLitPixels(0, 0, kWidth, kHeight), kWidth * kHeight / 20) << turning;
        EXPECT_TRUE(image[0] == image[1]) << turning;
    }
}

// The compass test shows the signs and sizes; parallel vectors (a cosine a rounding above 1) and zero
// vectors give 0, never NaN.
TEST(AngleBetween, ZeroWithoutADirection) {
    const std::tuple<bool, Point, Point> cases[] = {
        {true, {0.1, 0.3}, {0.2, 0.6}}, {false, {0, 0}, {1, 0}}, {true, {0, -1}, {0, 0}}};
    for (const auto& [isSigned, a, b] : cases) {
        EXPECT_EQ(AngleBetween(isSigned, a, b), 0.0) << a.x << "," << a.y << " " << b.x << "," << b.y;
    }
}

TEST(StaticSprite, DepthOutsideMinusOneToOneIsIgnored) {
    TempFolder folder;
    const std::string file = folder.Write("s.dat", "[s0]\nz=1.5\n[s1]\nz=-1\n[s2]\nz=0.25\n[s3]\nz=-1.01\n");
    for (const auto& [section, z] : {std::pair{"s0", 0.0}, {"s1", -1.0}, {"s2", 0.25}, {"s3", 0.0}}) {
        ASP_StaticSprite object(nullptr);
        object.Load(section, file);
        EXPECT_DOUBLE_EQ(object.GetZ(), z) << section;
    }
}

namespace {

// A car of the race and the sprite that shows it, from a car file of text.
struct ShownCar {
    explicit ShownCar(const std::string& text) : race(Model(text)), shown(nullptr, race, false) {
        shown.LoadCar(folder.Write("cars.dat", text), "test");
    }
    static ASP_CarModel Model(const std::string& text) {
        TempFolder dir;
        return ASP_CarModel::Load(dir.Write("cars.dat", text), "test");
    }
    CImageSpriteEx* TailAt(Point v) {
        race.body.motion.SetVelocity(v);
        shown.UpdateTail();
        return shown.GetTail();
    }
    TempFolder folder;
    ASP_Car race;
    ASP_Player shown;
};

// Car 20 x 40; the tail hangs at the middle of the rear edge, (10, 40). Tail 10 x 20 at full speed,
// 5 x 5 at or below minSpeed 50, full from 150, 8 frames per second at full speed; it turns at
// most 30 degrees either way.
TEST(PlayerTest, TailFollowsTheSpeedAndDirectionOfItsAnchor) {
    auto car = std::make_unique<ShownCar>(
        "[test]\nwidth=20\nheight=40\n"
        "[test-tail]\nx=0.5\ny=1\nwidth=10\nheight=20\nwidthScale=0.5\nheightScale=0.25\n"
        "minSpeed=50\nmaxSpeed=150\nanimSpeed=8\nangleDeltaCW=30\nangleDeltaCCW=30\n");
    // Speed, then the tail's width, height and frames per second; its pivot sits on the anchor.
    const double sizes[][4] = {{50.0, 5.0, 5.0, 0.0}, {100.0, 7.5, 12.5, 4.0}, {400.0, 10.0, 20.0, 8.0}};
    for (const auto& [speed, width, height, animSpeed] : sizes) {
        SCOPED_TRACE(speed);
        const CImageSpriteEx* tail = car->TailAt(Point(0.0, -speed));
        EXPECT_EQ(Point(tail->GetWidth(), tail->GetHeight()), Point(width, height));
        EXPECT_DOUBLE_EQ(tail->GetAnimSpeed(), animSpeed);
        EXPECT_EQ(Point(tail->GetX() + 0.5 * width, tail->GetY() + 0.5 * height), Point(10.0, 40.0));
    }
    // Sliding towards -x is 90 degrees counter-clockwise, beyond the limit.
    EXPECT_NEAR(car->TailAt(Point(-200.0, -1.0))->GetRotation(), 30.0, 1e-9);
    EXPECT_NEAR(car->TailAt(Point(200.0, -1.0))->GetRotation(), 330.0, 1e-9);
    EXPECT_NEAR(car->TailAt(Point())->GetRotation(), 330.0, 1e-9) << "kept at rest";
    // Equal minSpeed and maxSpeed: full size as soon as the forward part reaches minSpeed.
    car = std::make_unique<ShownCar>(
        "[test]\n[test-tail]\nwidth=10\nheight=20\nwidthScale=0.5\nminSpeed=50\nmaxSpeed=50\nanimSpeed=8\n");
    EXPECT_EQ(car->TailAt(Point(0.0, -50.0))->GetWidth(), 5.0);
    const CImageSpriteEx* tail = car->TailAt(Point(30.0, -50.0));
    EXPECT_EQ(Point(tail->GetWidth(), tail->GetHeight()), Point(10.0, 20.0));
}

}  // namespace

// A car of 16 x 16 pixels whose tile sheet has 8 frames: the turn-in frames 2 to 4, the turn-out
// 5 to 7, played as the race's car steers.
TEST_F(WorldTest, TurnAnimationsPlayOnceAndHoldTheirLastFrame) {
    LoadWorld("players=1\n");
    const std::string cars = folder.Write(
        "cars.dat",
        "[test]\nwidth=16\nheight=16\ntexture=" + WriteSolidBmp(folder.File("car.bmp"), 128, 16, 0x808080) +
            "\ntileWidth=16\ntileHeight=16\nanimSpeed=10\nanimLeftStart=2\nanimLeftEnd=4\n"
            "animLeftBackStart=5\nanimLeftBackEnd=7\n");
    ASSERT_TRUE(world->AddPlayer(cars, "test", folder.File("config.ini"), "controls0"));
    ASP_Player& car = *world->GetPlayers()[0];
    ASP_Car& raced = world->GetRace().GetCar(0);
    const auto steer = [&](bool left) {
        ASP_Command c;
        c.left = left ? 255 : 0;
        raced.Control(c);
        car.Follow();
    };
    steer(true);
    EXPECT_EQ(car.GetAnimPos(), 2.0);
    car.Update(1.35);
    EXPECT_EQ(car.GetAnimPos(), 4.0) << "held on the last frame";
    EXPECT_FALSE(car.IsAnimated());
    steer(false);
    EXPECT_EQ(car.GetAnimPos(), 5.0);
    car.Update(0.35);
    EXPECT_EQ(car.GetAnimPos(), 7.0);

    // Released one frame short of the full turn: the turn-back starts one frame in, its range intact.
    steer(true);
    car.Update(0.1);
    EXPECT_EQ(car.GetAnimPos(), 3.0);
    steer(false);
    EXPECT_EQ(car.GetAnimPos(), 6.0);
    EXPECT_EQ(car.GetAnimStart(), 5);
}
