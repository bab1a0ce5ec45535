#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/font.h"
#include "engine/font_factory.h"
#include "engine/game_base.h"
#include "engine/log.h"
#include "tests/support/gl_test.h"

namespace {

const std::string kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const SDL_Color kWhite{255, 255, 255, 0};

// Fonts need SDL_ttf but no window.
class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(TTF_Init(), 0);
        EnableLogging();
    }
    void TearDown() override {
        factory.reset();
        TTF_Quit();
    }

    CFont* Sans(int size) { return factory->GetFont(kSans, size); }

    std::unique_ptr<CFontFactory> factory = std::make_unique<CFontFactory>();
};

struct Extent {
    int w = 0;
    int h = 0;
};

Extent SizeOf(CFont* font, const std::string& text) {
    Extent e;
    TTF_SizeText(font->ttf, text.c_str(), &e.w, &e.h);
    return e;
}

Uint8 AlphaAt(SDL_Surface* s, int x, int y) {
    const Uint32 pixel = static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
    return static_cast<Uint8>(pixel >> 24);
}

// Number of pixels with some coverage inside the rectangle.
int CountInked(SDL_Surface* s, int x, int y, int w, int h) {
    int inked = 0;
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
            inked += AlphaAt(s, col, row) != 0 ? 1 : 0;
        }
    }
    return inked;
}

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Surface Target(int w, int h) {
    return Surface(CreateTextSurface(w, h));
}

std::string TempFolder() {
    char pattern[] = "/tmp/asphaltia_font_XXXXXX";
    return mkdtemp(pattern) != nullptr ? pattern : "";
}

}  // namespace

TEST_F(FontTest, FactorySharesAFontByNameAndSizeButNotAcrossSizes) {
    CFont* a = Sans(12);
    ASSERT_NE(a->ttf, nullptr);
    EXPECT_EQ(factory->GetFont(kSans, 12), a);
    EXPECT_EQ(factory->GetFont("/usr/share/fonts/truetype/dejavu/DEJAVUSANS.TTF", 12), a);
    EXPECT_EQ(a->fileName, "/usr/share/fonts/truetype/dejavu/dejavusans.ttf");
    EXPECT_EQ(a->size, 12);

    CFont* b = Sans(20);
    EXPECT_NE(b, a);
    ASSERT_NE(b->ttf, nullptr);
    EXPECT_GT(TTF_FontHeight(b->ttf), TTF_FontHeight(a->ttf));
    EXPECT_NE(factory->GetFont(kMono, 12), a);
}

TEST_F(FontTest, MissingCorruptOrSizelessFontsLogAndPrintNothing) {
    const std::string folder = TempFolder();
    ASSERT_FALSE(folder.empty());
    const std::string corrupt = folder + "/corrupt.ttf";
    std::ofstream(corrupt) << "this is not a TrueType font";

    testing::internal::CaptureStdout();
    CFont* missing = factory->GetFont("/no/such/folder/gone.ttf", 12);
    CFont* broken = factory->GetFont(corrupt, 12);
    CFont* sizeless = factory->GetFont(kSans, 0);
    const std::string log = testing::internal::GetCapturedStdout();
    std::filesystem::remove_all(folder);

    EXPECT_NE(
        log.find("ERROR in class CFont: Failed to load font file /no/such/folder/gone.ttf, SDL reports: "),
        std::string::npos)
        << log;
    // Fonts are registered under their lower-cased name, and that is the name they report.
    EXPECT_NE(
        log.find("ERROR in class CFont: Failed to load font file " + broken->fileName + ", SDL reports: "),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("Failed to load font file " + factory->GetFont(kSans, 0)->fileName + ", the size 0"),
              std::string::npos)
        << log;
    for (CFont* font : {missing, broken, sizeless}) {
        EXPECT_EQ(font->ttf, nullptr);
    }
    // A failed font stays registered, so asking again neither reopens nor logs.
    testing::internal::CaptureStdout();
    EXPECT_EQ(factory->GetFont("/no/such/folder/gone.ttf", 12), missing);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    Surface target = Target(64, 32);
    SDL_Rect rect{0, 0, 64, 32};
    missing->Print("Hello", kWhite, ALIGN_LEFT, ALIGN_TOP, &rect, target.get());
    missing->PrintMultiLine("Hello\nthere", kWhite, ALIGN_LEFT, ALIGN_TOP, 2, &rect, target.get());
    EXPECT_EQ(CountInked(target.get(), 0, 0, 64, 32), 0);
    EXPECT_EQ(rect.w, 64);
}

TEST_F(FontTest, RegistryLogsItsLifeAndRemovesEveryFont) {
    testing::internal::CaptureStdout();
    factory.reset();
    factory = std::make_unique<CFontFactory>();
    Sans(12);
    factory.reset();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log,
              "STATUS in class CFontFactory: All fonts removed. Why, WHY would you do that?!\n"
              "STATUS in class CFontFactory: Instance removed.\n"
              "STATUS in class CFontFactory: Instance initialized. Did nothing. Great success!\n"
              "STATUS in class CFontFactory: All fonts removed. Why, WHY would you do that?!\n"
              "STATUS in class CFontFactory: Instance removed.\n");
}

TEST_F(FontTest, PrintAlignsOneLineInsideTheRectAndReportsWhereItWent) {
    CFont* font = Sans(12);
    const Extent text = SizeOf(font, "Hi");

    Surface target = Target(64, 40);
    SDL_Rect rect{0, 0, 64, 40};
    font->Print("Hi", kWhite, ALIGN_RIGHT, ALIGN_TOP, &rect, target.get());
    EXPECT_EQ(rect.x, 64 - text.w);
    EXPECT_EQ(rect.y, 0);
    EXPECT_EQ(rect.w, text.w);
    EXPECT_EQ(rect.h, text.h);
    EXPECT_GT(CountInked(target.get(), rect.x, 0, text.w, text.h), 0);
    EXPECT_EQ(CountInked(target.get(), 0, 0, rect.x, 40), 0);
    EXPECT_EQ(CountInked(target.get(), 0, text.h, 64, 40 - text.h), 0);

    Surface centred = Target(64, 40);
    rect = SDL_Rect{4, 2, 50, 30};
    font->Print("Hi", kWhite, ALIGN_CENTER, ALIGN_BOTTOM, &rect, centred.get());
    EXPECT_EQ(rect.x, 4 + static_cast<int>((50 - text.w) * 0.5));
    EXPECT_EQ(rect.y, 2 + 30 - text.h);
}

TEST_F(FontTest, TextWiderThanTheTargetIsCutAtItsEdge) {
    CFont* font = Sans(12);
    const std::string text = "A line far too long for such a narrow surface";
    const Extent size = SizeOf(font, text);
    ASSERT_GT(size.w, 64);

    Surface target = Target(64, 16);
    SDL_Rect rect{0, 0, 64, 16};
    font->Print(text, kWhite, ALIGN_LEFT, ALIGN_TOP, &rect, target.get());
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.w, 64);
    EXPECT_EQ(rect.h, std::min(size.h, 16));

    // Centred, the text starts left of the target and both ends are cut.
    rect = SDL_Rect{0, 0, 64, 16};
    font->Print(text, kWhite, ALIGN_CENTER, ALIGN_TOP, &rect, target.get());
    EXPECT_EQ(rect.x, static_cast<int>((64 - size.w) * 0.5));
    EXPECT_LT(rect.x, 0);
}

TEST_F(FontTest, MultiLineBlockCentresItsLinesAndSkipsEmptyOnes) {
    CFont* font = Sans(16);
    const Extent one = SizeOf(font, "i");
    const Extent two = SizeOf(font, "WW");
    ASSERT_GT(two.w, one.w);

    Surface target = Target(128, 64);
    SDL_Rect rect{0, 0, 128, 64};
    font->PrintMultiLine("i\nWW", kWhite, ALIGN_LEFT, ALIGN_TOP, 4, &rect, target.get());
    EXPECT_EQ(rect.w, two.w);
    EXPECT_EQ(rect.h, one.h + two.h + 4);

    // Centred within the block: nothing of the short line lies outside its centred span.
    Surface aligned = Target(128, 64);
    SDL_Rect alignedRect{0, 0, 128, 64};
    font->PrintMultiLine("i\nWW", kWhite, ALIGN_CENTER, ALIGN_TOP, 4, &alignedRect, aligned.get());
    const int start = static_cast<int>((two.w - one.w) * 0.5) + alignedRect.x;
    EXPECT_GT(CountInked(aligned.get(), start, 0, one.w, one.h), 0);
    EXPECT_EQ(CountInked(aligned.get(), 0, 0, start, one.h), 0);
    EXPECT_EQ(CountInked(aligned.get(), start + one.w, 0, 128 - start - one.w, one.h), 0);
    EXPECT_EQ(CountInked(aligned.get(), 0, one.h, 128, 4), 0);

    Surface padded = Target(128, 64);
    SDL_Rect paddedRect{0, 0, 128, 64};
    font->PrintMultiLine("\ni\n\nWW\n", kWhite, ALIGN_LEFT, ALIGN_TOP, 4, &paddedRect, padded.get());
    EXPECT_EQ(paddedRect.w, two.w);
    EXPECT_EQ(paddedRect.h, one.h + two.h + 4);
}

TEST_F(FontTest, SpacingThatLeavesNoRoomIsLoggedNotDrawn) {
    CFont* font = Sans(12);
    Surface target = Target(64, 64);
    SDL_Rect rect{0, 0, 64, 64};
    testing::internal::CaptureStdout();
    font->PrintMultiLine("a\nb", kWhite, ALIGN_LEFT, ALIGN_TOP, -1000, &rect, target.get());
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("WARNING in class CFont: No room for the text"), std::string::npos) << log;
    EXPECT_EQ(CountInked(target.get(), 0, 0, 64, 64), 0);
    EXPECT_EQ(rect.w, 64);
}

class FontOnScreenTest : public GLTest {};

TEST_F(FontOnScreenTest, ApplicationCreatesTheRegistryOnceOnFirstAccess) {
    EnableLogging();
    testing::internal::CaptureStdout();
    CFontFactory* first = app->GetFontFactory();
    CFontFactory* second = app->GetFontFactory();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(first, second);
    EXPECT_EQ(log,
              "STATUS in class CGameBase: Instantiating Font Factory on first access...\n"
              "STATUS in class CFontFactory: Instance initialized. Did nothing. Great success!\n");
}

TEST_F(FontOnScreenTest, PrintWithoutTargetDrawsStraightToTheScreen) {
    CFont* font = app->GetFontFactory()->GetFont(kSans, 14);
    SDL_Rect rect{16, 40, 96, 30};
    font->Print("Ok", kWhite, ALIGN_LEFT, ALIGN_TOP, &rect, nullptr);
    EXPECT_EQ(rect.x, 16);
    EXPECT_EQ(rect.y, 40);
    const Extent size = SizeOf(font, "Ok");
    const int inside = CountLitPixels(16, 40, size.w, size.h);
    EXPECT_GT(inside, 0);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), inside);
}
