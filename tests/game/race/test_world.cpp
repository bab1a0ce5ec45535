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

// Records the viewport of every view it is drawn in.
class ViewportProbe : public CSprite {
public:
    explicit ViewportProbe(std::vector<Viewport>* seen) : CSprite(nullptr), seen(seen) {}
    void Draw(void*) override {
        seen->emplace_back();
        glGetIntegerv(GL_VIEWPORT, seen->back().data());
    }
    void Update(double) override {}

private:
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
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const Uint32 c = MapColour(x, y);
            SDL_Rect pixel{static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
            SDL_FillRect(s.get(), &pixel, SDL_MapRGB(s->format, c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        }
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
    const std::vector<std::pair<double, double>> zoomAt = {{0.0, 0.6},   {100.0, 0.6},  {450.0, 0.5},
                                                           {800.0, 0.4}, {5000.0, 0.4}, {NAN, 0.6}};
    for (const auto& [speed, zoom] : zoomAt) {
        EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(speed), zoom) << speed;
    }
}

TEST_F(WorldTest, ViewsSplitTheWindowByTheNumberOfCars) {
    const int w = kWidth / 2;
    const int h = kHeight / 2;
    const std::vector<std::vector<Viewport>> expected = {
        {{0, 0, 2 * w, 2 * h}},
        {{0, 0, w, 2 * h}, {w, 0, w, 2 * h}},
        {{w / 2, h, w, h}, {0, 0, w, h}, {w, 0, w, h}},
        {{0, h, w, h}, {w, h, w, h}, {0, 0, w, h}, {w, 0, w, h}},
    };
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
class RenderCounter : public CImageSpriteEx {
public:
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

// Signed, it is the angle by which RotatePoint turns (0, -1) onto the vector. Parallel vectors (a
// cosine a rounding above 1) and zero vectors give 0, never NaN.
TEST(AngleBetween, DegreesSignedByTheCrossValueAndZeroWithoutADirection) {
    const std::tuple<bool, Point, Point, double> cases[] = {
        {false, {1, 1}, {1, 0}, 45.0},  {false, {0, -1}, {0, 5}, 180.0},     {true, {0, -1}, {1, 0}, -90.0},
        {true, {0, -1}, {-1, 0}, 90.0}, {true, {0.1, 0.3}, {0.2, 0.6}, 0.0}, {false, {0, 0}, {1, 0}, 0.0},
        {true, {0, -1}, {0, 0}, 0.0}};
    for (const auto& [isSigned, a, b, angle] : cases) {
        EXPECT_NEAR(AngleBetween(isSigned, a, b), angle, 1e-9)
            << a.x << "," << a.y << " " << b.x << "," << b.y;
    }
}

TEST(SurfaceMap, ReadsOneToFourBytesPerPixel) {
    for (int bits : {8, 16, 24, 32}) {
        Surface map = MapSurface(bits);
        ASSERT_EQ(map->format->BytesPerPixel, bits / 8);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(Rgb(ReadSurfacePixel(map.get(), i % 4, i / 4)), MapColour(i % 4, i / 4))
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
    const std::string file =
        folder.Write("world.dat", "[s0]\nz=1.5\n[s1]\nz=-1\n[s2]\nz=0.25\n[s3]\nz=-1.01\n");
    for (const auto& [section, z] : {std::pair{"s0", 0.0}, {"s1", -1.0}, {"s2", 0.25}, {"s3", 0.0}}) {
        ASP_StaticSprite object(nullptr);
        object.Load(section, file);
        EXPECT_DOUBLE_EQ(object.GetZ(), z) << section;
    }
}
