#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/image_sprite.h"
#include "engine/picture_decoder.h"
#include "engine/texture.h"
#include "engine/texture_manager.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

class TextureTest : public GLTest {
protected:
    static void Show(CTexture* t, double w, double h) {
        CImageSprite sprite(nullptr);
        sprite.SetTexture(t);
        sprite.SetSize(w, h);
        sprite.Draw(nullptr);
    }

    static Uint32 Rgb(Rgba p) { return static_cast<Uint32>(p.r << 16 | p.g << 8 | p.b); }

    TempFolder folder;
    CTextureManager manager;
};

TEST_F(TextureTest, OneEntryPerNameAFailedFileIsNeitherRetriedNorDrawnAndEveryTexelAndWrittenPixelShows) {
    const std::string file = WriteSolidBmp(folder.File("red.bmp"), 4, 4, 0xFF0000);
    WriteSolidBmp(folder.File("other.bmp"), 4, 4, 0xFF0000);
    CTexture* red = manager.GetTexture(folder.File("RED.BMP"));
    EXPECT_EQ(manager.GetTexture(file), red);
    manager.GetTexture(folder.File("other.bmp"));

    // A reload takes the changed file into the same place of the registry.
    WriteSolidBmp(file, 16, 8, 0x00FF00);
    EXPECT_EQ(manager.GetTexture(file)->width, 4);
    EXPECT_EQ(manager.GetTexture(file, true, true)->width, 16);
    EXPECT_EQ(manager.FindTexture(TextureName(file)), 0);

    manager.UnloadTexture(folder.File("Red.bmp"));
    EXPECT_EQ(manager.FindTexture(TextureName(folder.File("other.bmp"))), 0);

    CTexture* missing = nullptr;
    const std::string log = Logged([&] {
        missing = manager.GetTexture(folder.File("missing.bmp"));
        EXPECT_EQ(manager.GetTexture(folder.File("Missing.bmp")), missing);
    });
    const std::string error = "ERROR in class CTexture: Failed to load texture from " +
                              TextureName(folder.File("missing.bmp")) + ", SDL reports: ";
    EXPECT_EQ(log.find(error, 1), std::string::npos) << "loaded twice:\n" << log;

    // A palette image is neither loaded nor drawn (oversized pictures: the bad-input catalogue's cases).
    SDL_Surface* palette = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 8, 0, 0, 0, 0);
    ASSERT_EQ(SDL_SaveBMP(palette, folder.File("palette.bmp").c_str()), 0);
    SDL_FreeSurface(palette);
    Logged([&] {
        for (const char* name : {"missing.bmp", "palette.bmp"}) {
            Show(manager.GetTexture(folder.File(name)), 50, 50);
            EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0) << name;
        }
    });

    const int w = 5, h = 4;
    auto colour = [](int x, int y) {
        return static_cast<Uint32>((40 * x + 40) << 16 | (60 * y + 30) << 8 | (200 - 30 * x));
    };
    CTexture* t = manager.GetTexture(WriteBmp(folder.File("odd.bmp"), w, h, colour), false);
    // The padded rows are the case under test.
    ASSERT_NE(t->surface->pitch, w * 3);
    t->SetSmooth(false);

    Show(t, w * 10, h * 10);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            EXPECT_EQ(Rgb(Pixel(10 * x + 5, 10 * y + 5)), colour(x, y)) << "texel " << x << "," << y;
        }
    }

    // Written pixels are uploaded red first in memory (RGBA), then blue first (BGRA; the other mask end).
    for (const Uint32 redMask : {0xFFu, 0xFF0000u}) {
        SDL_FreeSurface(t->surface);
        t->surface =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 32, redMask, 0xFF00, 0xFF00FF ^ redMask, 0xFF000000);
        const Uint32 colour = redMask == 0xFF ? 0x0AC81E : 0xDC145A;
        SDL_FillRect(t->surface, nullptr,
                     SDL_MapRGBA(t->surface->format, colour >> 16, colour >> 8 & 0xFF, colour & 0xFF, 255));
        ASSERT_TRUE(t->Update());
        Show(t, 20, 20);
        EXPECT_EQ(Rgb(Pixel(10, 10)), colour);
    }

    // 16-bit pixels are refused and the texture is no longer drawn.
    SDL_FreeSurface(t->surface);
    t->surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 16, 0xF800, 0x7E0, 0x1F, 0);
    EXPECT_FALSE(t->Update());
    glClear(GL_COLOR_BUFFER_BIT);
    Show(t, 20, 20);
    EXPECT_EQ(CountLitPixels(0, 0, 40, 40), 0);
}

// A small picture drawn from an atlas page looks as it does from a texture of its own: magnified, so
// that its edges show the filtering against the transparent border, and again with a nearest filter,
// which takes it out of the page. Larger pictures keep textures of their own.
TEST_F(TextureTest, PicturesInAnAtlasDrawAsFromTexturesOfTheirOwn) {
    auto colour = [](int x, int y) {
        auto level = [](int v) { return static_cast<Uint32>(v & 0xFF); };
        return level(30 * x + 15) << 24 | level(30 * y) << 16 | level(255 - 20 * x) << 8 |
               level(25 * (x ^ y));
    };
    const std::string first = WriteTga(folder.File("first.tga"), 8, 8, colour);
    const std::string second = WriteTga(folder.File("second.tga"), 4, 8, colour);
    const std::string large =
        WriteTga(folder.File("large.tga"), 2 * CTextureAtlas::kLargestPicture, 2, colour);
    CTextureManager atlased;
    atlased.UseAtlas();
    auto frame = [](CTexture* t) {
        glClear(GL_COLOR_BUFFER_BIT);
        Show(t, t->width * 12.0, t->height * 12.0);
        std::vector<Uint8> pixels(kWidth * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    EXPECT_EQ(atlased.GetTexture(first)->id, atlased.GetTexture(second)->id) << "one page for both";
    EXPECT_NE(atlased.GetTexture(large)->id, atlased.GetTexture(first)->id);
    for (const std::string& file : {first, second}) {
        CTexture* own = manager.GetTexture(file);
        CTexture* placed = atlased.GetTexture(file);
        for (const bool smooth : {true, false}) {
            own->SetSmooth(smooth);
            placed->SetSmooth(smooth);
            const std::vector<Uint8> expected = frame(own);
            const std::vector<Uint8> drawn = frame(placed);
            int worst = 0;
            for (size_t i = 0; i < expected.size(); ++i) {
                worst = std::max(worst, std::abs(expected[i] - drawn[i]));
            }
            // Coordinates in the page round differently, by a level at most.
            EXPECT_LE(worst, 1) << file << (smooth ? " smooth" : " nearest");
        }
    }
}

// A registry kept for a second load hands out what is unchanged without decoding it again, and
// loads anew what was rewritten, replaced by another file, missing before or loaded for writing;
// what the second load does not ask for goes at its end.
TEST_F(TextureTest, ReuseDecodesOnlyChangedMissingAndWritablePicturesAndDropsUnaskedOnes) {
    std::vector<std::string> files;
    for (const char* name : {"same.bmp", "unasked.bmp", "rewritten.bmp", "replaced.bmp", "writable.bmp"}) {
        files.push_back(WriteSolidBmp(folder.File(name), 4, 4, 0xFF0000));
    }
    const std::string late = folder.File("late.bmp");
    for (const std::string& file : files) {
        manager.GetTexture(file, file != files[4]);
    }
    Logged([&] { manager.GetTexture(late); });
    EXPECT_TRUE(manager.Holds(files[0]));
    EXPECT_FALSE(manager.Holds(files[4]) || manager.Holds(late));
    CTexture* same = manager.GetTexture(files[0]);

    WriteSolidBmp(files[2], 8, 4, 0x00FF00);
    ASSERT_EQ(rename(WriteSolidBmp(folder.File("new.bmp"), 4, 4, 0x0000FF).c_str(), files[3].c_str()), 0);
    WriteSolidBmp(late, 2, 2, 0x0000FF);
    manager.BeginReuse();
    EXPECT_EQ(manager.Count(), 2);
    const std::string log = Logged([&] {
        EXPECT_EQ(manager.GetTexture(files[0]), same);
        EXPECT_EQ(manager.GetTexture(files[2])->width, 8);
        for (const std::string& file : {files[3], files[4], late}) {
            EXPECT_TRUE(manager.GetTexture(file)->loaded) << file;
        }
    });
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(log.find(TextureName(files[i]) + " loaded") == std::string::npos, i < 2) << log;
    }
    manager.EndReuse();
    EXPECT_EQ(manager.FindTexture(TextureName(files[1])), -1);
    EXPECT_EQ(manager.Count(), 5);
}

// Released, a read-only picture frees its texture and draws nothing until restored; a writable one,
// which holds changes no file has, and one that failed to load are left as they are.
TEST_F(TextureTest, ReleasedPicturesDrawAgainOnceRestored) {
    CTexture* red = manager.GetTexture(WriteSolidBmp(folder.File("red.bmp"), 4, 4, 0xFF0000));
    CTexture* writable = manager.GetTexture(WriteSolidBmp(folder.File("green.bmp"), 4, 4, 0x00FF00), false);
    CTexture* missing = nullptr;
    Logged([&] { missing = manager.GetTexture(folder.File("missing.bmp")); });
    red->SetSmooth(false);
    const GLuint id = red->id;
    manager.Release();
    EXPECT_FALSE(red->loaded || glIsTexture(id));
    EXPECT_TRUE(writable->loaded);
    Show(red, 50, 50);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
    Logged([&] { manager.Restore(); });
    EXPECT_TRUE(red->loaded && !missing->loaded);
    EXPECT_EQ(red->smooth, false);
    Show(red, 50, 50);
    EXPECT_EQ(CountLitPixels(0, 0, 50, 50), 2500);
    EXPECT_EQ(Rgb(Pixel(25, 25)), 0xFF0000u);
}

// Every picture comes out as decoding it directly gives it, whoever decoded it; files that cannot be
// decoded ahead (missing, a FIFO that would block) neither hang the decoder nor hide the reason.
TEST(PictureDecoderTest, HandsOutEachPictureAsDecodingItDirectlyWould) {
    TempFolder folder;
    // Grey pictures named after their size, grey w, so that mixed-up results show; the last is not listed.
    std::vector<std::string> files;
    for (int i = 1; i <= 7; ++i) {
        const int w = i < 7 ? 8 * i : 5, h = 3 + i;
        const std::string name = std::to_string(w) + "x" + std::to_string(h) + ".bmp";
        files.push_back(WriteSolidBmp(folder.File(name), w, h, w * 0x010101u));
    }
    const std::string fifo = folder.File("fifo.bmp"), missing = folder.File("missing.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> listed(files.begin(), files.end() - 1);
    const CPictureDecoder second(listed);
    listed.insert(listed.end(), {fifo, missing});
    CPictureDecoder decoder(listed);
    files.push_back(files[0]);
    for (const std::string& file : files) {
        std::string error;
        SDL_Surface* s = DecodePicture(file, error);
        ASSERT_NE(s, nullptr) << file << ": " << error;
        EXPECT_EQ(file, folder.File(std::to_string(s->w) + "x" + std::to_string(s->h) + ".bmp"));
        EXPECT_EQ(static_cast<Uint8*>(s->pixels)[0], s->w) << file;
        SDL_FreeSurface(s);
    }
    std::string error;
    EXPECT_TRUE(DecodePicture(missing, error) == nullptr && !error.empty());
}

}  // namespace
