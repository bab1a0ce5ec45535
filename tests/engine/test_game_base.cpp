#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/fps_control.h"
#include "engine/game_base.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/sdl_events.h"

namespace {

// A clock that only moves when the test (or a delay) moves it.
class FakeClock : public CClock {
public:
    uint32_t GetTicks() override { return now; }
    void Delay(uint32_t milliseconds) override {
        delays.push_back(milliseconds);
        now += milliseconds;
    }

    uint32_t now = 1000;
    std::vector<uint32_t> delays;
};

}  // namespace

TEST(FPSControl, PadsShortFramesToSixteenMillisecondsUnlessUnlimitedAndMeasuresOverFullWindows) {
    FakeClock clock;
    CFPSControl control(&clock);
    // Frames of 5, 20 and 16 ms: only the first is padded. The fourth ends the first second.
    for (uint32_t took : {5u, 20u, 16u, 948u}) {
        clock.now += took;
        control.Regulate();
    }
    EXPECT_EQ(std::pair(clock.delays, control.fps), std::pair(std::vector<uint32_t>{11}, 4.0));
    // Short frames: each padded to 16 ms, so the next window closes after 63 frames.
    for (int i = 0; i < 62; i++) {
        control.Regulate();
    }
    EXPECT_DOUBLE_EQ(control.fps, 4.0);
    control.Regulate();
    EXPECT_NEAR(control.fps, 63 * 1000.0 / 1008, 1e-9);
    control.limit = false;
    clock.delays.clear();
    control.Regulate();
    EXPECT_TRUE(clock.delays.empty());
}

// Records the order in which the main loop calls the hooks.
class ASP_RecordingApp : private VideoReady, public CGameBase {
public:
    ASP_RecordingApp() : CGameBase(96, 64, false, true, true) {}

    void OnInit() override { calls.push_back("init"); }
    void OnCleanup() override { calls.push_back("cleanup"); }
    void OnUpdate(double dt) override {
        calls.push_back("update");
        dts.push_back(dt);
    }
    void OnRender(SDL_Surface* target) override {
        calls.push_back(target == screen ? "render" : "render with wrong target");
    }
    void OnKeyDown(SDL_Event* e) override { calls.push_back("key " + std::to_string(e->key.keysym.sym)); }
    void OnResize(SDL_Event* e) override {
        calls.push_back("resize from " + std::to_string(width) + " to " + std::to_string(e->resize.w));
    }

    std::vector<std::string> calls;
    std::vector<double> dts;
};

TEST(GameBase, AQuitWithAKeyFinishesTheFramePacedFramesResizesFollowAndAMissingIconIsOneError) {
    ASP_RecordingApp app;
    SDL_Event e = KeyEvent(SDLK_a);
    SDL_PushEvent(&e);
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    app.Run();
    EXPECT_EQ(app.calls, (std::vector<std::string>{"init", "key " + std::to_string(SDLK_a), "update",
                                                   "render", "cleanup"}));
    // The first frame was padded to at least 16 ms.
    app.RunFrame();
    EXPECT_TRUE(app.dts.size() == 2 && app.dts[1] >= 0.016);

    // The resize hook sees the old size, then the viewport follows.
    app.calls.clear();
    e.resize = {SDL_VIDEORESIZE, 200, 150};
    app.DispatchEvent(&e);
    EXPECT_EQ(app.calls, (std::vector<std::string>{"resize from 96 to 200"}));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<int>({app.width, app.height, viewport[2], viewport[3]}),
              std::vector<int>({200, 150, 200, 150}));
    // A new size applies at once, and the window keeps its OpenGL context with its textures.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const uint32_t pixel = 0xffffffff;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    EXPECT_TRUE(app.Resize(120, 80));
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<int>({app.width, app.height, app.screen->w, viewport[2], viewport[3]}),
              std::vector<int>({120, 80, 120, 120, 80}));
    EXPECT_EQ(glIsTexture(texture), GL_TRUE);
    EXPECT_EQ(Logged([&] { EXPECT_FALSE(app.Resize(0, 80)); }),
              "ERROR in class ASP_RecordingApp: The window cannot become 0x80; it stays 120x80.\n");
    EXPECT_EQ(app.width, 120);
    glDeleteTextures(1, &texture);
    // A missing icon is one error and nothing more.
    EXPECT_EQ(Logged([&] { app.SetIcon("gfx\\no such icon.ico"); }),
              "ERROR in class ASP_RecordingApp: Tried to set icon but failed to locate gfx\\no such "
              "icon.ico.\n");
}
