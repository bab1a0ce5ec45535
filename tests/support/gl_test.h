#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "engine/game_base.h"

// Connects SDL to the (virtual) X server. A busy server now and then refuses a new connection for
// a moment; retrying keeps window tests about what they test rather than about the machine's load.
// CGameBase's own SDL_Init then finds video already up.
void InitVideoWithRetry();

// Base for test applications that construct a CGameBase themselves: list it before CGameBase.
struct VideoReady {
    VideoReady() { InitVideoWithRetry(); }
};

// A fixture with a real OpenGL window (under Xvfb in CI) shared by every test of a suite.
// Pixels are read back from the back buffer in screen coordinates (origin top left).
class GLTest : public ::testing::Test {
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 128;

    struct Rgba {
        uint8_t r, g, b, a;
    };
    // Where the screen is lit: the first and last lit column and row (-1 where none is lit), and
    // how many separate runs of lit rows there are (lines of text, say).
    struct Lit {
        int left = -1, right = -1, top = -1, bottom = -1, bands = 0;
    };

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // Colour of the pixel at screen position (x, y) of what has been drawn so far.
    static Rgba Pixel(int x, int y);
    // Number of pixels inside the rectangle whose colour differs from the clear colour (black).
    static int CountLitPixels(int x, int y, int w, int h);
    static Lit LitArea();

    static std::unique_ptr<CGameBase> app;
};
