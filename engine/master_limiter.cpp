#include "engine/master_limiter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

CMasterLimiter::CMasterLimiter(int sampleRate)
    : releaseFactor(std::exp(-1.0 / (kRelease * std::max(1, sampleRate)))) {}

void CMasterLimiter::Process(int16_t* samples, int frames, int channels) {
    if (samples == nullptr || channels <= 0) {
        return;
    }
    int bufferPeak = 0;
    for (int f = 0; f < frames; ++f) {
        int16_t* frame = samples + static_cast<long>(f) * channels;
        int loudest = 0;
        for (int c = 0; c < channels; ++c) {
            loudest = std::max(loudest, std::abs(static_cast<int>(frame[c])));
        }
        bufferPeak = std::max(bufferPeak, loudest);
        // Instant attack: the envelope is never below the frame it scales, so no frame passes the
        // ceiling.
        envelope = std::max(static_cast<double>(loudest) * kHeadroom, envelope * releaseFactor);
        const double gain = kHeadroom * (envelope > kCeiling ? kCeiling / envelope : 1.0);
        for (int c = 0; c < channels; ++c) {
            frame[c] = static_cast<int16_t>(std::lround(std::clamp(frame[c] * gain, -kCeiling, kCeiling)));
        }
    }
    int known = peak.load();
    while (bufferPeak > known && !peak.compare_exchange_weak(known, bufferPeak)) {
    }
}

double CMasterLimiter::TakePeak() {
    return static_cast<double>(peak.exchange(0)) * kHeadroom / 32768.0;
}
