#include "engine/platform/console.h"

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>

namespace {

bool GetWindowInfo(SDL_SysWMinfo& info) {
    SDL_VERSION(&info.version);
    return SDL_GetWMInfo(&info) > 0 && info.subsystem == SDL_SYSWM_X11;
}

}  // namespace

WindowHandle GetConsoleWindowHandle() {
    return 0;
}

bool GetSdlWindowHandle(WindowHandle& handle) {
    SDL_SysWMinfo info;
    if (!GetWindowInfo(info)) {
        return false;
    }
    // The frame the window manager sees; raising the inner window alone would leave it behind.
    handle = info.info.x11.wmwindow;
    return true;
}

void BringToFront(WindowHandle window) {
    SDL_SysWMinfo info;
    if (window == 0 || !GetWindowInfo(info)) {
        return;
    }
    // SDL's event thread shares the display connection.
    info.info.x11.lock_func();
    XRaiseWindow(info.info.x11.display, window);
    XFlush(info.info.x11.display);
    info.info.x11.unlock_func();
}
