#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "engine/angle.h"
#include "game/race/ground_sprite.h"
#include "game/race/physics_sprite.h"
#include "game/race/static_sprite.h"
#include "tests/support/bmp_file.h"
#include "tests/support/temp_folder.h"

namespace {

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

// 95 % of the spin lost per second; below 5 degrees per second it stops.
TEST(PhysicsObject, SpinIsDampedAndStopsWhenSlow) {
    ASP_PhysicsSprite wall(nullptr);
    for (const auto& [before, after] : {std::pair{100.0, 100.0 * (1.0 - 0.1 * 0.95)}, {-5.2, 0.0}}) {
        wall.SetAngularVelocity(before);
        wall.Update(0.1);
        EXPECT_NEAR(wall.GetAngularVelocity(), after, 1e-9) << before;
    }
}
