#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "engine/image_sprite.h"
#include "engine/log.h"
#include "engine/texture.h"
#include "engine/texture_manager.h"
#include "tests/support/gl_test.h"

namespace {

using Colour = std::function<Uint32(int x, int y)>;

Uint32 Rgb(int r, int g, int b) {
    return static_cast<Uint32>(r << 16 | g << 8 | b);
}

// SDL 1.2 writes true-colour BMPs with 3 bytes per pixel, each row padded to 4 bytes.
void WriteBmp(const std::string& path, int w, int h, const Colour& colour) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = colour(x, y);
        }
    }
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

void WritePaletteBmp(const std::string& path, int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    ASSERT_EQ(s->format->BytesPerPixel, 1);
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

void ExpectColour(GLTest::Rgba p, int r, int g, int b) {
    EXPECT_EQ(p.r, r);
    EXPECT_EQ(p.g, g);
    EXPECT_EQ(p.b, b);
}

class TextureTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        EnableLogging();
        char pattern[] = "/tmp/asphaltia_texture_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        manager.reset();
        std::string command = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string File(const std::string& name) const { return dir + "/" + name; }

    // Shows the whole texture at (0, 0) in the given size, texel centres on exact pixels.
    void Show(CTexture* t, double w, double h) {
        CImageSprite sprite(nullptr);
        sprite.SetTexture(t);
        sprite.SetSize(w, h);
        sprite.Draw(nullptr);
    }

    std::string dir;
    std::unique_ptr<CTextureManager> manager = std::make_unique<CTextureManager>();
};

std::string Captured(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST_F(TextureTest, NamesAreLowerCasedAndShared) {
    WriteBmp(File("red.bmp"), 4, 4, [](int, int) { return Rgb(255, 0, 0); });
    CTexture* upper = manager->GetTexture(File("RED.BMP"));
    CTexture* lower = manager->GetTexture(File("red.bmp"));
    EXPECT_EQ(upper, lower);
    EXPECT_EQ(manager->Count(), 1);
    EXPECT_TRUE(upper->loaded);
    EXPECT_EQ(upper->name, TextureName(File("red.bmp")));
    EXPECT_EQ(manager->FindTexture(TextureName(File("red.bmp"))), 0);
    EXPECT_EQ(manager->FindTexture(File("RED.BMP")), -1);
    EXPECT_TRUE(upper->readOnly);
    EXPECT_EQ(upper->surface, nullptr);
    EXPECT_EQ(upper->width, 4);
    EXPECT_EQ(upper->height, 4);
    EXPECT_EQ(upper->bytesPerPixel, 3);
    EXPECT_EQ(upper->format, static_cast<GLenum>(GL_BGR));
    EXPECT_TRUE(upper->smooth);
    EXPECT_TRUE(upper->clamp);
}

TEST_F(TextureTest, ReadOnlyAndWritableRequests) {
    WriteBmp(File("a.bmp"), 4, 4, [](int, int) { return Rgb(0, 255, 0); });
    WriteBmp(File("b.bmp"), 4, 4, [](int, int) { return Rgb(0, 0, 255); });

    // A writable texture satisfies a later read-only request unchanged.
    CTexture* writable = manager->GetTexture(File("a.bmp"), false);
    ASSERT_NE(writable->surface, nullptr);
    EXPECT_EQ(manager->GetTexture(File("a.bmp"), true), writable);
    EXPECT_FALSE(writable->readOnly);
    EXPECT_NE(writable->surface, nullptr);

    // A read-only texture asked for write access is loaded again into the same object.
    CTexture* readOnly = manager->GetTexture(File("b.bmp"), true);
    const GLuint id = readOnly->id;
    EXPECT_EQ(readOnly->surface, nullptr);
    std::string log = Captured([&] { EXPECT_EQ(manager->GetTexture(File("b.bmp"), false), readOnly); });
    EXPECT_NE(log.find("WARNING in class CTextureManager: Reloading read-only texture " +
                       TextureName(File("b.bmp")) + "for write access."),
              std::string::npos)
        << log;
    EXPECT_FALSE(readOnly->readOnly);
    EXPECT_NE(readOnly->surface, nullptr);
    EXPECT_EQ(readOnly->id, id);
    EXPECT_EQ(manager->Count(), 2);

    // Updating a read-only texture is refused.
    CTexture* c = manager->GetTexture(File("a.bmp"), true, true);
    EXPECT_TRUE(c->readOnly);
    log = Captured([&] { EXPECT_FALSE(c->Update()); });
    EXPECT_NE(log.find("WARNING in class CTexture: Tried to update read-only texture. Ignoring."),
              std::string::npos);
}

TEST_F(TextureTest, ReloadReplacesTheEntryInPlace) {
    WriteBmp(File("first.bmp"), 4, 4, [](int, int) { return Rgb(255, 0, 0); });
    WriteBmp(File("second.bmp"), 8, 2, [](int, int) { return Rgb(255, 0, 0); });
    manager->GetTexture(File("first.bmp"));
    manager->GetTexture(File("second.bmp"));
    WriteBmp(File("first.bmp"), 16, 8, [](int, int) { return Rgb(0, 255, 0); });

    EXPECT_EQ(manager->GetTexture(File("first.bmp"))->width, 4);
    CTexture* reloaded = manager->GetTexture(File("first.bmp"), true, true);
    EXPECT_EQ(reloaded->width, 16);
    EXPECT_EQ(reloaded->height, 8);
    EXPECT_EQ(manager->Count(), 2);
    EXPECT_EQ(manager->FindTexture(TextureName(File("first.bmp"))), 0);
    EXPECT_EQ(manager->FindTexture(TextureName(File("second.bmp"))), 1);

    manager->UnloadTexture(File("FIRST.bmp"));
    EXPECT_EQ(manager->Count(), 1);
    EXPECT_EQ(manager->FindTexture(TextureName(File("second.bmp"))), 0);
    manager->UnloadTexture(File("never.bmp"));
    EXPECT_EQ(manager->Count(), 1);
}

TEST_F(TextureTest, MissingFileGivesOneUnloadedEntryThatIsNotRetried) {
    std::string log = Captured([&] {
        CTexture* t = manager->GetTexture(File("missing.bmp"));
        EXPECT_FALSE(t->loaded);
        EXPECT_EQ(t->width, 0);
        EXPECT_EQ(t->height, 0);
        EXPECT_EQ(manager->GetTexture(File("Missing.bmp")), t);
    });
    EXPECT_EQ(manager->Count(), 1);
    const std::string error = "ERROR in class CTexture: Failed to load texture from " +
                              TextureName(File("missing.bmp")) + ", SDL reports: \n";
    const size_t first = log.find(error);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(error, first + 1), std::string::npos) << "loaded twice:\n" << log;

    // A sprite with it draws nothing and has no frames.
    CImageSprite sprite(nullptr);
    sprite.SetTexture(manager->GetTexture(File("missing.bmp")));
    sprite.SetSize(50, 50);
    sprite.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
    EXPECT_EQ(sprite.GetFrameCount(), 0);

    // A corrupt file is handled like a missing one.
    FILE* f = std::fopen(File("corrupt.bmp").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("BM this is not an image", f);
    std::fclose(f);
    EXPECT_FALSE(manager->GetTexture(File("corrupt.bmp"))->loaded);
}

TEST_F(TextureTest, PaletteImageIsNotTrueColourAndNeverDrawn) {
    WritePaletteBmp(File("palette.bmp"), 8, 8);
    CTexture* t = nullptr;
    std::string log = Captured([&] { t = manager->GetTexture(File("palette.bmp")); });
    EXPECT_NE(log.find("WARNING in class CTexture: The image is not truecolor. This will cause problems."),
              std::string::npos)
        << log;
    EXPECT_FALSE(t->loaded);
    Show(t, 40, 40);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

TEST_F(TextureTest, NonPowerOfTwoImageWarnsAndIsShown) {
    WriteBmp(File("wide.bmp"), 100, 64, [](int, int) { return Rgb(0, 0, 255); });
    CTexture* t = nullptr;
    std::string log = Captured([&] { t = manager->GetTexture(File("wide.bmp")); });
    EXPECT_NE(log.find("WARNING in class CTexture: Texture measurements are not a power of 2."),
              std::string::npos);
    ASSERT_TRUE(t->loaded);
    Show(t, 100, 64);
    ExpectColour(Pixel(1, 1), 0, 0, 255);
    ExpectColour(Pixel(98, 62), 0, 0, 255);
    EXPECT_EQ(CountLitPixels(0, 0, 100, 64), 100 * 64);
    EXPECT_EQ(CountLitPixels(100, 0, kWidth - 100, kHeight), 0);
}

TEST_F(TextureTest, ThreeBytePixelsOfOddWidthShowInEveryRow) {
    const int w = 5;
    const int h = 4;
    auto colour = [](int x, int y) { return Rgb(40 * x + 40, 60 * y + 30, 200 - 30 * x); };
    WriteBmp(File("odd.bmp"), w, h, colour);
    CTexture* t = manager->GetTexture(File("odd.bmp"), false);
    ASSERT_TRUE(t->loaded);
    ASSERT_EQ(t->bytesPerPixel, 3);
    // The padded rows are the case under test.
    ASSERT_NE(t->surface->pitch, w * 3);
    t->SetSmooth(false);
    EXPECT_FALSE(t->smooth);

    Show(t, w * 10, h * 10);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            SCOPED_TRACE("texel " + std::to_string(x) + "," + std::to_string(y));
            ExpectColour(Pixel(10 * x + 5, 10 * y + 5), 40 * x + 40, 60 * y + 30, 200 - 30 * x);
        }
    }
}

TEST_F(TextureTest, WritableTextureUploadsChangedPixelsInEitherByteOrder) {
    WriteBmp(File("canvas.bmp"), 2, 2, [](int, int) { return Rgb(255, 0, 0); });
    CTexture* t = manager->GetTexture(File("canvas.bmp"), false);
    t->SetSmooth(false);

    // Red first in memory: RGBA.
    SDL_FreeSurface(t->surface);
    t->surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    SDL_FillRect(t->surface, nullptr, SDL_MapRGBA(t->surface->format, 10, 200, 30, 255));
    ASSERT_TRUE(t->Update());
    EXPECT_EQ(t->format, static_cast<GLenum>(GL_RGBA));
    EXPECT_EQ(t->bytesPerPixel, 4);
    Show(t, 20, 20);
    ExpectColour(Pixel(10, 10), 10, 200, 30);

    // Blue first in memory: BGRA.
    SDL_FreeSurface(t->surface);
    t->surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    SDL_FillRect(t->surface, nullptr, SDL_MapRGBA(t->surface->format, 220, 20, 90, 255));
    ASSERT_TRUE(t->Update());
    EXPECT_EQ(t->format, static_cast<GLenum>(GL_BGRA));
    Show(t, 20, 20);
    ExpectColour(Pixel(10, 10), 220, 20, 90);

    // 16-bit pixels are refused and the texture is no longer drawn.
    SDL_FreeSurface(t->surface);
    t->surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 16, 0xF800, 0x7E0, 0x1F, 0);
    EXPECT_FALSE(t->Update());
    EXPECT_FALSE(t->loaded);
    glClear(GL_COLOR_BUFFER_BIT);
    Show(t, 20, 20);
    EXPECT_EQ(CountLitPixels(0, 0, 40, 40), 0);
}

TEST_F(TextureTest, UnloadAllEmptiesTheRegistry) {
    std::string log = Captured([&] { manager->UnloadAll(); });
    EXPECT_EQ(log, "STATUS in class CTextureManager: All textures unloaded.\n");

    WriteBmp(File("x.bmp"), 2, 2, [](int, int) { return Rgb(1, 2, 3); });
    manager->GetTexture(File("x.bmp"));
    log = Captured([&] { manager->UnloadAll(); });
    EXPECT_EQ(manager->Count(), 0);
    EXPECT_NE(log.find("STATUS in class CTexture: Texture " + TextureName(File("x.bmp")) +
                       " unloaded successfully."),
              std::string::npos);
    log = Captured([&] { manager.reset(); });
    EXPECT_NE(log.find("STATUS in class CTextureManager: Instance removed."), std::string::npos);
}
