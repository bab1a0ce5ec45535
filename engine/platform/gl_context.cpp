#include "engine/platform/gl_context.h"

#include <GL/glx.h>
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

void EnableThreadedDisplay() {
    XInitThreads();
}

CLoadContext::~CLoadContext() {
    if (context != nullptr) {
        glXDestroyContext(static_cast<Display*>(display), static_cast<GLXContext>(context));
    }
}

CLoadContext::Result CLoadContext::Create() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    // 0 means the video driver gives no window information at all, -1 a version mismatch.
    if (SDL_GetWMInfo(&info) <= 0) {
        return NO_WINDOW_INFO;
    }
    // The window's own context lives on SDL's rendering connection, so the shared one must too.
    Display* x = info.info.x11.gfxdisplay;
    window = info.info.x11.window;
    display = x;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, window, &attributes) == 0) {
        LogLine(LOG_ERROR, "The window's attributes cannot be read.");
        return NO_CONTEXT;
    }
    XVisualInfo wanted;
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* visual = XGetVisualInfo(x, VisualIDMask, &wanted, &count);
    if (visual == nullptr) {
        LogLine(LOG_ERROR, "The window's visual cannot be found.");
        return NO_CONTEXT;
    }
    context = glXCreateContext(x, visual, glXGetCurrentContext(), True);
    XFree(visual);
    if (context == nullptr) {
        LogLine(LOG_ERROR, "No OpenGL context sharing textures with the window's can be made.");
        return NO_CONTEXT;
    }
    return CREATED;
}

bool CLoadContext::MakeCurrent() {
    return context != nullptr &&
           glXMakeCurrent(static_cast<Display*>(display), window, static_cast<GLXContext>(context)) == True;
}

void CLoadContext::Release() {
    if (context == nullptr) {
        return;
    }
    glXMakeCurrent(static_cast<Display*>(display), 0, nullptr);
}
