#pragma once

#include "engine/log.h"

// Lets Xlib serve the main thread and a loader thread at once. Must run before SDL opens the
// display, so it is the first thing the program does.
void EnableThreadedDisplay();

// A second OpenGL context on the window, sharing texture names with the context SDL made for it,
// so that a loader thread can upload textures the main thread then draws. X types stay out of the
// header: they define macros (None, Bool, Status) that clash with ordinary names elsewhere.
class CLoadContext : public CLogSource {
public:
    enum Result { CREATED = 0, NO_WINDOW_INFO = 1, NO_CONTEXT = 2 };

    CLoadContext() = default;
    // The owner joins every thread that made it current before this runs.
    ~CLoadContext() override;
    CLoadContext(const CLoadContext&) = delete;
    CLoadContext& operator=(const CLoadContext&) = delete;

    // Call on the main thread while the window's context is current on it.
    Result Create();
    bool IsCreated() const { return context != nullptr; }
    // Make the context current on / release it from the calling thread.
    bool MakeCurrent();
    void Release();

private:
    // Display*, Window and GLXContext of Xlib and GLX.
    void* display = nullptr;
    unsigned long window = 0;
    void* context = nullptr;
};
