#pragma once

#include <atomic>
#include <cstdint>

// The last stage of the sound output. The mixer adds its channels at 1/kHeadroom of their level,
// so that their sum cannot reach full scale where 16-bit mixing would clip it; this stage brings
// the sum back up by kHeadroom and holds every sample under the ceiling: a loud moment is turned
// down at once and comes back up over the release time. Channels of a frame share one gain, so
// that a sound keeps its place between the speakers.
class CMasterLimiter {
public:
    static constexpr int kHeadroom = 4;
    // Just under full scale, so that no sample ever sits at the clipping point.
    static constexpr double kCeiling = 32000.0;
    // Seconds for the gain to come most of the way (1/e) back after a loud moment.
    static constexpr double kRelease = 0.15;

    explicit CMasterLimiter(int sampleRate = 44100);

    // Interleaved frames of channels samples each, in place.
    void Process(int16_t* samples, int frames, int channels);
    // The loudest the mixed sound came since the last call, 1 for full scale: above 1 this stage
    // held it down; kHeadroom means the mixing itself reached full scale and clipped. Any thread.
    double TakePeak();

private:
    double releaseFactor;
    // The level the gain follows, in samples of full output scale; it falls back by releaseFactor
    // per frame.
    double envelope = 0.0;
    // The largest sample magnitude met, as mixed (before the gain).
    std::atomic<int> peak{0};
};
