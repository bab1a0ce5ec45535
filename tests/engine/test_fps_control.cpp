#include <gtest/gtest.h>

#include <vector>

#include "engine/fps_control.h"

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

TEST(FPSControl, PadsShortFramesToSixteenMillisecondsUnlessUnlimited) {
    FakeClock clock;
    CFPSControl control(&clock);
    // Frames of 5, 20 and 16 ms: only the first is padded.
    for (uint32_t took : {5u, 20u, 16u}) {
        clock.now += took;
        control.Regulate();
    }
    EXPECT_EQ(clock.delays, std::vector<uint32_t>{11});
    control.limit = false;
    clock.now += 2;
    control.Regulate();
    EXPECT_EQ(clock.delays.size(), 1u);
}

TEST(FPSControl, MeasuresRateOverFullWindowsOnly) {
    FakeClock clock;
    CFPSControl control(&clock);
    clock.now += 500;
    control.Regulate();
    clock.now += 500;
    control.Regulate();
    EXPECT_DOUBLE_EQ(control.fps, 2.0);
    // Short frames: each padded to 16 ms, so the next window closes after 63 frames.
    for (int i = 0; i < 62; i++) {
        control.Regulate();
    }
    EXPECT_DOUBLE_EQ(control.fps, 2.0);
    control.Regulate();
    EXPECT_NEAR(control.fps, 63 * 1000.0 / 1008, 1e-9);
}
