#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "engine/game_base.h"

// A fixture with a real OpenGL window (under Xvfb in CI) shared by every test of a suite.
// Pixels are read back from the back buffer in screen coordinates (origin top left).
class GLTest : public ::testing::Test {
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 128;

    struct Rgba {
        uint8_t r, g, b, a;
    };

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // Colour of the pixel at screen position (x, y) of what has been drawn so far.
    static Rgba Pixel(int x, int y);
    // Number of pixels inside the rectangle whose colour differs from the clear colour (black).
    static int CountLitPixels(int x, int y, int w, int h);

    static std::unique_ptr<CGameBase> app;
};
