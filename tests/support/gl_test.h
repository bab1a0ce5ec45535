#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "engine/game_base.h"

// Connects SDL to the (virtual) X server, retrying while a busy server refuses for a moment.
void InitVideoWithRetry();

// Base for test applications that construct a CGameBase themselves: list it before CGameBase.
struct VideoReady {
    VideoReady() { InitVideoWithRetry(); }
};

// A real OpenGL window shared by every test of a suite; pixels read back with the origin top left.
class GLTest : public ::testing::Test {
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 128;

    struct Rgba {
        uint8_t r, g, b, a;
    };
    // The first and last lit column and row (-1 where none is), and the runs of lit rows.
    struct Lit {
        int left = -1, right = -1, top = -1, bottom = -1, bands = 0;
    };

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static Rgba Pixel(int x, int y);
    // Pixels of the rectangle that are not black.
    static int CountLitPixels(int x, int y, int w, int h);
    static Lit LitArea();

    static std::unique_ptr<CGameBase> app;
};
