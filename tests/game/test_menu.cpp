#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/label_sprite.h"
#include "engine/log.h"
#include "engine/texture_manager.h"
#include "game/button.h"
#include "game/menu.h"
#include "tests/game/temp_folder.h"
#include "tests/support/gl_test.h"

namespace {

const std::string kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Which buttons were clicked, and with which mouse button, in order.
struct Click {
    ASP_Button* button;
    Uint8 mouseButton;
};
std::vector<Click> clicks;

void RecordClick(ASP_Button* button, SDL_Event* e) {
    clicks.push_back({button, e->button.button});
}

SDL_Event Motion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = static_cast<Uint16>(x);
    e.motion.y = static_cast<Uint16>(y);
    return e;
}

SDL_Event MouseButton(Uint8 type, int x, int y, Uint8 which) {
    SDL_Event e{};
    e.type = type;
    e.button.button = which;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

// A w x h picture of one colour, written as a BMP.
std::string WriteColorImage(const TempFolder& dir, const std::string& name, Uint8 r, Uint8 g, Uint8 b) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
    const std::string file = dir.File(name);
    SDL_SaveBMP(s, file.c_str());
    SDL_FreeSurface(s);
    return file;
}

}  // namespace

class MenuTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        EnableLogging();
        clicks.clear();
    }

    std::unique_ptr<ASP_Menu> Load(const std::string& text, std::vector<ASP_ButtonCallback> callbacks) {
        return LoadMenu(app.get(), &textures, dir.Write("menu.ini", text), callbacks);
    }

    ASP_Button* ButtonAt(ASP_Menu& menu, int index) {
        return dynamic_cast<ASP_Button*>(menu.GetSprite(index));
    }

    static void Move(ASP_Menu& menu, int x, int y) {
        SDL_Event e = Motion(x, y);
        menu.OnMouseMove(&e);
    }
    static void Press(ASP_Menu& menu, int x, int y, Uint8 which = SDL_BUTTON_LEFT) {
        SDL_Event e = MouseButton(SDL_MOUSEBUTTONDOWN, x, y, which);
        menu.OnMouseButtonDown(&e);
    }
    static void Release(ASP_Menu& menu, int x, int y, Uint8 which = SDL_BUTTON_LEFT) {
        SDL_Event e = MouseButton(SDL_MOUSEBUTTONUP, x, y, which);
        menu.OnMouseButtonUp(&e);
    }

    // Separate horizontal bands of lit rows inside a rectangle of the screen.
    static int LitBands(int x, int y, int w, int h) {
        int bands = 0;
        bool inBand = false;
        for (int row = y; row < y + h; ++row) {
            const bool lit = CountLitPixels(x, row, w, 1) > 0;
            bands += lit && !inBand ? 1 : 0;
            inBand = lit;
        }
        return bands;
    }

    TempFolder dir;
    CTextureManager textures;
};

// A 128 x 128 menu filling the test window: buttons 0 and 1 apart, button 2 overlapping button 1 at
// the same depth, button 3 at z 5, button 4 at z 1 under button 5 at z 0, and a label over button 0.
const char* const kMenu =
    "[background]\nwidth=128\nheight=128\n"
    "[main]\nbuttons=6\nlabels=1\n"
    "[button0]\nx=10\ny=10\nwidth=30\nheight=20\n"
    "[button1]\nx=60\ny=10\nwidth=30\nheight=20\n"
    "[button2]\nx=80\ny=10\nwidth=30\nheight=20\n"
    "[button3]\nx=10\ny=100\nwidth=10\nheight=10\nz=5\n"
    "[button4]\nx=40\ny=60\nwidth=30\nheight=20\nz=1\n"
    "[button5]\nx=50\ny=60\nwidth=30\nheight=20\nz=0\n"
    "[label0]\nx=0\ny=0\nwidth=20\nheight=60\nz=0.5\ncaption=over\n";

TEST_F(MenuTest, FileOrderGivesIndicesAndCallbacksGoToTheFirstButtons) {
    auto menu = Load(kMenu, {RecordClick, RecordClick});
    ASSERT_EQ(menu->GetSpriteCount(), 8);
    EXPECT_EQ(menu->GetSprite(0)->GetWidth(), 128.0);
    for (int i = 1; i <= 6; ++i) {
        ASSERT_NE(ButtonAt(*menu, i), nullptr) << i;
    }
    EXPECT_NE(dynamic_cast<CLabelSprite*>(menu->GetSprite(7)), nullptr);
    EXPECT_EQ(ButtonAt(*menu, 1)->callback, RecordClick);
    EXPECT_EQ(ButtonAt(*menu, 2)->callback, RecordClick);
    EXPECT_EQ(ButtonAt(*menu, 3)->callback, nullptr);
    EXPECT_EQ(menu->pressedIndex, -1);
    EXPECT_EQ(menu->selectedIndex, -1);
}

TEST_F(MenuTest, HoverSelectsTheButtonUnderThePointerAndLeavingDeselectsIt) {
    auto menu = Load(kMenu, {});
    ASP_Button* first = ButtonAt(*menu, 1);
    ASP_Button* second = ButtonAt(*menu, 2);
    Move(*menu, 25, 20);
    EXPECT_EQ(menu->selectedIndex, 1);
    EXPECT_EQ(first->GetState(), ASP_Button::STATE_HOVERED);
    Move(*menu, 65, 20);
    EXPECT_EQ(menu->selectedIndex, 2);
    EXPECT_EQ(first->GetState(), ASP_Button::STATE_NORMAL);
    EXPECT_EQ(second->GetState(), ASP_Button::STATE_HOVERED);
    Move(*menu, 120, 120);
    EXPECT_EQ(menu->selectedIndex, -1);
    EXPECT_EQ(second->GetState(), ASP_Button::STATE_NORMAL);
}

TEST_F(MenuTest, PressAndReleaseOnTheSameButtonClicksItOnce) {
    auto menu = Load(kMenu, {RecordClick});
    ASP_Button* first = ButtonAt(*menu, 1);
    Move(*menu, 25, 20);
    Press(*menu, 25, 20);
    EXPECT_EQ(menu->pressedIndex, 1);
    EXPECT_EQ(first->GetState(), ASP_Button::STATE_PRESSED);
    Release(*menu, 26, 21);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].button, first);
    EXPECT_EQ(first->GetState(), ASP_Button::STATE_HOVERED);
    // A second release without a new press completes nothing.
    Release(*menu, 26, 21);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(MenuTest, ReleaseAfterLeavingTheButtonDoesNotClick) {
    auto menu = Load(kMenu, {RecordClick, RecordClick});
    Move(*menu, 25, 20);
    Press(*menu, 25, 20);
    Move(*menu, 65, 20);
    Release(*menu, 65, 20);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(ButtonAt(*menu, 1)->GetState(), ASP_Button::STATE_NORMAL);
    EXPECT_EQ(ButtonAt(*menu, 2)->GetState(), ASP_Button::STATE_HOVERED);
    // Coming back before the release still does not click: the press was cancelled.
    Press(*menu, 25, 20);
    Move(*menu, 120, 120);
    Move(*menu, 25, 20);
    Release(*menu, 25, 20);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(MenuTest, TopmostElementTakesHoverAndClicks) {
    auto menu = Load(kMenu, {RecordClick, RecordClick, RecordClick, RecordClick, RecordClick, RecordClick});
    // Buttons 1 and 2 (indices 2 and 3) overlap at equal z: the later one wins.
    EXPECT_EQ(menu->ElementAt(85, 20), 3);
    Move(*menu, 85, 20);
    Press(*menu, 85, 20);
    Release(*menu, 85, 20);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].button, ButtonAt(*menu, 3));
    EXPECT_EQ(ButtonAt(*menu, 2)->GetState(), ASP_Button::STATE_NORMAL);
    // Buttons 4 (z 1) and 5 (z 0, added later) overlap: the higher z wins over the later one.
    EXPECT_EQ(menu->ElementAt(60, 70), 5);
}

TEST_F(MenuTest, AnyMouseButtonClicks) {
    auto menu = Load(kMenu, {RecordClick});
    for (Uint8 which : {SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_WHEELUP, SDL_BUTTON_WHEELDOWN}) {
        Press(*menu, 25, 20, which);
        Release(*menu, 25, 20, which);
    }
    ASSERT_EQ(clicks.size(), 4u);
    EXPECT_EQ(clicks[0].mouseButton, SDL_BUTTON_RIGHT);
    EXPECT_EQ(clicks[2].mouseButton, SDL_BUTTON_WHEELUP);
}

TEST_F(MenuTest, LabelsAndTheBackgroundNeverTakeHoverOrClicks) {
    auto menu = Load(kMenu, {RecordClick});
    // The label lies over the left part of button 0 and above it; the button still takes the pointer.
    Move(*menu, 15, 20);
    EXPECT_EQ(menu->selectedIndex, 1);
    Move(*menu, 5, 40);
    EXPECT_EQ(menu->selectedIndex, -1);
    Press(*menu, 5, 40);
    EXPECT_EQ(menu->pressedIndex, -1);
    Release(*menu, 5, 40);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(MenuTest, ButtonWithoutCallbackOnlyChangesItsLook) {
    auto menu = Load(kMenu, {RecordClick});
    ASP_Button* withoutCallback = ButtonAt(*menu, 2);
    Move(*menu, 65, 20);
    Press(*menu, 65, 20);
    EXPECT_EQ(withoutCallback->GetState(), ASP_Button::STATE_PRESSED);
    Release(*menu, 65, 20);
    EXPECT_EQ(withoutCallback->GetState(), ASP_Button::STATE_HOVERED);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(MenuTest, DepthOutsideTheRangeIsIgnored) {
    auto menu = Load(kMenu, {});
    EXPECT_EQ(ButtonAt(*menu, 4)->GetZ(), 0.0);
    EXPECT_EQ(ButtonAt(*menu, 5)->GetZ(), 1.0);
    EXPECT_DOUBLE_EQ(menu->GetSprite(7)->GetZ(), 0.5);
}

TEST_F(MenuTest, MenuIsCentredInTheWindow) {
    const int width = app->width;
    const int height = app->height;
    app->width = 640;
    app->height = 480;
    auto menu = Load(
        "[background]\nwidth=400\nheight=300\n[main]\nbuttons=1\n[button0]\nx=10\ny=5\nwidth=50\nheight=20\n",
        {});
    app->width = width;
    app->height = height;
    EXPECT_EQ(menu->GetX(), 120.0);
    EXPECT_EQ(menu->GetY(), 90.0);
    ASP_Button* button = ButtonAt(*menu, 1);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetGlobalX(), 130.0);
    EXPECT_EQ(button->GetGlobalY(), 95.0);
    EXPECT_EQ(menu->ElementAt(131, 96), 1);
    EXPECT_EQ(menu->ElementAt(129, 96), -1);
}

TEST_F(MenuTest, MissingFileGivesAnEmptyMenu) {
    auto menu = LoadMenu(app.get(), &textures, dir.File("absent.ini"), {RecordClick});
    ASSERT_EQ(menu->GetSpriteCount(), 1);
    EXPECT_EQ(menu->GetSprite(0)->GetWidth(), 0.0);
    EXPECT_EQ(menu->GetX(), kWidth / 2.0);
}

TEST_F(MenuTest, HugeSectionCountsAreRefused) {
    auto menu = Load("[main]\nbuttons=2000000000\nlabels=1001\n", {});
    EXPECT_EQ(menu->GetSpriteCount(), 1);
}

TEST_F(MenuTest, EachLookIsDrawnInItsState) {
    const std::string red = WriteColorImage(dir, "red.bmp", 255, 0, 0);
    const std::string green = WriteColorImage(dir, "green.bmp", 0, 255, 0);
    const std::string blue = WriteColorImage(dir, "blue.bmp", 0, 0, 255);
    auto menu = Load(
        "[background]\nwidth=128\nheight=128\n[main]\nbuttons=1\n"
        "[button0]\nx=20\ny=20\nwidth=40\nheight=40\ntexture0=" +
            red + "\ntexture1=" + green + "\ntexture2=" + blue + "\n",
        {});
    auto colourAfter = [&](auto action) {
        action();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        menu->Draw(nullptr);
        return Pixel(40, 40);
    };
    const Rgba normal = colourAfter([] {});
    EXPECT_GT(normal.r, 200);
    EXPECT_LT(normal.g, 50);
    const Rgba hovered = colourAfter([&] { Move(*menu, 40, 40); });
    EXPECT_GT(hovered.g, 200);
    EXPECT_LT(hovered.r, 50);
    const Rgba pressed = colourAfter([&] { Press(*menu, 40, 40); });
    EXPECT_GT(pressed.b, 200);
    EXPECT_LT(pressed.g, 50);
    // Outside the button nothing is drawn.
    EXPECT_EQ(CountLitPixels(70, 20, 40, 40), 0);
    // Hiding the button hides its look.
    menu->GetSprite(1)->SetVisible(false);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    menu->Draw(nullptr);
    EXPECT_EQ(CountLitPixels(20, 20, 40, 40), 0);
}

TEST_F(MenuTest, LineBreakMarkSplitsAMultiLineCaption) {
    const std::string button =
        "x=0\nwidth=128\nheight=60\nfont=" + kSans +
        "\nsize=14\ncaption=Ab[n]Cd\nlineSpacing=6\ncolor0r=255\ncolor0g=255\ncolor0b=255\n";
    auto menu = Load("[background]\nwidth=128\nheight=128\n[main]\nbuttons=2\n[button0]\ny=0\nmultiLine=1\n" +
                         button + "[button1]\ny=64\nmultiLine=0\n" + button,
                     {});
    menu->Draw(nullptr);
    EXPECT_EQ(LitBands(0, 0, 128, 60), 2);
    EXPECT_EQ(LitBands(0, 64, 128, 60), 1);
    auto* look = dynamic_cast<CLabelSprite*>(ButtonAt(*menu, 1)->GetStateSprite(0));
    ASSERT_NE(look, nullptr);
    EXPECT_EQ(look->GetText(), "Ab\nCd");
    EXPECT_EQ(look->GetWidth(), 128.0);
    EXPECT_EQ(look->GetTextBox().h, 60.0);
}

TEST(ButtonTest, LooksFollowTheButtonsSizeAndBadIndicesAreRefused) {
    ASP_Button button(nullptr);
    button.SetWidth(30);
    button.SetHeight(12);
    auto look = std::make_unique<CLabelSprite>(nullptr, nullptr);
    look->SetX(7);
    CSprite* placed = look.get();
    button.SetStateSprite(1, std::move(look));
    EXPECT_EQ(placed->GetParent(), &button);
    EXPECT_EQ(placed->GetX(), 0.0);
    EXPECT_EQ(placed->GetWidth(), 30.0);
    EXPECT_EQ(placed->GetHeight(), 12.0);
    button.SetWidth(50);
    button.SetHeight(-3);
    EXPECT_EQ(placed->GetWidth(), 50.0);
    EXPECT_EQ(button.GetHeight(), 12.0);
    button.SetStateSprite(3, std::make_unique<CLabelSprite>(nullptr, nullptr));
    EXPECT_EQ(button.GetStateSprite(3), nullptr);
    EXPECT_EQ(button.GetStateSprite(1), placed);
    EXPECT_EQ(button.GetStateSprite(0), nullptr);
}
