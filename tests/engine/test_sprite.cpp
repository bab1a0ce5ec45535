#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "engine/image_sprite.h"
#include "engine/image_sprite_ex.h"
#include "engine/sprite.h"
#include "engine/texture_manager.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

class PlainSprite : public CSprite {
public:
    explicit PlainSprite(CSprite* parent = nullptr) : CSprite(parent) {}
    void Draw(void* target) override { (void)target; }
    void Update(double dt) override { (void)dt; }
};

class LoopCounter : public CImageSprite {
public:
    LoopCounter() : CImageSprite(nullptr) {}
    void OnAnimationLoop() override { ++loops; }
    void OnUpdate(double dt) override { lastDt = dt; }
    int loops = 0;
    double lastDt = -1;
};

std::vector<double> Coords(const CImageSprite& s) {
    const TexCoords& t = s.GetTexCoords();
    return {t.s0, t.t0, t.s1, t.t1};
}

class ImageSpriteTest : public GLTest {
protected:
    CTexture* Solid(const std::string& name, Uint32 rgb) {
        return textures.GetTexture(WriteSolidBmp(folder.File(name), 8, 8, rgb));
    }

    // A w x h sheet of 64 x 64 tiles (frame 0 red, 1 green, the others blue), animated over every frame.
    void UseTiles(CImageSprite& s, int w, int h) {
        const std::string name = folder.File("sheet" + std::to_string(w) + "x" + std::to_string(h) + ".bmp");
        CTexture* t = textures.GetTexture(WriteBmp(name, w, h, [w](int x, int y) {
            const int frame = y / 64 * (w / 64) + x / 64;
            return frame == 0 ? 0xFF0000u : frame == 1 ? 0x00FF00u : 0x0000FFu;
        }));
        t->SetSmooth(false);
        s.SetTexture(t);
        s.SetTileWidth(64);
        s.SetTileHeight(64);
        s.SetAnimEnd(s.GetFrameCount() - 1);
    }

    TempFolder folder;
    CTextureManager textures;
};

TEST(Sprite, SizesScalesAndGlobalValuesAndAPlainSpriteCollidesWithNothing) {
    PlainSprite parent;
    parent.SetWidth(12);
    parent.SetScale(3);
    parent.SetWidth(-1);
    parent.SetScale(0);
    parent.SetGlobalScale(0);
    EXPECT_EQ(Point(parent.GetWidth(), parent.GetScale()), Point(12.0, 3.0));
    // A zero size is allowed: it is an outline without area.
    parent.SetWidth(0);
    EXPECT_EQ(parent.GetWidth(), 0.0);

    parent.SetX(100);
    parent.SetY(50);
    parent.SetScale(2);
    parent.SetZ(0.2);
    PlainSprite child(&parent);
    child.SetX(10);
    child.SetZ(0.1);
    child.SetWidth(5);
    EXPECT_DOUBLE_EQ(child.GetGlobalZ(), 0.3);
    child.SetGlobalY(30);
    child.SetGlobalHeight(2);
    EXPECT_DOUBLE_EQ(child.GetHeight(), 1);
    // The child's own scale is the wanted global one divided by the chain's.
    child.SetGlobalScale(3);
    EXPECT_DOUBLE_EQ(child.GetScale(), 1.5);

    PlainSprite grandchild(&child);
    grandchild.SetX(2);
    grandchild.SetY(4);
    const Point g = grandchild.LocalToGlobal(Point(1, 1));
    EXPECT_NEAR(Length(g - Point(100 + 2 * (10 + 1.5 * (2 + 1)), 50 + 2 * (-10 + 1.5 * (4 + 1)))), 0.0, 1e-9);
    EXPECT_NEAR(Length(grandchild.GlobalToLocal(g) - Point(1, 1)), 0.0, 1e-12);
    parent.SetVisible(false);
    EXPECT_FALSE(grandchild.IsVisible());

    // A plain sprite's outline is a point at the origin; a hit it gets is left to the other sprite.
    CImageSprite box(nullptr);
    box.SetPosition(-5, -5);
    box.SetSize(10, 10);
    PlainSprite plain;
    EXPECT_FALSE(plain.Collides(&box, nullptr) || box.Collides(&plain, nullptr));
    EXPECT_TRUE(plain.OnCollision(&box, Point()));
}

TEST_F(ImageSpriteTest, FramesRunLeftToRightThenDownStayOnTheSheetAndAdvanceByDtWrappingAndTellingTheHook) {
    CImageSprite sheet(nullptr);
    UseTiles(sheet, 128, 128);
    sheet.SetAnimPos(2);
    EXPECT_EQ(Coords(sheet), std::vector<double>({0, 0.5, 0.5, 1}));
    // Tile sizes outside the texture fall back to the whole texture, the only frame.
    sheet.SetTileWidth(0);
    sheet.SetTileHeight(500);
    EXPECT_EQ(Coords(sheet), std::vector<double>({0, 0, 1, 1}));

    UseTiles(sheet, 256, 128);
    sheet.SetAnimEnd(20);
    EXPECT_EQ(sheet.GetAnimEnd(), 7);
    sheet.SetAnimStart(5);
    sheet.SetAnimEnd(2);
    EXPECT_EQ(sheet.GetAnimStart(), 2);
    // One past the last frame is the furthest position; it shows the last frame, not the edge below.
    sheet.SetAnimPos(100);
    EXPECT_EQ(sheet.GetAnimPos(), 8.0);
    sheet.UpdateTexCoords();
    EXPECT_EQ(Coords(sheet), std::vector<double>({0.75, 0.5, 1, 1}));

    LoopCounter s;
    UseTiles(s, 256, 64);
    s.SetAnimSpeed(10);
    // Not animated: only the hook runs.
    s.Update(0.5);
    EXPECT_EQ(std::pair(s.GetAnimPos(), s.lastDt), std::pair(0.0, 0.5));

    s.SetAnimated(true);
    s.SetAnimPos(3.9);
    s.Update(0.05);
    s.Update(1.0);
    EXPECT_NEAR(s.GetAnimPos(), 2.4, 1e-9);
    EXPECT_EQ(std::pair(s.loops, Coords(s)), std::pair(3, std::vector<double>({0.5, 0, 0.75, 1})));
    // A one-frame range wraps once per 1 / animSpeed seconds.
    s.SetAnimStart(1);
    s.SetAnimEnd(1);
    s.loops = 0;
    for (int i = 0; i < 10; ++i) {
        s.Update(0.05);
    }
    EXPECT_EQ(s.loops, 5);
    // Absurd frame times neither hang nor leave the range.
    s.SetAnimStart(0);
    s.SetAnimEnd(3);
    s.Update(1e300);
    const double after = s.GetAnimPos();
    EXPECT_TRUE(after >= 0.0 && after < 4.0) << after;
    s.Update(std::numeric_limits<double>::infinity());
    EXPECT_EQ(s.GetAnimPos(), after);
}

TEST_F(ImageSpriteTest,
       TurnedCornersFollowTheParentChainRectsStayInIntRangeAndFramesDrawInPlaceBlendedAndInDepthOrder) {
    CImageSpriteEx s(nullptr);
    s.SetPosition(10, 20);
    s.SetSize(30, 40);
    // A quarter turn about the centre (25, 40): corner 0 (left, bottom) goes to the bottom right.
    s.SetRotation(90);
    const Quad c = s.GetCorners();
    EXPECT_NEAR(Length(c.p[0] - Point(45, 55)) + Length(c.p[1] - Point(45, 25)) +
                    Length(c.p[2] - Point(5, 25)) + Length(c.p[3] - Point(5, 55)),
                0.0, 1e-9);
    s.SetRotation(725);
    s.Rotate(-10);
    s.SetRotation(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(s.GetRotation(), 355.0);
    // Re-parenting refreshes the corners: the parent's (20, 0), turned about (10, 10), is its frame's (0, 0).
    CImageSpriteEx parent(nullptr);
    parent.SetPosition(100, 100);
    parent.SetSize(20, 20);
    parent.SetRotation(90);
    CImageSpriteEx child(&parent);
    child.SetPosition(20, 0);
    EXPECT_NEAR(Length(child.GetCorners().p[3] - Point(100, 100)), 0.0, 1e-9);
    child.SetParent(nullptr);
    EXPECT_NEAR(Length(child.GetCorners().p[3] - Point(20, 0)), 0.0, 1e-9);

    const double nan = std::nan("");
    const double cases[][3] = {{1e300, 1e300, 0}, {-1e300, 1e12, 0}, {nan, nan, 0}, {12.7, 3.5, 2}};
    for (const auto& [position, size, rotation] : cases) {
        CImageSpriteEx s(nullptr);
        s.SetPosition(position, position);
        s.SetSize(size, size);
        s.SetRotation(rotation);
        for (const Rect& r : {s.CImageSprite::GetGlobalRect(), s.GetGlobalRect(), s.GetRect()}) {
            EXPECT_LE(std::abs(static_cast<double>(r.x) + r.w), 2e9) << position;
            EXPECT_LE(std::abs(static_cast<double>(r.y) + r.h), 2e9) << position;
        }
    }

    CImageSprite scaled(nullptr);
    scaled.SetPosition(10, 10);
    scaled.SetScale(2);
    CImageSpriteEx drawn(&scaled);
    drawn.SetTexture(Solid("red.bmp", 0xFF0000));
    drawn.SetPosition(5, 5);
    drawn.SetSize(10, 10);
    drawn.SetVisible(false);
    glEnable(GL_BLEND);
    drawn.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
    // Under a scaled, moved scaled the sprite is drawn in global terms; an opaque one unblended.
    drawn.SetVisible(true);
    drawn.Draw(nullptr);
    EXPECT_EQ(std::tuple(CountLitPixels(20, 20, 20, 20), CountLitPixels(0, 0, kWidth, kHeight),
                         glIsEnabled(GL_BLEND)),
              std::tuple(400, 400, GLboolean{GL_FALSE}));
    glClear(GL_COLOR_BUFFER_BIT);

    // A 64 x 32 bar turned a quarter about its centre (52, 36) stands 32 x 64, all of it frame 1, green.
    CImageSpriteEx bar(nullptr);
    UseTiles(bar, 128, 64);
    bar.SetPosition(20, 20);
    bar.SetSize(64, 32);
    bar.SetAnimPos(1);
    bar.SetRotation(90);
    bar.Draw(nullptr);
    EXPECT_EQ(
        std::tuple(CountLitPixels(36, 4, 32, 64), CountLitPixels(0, 0, kWidth, kHeight), Pixel(64, 8).r),
        std::tuple(32 * 64, 32 * 64, uint8_t{0}));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    CImageSprite red(nullptr);
    red.SetTexture(Solid("r.bmp", 0xFF0000));
    red.SetSize(40, 40);
    red.SetAlpha(128);
    red.Draw(nullptr);
    EXPECT_NEAR(Pixel(20, 20).r, 128, 2);
    // Near first, far second: the far one stays hidden where they overlap.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    red.SetAlpha(255);
    red.SetZ(0.5);
    CImageSprite blue(nullptr);
    blue.SetTexture(Solid("b.bmp", 0x0000FF));
    blue.SetPosition(20, 0);
    blue.SetSize(40, 40);
    blue.SetZ(-0.5);
    red.Draw(nullptr);
    blue.Draw(nullptr);
    EXPECT_EQ(std::pair(Pixel(30, 20).b, Pixel(50, 20).b), std::pair(uint8_t{0}, uint8_t{255}));
}

}  // namespace
