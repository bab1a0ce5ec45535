#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "engine/image_sprite.h"
#include "engine/image_sprite_ex.h"
#include "engine/log.h"
#include "engine/texture_manager.h"
#include "tests/support/gl_test.h"

namespace {

Uint32 Rgb(int r, int g, int b) {
    return static_cast<Uint32>(r << 16 | g << 8 | b);
}

// An image whose left half is one colour and right half another (frames side by side).
void WriteBmp(const std::string& path, int w, int h, const std::function<Uint32(int, int)>& colour) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = colour(x, y);
        }
    }
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

class CountingSprite : public CImageSpriteEx {
public:
    CountingSprite() : CImageSpriteEx(nullptr) {}
    void OnAnimationLoop() override { ++loops; }
    void OnUpdate(double dt) override { lastDt = dt; }
    void UpdateCorners() override {
        ++cornerUpdates;
        CImageSpriteEx::UpdateCorners();
    }
    int loops = 0;
    int cornerUpdates = 0;
    double lastDt = -1;
};

// Plays once: stops on the last frame at the first wrap.
class OneShotSprite : public CImageSprite {
public:
    OneShotSprite() : CImageSprite(nullptr) {}
    void OnAnimationLoop() override {
        SetAnimPos(GetAnimEnd());
        SetAnimated(false);
    }
};

void ExpectTexCoords(const CImageSprite& s, double s0, double t0, double s1, double t1) {
    const TexCoords& t = s.GetTexCoords();
    EXPECT_DOUBLE_EQ(t.s0, s0);
    EXPECT_DOUBLE_EQ(t.t0, t0);
    EXPECT_DOUBLE_EQ(t.s1, s1);
    EXPECT_DOUBLE_EQ(t.t1, t1);
}

void ExpectCorner(Point actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
}

class ImageSpriteTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        char pattern[] = "/tmp/asphaltia_sprite_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        textures.reset();
        std::string command = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    CTexture* Solid(const std::string& name, int w, int h, int r, int g, int b) {
        WriteBmp(dir + "/" + name, w, h, [&](int, int) { return Rgb(r, g, b); });
        return textures->GetTexture(dir + "/" + name);
    }

    // A sheet of 64x64 tiles, each filled with the colour of its frame number.
    CTexture* Sheet(int w, int h) {
        const std::string name = "sheet" + std::to_string(w) + "x" + std::to_string(h) + ".bmp";
        WriteBmp(dir + "/" + name, w, h, [w](int x, int y) {
            const int frame = y / 64 * (w / 64) + x / 64;
            return Rgb(frame == 0 ? 255 : 0, frame == 1 ? 255 : 0, frame >= 2 ? 255 : 0);
        });
        CTexture* t = textures->GetTexture(dir + "/" + name);
        t->SetSmooth(false);
        return t;
    }

    std::string dir;
    std::unique_ptr<CTextureManager> textures = std::make_unique<CTextureManager>();
};

}  // namespace

TEST_F(ImageSpriteTest, FramesOfATileSheet) {
    CImageSprite s(nullptr);
    EXPECT_EQ(s.GetWidth(), 0.0);
    EXPECT_EQ(s.GetFrameCount(), 0);
    ExpectTexCoords(s, 0, 0, 0, 0);

    s.SetTexture(Sheet(256, 64));
    EXPECT_EQ(s.GetTileWidth(), 256);
    EXPECT_EQ(s.GetFrameCount(), 1);
    ExpectTexCoords(s, 0, 0, 1, 1);
    s.SetTileWidth(64);
    s.SetTileHeight(64);
    EXPECT_EQ(s.GetFrameCount(), 4);
    s.SetAnimEnd(3);
    s.SetAnimPos(2);
    ExpectTexCoords(s, 0.5, 0, 0.75, 1);

    s.SetTexture(Sheet(128, 128));
    EXPECT_EQ(s.GetFrameCount(), 1);
    s.SetTileWidth(64);
    s.SetTileHeight(64);
    s.SetAnimEnd(3);
    s.SetAnimPos(3);
    ExpectTexCoords(s, 0.5, 0.5, 1, 1);
    s.SetAnimPos(1);
    ExpectTexCoords(s, 0.5, 0, 1, 0.5);

    // Tile sizes outside the texture fall back to the whole texture.
    s.SetTileWidth(0);
    EXPECT_EQ(s.GetTileWidth(), 128);
    s.SetTileWidth(500);
    EXPECT_EQ(s.GetTileWidth(), 128);

    // A new texture resets the tile to the whole texture.
    s.SetTileWidth(32);
    s.SetTexture(Sheet(256, 64));
    EXPECT_EQ(s.GetTileWidth(), 256);
    EXPECT_EQ(s.GetTileHeight(), 64);
    EXPECT_EQ(s.GetFrameCount(), 1);
    // The old position 1 is kept as "one past the last frame", which shows the only frame.
    EXPECT_EQ(s.GetAnimPos(), 1.0);
    ExpectTexCoords(s, 0, 0, 1, 1);

    s.SetTexture(nullptr);
    EXPECT_EQ(s.GetTileWidth(), 0);
    EXPECT_EQ(s.GetAnimPos(), 0.0);
    ExpectTexCoords(s, 0, 0, 0, 0);
}

TEST_F(ImageSpriteTest, AnimationRangeAndPositionClamps) {
    CImageSprite s(nullptr);
    s.SetTexture(Sheet(256, 128));
    s.SetTileWidth(64);
    s.SetTileHeight(64);
    ASSERT_EQ(s.GetFrameCount(), 8);

    s.SetAnimEnd(20);
    EXPECT_EQ(s.GetAnimEnd(), 7);
    s.SetAnimStart(-4);
    EXPECT_EQ(s.GetAnimStart(), 0);
    s.SetAnimStart(5);
    s.SetAnimEnd(2);
    EXPECT_EQ(s.GetAnimEnd(), 2);
    EXPECT_EQ(s.GetAnimStart(), 2);
    EXPECT_EQ(s.GetAnimPos(), 2.0);

    // Setting a position widens the range to include it.
    s.SetAnimPos(6.5);
    EXPECT_EQ(s.GetAnimPos(), 6.5);
    EXPECT_EQ(s.GetAnimEnd(), 6);
    s.SetAnimPos(-1);
    EXPECT_EQ(s.GetAnimPos(), 2.0);
    // One past the last frame is stored, and shows the last frame rather than off the sheet.
    s.SetAnimPos(100);
    EXPECT_EQ(s.GetAnimPos(), 8.0);
    EXPECT_EQ(s.GetAnimEnd(), 8);
    s.UpdateTexCoords();
    ExpectTexCoords(s, 0.75, 0.5, 1, 1);

    s.SetAnimSpeed(-3);
    EXPECT_EQ(s.GetAnimSpeed(), 0.0);
    s.SetAlpha(300);
    EXPECT_EQ(s.GetAlpha(), 255.0);
    s.SetAlpha(-1);
    EXPECT_EQ(s.GetAlpha(), 0.0);
}

TEST_F(ImageSpriteTest, AnimationAdvancesAndWraps) {
    CountingSprite s;
    s.SetTexture(Sheet(256, 64));
    s.SetTileWidth(64);
    s.SetTileHeight(64);
    s.SetAnimEnd(3);
    s.SetAnimSpeed(10);

    // Not animated: only the hook runs.
    s.Update(0.5);
    EXPECT_EQ(s.GetAnimPos(), 0.0);
    EXPECT_EQ(s.lastDt, 0.5);

    s.SetAnimated(true);
    s.Update(0.25);
    EXPECT_DOUBLE_EQ(s.GetAnimPos(), 2.5);
    ExpectTexCoords(s, 0.5, 0, 0.75, 1);

    s.SetAnimPos(3.9);
    s.Update(0.05);
    EXPECT_NEAR(s.GetAnimPos(), 0.4, 1e-9);
    EXPECT_EQ(s.loops, 1);
    ExpectTexCoords(s, 0, 0, 0.25, 1);
    EXPECT_EQ(s.lastDt, 0.05);

    // Several wraps in one long frame tell the hook each time.
    s.Update(1.0);
    EXPECT_NEAR(s.GetAnimPos(), 2.4, 1e-9);
    EXPECT_EQ(s.loops, 3);

    // A one-frame range keeps its frame and wraps once per 1 / animSpeed seconds.
    s.SetAnimStart(1);
    s.SetAnimEnd(1);
    s.SetAnimPos(1);
    s.loops = 0;
    for (int i = 0; i < 10; ++i) {
        s.Update(0.05);
        ExpectTexCoords(s, 0.25, 0, 0.5, 1);
    }
    EXPECT_EQ(s.loops, 5);

    // Absurd frame times neither hang nor leave the range.
    s.SetAnimStart(0);
    s.SetAnimEnd(3);
    s.Update(1e300);
    EXPECT_GE(s.GetAnimPos(), 0.0);
    EXPECT_LT(s.GetAnimPos(), 4.0);
    const double before = s.GetAnimPos();
    s.Update(std::numeric_limits<double>::infinity());
    EXPECT_EQ(s.GetAnimPos(), before);
}

TEST_F(ImageSpriteTest, OneShotAnimationStopsOnItsLastFrame) {
    OneShotSprite s;
    s.SetTexture(Sheet(256, 64));
    s.SetTileWidth(64);
    s.SetTileHeight(64);
    s.SetAnimEnd(3);
    s.SetAnimSpeed(8);
    s.SetAnimated(true);
    s.Update(0.6);
    EXPECT_FALSE(s.IsAnimated());
    EXPECT_EQ(s.GetAnimPos(), 3.0);
    ExpectTexCoords(s, 0.75, 0, 1, 1);
}

TEST_F(ImageSpriteTest, RotatedCornersAndBoxes) {
    CountingSprite s;
    s.SetPosition(10, 20);
    s.SetSize(30, 40);
    Quad c = s.GetCorners();
    ExpectCorner(c.p[0], 10, 60);
    ExpectCorner(c.p[1], 40, 60);
    ExpectCorner(c.p[2], 40, 20);
    ExpectCorner(c.p[3], 10, 20);
    EXPECT_EQ(s.GetGlobalRect(), (Rect{10, 20, 30, 40}));

    s.SetRotation(90);
    c = s.GetCorners();
    ExpectCorner(c.p[0], 45, 55);
    ExpectCorner(c.p[1], 45, 25);
    ExpectCorner(c.p[2], 5, 25);
    ExpectCorner(c.p[3], 5, 55);
    EXPECT_EQ(s.GetGlobalRect(), (Rect{5, 25, 40, 30}));
    EXPECT_EQ(s.GetRect(), (Rect{15, 45, 40, 30}));
    EXPECT_EQ(s.GetQuad().p[1], c.p[1]);
    EXPECT_EQ(s.GetGlobalQuad().p[2], c.p[2]);

    // Local and global coordinates invert each other under rotation and scale.
    s.SetScale(2);
    const Point g = s.LocalToGlobal(Point(3, 7));
    const Point back = s.GlobalToLocal(g);
    ExpectCorner(back, 3, 7);

    const int updates = s.cornerUpdates;
    s.SetRotation(450);
    EXPECT_EQ(s.GetRotation(), 90.0);
    EXPECT_EQ(s.cornerUpdates, updates);
    s.SetRotation(-90);
    EXPECT_EQ(s.GetRotation(), 270.0);
    s.SetRotation(725);
    EXPECT_DOUBLE_EQ(s.GetRotation(), 5.0);
    s.Rotate(-10);
    EXPECT_DOUBLE_EQ(s.GetRotation(), 355.0);
    s.SetRotation(1e300);
    EXPECT_GE(s.GetRotation(), 0.0);
    EXPECT_LT(s.GetRotation(), 360.0);
    s.SetRotation(std::numeric_limits<double>::quiet_NaN());
    EXPECT_GE(s.GetRotation(), 0.0);

    // Even a refused size refreshes the corners.
    const int beforeRefused = s.cornerUpdates;
    s.SetWidth(-5);
    EXPECT_EQ(s.cornerUpdates, beforeRefused + 1);
    s.SetRotationCenter(0.5, 0.5);
    EXPECT_EQ(s.cornerUpdates, beforeRefused + 1);
    s.SetRotationCenter(0, 0);
    EXPECT_EQ(s.GetRotationCenter(), Point(0, 0));
    EXPECT_EQ(s.cornerUpdates, beforeRefused + 2);
}

TEST_F(ImageSpriteTest, RotationComposesThroughTheParentChain) {
    CImageSpriteEx parent(nullptr);
    parent.SetPosition(100, 100);
    parent.SetSize(20, 20);
    parent.SetRotation(90);
    CImageSpriteEx child(&parent);
    child.SetPosition(20, 0);
    child.SetSize(10, 10);
    child.SetRotation(30);
    EXPECT_EQ(child.GetGlobalRotation(), 120.0);
    child.SetGlobalRotation(100);
    EXPECT_DOUBLE_EQ(child.GetRotation(), 10.0);

    // The parent's top-right corner (20, 0) is, turned about (10, 10), at (0, 0) of its frame.
    child.SetRotation(0);
    const Point origin = child.LocalToGlobal(Point(0, 0));
    ExpectCorner(origin, 100, 100);
    ExpectCorner(child.GetCorners().p[3], 100, 100);
    // Re-parenting refreshes the cached corners.
    child.SetParent(nullptr);
    ExpectCorner(child.GetCorners().p[3], 20, 0);

    // A parent without rotation counts as 0 degrees.
    CImageSprite flat(nullptr);
    child.SetParent(&flat);
    child.SetRotation(45);
    EXPECT_EQ(child.GetGlobalRotation(), 45.0);
}

TEST_F(ImageSpriteTest, DrawsAtItsPositionAndHiddenNotAtAll) {
    CImageSprite s(nullptr);
    s.SetTexture(Solid("red.bmp", 8, 8, 255, 0, 0));
    s.SetPosition(20, 30);
    s.SetSize(40, 20);
    s.SetVisible(false);
    glEnable(GL_BLEND);
    s.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));

    s.SetVisible(true);
    s.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(20, 30, 40, 20), 40 * 20);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 40 * 20);
    EXPECT_EQ(Pixel(25, 35).r, 255);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    // Under a scaled, moved parent the sprite is drawn in global terms.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    CImageSprite parent(nullptr);
    parent.SetPosition(10, 10);
    parent.SetScale(2);
    s.SetParent(&parent);
    s.SetPosition(5, 5);
    s.SetSize(10, 10);
    s.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(20, 20, 20, 20), 400);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 400);
    parent.SetVisible(false);
    glClear(GL_COLOR_BUFFER_BIT);
    s.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

TEST_F(ImageSpriteTest, RotatedSpriteCoversItsTurnedCorners) {
    CImageSpriteEx s(nullptr);
    s.SetTexture(Solid("green.bmp", 8, 8, 0, 255, 0));
    // A 60x10 bar turned a quarter about its centre (50, 35) stands 10 wide and 60 high.
    s.SetPosition(20, 30);
    s.SetSize(60, 10);
    s.SetRotation(90);
    s.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(45, 5, 10, 60), 600);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 600);
    EXPECT_EQ(Pixel(30, 35).g, 0);

    // Frame orientation: the top-left of the frame follows corner 3 of the outline.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    CImageSpriteEx sheet(nullptr);
    sheet.SetTexture(Sheet(128, 64));
    sheet.SetTileWidth(64);
    sheet.SetTileHeight(64);
    sheet.SetSize(64, 32);
    sheet.SetPosition(0, 0);
    sheet.SetAnimEnd(1);
    sheet.SetAnimPos(1);
    sheet.Draw(nullptr);
    EXPECT_EQ(Pixel(10, 10).g, 255);
    EXPECT_EQ(Pixel(10, 10).r, 0);
    EXPECT_EQ(CountLitPixels(0, 0, 64, 32), 64 * 32);
}

TEST_F(ImageSpriteTest, AlphaBlendsAndDepthOrderHolds) {
    CImageSprite red(nullptr);
    red.SetTexture(Solid("r.bmp", 4, 4, 255, 0, 0));
    red.SetSize(40, 40);
    red.SetAlpha(128);
    red.Draw(nullptr);
    EXPECT_NEAR(Pixel(20, 20).r, 128, 2);

    // Near first, far second: the far one stays hidden where they overlap.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    red.SetAlpha(255);
    red.SetZ(0.5);
    CImageSprite blue(nullptr);
    blue.SetTexture(Solid("b.bmp", 4, 4, 0, 0, 255));
    blue.SetPosition(20, 0);
    blue.SetSize(40, 40);
    blue.SetZ(-0.5);
    red.Draw(nullptr);
    blue.Draw(nullptr);
    EXPECT_EQ(Pixel(30, 20).r, 255);
    EXPECT_EQ(Pixel(30, 20).b, 0);
    EXPECT_EQ(Pixel(50, 20).b, 255);

    // Without depth testing the later one covers the earlier.
    blue.depthTest = false;
    blue.Draw(nullptr);
    EXPECT_EQ(Pixel(30, 20).b, 255);
    EXPECT_EQ(Pixel(30, 20).r, 0);

    // A fully transparent sprite is discarded by the alpha test.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    red.SetAlpha(0);
    red.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}
