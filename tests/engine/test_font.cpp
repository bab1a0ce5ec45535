#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/font.h"
#include "engine/font_factory.h"
#include "engine/geometry.h"
#include "engine/log.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"

namespace {

const std::string kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const SDL_Color kWhite{255, 255, 255, 0};

// The size of one line of text in the font.
SDL_Rect SizeOf(CFont* font, const std::string& text) {
    int w = 0, h = 0;
    TTF_SizeText(font->ttf, text.c_str(), &w, &h);
    return {0, 0, static_cast<Uint16>(w), static_cast<Uint16>(h)};
}

using Surface = std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)>;

// Number of pixels with some coverage (alpha) inside the rectangle.
int CountInked(const Surface& s, int x, int y, int w, int h) {
    int inked = 0;
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
            inked += (static_cast<Uint32*>(s->pixels)[row * (s->pitch / 4) + col] >> 24) != 0 ? 1 : 0;
        }
    }
    return inked;
}

class FontTest : public GLTest {
protected:
    CFont* Font(const std::string& name, int size) { return app->GetFontFactory()->GetFont(name, size); }
    CFont* Sans(int size) { return Font(kSans, size); }
};

}  // namespace

TEST_F(FontTest, TheFactorySharesFontsAndKeepsFailedOnesThatPrintNothing) {
    CFont* sans = Sans(12);
    ASSERT_NE(sans->ttf, nullptr);
    EXPECT_EQ(Font("/usr/share/fonts/truetype/dejavu/DEJAVUSANS.TTF", 12), sans);
    EXPECT_NE(Sans(20), sans);
    // A failed font is kept, not reopened.
    const std::string gone = "/no/such/folder/gone.ttf";
    CFont* missing = nullptr;
    CFont* sizeless = nullptr;
    const std::string log = Logged([&] {
        missing = Font(gone, 12);
        sizeless = Sans(0);
        EXPECT_EQ(Font(gone, 12), missing);
    });
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    Surface target(CreateTextSurface(64, 32), SDL_FreeSurface);
    SDL_Rect rect{0, 0, 64, 32};
    missing->Print("Hello", kWhite, ALIGN_LEFT, ALIGN_TOP, &rect, target.get());
    sizeless->PrintMultiLine("Hello\nthere", kWhite, ALIGN_LEFT, ALIGN_TOP, 2, &rect, target.get());
    EXPECT_EQ(CountInked(target, 0, 0, 64, 32), 0);
}

TEST_F(FontTest, MultiLineTextStacksCentredLinesSkipsEmptyOnesAndNeedsRoom) {
    CFont* font = Sans(16);
    const SDL_Rect one = SizeOf(font, "i");
    const SDL_Rect two = SizeOf(font, "WW");
    Surface target(CreateTextSurface(128, 64), SDL_FreeSurface);
    SDL_Rect rect{0, 0, 128, 64};
    font->PrintMultiLine("\ni\n\nWW\n", kWhite, ALIGN_CENTER, ALIGN_TOP, 4, &rect, target.get());
    EXPECT_EQ(Point(rect.w, rect.h), Point(two.w, one.h + two.h + 4));
    // The short line lies in its centred span; the spacing below it stays empty.
    const int start = rect.x + (two.w - one.w) / 2;
    EXPECT_EQ(CountInked(target, 0, 0, 128, one.h), CountInked(target, start, 0, one.w, one.h));
    EXPECT_EQ(CountInked(target, 0, one.h, 128, 4), 0);

    SDL_FillRect(target.get(), nullptr, 0);
    const std::string log = Logged(
        [&] { font->PrintMultiLine("a\nb", kWhite, ALIGN_LEFT, ALIGN_TOP, -1000, &rect, target.get()); });
    EXPECT_NE(log.find("WARNING in class CFont: No room for the text"), std::string::npos) << log;
    EXPECT_EQ(CountInked(target, 0, 0, 128, 64), 0);
}
