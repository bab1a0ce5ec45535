#pragma once

#include <SDL/SDL.h>

#include <memory>
#include <string>

#include "engine/audio.h"
#include "engine/font_factory.h"
#include "engine/fps_control.h"
#include "engine/log.h"

// The application base: brings up SDL, SDL_ttf and the OpenGL window with the fixed drawing
// state every sprite relies on, and runs the paced main loop. Programs derive from it and
// override the hooks they need. SIGTERM and SIGINT end the main loop after the current frame; a
// program not gone 0.8 s later ends at once with kCutShortStatus.
class CGameBase : public CLogSource {
public:
    CGameBase(int width, int height, bool fullscreen, bool framed, bool resizable);
    ~CGameBase() override;

    void Run();
    // Gives the window a new size in its present mode; false (logged), the window as it was, when
    // SDL cannot. On X11, SDL 1.2 resizes a window whose mode stays in place, keeping its OpenGL
    // context and with it every texture.
    bool Resize(int w, int h);
    bool IsFullscreen() const { return (videoFlags & SDL_FULLSCREEN) != 0; }
    void SetCaption(std::string title);
    void SetIcon(std::string file);
    // Created on the first call and kept for the rest of the run.
    CFontFactory* GetFontFactory();
    // Created on the first call; the audio device opens only when the caller runs Init.
    CAudio* GetAudio();

    // Hooks, in the order the engine defines them; every one is empty here.
    virtual void OnInit() {}
    virtual void OnCleanup() {}
    virtual void OnRender(SDL_Surface* screen) { (void)screen; }
    virtual void OnUpdate(double dt) { (void)dt; }
    virtual void OnActivate(SDL_Event* e) { (void)e; }
    virtual void OnKeyDown(SDL_Event* e) { (void)e; }
    virtual void OnKeyUp(SDL_Event* e) { (void)e; }
    virtual void OnMouseMove(SDL_Event* e) { (void)e; }
    virtual void OnMouseButtonDown(SDL_Event* e) { (void)e; }
    virtual void OnMouseButtonUp(SDL_Event* e) { (void)e; }
    virtual void OnResize(SDL_Event* e) { (void)e; }
    // After F12: the screenshot's file, and whether it was written. It is logged either way.
    virtual void OnScreenshot(const std::string& path, bool saved) { (void)path, (void)saved; }
    // Axis, ball, hat and button events of the joysticks a program opened.
    virtual void OnJoystick(SDL_Event* e) { (void)e; }

    // One frame of the main loop: events, update, clear, render, swap, pace.
    void RunFrame();
    // Hands one event to its hook, as the main loop does for every polled event.
    void DispatchEvent(SDL_Event* e);

    bool quit = false;
    SDL_Surface* screen = nullptr;
    std::unique_ptr<CFontFactory> fontFactory;
    std::unique_ptr<CAudio> audio;
    int width;
    int height;
    std::unique_ptr<CFPSControl> fpsControl;

private:
    Uint32 videoFlags = 0;
    // Set by F12; the next frame is saved once drawn, before it is shown.
    bool screenshotWanted = false;

    void SetUpOpenGL();
    void TakeScreenshot();
    void ApplySize(int w, int h);
};

// The exit status of a program that did not end in order within 0.8 s of SIGTERM or SIGINT.
constexpr int kCutShortStatus = 128 + 15;

// The SDL_SetVideoMode flags for a window of the given kind; fullscreen wins over everything.
Uint32 VideoModeFlags(bool fullscreen, bool framed, bool resizable);
