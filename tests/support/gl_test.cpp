#include "tests/support/gl_test.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

std::unique_ptr<CGameBase> GLTest::app;

void InitVideoWithRetry() {
    // Without this SDL falls back to a text-mode driver when X refuses, and no window opens.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    for (int attempt = 1; attempt <= 20; attempt++) {
        if (SDL_Init(SDL_INIT_VIDEO) == 0) {
            return;
        }
        fprintf(stderr, "SDL_Init failed (attempt %d): %s\n", attempt, SDL_GetError());
        SDL_Delay(100 * attempt);
    }
}

void GLTest::SetUpTestSuite() {
    InitVideoWithRetry();
    app = std::make_unique<CGameBase>(kWidth, kHeight, false, true, false);
}

void GLTest::TearDownTestSuite() {
    app.reset();
}

void GLTest::SetUp() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

namespace {

// The pixels of the rectangle at screen position (x, y), bottom row first.
std::vector<GLTest::Rgba> Read(int x, int y, int w, int h) {
    std::vector<GLTest::Rgba> pixels(static_cast<size_t>(w) * h);
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(x, GLTest::kHeight - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace

GLTest::Rgba GLTest::Pixel(int x, int y) {
    return Read(x, y, 1, 1)[0];
}

int GLTest::CountLitPixels(int x, int y, int w, int h) {
    const std::vector<Rgba> pixels = Read(x, y, w, h);
    int lit = 0;
    for (const Rgba& p : pixels) {
        lit += (p.r | p.g | p.b) != 0 ? 1 : 0;
    }
    return lit;
}

GLTest::Lit GLTest::LitArea() {
    const std::vector<Rgba> pixels = Read(0, 0, kWidth, kHeight);
    Lit lit;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgba& p = pixels[(kHeight - 1 - y) * kWidth + x];
            if ((p.r | p.g | p.b) != 0) {
                lit.left = lit.left < 0 ? x : std::min(lit.left, x);
                lit.right = std::max(lit.right, x);
                lit.bands += lit.top >= 0 && lit.bottom >= y - 1 ? 0 : 1;
                lit.top = lit.top < 0 ? y : lit.top;
                lit.bottom = y;
            }
        }
    }
    return lit;
}
