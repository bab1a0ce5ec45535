#pragma once

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/gl_test.h"
#include "tests/support/sdl_events.h"
#include "tests/support/temp_folder.h"
#include "worldedit/asp_we_main.h"

// The world editor with its console and window driven by the test, on files of a temporary folder.
class EditorTest : public ::testing::Test {
protected:
    // Cones at (100, 100), (300, 100) and (500, 100), a 64-pixel tile at the origin (grid step 16), a car,
    // a checkpoint centred on (200, 310), a body, and parts the editor does not edit.
    static constexpr char kWorld[] =
        "[main]\nlaps=2\nmusic=mus\\track.ogg\nplayers=1\nmapTiles=1\nmodifiers=1\nstatics=3\ncheckpoints=1\n"
        "physObjects=1\n"
        "[start0]\nx=700\ny=400\nrot=0\n"
        "[map0]\ntexture=gfx\\objects\\crate.png\nx=0\ny=0\nsurface=gfx\\tiles\\surface_0_0.png\n"
        "[mod0]\nr=128\ng=128\nb=128\naccel=0.5\n"
        "[static0]\nx=100\ny=100\nwidth=64\nheight=64\ntexture=gfx\\objects\\cone.png\n"
        "[static1]\nx=300\ny=100\nwidth=64\nheight=64\ntexture=gfx\\objects\\cone.png\n"
        "[static2]\nx=500\ny=100\nwidth=64\nheight=64\ntexture=gfx\\objects\\cone.png\n"
        "[checkpoint0]\nx=100\ny=300\nwidth=200\nheight=20\ntexture=gfx\\objects\\checkpoint.png\nisFinish="
        "1\n"
        "[phys0]\nx=300\ny=300\nwidth=64\nheight=64\ntexture=gfx\\objects\\barrel.png\nmass=5\n";

    void SetUp() override {
        InitVideoWithRetry();
        app = std::make_unique<ASP_WE_Main>(in, out);
    }
    // More console input; the input may have ended before.
    void Type(const std::string& text) {
        in.clear();
        in << text;
    }
    // A new editor opening world.dat, which holds the text.
    void Open(const std::string& worldText) {
        app.reset();
        app = std::make_unique<ASP_WE_Main>(in, out);
        worldFile = folder.Write("world.dat", worldText);
        Type(worldFile + "\n");
        app->OnInit();
    }
    void Key(SDLKey key) {
        SDL_Event e = KeyEvent(key);
        app->DispatchEvent(&e);
    }
    void Button(Uint8 type, Uint8 button, int x, int y) {
        SDL_Event e = MouseEvent(type, x, y, button);
        app->DispatchEvent(&e);
    }
    void Click(Uint8 button, int x, int y) { Button(SDL_MOUSEBUTTONDOWN, button, x, y); }
    // The pointer to (x, y), as SDL reports it.
    void Move(int x, int y) {
        SDL_Event e = MouseEvent(SDL_MOUSEMOTION, x, y);
        e.motion.xrel = static_cast<Sint16>(x - mouseX);
        e.motion.yrel = static_cast<Sint16>(y - mouseY);
        mouseX = x;
        mouseY = y;
        app->DispatchEvent(&e);
    }
    bool Said(const std::string& text) const { return out.str().find(text) != std::string::npos; }
    // Saves the world to saved.dat and gives the file's name.
    std::string Save() {
        const std::string file = folder.File("saved.dat");
        Type("y\n" + file + "\n");
        EXPECT_TRUE(app->SaveWorld());
        return file;
    }
    void Render() {
        glClear(GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
        app->OnRender(app->screen);
    }
    // Red, green and blue of the pixel at (x, y) of the last frame drawn, origin top left.
    std::vector<int> Pixel(int x, int y) {
        unsigned char rgb[3] = {};
        glReadPixels(x, app->height - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return {rgb[0], rgb[1], rgb[2]};
    }

    std::stringstream in;
    std::ostringstream out;
    TempFolder folder;
    std::string worldFile;
    std::unique_ptr<ASP_WE_Main> app;
    int mouseX = 0;
    int mouseY = 0;
};
