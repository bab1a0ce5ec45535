#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/master_limiter.h"

namespace {

constexpr int kRate = 1000;

// Stereo frames of a sine of this amplitude (as mixed, before the limiter's gain).
std::vector<int16_t> Sine(double amplitude, int frames) {
    std::vector<int16_t> samples;
    for (int f = 0; f < frames; ++f) {
        const auto s = static_cast<int16_t>(std::lround(amplitude * std::sin(f * 0.3)));
        samples.insert(samples.end(), {s, s});
    }
    return samples;
}

int Peak(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t s : samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    return peak;
}

}  // namespace

// Quiet mixes come back at their level; loud ones are held under the ceiling however loud they are,
// and the gain recovers over the release time.
TEST(MasterLimiter, GivesQuietSoundBackAndHoldsLoudSoundUnderTheCeiling) {
    const int h = CMasterLimiter::kHeadroom;
    for (double amplitude : {100.0, 2000.0, 7999.0, 8100.0, 16000.0, 32767.0}) {
        CMasterLimiter limiter(kRate);
        std::vector<int16_t> mixed = Sine(amplitude, 200);
        const std::vector<int16_t> original = mixed;
        limiter.Process(mixed.data(), 200, 2);
        const bool quiet = amplitude * h <= CMasterLimiter::kCeiling;
        if (quiet) {
            for (size_t k = 0; k < mixed.size(); ++k) {
                ASSERT_EQ(mixed[k], original[k] * h) << amplitude;
            }
        }
        EXPECT_LE(Peak(mixed), CMasterLimiter::kCeiling) << amplitude;
        EXPECT_GE(Peak(mixed), 0.99 * std::min(amplitude * h, CMasterLimiter::kCeiling)) << amplitude;
        EXPECT_NEAR(limiter.TakePeak(), Peak(original) * h / 32768.0, 1e-9) << amplitude;
        EXPECT_EQ(limiter.TakePeak(), 0.0);
    }
}

TEST(MasterLimiter, ALoudMomentTurnsBothSidesDownUntilTheReleaseHasPassed) {
    CMasterLimiter limiter(kRate);
    // One loud frame on the left; then a quiet, steady sound on both sides.
    std::vector<int16_t> mixed = {30000, 0};
    limiter.Process(mixed.data(), 1, 2);
    EXPECT_EQ(mixed[0], CMasterLimiter::kCeiling);
    const int releaseFrames = static_cast<int>(CMasterLimiter::kRelease * kRate);
    std::vector<int16_t> quiet(2 * 5 * releaseFrames, 1000);
    limiter.Process(quiet.data(), 5 * releaseFrames, 2);
    // Both sides alike, turned down at first, back to the full gain after five release times.
    EXPECT_EQ(quiet[0], quiet[1]);
    EXPECT_LT(quiet[0], 1000 * CMasterLimiter::kHeadroom / 2);
    EXPECT_EQ(quiet.back(), 1000 * CMasterLimiter::kHeadroom);
}
