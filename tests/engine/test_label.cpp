#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/font.h"
#include "engine/font_factory.h"
#include "engine/label_sprite.h"
#include "engine/log.h"
#include "tests/support/gl_test.h"

// Counts how often the label renders its text and shows the surface it rendered to.
class CCountingLabel : public CLabelSprite {
public:
    using CLabelSprite::CLabelSprite;
    void RenderText() override {
        ++renders;
        CLabelSprite::RenderText();
    }
    const SDL_Surface* Surface() const { return textSurface; }

    int renders = 0;
};

namespace {

const std::string kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const SDL_Color kWhite{255, 255, 255, 0};

// The extent of lit pixels on the screen: columns and rows that have any.
struct LitBounds {
    int left = -1;
    int right = -1;
    int top = -1;
    int bottom = -1;
};

}  // namespace

class LabelTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        EnableLogging();
    }

    CFont* Sans(int size) { return app->GetFontFactory()->GetFont(kSans, size); }

    // A white label at (x, y) whose text box fills it.
    static void Place(CLabelSprite& label, int x, int y, int w, int h) {
        label.SetPosition(x, y);
        label.SetSize(w, h);
        label.depthTest = false;
        label.SetColor(kWhite);
        label.SetTextBox(0, 0, w, h);
    }

    static LitBounds Bounds() {
        LitBounds b;
        for (int col = 0; col < kWidth; ++col) {
            if (CountLitPixels(col, 0, 1, kHeight) > 0) {
                b.left = b.left < 0 ? col : b.left;
                b.right = col;
            }
        }
        for (int row = 0; row < kHeight; ++row) {
            if (CountLitPixels(0, row, kWidth, 1) > 0) {
                b.top = b.top < 0 ? row : b.top;
                b.bottom = row;
            }
        }
        return b;
    }

    // Separate horizontal bands of lit rows, top to bottom.
    static int LitBands() {
        int bands = 0;
        bool inBand = false;
        for (int row = 0; row < kHeight; ++row) {
            const bool lit = CountLitPixels(0, row, kWidth, 1) > 0;
            bands += lit && !inBand ? 1 : 0;
            inBand = lit;
        }
        return bands;
    }

    static void Redraw(CLabelSprite& label) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        label.Draw(nullptr);
    }
};

TEST_F(LabelTest, TextLightsPixelsInsideItsBoxAndNowhereElse) {
    CLabelSprite label(nullptr, Sans(14));
    Place(label, 20, 30, 80, 24);
    label.SetText("Hello");
    label.Draw(nullptr);
    const int inside = CountLitPixels(20, 30, 80, 24);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), inside);
}

TEST_F(LabelTest, NothingIsRenderedBeforeASetterAsksForIt) {
    CCountingLabel label(nullptr, Sans(14));
    label.SetSize(80, 24);
    label.Draw(nullptr);
    EXPECT_EQ(label.renders, 0);
    EXPECT_EQ(label.Surface(), nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

TEST_F(LabelTest, AlignmentMovesTheTextToTheEdgesAndCentreOfTheBox) {
    CLabelSprite label(nullptr, Sans(14));
    Place(label, 10, 20, 100, 60);
    label.SetText("Move");

    label.SetAlignH(ALIGN_LEFT);
    label.SetAlignV(ALIGN_TOP);
    Redraw(label);
    const LitBounds topLeft = Bounds();
    EXPECT_GE(topLeft.left, 10);
    EXPECT_LE(topLeft.left, 13);
    EXPECT_GE(topLeft.top, 20);
    EXPECT_LE(topLeft.top, 25);

    label.SetAlignH(ALIGN_RIGHT);
    label.SetAlignV(ALIGN_BOTTOM);
    Redraw(label);
    const LitBounds bottomRight = Bounds();
    EXPECT_LE(bottomRight.right, 109);
    EXPECT_GE(bottomRight.right, 106);
    EXPECT_LE(bottomRight.bottom, 79);
    EXPECT_GE(bottomRight.bottom, 70);
    // The same glyphs, only moved.
    EXPECT_EQ(bottomRight.right - bottomRight.left, topLeft.right - topLeft.left);

    label.SetAlignH(ALIGN_CENTER);
    label.SetAlignV(ALIGN_CENTER);
    Redraw(label);
    const LitBounds centre = Bounds();
    EXPECT_NEAR((centre.left + centre.right) / 2.0, 10 + 50, 3.0);
    EXPECT_NEAR((centre.top + centre.bottom) / 2.0, 20 + 30, 4.0);
}

TEST_F(LabelTest, MultiLineTextLightsSeparateRows) {
    CLabelSprite label(nullptr, Sans(12));
    Place(label, 4, 4, 120, 120);
    label.SetText("ace\nmno\nsuv");
    label.SetLineSpacing(6);
    Redraw(label);
    EXPECT_EQ(LitBands(), 1);

    label.SetMultiLine(true);
    Redraw(label);
    EXPECT_EQ(LitBands(), 3);
}

TEST_F(LabelTest, OnlyChangesThatAffectTheTextRenderItAgain) {
    CCountingLabel label(nullptr, Sans(14));
    Place(label, 0, 0, 100, 30);
    label.SetText("Lap 1");
    const int afterFirst = label.renders;

    label.SetText("Lap 1");
    label.SetTextBox(5, 2, 100, 30);
    label.SetAlignH(label.GetAlignH());
    label.SetAlignV(label.GetAlignV());
    label.SetLineSpacing(label.GetLineSpacing());
    label.SetMultiLine(label.IsMultiLine());
    EXPECT_EQ(label.renders, afterFirst);

    label.SetText("Lap 2");
    EXPECT_EQ(label.renders, afterFirst + 1);
    label.SetTextBox(5, 2, 100, 40);
    EXPECT_EQ(label.renders, afterFirst + 2);
    // Colour and font re-render even when unchanged.
    label.SetColor(kWhite);
    label.SetFont(label.GetFont());
    EXPECT_EQ(label.renders, afterFirst + 4);
}

TEST_F(LabelTest, TextSurfaceSidesArePowersOfTwo) {
    CCountingLabel label(nullptr, Sans(14));
    label.SetSize(200, 30);
    label.SetTextBox(0, 0, 200, 30);
    ASSERT_NE(label.Surface(), nullptr);
    EXPECT_EQ(label.Surface()->w, 256);
    EXPECT_EQ(label.Surface()->h, 32);

    label.SetTextBox(0, 0, 64, 1);
    EXPECT_EQ(label.Surface()->w, 64);
    EXPECT_EQ(label.Surface()->h, 1);

    // An empty box has nothing to show.
    label.SetTextBox(0, 0, 0, 30);
    label.SetText("Gone");
    EXPECT_EQ(label.Surface(), nullptr);
    label.SetTextBox(0, 0, -5, -5);
    EXPECT_EQ(label.GetTextBox().w, 0.0);
    EXPECT_EQ(label.GetTextBox().h, 0.0);
    label.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

TEST_F(LabelTest, LabelNarrowerThanItsBoxCutsTheTextAtItsEdge) {
    CLabelSprite label(nullptr, Sans(14));
    Place(label, 10, 10, 40, 20);
    label.SetTextBox(0, 0, 110, 20);
    label.SetAlignH(ALIGN_LEFT);
    label.SetText("Wide words run on");
    label.Draw(nullptr);
    const int inside = CountLitPixels(10, 10, 40, 20);
    EXPECT_GT(inside, 0);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), inside);
}

TEST_F(LabelTest, BoxLargerThanAnyTextureIsLoggedAndCut) {
    CCountingLabel label(nullptr, Sans(14));
    label.SetSize(1e6, 20);
    label.SetColor(kWhite);
    label.depthTest = false;
    label.SetText("Far");
    testing::internal::CaptureStdout();
    label.SetTextBox(0, 0, 1e6, 20);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(
        log.find(
            "WARNING in class CCountingLabel: Text area of 1e+006 x 20 pixels exceeds the largest texture"),
        std::string::npos)
        << log;
    ASSERT_NE(label.Surface(), nullptr);
    EXPECT_EQ(label.Surface()->w, MaxTextureSide());
    EXPECT_EQ(label.Surface()->h, 32);
}

TEST_F(LabelTest, WithoutAWorkingFontTheLabelShowsNoText) {
    CCountingLabel label(nullptr, Sans(14));
    Place(label, 0, 0, 100, 30);
    label.SetText("Shown");
    testing::internal::CaptureStdout();
    label.SetFont(nullptr);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log, "WARNING in class CCountingLabel: Font set to NULL. I hope you know what you're doing.\n");
    EXPECT_EQ(label.Surface(), nullptr);
    Redraw(label);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);

    testing::internal::CaptureStdout();
    label.SetFont(app->GetFontFactory()->GetFont("/no/such/font.ttf", 14));
    testing::internal::GetCapturedStdout();
    ASSERT_NE(label.Surface(), nullptr);
    Redraw(label);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

TEST_F(LabelTest, ScaleEnlargesTheDrawnText) {
    CLabelSprite label(nullptr, Sans(12));
    Place(label, 0, 0, 60, 20);
    label.SetAlignH(ALIGN_LEFT);
    label.SetText("Big");
    Redraw(label);
    const LitBounds plain = Bounds();
    label.SetScale(2.0);
    Redraw(label);
    const LitBounds scaled = Bounds();
    EXPECT_NEAR(scaled.right - scaled.left, 2 * (plain.right - plain.left), 3.0);
}
