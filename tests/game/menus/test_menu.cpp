#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/label_sprite.h"
#include "engine/texture_manager.h"
#include "game/menus/button.h"
#include "game/menus/menu.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gl_test.h"
#include "tests/support/sdl_events.h"
#include "tests/support/temp_folder.h"

namespace {

// The buttons clicked, with the mouse button of each click, in order.
std::vector<std::pair<ASP_Button*, Uint8>> clicks;

void RecordClick(ASP_Button* button, SDL_Event* e) {
    clicks.emplace_back(button, e->button.button);
}

// A 128 x 128 menu filling the test window: buttons 0 and 1 apart, button 2 overlapping button 1 at
// the same depth, button 3 at z 5, button 4 at z 1 under button 5 at z 0, and a label over the left
// of button 0 and the space below it. Button i has index i + 1, the label 7.
const char* const kMenu =
    "[background]\nwidth=128\nheight=128\n[main]\nbuttons=6\nlabels=1\n"
    "[button0]\nx=10\ny=10\nwidth=30\nheight=20\n[button1]\nx=60\ny=10\nwidth=30\nheight=20\n"
    "[button2]\nx=80\ny=10\nwidth=30\nheight=20\n[button3]\nx=10\ny=100\nwidth=10\nheight=10\nz=5\n"
    "[button4]\nx=40\ny=60\nwidth=30\nheight=20\nz=1\n[button5]\nx=50\ny=60\nwidth=30\nheight=20\nz=0\n"
    "[label0]\nx=0\ny=0\nwidth=20\nheight=60\nz=0.5\ncaption=over\n";

}  // namespace

class MenuTest : public GLTest {
protected:
    // A menu from a menu file of this text, with no click recorded yet.
    std::unique_ptr<ASP_Menu> Load(const std::string& text, std::vector<ASP_ButtonCallback> callbacks = {}) {
        clicks.clear();
        return LoadMenu(app.get(), &textures, dir.Write("menu.ini", text), callbacks);
    }

    static ASP_Button* ButtonAt(ASP_Menu& m, int i) { return dynamic_cast<ASP_Button*>(m.GetSprite(i)); }
    static int State(ASP_Menu& menu, int index) { return ButtonAt(menu, index)->GetState(); }

    static void Move(ASP_Menu& menu, int x, int y) {
        SDL_Event e = MouseEvent(SDL_MOUSEMOTION, x, y);
        menu.OnMouseMove(&e);
    }
    static void Press(ASP_Menu& menu, int x, int y, Uint8 which = SDL_BUTTON_LEFT, bool down = true) {
        SDL_Event e = MouseEvent(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP, x, y, which);
        down ? menu.OnMouseButtonDown(&e) : menu.OnMouseButtonUp(&e);
    }
    static void Release(ASP_Menu& m, int x, int y, Uint8 b = SDL_BUTTON_LEFT) { Press(m, x, y, b, false); }
    static void Click(ASP_Menu& m, int x, int y, Uint8 b = SDL_BUTTON_LEFT) {
        Press(m, x, y, b);
        Release(m, x, y, b);
    }

    TempFolder dir;
    CTextureManager textures;
};

// A menu shown again after another forgets its hovered and pressed buttons.
TEST_F(MenuTest, HoverFollowsThePointerFromButtonToButtonAndAwayAndIsForgottenOnReturn) {
    auto menu = Load(kMenu);
    Move(*menu, 25, 20);
    EXPECT_EQ(State(*menu, 1), ASP_Button::STATE_HOVERED);
    Move(*menu, 65, 20);
    EXPECT_EQ(State(*menu, 1), ASP_Button::STATE_NORMAL);
    EXPECT_EQ(State(*menu, 2), ASP_Button::STATE_HOVERED);
    Move(*menu, 120, 120);
    EXPECT_EQ(State(*menu, 2), ASP_Button::STATE_NORMAL);
    Move(*menu, 65, 20);
    Press(*menu, 25, 20);
    menu->ResetHover();
    EXPECT_EQ(State(*menu, 1) + State(*menu, 2) + menu->selectedIndex + menu->pressedIndex, -2);
}

TEST_F(MenuTest, PressAndReleaseOfAnyMouseButtonOnTheSameButtonClickItOnceAndLeavingCancels) {
    auto menu = Load(kMenu, {RecordClick, RecordClick});
    Move(*menu, 25, 20);
    Press(*menu, 25, 20);
    EXPECT_EQ(State(*menu, 1), ASP_Button::STATE_PRESSED);
    Release(*menu, 26, 21);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(State(*menu, 1), ASP_Button::STATE_HOVERED);
    Release(*menu, 26, 21);
    EXPECT_EQ(clicks.size(), 1u) << "a second release without a press";
    Press(*menu, 25, 20);
    Move(*menu, 65, 20);
    Release(*menu, 65, 20);
    // Coming back before the release does not click either.
    Press(*menu, 25, 20);
    Move(*menu, 120, 120);
    Move(*menu, 25, 20);
    Release(*menu, 25, 20);
    EXPECT_EQ(clicks.size(), 1u);
    // Any mouse button clicks; button 2, beyond the callbacks, runs none.
    for (Uint8 which : {SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_WHEELUP, SDL_BUTTON_WHEELDOWN}) {
        Click(*menu, 25, 20, which);
    }
    Click(*menu, 85, 20);
    ASSERT_EQ(clicks.size(), 5u);
    EXPECT_EQ(clicks[4].second, SDL_BUTTON_WHEELDOWN);
}

TEST_F(MenuTest, TopmostButtonTakesThePointerAndLabelsNever) {
    auto menu = Load(kMenu, std::vector<ASP_ButtonCallback>(6, RecordClick));
    // Buttons 1 and 2 overlap at equal z: the later one wins.
    EXPECT_EQ(menu->ElementAt(85, 20), 3);
    Move(*menu, 85, 20);
    Click(*menu, 85, 20);
    EXPECT_EQ(clicks, (decltype(clicks){{ButtonAt(*menu, 3), SDL_BUTTON_LEFT}}));
    // Button 4 (z 1) wins over the later button 5 (z 0); button 3 asked for z 5, outside -1..1.
    EXPECT_EQ(menu->ElementAt(60, 70), 5);
    EXPECT_EQ(ButtonAt(*menu, 4)->GetZ(), 0.0);
    // The label over button 0 lets it take the pointer; the label and the background take none.
    EXPECT_EQ(menu->ElementAt(15, 20), 1);
    Move(*menu, 5, 40);
    Click(*menu, 5, 40);
    EXPECT_EQ(clicks.size(), 1u);
    // A hidden button takes no pointer: the one under it does, or none.
    ButtonAt(*menu, 3)->SetVisible(false);
    ButtonAt(*menu, 1)->SetVisible(false);
    EXPECT_EQ(std::pair(menu->ElementAt(85, 20), menu->ElementAt(15, 20)), std::pair(2, -1));
    Click(*menu, 15, 20);
    EXPECT_EQ(clicks.size(), 1u);
}

// Only looks 0 to 2 exist: a fourth is not taken in place of the pressed look.
TEST_F(MenuTest, EachStateDrawsItsOwnLook) {
    std::string text =
        "[background]\nwidth=128\nheight=128\n[main]\nbuttons=1\n[button0]\nx=20\ny=20\nwidth=40\n"
        "height=40\n";
    const Uint32 colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
    for (int i = 0; i < 3; ++i) {
        text += "texture" + std::to_string(i) + "=" +
                WriteSolidBmp(dir.File(std::to_string(i) + ".bmp"), 8, 8, colours[i]) + "\n";
    }
    auto menu = Load(text);
    const auto shown = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        menu->Draw(nullptr);
        const Rgba p = Pixel(40, 40);
        return static_cast<Uint32>(p.r << 16 | p.g << 8 | p.b);
    };
    EXPECT_EQ(shown(), colours[0]);
    Move(*menu, 40, 40);
    EXPECT_EQ(shown(), colours[1]);
    ButtonAt(*menu, 1)->SetStateSprite(3, std::make_unique<CLabelSprite>(nullptr, nullptr));
    Press(*menu, 40, 40);
    EXPECT_EQ(shown(), colours[2]);
}
