#include "engine/game_base.h"

#include <GL/gl.h>
#include <SDL/SDL_image.h>
#include <SDL/SDL_ttf.h>
#include <semaphore.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "engine/screenshot.h"

namespace {

volatile sig_atomic_t terminationAsked = 0;
sem_t terminationSemaphore;

// A frame or a load can take long; the program still ends within a second of being asked to.
// The deadline runs on a thread of its own, woken from the handler: SIGALRM belongs to others
// (libFuzzer times its inputs with it).
void OnTerminationSignal(int) {
    terminationAsked = 1;
    sem_post(&terminationSemaphore);
}

void InstallTerminationHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        sem_init(&terminationSemaphore, 0, 0);
        std::thread([] {
            while (sem_wait(&terminationSemaphore) != 0) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            _exit(kCutShortStatus);
        }).detach();
    });
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = OnTerminationSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

Uint32 VideoModeFlags(bool fullscreen, bool framed, bool resizable) {
    if (fullscreen) {
        return SDL_FULLSCREEN | SDL_OPENGL | SDL_HWSURFACE;
    }
    if (!framed) {
        return SDL_NOFRAME | SDL_OPENGL | SDL_HWSURFACE;
    }
    if (resizable) {
        return SDL_RESIZABLE | SDL_OPENGL | SDL_HWSURFACE;
    }
    return SDL_OPENGL | SDL_HWSURFACE;
}

CGameBase::CGameBase(int width, int height, bool fullscreen, bool framed, bool resizable)
    : width(width), height(height) {
    LogLine(LOG_STATUS, "Initializing SDL...");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        LogLine(LOG_FATAL, std::string("Unable to initialize SDL: ") + SDL_GetError());
        std::exit(1);
    }
    LogLine(LOG_STATUS, "SDL initialization successful.");
    // In place of SDL's own, which only queues a quit event that a long frame would not see.
    InstallTerminationHandlers();

    LogLine(LOG_STATUS, "Initializing SDL TTF...");
    if (TTF_Init() != 0) {
        LogLine(LOG_FATAL, std::string("Unable to initialize SDL TTF: ") + SDL_GetError());
        std::exit(1);
    }
    LogLine(LOG_STATUS, "SDL TTF initialization successful.");

    LogLine(LOG_STATUS, "Setting up environment...");
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    videoFlags = VideoModeFlags(fullscreen, framed, resizable);
    screen = SDL_SetVideoMode(width, height, 32, videoFlags);
    if (!screen) {
        // Without a window every later frame would draw into nothing; stop instead.
        LogLine(LOG_FATAL, std::string("Unable to set video mode: ") + SDL_GetError());
        std::exit(1);
    }
    SetUpOpenGL();

    fpsControl = std::make_unique<CFPSControl>();

    srand(static_cast<unsigned>(time(nullptr)));
    LogLine(LOG_STATUS, "Randomness ensured.");

    SetCaption("Moltrix Engine App");
    SetIcon("mxengine.ico");

    LogLine(LOG_STATUS, "Setup successful.");
    LogLine(LOG_STATUS, "Instance initialized.");
}

CGameBase::~CGameBase() {
    fpsControl.reset();
    // Fonts must be closed while SDL_ttf is still initialised.
    fontFactory.reset();
    audio.reset();
    // The video surface belongs to SDL, which releases it in SDL_Quit.
    TTF_Quit();
    SDL_Quit();
    LogLine(LOG_STATUS, "Instance removed.");
}

void CGameBase::SetUpOpenGL() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.01f);
    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glLoadIdentity();
}

bool CGameBase::Resize(int w, int h) {
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const std::string now = std::to_string(width) + "x" + std::to_string(height);
    if (w <= 0 || h <= 0) {
        LogLine(LOG_ERROR, "The window cannot become " + size + "; it stays " + now + ".");
        return false;
    }
    if (w == width && h == height) {
        return true;
    }
    SDL_Surface* resized = SDL_SetVideoMode(w, h, 32, videoFlags);
    if (resized == nullptr) {
        LogLine(LOG_ERROR, "The window cannot become " + size + ", SDL reports: " + SDL_GetError() +
                               "; it stays " + now + ".");
        screen = SDL_SetVideoMode(width, height, 32, videoFlags);
        if (!screen) {
            LogLine(LOG_FATAL, std::string("Unable to set video mode: ") + SDL_GetError());
            std::exit(1);
        }
        return false;
    }
    screen = resized;
    width = w;
    height = h;
    SetUpOpenGL();
    LogLine(LOG_STATUS, "Window resized to " + size + ".");
    return true;
}

void CGameBase::SetCaption(std::string title) {
    SDL_WM_SetCaption(title.c_str(), title.c_str());
    LogLine(LOG_STATUS, "Window Title set to " + title + ".");
}

void CGameBase::SetIcon(std::string file) {
    const std::string path = MakeAbsolutePath(file);
    SDL_Surface* icon = FileExists(path) ? IMG_Load(path.c_str()) : nullptr;
    if (!icon) {
        LogLine(LOG_ERROR, "Tried to set icon but failed to locate " + file + ".");
        return;
    }
    // SDL keeps using the icon surface for the window's lifetime, so it is not freed.
    SDL_WM_SetIcon(icon, nullptr);
    LogLine(LOG_STATUS, "Window Icon set to " + file + ".");
}

CFontFactory* CGameBase::GetFontFactory() {
    if (!fontFactory) {
        LogLine(LOG_STATUS, "Instantiating Font Factory on first access...");
        fontFactory = std::make_unique<CFontFactory>();
    }
    return fontFactory.get();
}

CAudio* CGameBase::GetAudio() {
    if (!audio) {
        LogLine(LOG_STATUS, "Instantiating Audio Manager on first access...");
        audio = std::make_unique<CAudio>();
    }
    return audio.get();
}

void CGameBase::Run() {
    LogLine(LOG_STATUS, "Starting up game...");
    OnInit();
    LogLine(LOG_STATUS, "Game running.");
    while (!quit) {
        RunFrame();
    }
    LogLine(LOG_STATUS, "Game is closing...");
    OnCleanup();
    LogLine(LOG_STATUS, "Game closed.");
}

void CGameBase::RunFrame() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        DispatchEvent(&event);
    }
    if (terminationAsked != 0) {
        quit = true;
    }
    OnUpdate(fpsControl->frameTime / 1000.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    OnRender(screen);
    if (screenshotWanted) {
        TakeScreenshot();
    }
    SDL_GL_SwapBuffers();
    fpsControl->Regulate();
}

void CGameBase::DispatchEvent(SDL_Event* e) {
    switch (e->type) {
        case SDL_ACTIVEEVENT:
            OnActivate(e);
            break;
        case SDL_KEYDOWN:
            screenshotWanted = screenshotWanted || e->key.keysym.sym == SDLK_F12;
            OnKeyDown(e);
            break;
        case SDL_KEYUP:
            OnKeyUp(e);
            break;
        case SDL_MOUSEMOTION:
            OnMouseMove(e);
            break;
        case SDL_MOUSEBUTTONDOWN:
            OnMouseButtonDown(e);
            break;
        case SDL_MOUSEBUTTONUP:
            OnMouseButtonUp(e);
            break;
        case SDL_JOYAXISMOTION:
        case SDL_JOYBALLMOTION:
        case SDL_JOYHATMOTION:
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            OnJoystick(e);
            break;
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_VIDEORESIZE:
            OnResize(e);
            ApplySize(e->resize.w, e->resize.h);
            break;
        default:
            break;
    }
}

void CGameBase::TakeScreenshot() {
    screenshotWanted = false;
    const std::time_t now = std::time(nullptr);
    int number = 1;
    while (FileExists(ScreenshotName(now, number))) {
        ++number;
    }
    const std::string path = PrepareWritePath(ScreenshotName(now, number));
    const bool saved = SaveFramePng(path, width, height);
    LogLine(saved ? LOG_STATUS : LOG_ERROR,
            (saved ? "Screenshot saved to " : "Cannot save a screenshot to ") + path + ".");
    OnScreenshot(path, saved);
}

void CGameBase::ApplySize(int w, int h) {
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    width = w;
    height = h;
}
