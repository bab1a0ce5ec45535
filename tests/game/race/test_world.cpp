#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

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

using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Uint32 Rgb(SurfaceColor c) {
    return static_cast<Uint32>(c.r) << 16 | static_cast<Uint32>(c.g) << 8 | c.b;
}

// A 4 x 3 map as 0xRRGGBB: column 0 red but blue at the bottom, column 3 green, the rest white
// (colours every pixel size keeps exactly).
Uint32 MapColour(int x, int y) {
    return x == 0 ? (y == 2 ? 0x0000FF : 0xFF0000) : (x == 3 ? 0x00FF00 : 0xFFFFFF);
}

// The map in SDL's layout for this many bits per pixel.
Surface MapSurface(int bits) {
    Surface s(SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 3, bits, 0, 0, 0, 0));
    // Only a paletted surface takes the colours.
    SDL_Color palette[] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {255, 255, 255, 0}};
    SDL_SetColors(s.get(), palette, 0, 4);
    for (int i = 0; i < 12; ++i) {
        const Uint32 c = MapColour(i % 4, i / 4);
        SDL_Rect pixel{static_cast<Sint16>(i % 4), static_cast<Sint16>(i / 4), 1, 1};
        SDL_FillRect(s.get(), &pixel, SDL_MapRGB(s->format, c >> 16, (c >> 8) & 0xFF, c & 0xFF));
    }
    return s;
}

// A ground tile at (10, 20) whose surface map is the file map.
std::unique_ptr<ASP_GroundSprite> TileWithMap(const TempFolder& folder, const std::string& map) {
    const std::string world = folder.Write("world.dat", "[map0]\nx=10\ny=20\nsurface=" + map + "\n");
    auto tile = std::make_unique<ASP_GroundSprite>(nullptr);
    tile->Load("map0", world);
    return tile;
}

}  // namespace

TEST_F(WorldTest, CountedSectionsLoadModifiersWithEmittersAndHugeCountsAreRefusedWithAnError) {
    const std::string log = Logged([&] {
        LoadWorld(
            "modifiers=2\nstatics=10001\nphysObjects=2000000000\ncheckpoints=1\n"
            "[static0]\nx=1\n[checkpoint0]\nindex=0\n[mod0]\nr=300\ng=2\nb=3\n"
            "[mod0part]\nprototypes=1\nlife=2\n[mod0prot0]\nwidth=4\nheight=4\n[mod1]\nr=1\n");
    });
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "ERROR in class ASP_World: Refused \"statics\" = 10001 in section main of " +
                            folder.File("world.dat") + ": more than 10000, none loaded.\n",
                        log);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Refused \"physObjects\" = 2000000000 in section main", log);
    // Nothing of a refused kind: the particle engine and the one checkpoint.
    EXPECT_EQ(world->GetSpriteCount(), 2);

    const SurfaceModifier& grass = world->GetModifiers().at(0);
    EXPECT_EQ(grass.r, 300 & 0xFF);
    ASSERT_GE(grass.particle, 0);
    // Without prototypes there is nothing to emit.
    EXPECT_EQ(world->GetModifiers().at(1).particle, -1);
    // One emission in ten, on average; the angle range is turned for the emission only.
    std::srand(7);
    for (int i = 0; i < 200; ++i) {
        world->EmitParticle(grass.particle, Point(50.0, 60.0), 90.0);
        world->EmitParticle(-1, Point(50.0, 60.0), 90.0);
    }
    const Emitter* emitter = world->GetParticles()->GetEmitter(grass.particle);
    EXPECT_GT(emitter->liveParticles.size(), 5u);
    EXPECT_LT(emitter->liveParticles.size(), 50u);
    EXPECT_DOUBLE_EQ(emitter->settings->angleMax, 360.0);
}

TEST_F(WorldTest, FirstTileUnderThePointGivesTheColourOffTheMapIsBlackAndObjectsSlowDown) {
    // Green on the left quarter of map0, which no modifier describes.
    const std::string red =
        WriteBmp(folder.File("red.bmp"), 64, 64, [](int x, int) { return x < 16 ? 0x00FF00 : 0xFF0000; });
    const std::string blue = WriteSolidBmp(folder.File("blue.bmp"), 64, 64, 0x0000FF);
    const std::string tile = WriteSolidBmp(folder.File("tile.bmp"), 64, 64, 0x5A5A5A);
    LoadWorld("mapTiles=2\nmodifiers=3\nphysObjects=1\n[map0]\ntexture=" + tile +
              "\nx=0\ny=0\nsurface=" + red + "\n[map1]\ntexture=" + tile + "\nx=32\ny=0\nsurface=" + blue +
              "\n[mod0]\nr=255\naccel=0.25\n[mod1]\nb=255\naccel=0.75\n"
              "[mod2]\nactiveAccel=300\n[phys0]\nx=500\ny=500\nmass=1000\n");
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(20, 10)).accel, 0.25);
    // Where both tiles lie, the earlier one wins even though the later one is drawn over it.
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(40, 10)).accel, 0.25);
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(80, 10)).accel, 0.75);
    // A colour without a modifier is the neutral ground; off the map is black.
    EXPECT_EQ(world->GetModifierAt(Point(5, 10)).particle, -1);
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(5, 10)).activeAccel, 0.0);
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(-1000, 7)).activeAccel, 300.0);

    // The black ground under the object pushes it along its motion, and only while it moves.
    auto* crate = dynamic_cast<ASP_PhysicsSprite*>(world->GetSprite(world->GetSpriteCount() - 1));
    ASSERT_NE(crate, nullptr);
    const double dt = 1.0 / 60.0;
    crate->SetVelocity(Point(100.0, 0.0));
    crate->Update(dt);
    // The drag of 200000 and the push of 300, both over the mass.
    EXPECT_NEAR(crate->GetVelocity().x, 100.0 - 200.0 * dt + 0.3 * dt, 1e-9);
    crate->SetVelocity(Point(0.0, 0.0));
    crate->Update(dt);
    EXPECT_EQ(crate->GetVelocity(), Point(0.0, 0.0));
    // 95 % of its spin is lost per second; below 5 degrees per second it stops.
    for (const auto& [before, after] : {std::pair{100.0, 100.0 * (1.0 - dt * 0.95)}, {-5.05, 0.0}}) {
        crate->SetAngularVelocity(before);
        crate->Update(dt);
        EXPECT_NEAR(crate->GetAngularVelocity(), after, 1e-9) << before;
    }
}

TEST_F(WorldTest, CarsTakeTheStartPositionsInOrderAndNeverMoreThanFour) {
    LoadWorld("players=2\n[start1]\nx=100\ny=50\nrot=90\n");
    EXPECT_EQ(AddCars(3), 2);
    const ASP_Player* second = world->GetPlayers()[1];
    EXPECT_EQ(Point(second->GetX(), second->GetY()), Point(100.0, 50.0));
    EXPECT_DOUBLE_EQ(second->GetRotation(), 90.0);

    NewRace();
    LoadWorld("players=6\n");
    EXPECT_EQ(AddCars(6), 4);
}

TEST(WorldZoom, ZoomsOutFrom100To800PixelsPerSecond) {
    for (const auto& [speed, zoom] :
         {std::pair{0.0, 0.6}, {100.0, 0.6}, {450.0, 0.5}, {800.0, 0.4}, {5000.0, 0.4}, {NAN, 0.6}}) {
        EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(speed), zoom) << speed;
    }
}

TEST_F(WorldTest, ViewsSplitTheWindowByTheNumberOfCars) {
    const int w = kWidth / 2, h = kHeight / 2;
    const std::vector<std::vector<Viewport>> expected = {
        {{0, 0, 2 * w, 2 * h}},
        {{0, 0, w, 2 * h}, {w, 0, w, 2 * h}},
        {{w / 2, h, w, h}, {0, 0, w, h}, {w, 0, w, h}},
        {{0, h, w, h}, {w, h, w, h}, {0, 0, w, h}, {w, 0, w, h}}};
    for (int n = 1; n <= 4; ++n) {
        NewRace();
        LoadWorld("players=4\n");
        AddCars(n);
        std::vector<Viewport> seen;
        world->AddSprite(new ViewportProbe(&seen));
        world->Draw(nullptr);
        EXPECT_EQ(seen, expected[static_cast<size_t>(n - 1)]) << n << " cars";
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
    world->GetPlayers()[0]->SetRotation(37);
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

// Read directly and, saved (a palette picture stays one; 16 bits lose colour as a file), as a tile's map.
TEST(SurfaceMap, ReadsOneToFourBytesPerPixel) {
    TempFolder folder;
    for (int bits : {8, 16, 24, 32}) {
        Surface map = MapSurface(bits);
        ASSERT_EQ(map->format->BytesPerPixel, bits / 8);
        const std::string file = folder.File(std::to_string(bits) + ".bmp");
        ASSERT_EQ(SDL_SaveBMP(map.get(), file.c_str()), 0);
        auto tile = TileWithMap(folder, file);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(Rgb(ReadSurfacePixel(map.get(), i % 4, i / 4)), MapColour(i % 4, i / 4))
                << bits << " " << i;
            EXPECT_TRUE(bits == 16 || Rgb(tile->GetSurfaceColor(Point(10.5 + i % 4, 20.5 + i / 4))) ==
                                          MapColour(i % 4, i / 4))
                << bits << " " << i;
        }
    }
}

// Maps of 2, 12 and 200 colours are kept as 1, 4 and 8 bits a pixel, one of more colours than one
// byte can tell apart whole; every pixel reads the same.
TEST(SurfaceMap, NameIsResolvedLikeEveryDataFileEdgesTruncateTowardZeroAndABrokenMapIsBlack) {
    TempFolder folder;
    std::filesystem::create_directory(folder.File("maps"));
    WriteBmp(folder.File("maps/surface.bmp"), 4, 3, MapColour);
    // A Windows name in another letter case, as world files written by the editor have it.
    auto tile = TileWithMap(folder, folder.path + "\\MAPS\\Surface.BMP");
    EXPECT_EQ(Rgb(tile->GetSurfaceColor(Point(13.9, 20.0))), 0x00FF00u);
    EXPECT_EQ(Rgb(tile->GetSurfaceColor(Point(10.0, 22.99))), 0x0000FFu);
    // On the left and top edges, and less than a pixel outside them: column or row 0.
    for (Point p : {Point(10.0, 20.0), Point(9.5, 20.0), Point(10.0, 19.2)}) {
        EXPECT_EQ(Rgb(tile->GetSurfaceColor(p)), 0xFF0000u) << p.x << " " << p.y;
    }
    // A pixel outside, on the right and bottom edges, far away, NaN: black, no information.
    for (Point p :
         {Point(9.0, 20.0), Point(14.0, 20.0), Point(10.0, 23.0), Point(1e300, -1e300), Point(NAN, 20.0)}) {
        EXPECT_EQ(Rgb(tile->GetSurfaceColor(p)), 0u) << p.x << " " << p.y;
    }
    for (Uint32 n : {2u, 12u, 200u, 400u}) {
        auto rich = TileWithMap(folder, WriteBmp(folder.File(std::to_string(n) + ".bmp"), 20, 20,
                                                 [n](int x, int y) { return (x * 20u + y) % n; }));
        for (int i = 0; i < 400; ++i) {
            EXPECT_EQ(Rgb(rich->GetSurfaceColor(Point(10.5 + i / 20, 20.5 + i % 20))), i % n)
                << n << " " << i;
        }
    }
    auto broken = TileWithMap(folder, folder.Write("broken.bmp", "not an image"));
    EXPECT_FALSE(broken->HasSurfaceMap());
    EXPECT_EQ(Rgb(broken->GetSurfaceColor(Point(10.0, 20.0))), 0u);
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

// The cars.

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
        std::tie(car->lap, car->lapTime) = std::pair(lap, 0.0);
        car->OnUpdate(0.25 * (lap + 1));
    }
    EXPECT_DOUBLE_EQ(car->bestLapTime, 0.5) << "the time of lap 1";
    EXPECT_DOUBLE_EQ(car->raceTime, 1.5);
    car->finished = true;
    const Point dv = Step(*car, Point(0.0, -100.0), {SDLK_UP, SDLK_LEFT});
    EXPECT_NEAR(Length(dv - Point(0.0, 1.0)), 0.0, 1e-9) << "only rolling resistance, no drive or steering";
    EXPECT_DOUBLE_EQ(car->raceTime, 1.5);
}

// Absent drive and steer flags are true. (More than 64 wheels are cut: see the catalogue.)
TEST(PlayerTest, WheelsFromTheCarFileWithinTheirLimits) {
    auto car = Car("[test]\nwheels=2\nwheel1drive=0\nwheel1steer=0\n");
    const auto& wheels = car->GetWheels();
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_TRUE(wheels[0].drive && wheels[0].steer && !wheels[1].drive && !wheels[1].steer);
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
class PlayerInWorldTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        LoadWorld(
            "players=3\nmapTiles=1\nmodifiers=2\n"
            "[start0]\nx=40\ny=30\n[start1]\nx=140\ny=30\n[start2]\nx=240\ny=30\n[map0]\ntexture=" +
            WriteSolidBmp(folder.File("ground.bmp"), 300, 100, 0x808080) + "\nsurface=" +
            WriteBmp(folder.File("surface.bmp"), 300, 100,
                     [](int x, int) { return 0xFF0000u >> (x / 100 * 8); }) +
            "\n[mod0]\nr=255\naccel=0.5\nfrict=2\ntopSpeed=0.5\n[mod1]\nb=255\nactiveAccel=300\n");
        const std::string cars = folder.Write(
            "cars.dat", OneWheelCar("100", "100") +
                            "texture=" + WriteSolidBmp(folder.File("car.bmp"), 128, 16, 0x808080) +
                            "\ntileWidth=16\ntileHeight=16\nanimSpeed=10\nanimLeftStart=2\n"
                            "animLeftEnd=4\nanimLeftBackStart=5\nanimLeftBackEnd=7\n");
        const std::string config = folder.Write("config.ini", "[controls0]\nforward=119\nright=119\n");
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(world->AddPlayer(cars, "test", config, "controls0"));
        }
    }
    ASP_Player& Car(int i) { return *world->GetPlayers()[static_cast<size_t>(i)]; }
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
    Emitter* emitter = world->GetParticles()->GetEmitter(world->GetCollisionEmitter());
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
