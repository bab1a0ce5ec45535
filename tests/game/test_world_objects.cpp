#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "engine/angle.h"
#include "engine/sprite_manager.h"
#include "game/checkpoint_sprite.h"
#include "game/ground_sprite.h"
#include "game/physics_sprite.h"
#include "game/static_sprite.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

void ExpectColor(SurfaceColor c, int r, int g, int b) {
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

// A ground tile at (10, 20) whose surface map is the file map.
std::unique_ptr<ASP_GroundSprite> TileWithMap(const TempFolder& folder, const std::string& map) {
    const std::string world = folder.Write("world.dat", "[map0]\nx=10\ny=20\nsurface=" + map + "\n");
    auto tile = std::make_unique<ASP_GroundSprite>(nullptr);
    tile->Load("map0", world);
    return tile;
}

void SetPixel(SDL_Surface* s, int ix, int iy, Uint32 value) {
    Uint8* p = static_cast<Uint8*>(s->pixels) + iy * s->pitch + ix * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
        case 1:
            *p = static_cast<Uint8>(value);
            break;
        case 2:
            *reinterpret_cast<Uint16*>(p) = static_cast<Uint16>(value);
            break;
        case 3:
            p[0] = static_cast<Uint8>(value);
            p[1] = static_cast<Uint8>(value >> 8);
            p[2] = static_cast<Uint8>(value >> 16);
            break;
        default:
            *reinterpret_cast<Uint32*>(p) = value;
            break;
    }
}

// A 4 x 3 map: red at the top-left, green at the top-right, blue at the bottom-left, the rest grey.
Surface MapSurface(int bitsPerPixel, Uint32 rMask, Uint32 gMask, Uint32 bMask) {
    Surface s(SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 3, bitsPerPixel, rMask, gMask, bMask, 0));
    if (bitsPerPixel == 8) {
        SDL_Color palette[4] = {{128, 128, 128, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
        SDL_SetColors(s.get(), palette, 0, 4);
    }
    for (int iy = 0; iy < 3; ++iy) {
        for (int ix = 0; ix < 4; ++ix) {
            SetPixel(s.get(), ix, iy, SDL_MapRGB(s->format, 128, 128, 128));
        }
    }
    SetPixel(s.get(), 0, 0, SDL_MapRGB(s->format, 255, 0, 0));
    SetPixel(s.get(), 3, 0, SDL_MapRGB(s->format, 0, 255, 0));
    SetPixel(s.get(), 0, 2, SDL_MapRGB(s->format, 0, 0, 255));
    return s;
}

}  // namespace

TEST(AngleBetween, MeasuresDegreesAndSignsByTheCrossValue) {
    EXPECT_DOUBLE_EQ(AngleBetween(false, Point(0, -1), Point(1, 0)), 90.0);
    EXPECT_NEAR(AngleBetween(false, Point(1, 1), Point(1, 0)), 45.0, 1e-9);
    EXPECT_DOUBLE_EQ(AngleBetween(false, Point(0, -1), Point(0, 5)), 180.0);
    // Positive or zero cross values are negated: (0, -1) turned by -90 degrees is (1, 0).
    EXPECT_DOUBLE_EQ(AngleBetween(true, Point(0, -1), Point(1, 0)), -90.0);
    EXPECT_DOUBLE_EQ(AngleBetween(true, Point(0, -1), Point(-1, 0)), 90.0);
    Point up(0, -1);
    RotatePoint(up, Point(0, 0), AngleBetween(true, Point(0, -1), Point(3, 3)));
    EXPECT_NEAR(up.x, std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(up.y, std::sqrt(0.5), 1e-9);
}

TEST(AngleBetween, ParallelVectorsGiveZeroAndAZeroVectorGivesNoNaN) {
    EXPECT_DOUBLE_EQ(AngleBetween(true, Point(0.1, 0.3), Point(0.2, 0.6)), -0.0);
    EXPECT_DOUBLE_EQ(AngleBetween(false, Point(0, 0), Point(1, 0)), 0.0);
    EXPECT_DOUBLE_EQ(AngleBetween(true, Point(0, -1), Point(0, 0)), 0.0);
}

TEST(SurfaceMap, ReadsPalettedAndTrueColourMapsFromFiles) {
    TempFolder folder;
    for (int bits : {8, 24}) {
        SCOPED_TRACE(bits);
        Surface map = bits == 8 ? MapSurface(8, 0, 0, 0) : MapSurface(24, 0xFF0000, 0x00FF00, 0x0000FF);
        const std::string file = folder.File("map" + std::to_string(bits) + ".bmp");
        ASSERT_EQ(SDL_SaveBMP(map.get(), file.c_str()), 0);
        auto tile = TileWithMap(folder, file);
        ASSERT_TRUE(tile->HasSurfaceMap());
        ExpectColor(tile->GetSurfaceColor(Point(10.5, 20.5)), 255, 0, 0);
        ExpectColor(tile->GetSurfaceColor(Point(13.9, 20.0)), 0, 255, 0);
        ExpectColor(tile->GetSurfaceColor(Point(10.0, 22.99)), 0, 0, 255);
        ExpectColor(tile->GetSurfaceColor(Point(12.0, 21.0)), 128, 128, 128);
    }
}

TEST(SurfaceMap, EdgesTruncateTowardZeroAndTheFarEdgesAreOff) {
    TempFolder folder;
    Surface map = MapSurface(24, 0xFF0000, 0x00FF00, 0x0000FF);
    const std::string file = folder.File("map.bmp");
    ASSERT_EQ(SDL_SaveBMP(map.get(), file.c_str()), 0);
    auto tile = TileWithMap(folder, file);
    // On the left and top edges, and less than a pixel outside them: column / row 0.
    ExpectColor(tile->GetSurfaceColor(Point(10.0, 20.0)), 255, 0, 0);
    ExpectColor(tile->GetSurfaceColor(Point(9.5, 20.0)), 255, 0, 0);
    ExpectColor(tile->GetSurfaceColor(Point(10.0, 19.2)), 255, 0, 0);
    ExpectColor(tile->GetSurfaceColor(Point(9.0, 20.0)), 0, 0, 0);
    // The right and bottom edges lie outside the map.
    ExpectColor(tile->GetSurfaceColor(Point(14.0, 20.0)), 0, 0, 0);
    ExpectColor(tile->GetSurfaceColor(Point(10.0, 23.0)), 0, 0, 0);
    ExpectColor(tile->GetSurfaceColor(Point(1e300, -1e300)), 0, 0, 0);
    ExpectColor(tile->GetSurfaceColor(Point(NAN, 20.0)), 0, 0, 0);
}

TEST(SurfaceMap, ReadsTwoAndFourBytePixels) {
    Surface map16 = MapSurface(16, 0xF800, 0x07E0, 0x001F);
    ASSERT_EQ(map16->format->BytesPerPixel, 2);
    ExpectColor(ReadSurfacePixel(map16.get(), 0, 0), 255, 0, 0);
    ExpectColor(ReadSurfacePixel(map16.get(), 3, 0), 0, 255, 0);
    ExpectColor(ReadSurfacePixel(map16.get(), 0, 2), 0, 0, 255);
    Surface map32 = MapSurface(32, 0x000000FF, 0x0000FF00, 0x00FF0000);
    ASSERT_EQ(map32->format->BytesPerPixel, 4);
    ExpectColor(ReadSurfacePixel(map32.get(), 0, 0), 255, 0, 0);
    ExpectColor(ReadSurfacePixel(map32.get(), 3, 0), 0, 255, 0);
    ExpectColor(ReadSurfacePixel(map32.get(), 2, 1), 128, 128, 128);
}

TEST(SurfaceMap, NameIsResolvedLikeEveryOtherDataFile) {
    TempFolder folder;
    std::filesystem::create_directory(folder.File("maps"));
    Surface map = MapSurface(24, 0xFF0000, 0x00FF00, 0x0000FF);
    ASSERT_EQ(SDL_SaveBMP(map.get(), folder.File("maps/surface.bmp").c_str()), 0);
    // A Windows name with another letter case, as world files written by the editor have it.
    auto tile = TileWithMap(folder, folder.path + "\\MAPS\\Surface.BMP");
    ASSERT_TRUE(tile->HasSurfaceMap());
    ExpectColor(tile->GetSurfaceColor(Point(10.0, 20.0)), 255, 0, 0);
}

TEST(SurfaceMap, MissingOrBrokenMapAnswersBlackEverywhere) {
    TempFolder folder;
    const std::string world = folder.Write("world.dat", "[map0]\nx=0\ny=0\n");
    ASP_GroundSprite noKey(nullptr);
    noKey.Load("map0", world);
    EXPECT_FALSE(noKey.HasSurfaceMap());
    ExpectColor(noKey.GetSurfaceColor(Point(0.0, 0.0)), 0, 0, 0);
    EXPECT_DOUBLE_EQ(noKey.GetZ(), -1.0);

    auto missing = TileWithMap(folder, folder.File("nothing.bmp"));
    EXPECT_FALSE(missing->HasSurfaceMap());
    auto broken = TileWithMap(folder, folder.Write("broken.bmp", "not an image"));
    EXPECT_FALSE(broken->HasSurfaceMap());
    ExpectColor(broken->GetSurfaceColor(Point(10.0, 20.0)), 0, 0, 0);
}

TEST(StaticSprite, DepthOutsideTheRangeIsIgnored) {
    TempFolder folder;
    const std::string file = folder.Write("world.dat",
                                          "[static0]\nx=5\ny=6\nz=1.5\nwidth=30\nheight=40\nangle=90\n"
                                          "[static1]\nz=-1\n[static2]\nz=0.25\n");
    ASP_StaticSprite tooFar(nullptr);
    tooFar.Load("static0", file);
    EXPECT_DOUBLE_EQ(tooFar.GetZ(), 0.0);
    EXPECT_DOUBLE_EQ(tooFar.GetX(), 5.0);
    EXPECT_DOUBLE_EQ(tooFar.GetY(), 6.0);
    EXPECT_DOUBLE_EQ(tooFar.GetWidth(), 30.0);
    EXPECT_DOUBLE_EQ(tooFar.GetRotation(), 90.0);
    ASP_StaticSprite ground(nullptr);
    ground.Load("static1", file);
    EXPECT_DOUBLE_EQ(ground.GetZ(), -1.0);
    ASP_StaticSprite between(nullptr);
    between.Load("static2", file);
    EXPECT_DOUBLE_EQ(between.GetZ(), 0.25);
}

TEST(StaticSprite, NeverHandlesACollision) {
    ASP_StaticSprite tree(nullptr);
    ASP_StaticSprite other(nullptr);
    EXPECT_TRUE(tree.OnCollision(&other, Point(0, 0)));
}

class AnimatedObjects : public GLTest {};

TEST_F(AnimatedObjects, AnimateExactlyWhenTheirRangeHasMoreThanOneFrame) {
    TempFolder folder;
    // A sheet of four 16 x 16 frames.
    Surface sheet(SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 16, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0));
    SDL_FillRect(sheet.get(), nullptr, SDL_MapRGB(sheet->format, 200, 50, 50));
    const std::string image = folder.File("sheet.bmp");
    ASSERT_EQ(SDL_SaveBMP(sheet.get(), image.c_str()), 0);
    const std::string file =
        folder.Write("world.dat", "[static0]\ntexture=" + image +
                                      "\ntileWidth=16\ntileHeight=16\n"
                                      "[static1]\ntexture=" +
                                      image +
                                      "\ntileWidth=16\ntileHeight=16\nanimStart=0\nanimEnd=3\nanimSpeed=10\n"
                                      "[checkpoint0]\ntexture=" +
                                      image + "\nisFinish=1\nindex=2\n");
    CSpriteManager world(nullptr);
    auto* still = new ASP_StaticSprite(&world);
    world.AddSprite(still);
    still->Load("static0", file);
    EXPECT_FALSE(still->IsAnimated());
    EXPECT_EQ(still->GetTileWidth(), 16);

    auto* flag = new ASP_StaticSprite(&world);
    world.AddSprite(flag);
    flag->Load("static1", file);
    EXPECT_TRUE(flag->IsAnimated());
    flag->Update(0.25);
    EXPECT_DOUBLE_EQ(flag->GetAnimPos(), 2.5);

    auto* checkpoint = new ASP_CheckpointSprite(&world);
    world.AddSprite(checkpoint);
    checkpoint->Load("checkpoint0", file);
    EXPECT_TRUE(checkpoint->isFinish);
    EXPECT_EQ(checkpoint->index, 2);
    // The sheet is the texture: without tile keys a tile is 1 x 1 pixel.
    EXPECT_EQ(checkpoint->GetTileWidth(), 1);
}

TEST(PhysicsObject, GroundDragStopsALightObjectAtOnceAndSlowsAHeavyOne) {
    const double dt = 1.0 / 60.0;
    ASP_PhysicsSprite cone(nullptr);
    cone.SetVelocity(Point(300.0, 0.0));
    cone.Update(dt);
    EXPECT_EQ(cone.GetVelocity(), Point(0.0, 0.0));

    ASP_PhysicsSprite wall(nullptr);
    wall.SetMass(1000.0);
    wall.SetVelocity(Point(0.0, -300.0));
    wall.Update(dt);
    EXPECT_NEAR(wall.GetVelocity().y, -300.0 + 200.0 * dt, 1e-9);
    EXPECT_NEAR(wall.GetVelocity().x, 0.0, 1e-9);
    for (int i = 0; i < 60; ++i) {
        wall.Update(dt);
    }
    // About 200 pixels per second are lost each second.
    EXPECT_NEAR(wall.GetVelocity().y, -300.0 + 200.0 * 61 * dt, 1e-6);
    EXPECT_LT(wall.GetY(), 0.0);
}

TEST(PhysicsObject, AtRestGetsNoForceAndStaysFinite) {
    ASP_PhysicsSprite barrel(nullptr);
    barrel.Update(1.0 / 60.0);
    EXPECT_EQ(barrel.GetVelocity(), Point(0.0, 0.0));
    EXPECT_TRUE(std::isfinite(barrel.GetX()));
    EXPECT_TRUE(std::isfinite(barrel.GetY()));
}

TEST(PhysicsObject, SpinIsDampedAndStopsBelowFiveDegreesPerSecond) {
    ASP_PhysicsSprite crate(nullptr);
    crate.SetAngularVelocity(100.0);
    crate.Update(0.1);
    EXPECT_NEAR(crate.GetAngularVelocity(), 100.0 * (1.0 - 0.1 * 0.95), 1e-9);
    EXPECT_NEAR(crate.GetRotation(), 100.0 * (1.0 - 0.1 * 0.95) * 0.1, 1e-9);
    crate.SetAngularVelocity(-5.2);
    crate.Update(0.1);
    EXPECT_EQ(crate.GetAngularVelocity(), 0.0);
}

TEST(PhysicsObject, LoadsTheStaticKeysThenItsOwn) {
    TempFolder folder;
    const std::string file = folder.Write("world.dat",
                                          "[phys0]\nx=100\ny=50\nwidth=20\nheight=10\nmass=4\nbounce=0.5\n"
                                          "fixedPos=1\nfixedRot=true\n");
    ASP_PhysicsSprite wall(nullptr);
    wall.Load("phys0", file);
    EXPECT_DOUBLE_EQ(wall.GetX(), 100.0);
    EXPECT_DOUBLE_EQ(wall.GetMass(), 4.0);
    EXPECT_DOUBLE_EQ(wall.GetBounce(), 0.5);
    EXPECT_TRUE(wall.IsFixedPosition());
    // Only the exact text "1" is true.
    EXPECT_FALSE(wall.IsFixedRotation());
    EXPECT_DOUBLE_EQ(wall.GetInertia(), (20.0 * 20.0 + 10.0 * 10.0) * 4.0 / 12.0);
    EXPECT_EQ(wall.GetVelocity(), Point(0.0, 0.0));
}
