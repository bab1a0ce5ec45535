#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/font.h"
#include "engine/font_factory.h"
#include "engine/geometry.h"
#include "engine/label_sprite.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"

namespace {

const std::string kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const SDL_Color kWhite{255, 255, 255, 0};

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
    // A white label at (x, y) whose text box fills it.
    static void Place(CLabelSprite& label, int x, int y, int w, int h) {
        label.SetPosition(x, y);
        label.SetSize(w, h);
        label.depthTest = false;
        label.SetColor(SDL_Color{255, 255, 255, 0});
        label.SetTextBox(0, 0, w, h);
    }
    static Lit Redraw(CLabelSprite& label) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        label.Draw(nullptr);
        return LitArea();
    }
    static std::vector<uint8_t> Screen(CLabelSprite& label) {
        Redraw(label);
        std::vector<uint8_t> pixels(kWidth * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    CFont* const font = Sans(14);
};

}  // namespace

// Counts how often the label renders its text and shows the surface it rendered to.
class CCountingLabel : public CLabelSprite {
public:
    using CLabelSprite::CLabelSprite;
    void RenderText() override {
        ++renders;
        CLabelSprite::RenderText();
    }
    std::pair<int, int> TextureSize() const { return {textWidth, textHeight}; }

    int renders = 0;
};

// What a failed font prints: the labels below in one line, the bad-input catalogue in many.
TEST_F(FontTest, FontsAreSharedFailedOnesKeptLinesStackedAndLabelsAlignCutAndRenderOnlyChanges) {
    CFont* sans = Sans(12);
    ASSERT_NE(sans->ttf, nullptr);
    EXPECT_EQ(Font("/usr/share/fonts/truetype/dejavu/DEJAVUSANS.TTF", 12), sans);
    // A failed font is kept, not reopened; one without a size fails too.
    const std::string gone = "/no/such/folder/gone.ttf";
    const std::string log = Logged([&] {
        CFont* missing = Font(gone, 12);
        Sans(0);
        EXPECT_EQ(Font(gone, 12), missing);
    });
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;

    CFont* big = Sans(16);
    const SDL_Rect one = SizeOf(big, "i");
    const SDL_Rect two = SizeOf(big, "WW");
    Surface target(CreateTextSurface(128, 64), SDL_FreeSurface);
    SDL_Rect rect{0, 0, 128, 64};
    big->PrintMultiLine("\ni\n\nWW\n", kWhite, ALIGN_CENTER, ALIGN_TOP, 4, &rect, target.get());
    EXPECT_EQ(Point(rect.w, rect.h), Point(two.w, one.h + two.h + 4));
    // The short line lies in its centred span; the spacing below it stays empty.
    const int start = rect.x + (two.w - one.w) / 2;
    EXPECT_EQ(CountInked(target, 0, 0, 128, one.h), CountInked(target, start, 0, one.w, one.h));
    EXPECT_EQ(CountInked(target, 0, one.h, 128, 4), 0);

    SDL_FillRect(target.get(), nullptr, 0);
    const std::string room = Logged(
        [&] { big->PrintMultiLine("a\nb", kWhite, ALIGN_LEFT, ALIGN_TOP, -1000, &rect, target.get()); });
    EXPECT_NE(room.find("WARNING in class CFont: No room for the text"), std::string::npos) << room;
    EXPECT_EQ(CountInked(target, 0, 0, 128, 64), 0);

    CCountingLabel label(nullptr, font);
    Place(label, 10, 20, 100, 60);
    label.SetText("Move");
    label.SetAlignH(ALIGN_LEFT);
    label.SetAlignV(ALIGN_TOP);
    const Lit topLeft = Redraw(label);
    // Within a few pixels of the box's edges (glyphs have side bearings and line gaps).
    EXPECT_NEAR(topLeft.left, 11.5, 1.5);
    EXPECT_NEAR(topLeft.top, 22.5, 2.5);
    label.SetAlignH(ALIGN_RIGHT);
    label.SetAlignV(ALIGN_BOTTOM);
    const Lit bottomRight = Redraw(label);
    EXPECT_NEAR(bottomRight.right, 107.5, 1.5);
    EXPECT_NEAR(bottomRight.bottom, 74.5, 4.5);

    // A label narrower than its text box cuts the text at its own edge.
    Place(label, 10, 10, 40, 20);
    label.SetTextBox(0, 0, 110, 20);
    label.SetAlignH(ALIGN_LEFT);
    label.SetText("Wide words run on");
    const Lit cut = Redraw(label);
    EXPECT_TRUE(cut.right < 50 && cut.right > 40);
    // Without any font, or with one that failed to load, nothing shows.
    for (CFont* none : {static_cast<CFont*>(nullptr), app->GetFontFactory()->GetFont("/no/such.ttf", 14)}) {
        label.SetFont(none);
        EXPECT_EQ(Redraw(label).left, -1);
    }

    label.SetFont(font);
    Place(label, 0, 0, 100, 30);
    label.SetText("Lap 1");
    const std::vector<uint8_t> lap1 = Screen(label);
    const int afterFirst = label.renders;
    // Setting what it has already changes nothing.
    label.SetText("Lap 1");
    label.SetTextBox(0, 0, 100, 30);
    // Texts shown before, one per further player, come back without rendering and look the same.
    for (const char* text : {"Lap 2", "Lap 3", "Lap 4", "Lap 1", "Lap 3"}) {
        label.SetText(text);
    }
    EXPECT_EQ(label.renders, afterFirst + 3);
    label.SetText("Lap 1");
    EXPECT_EQ(Screen(label), lap1);
    // Released, it holds no texture and renders its text again when next drawn, looking the same.
    label.ReleaseText();
    EXPECT_EQ(label.TextureSize(), std::make_pair(0, 0));
    EXPECT_EQ(label.renders, afterFirst + 3);
    EXPECT_EQ(Screen(label), lap1);
    // A moved box shapes every text anew.
    label.SetTextBox(5, 2, 100, 30);
    label.SetText("Lap 2");
    label.SetTextBox(5, 2, 200, 30);
    EXPECT_EQ(label.renders, afterFirst + 6);
    EXPECT_EQ(label.TextureSize(), std::make_pair(256, 32));
    // An empty box has nothing to show.
    label.SetTextBox(0, 0, -5, 30);
    EXPECT_EQ(label.TextureSize(), std::make_pair(0, 0));

    const std::string huge = Logged([&] { label.SetTextBox(0, 0, 1e6, 20); });
    EXPECT_NE(huge.find("Text area of 1e+006 x 20 pixels exceeds the largest"), std::string::npos) << huge;
    EXPECT_EQ(label.TextureSize().first, MaxTextureSide());
}
