#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/game_base.h"
#include "tests/support/gl_test.h"

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

namespace {

void PushKey(SDLKey key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

void PushQuit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

}  // namespace

TEST(GameBase, QuitArrivingWithAKeyStillFinishesTheFrame) {
    ASP_RecordingApp app;
    PushKey(SDLK_a);
    PushQuit();
    app.Run();
    EXPECT_EQ(app.calls, (std::vector<std::string>{"init", "key " + std::to_string(SDLK_a), "update",
                                                   "render", "cleanup"}));
    ASSERT_EQ(app.dts.size(), 1u);
    EXPECT_EQ(app.dts[0], 0.0);
}

TEST(GameBase, ResizeHookSeesTheOldSizeThenViewportFollows) {
    ASP_RecordingApp app;
    SDL_Event e{};
    e.type = SDL_VIDEORESIZE;
    e.resize.w = 200;
    e.resize.h = 150;
    app.DispatchEvent(&e);
    EXPECT_EQ(app.calls, (std::vector<std::string>{"resize from 96 to 200"}));
    EXPECT_EQ(app.width, 200);
    EXPECT_EQ(app.height, 150);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 200);
    EXPECT_EQ(viewport[3], 150);
}

TEST(GameBase, SecondFrameGetsThePacedFrameTime) {
    ASP_RecordingApp app;
    app.RunFrame();
    app.RunFrame();
    ASSERT_EQ(app.dts.size(), 2u);
    EXPECT_EQ(app.dts[0], 0.0);
    // The first frame was padded to at least 16 ms.
    EXPECT_GE(app.dts[1], 0.016);
}

TEST(GameBase, VideoModeFlagsFollowTheirPrecedence) {
    EXPECT_EQ(VideoModeFlags(true, false, true),
              static_cast<Uint32>(SDL_FULLSCREEN | SDL_OPENGL | SDL_HWSURFACE));
    EXPECT_EQ(VideoModeFlags(false, false, true),
              static_cast<Uint32>(SDL_NOFRAME | SDL_OPENGL | SDL_HWSURFACE));
    EXPECT_EQ(VideoModeFlags(false, true, true),
              static_cast<Uint32>(SDL_RESIZABLE | SDL_OPENGL | SDL_HWSURFACE));
    EXPECT_EQ(VideoModeFlags(false, true, false), static_cast<Uint32>(SDL_OPENGL | SDL_HWSURFACE));
}

TEST(GameBaseDeathTest, MissingVideoModeEndsTheProgramWithStatusOne) {
    EXPECT_EXIT(
        {
            // The dummy video driver has no OpenGL, so the video mode cannot be set.
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            EnableLogging();
            CGameBase app(64, 64, false, true, false);
        },
        testing::ExitedWithCode(1), "");
}

TEST(GameBase, MissingIconLogsOneErrorAndGoesOn) {
    ASP_RecordingApp app;
    EnableLogging();
    testing::internal::CaptureStdout();
    app.SetIcon("gfx\\no such icon.ico");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR in class ASP_RecordingApp: Tried to set icon but failed to locate gfx\\no such "
              "icon.ico.\n");
}

using FixedDrawingState = GLTest;

TEST_F(FixedDrawingState, OriginIsTopLeftWithOneUnitPerPixelAndAlphaTest) {
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glColor4f(1, 0, 0, 1);
    glVertex2d(0, 0);
    glVertex2d(10, 0);
    glVertex2d(10, 5);
    glVertex2d(0, 5);
    // Nearly transparent: discarded by the alpha test, not blended.
    glColor4f(0, 1, 0, 0.005f);
    glVertex2d(20, 20);
    glVertex2d(40, 20);
    glVertex2d(40, 40);
    glVertex2d(20, 40);
    glEnd();
    glEnable(GL_TEXTURE_2D);

    EXPECT_EQ(Pixel(2, 2).r, 255);
    EXPECT_EQ(Pixel(12, 2).r, 0);
    EXPECT_EQ(Pixel(2, 7).r, 0);
    EXPECT_EQ(CountLitPixels(20, 20, 20, 20), 0);
}
