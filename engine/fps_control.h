#pragma once

#include <cstdint>

#include "engine/log.h"

// Source of milliseconds and sleeps for frame pacing. The SDL clock is used by default; tests
// hand in a clock they advance by hand.
class CClock {
public:
    virtual ~CClock() = default;
    virtual uint32_t GetTicks() = 0;
    virtual void Delay(uint32_t milliseconds) = 0;
};

class CSDLClock : public CClock {
public:
    uint32_t GetTicks() override;
    void Delay(uint32_t milliseconds) override;
};

// Caps the frame rate and measures it. Regulate() is called once at the very end of every frame.
class CFPSControl : public CLogSource {
public:
    // clock is borrowed and must outlive this object; null means the SDL clock.
    explicit CFPSControl(CClock* clock = nullptr);
    ~CFPSControl() override;

    void Regulate();

    int targetFps = 60;
    uint32_t lastTicks;
    uint32_t frameTime = 0;  // ms, the pause included
    uint32_t measureStart;
    int frameCount = 0;
    double fps = 0.0;
    double measureInterval = 1.0;  // seconds
    bool limit = true;

private:
    CSDLClock sdlClock;
    CClock* clock;
};
