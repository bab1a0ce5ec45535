#include "engine/fps_control.h"

#include <SDL/SDL.h>

uint32_t CSDLClock::GetTicks() {
    return SDL_GetTicks();
}

void CSDLClock::Delay(uint32_t milliseconds) {
    SDL_Delay(milliseconds);
}

CFPSControl::CFPSControl(CClock* clock) : clock(clock ? clock : &sdlClock) {
    lastTicks = this->clock->GetTicks();
    measureStart = lastTicks;
    LogLine(LOG_STATUS, "Instance initialized.");
}

CFPSControl::~CFPSControl() {
    LogLine(LOG_STATUS, "Instance removed.");
}

void CFPSControl::Regulate() {
    const uint32_t elapsed = clock->GetTicks() - lastTicks;
    if (limit && targetFps > 0) {
        // Integer division: the cap is one frame per 16 ms at 60, not exactly 60 per second.
        const uint32_t wait = 1000 / targetFps;
        if (wait > elapsed) {
            clock->Delay(wait - elapsed);
        }
    }
    frameCount += 1;
    const uint32_t window = clock->GetTicks() - measureStart;
    if (measureInterval * 1000 <= window) {
        fps = frameCount * 1000.0 / window;
        frameCount = 0;
        measureStart = clock->GetTicks();
    }
    frameTime = clock->GetTicks() - lastTicks;
    lastTicks = clock->GetTicks();
}
