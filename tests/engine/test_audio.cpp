#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/audio.h"
#include "engine/log.h"
#include "tests/support/temp_folder.h"

namespace {

// A mono 16-bit PCM WAV file of 2205 frames (0.05 s at 44100 Hz) holding a 441 Hz square wave
// of amplitude 12000; the header gives sizes, format (PCM, mono), rate, bytes per second and frame, bits.
std::string ToneWav(const TempFolder& folder, const std::string& name) {
    std::string wav(
        "RIFF\x5E\x11\0\0WAVEfmt "
        "\x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0data\x3A\x11\0\0",
        44);
    for (int i = 0; i < 2205; ++i) {
        wav += i % 100 < 50 ? "\xE0\x2E" : "\x20\xD1";
    }
    return folder.Write(name, wav);
}

// The loudest 16-bit sample of the file from the byte `from` on.
int Loudest(const std::string& path, std::uintmax_t from) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    int loudest = 0;
    for (int16_t sample = 0; in.read(reinterpret_cast<char*>(&sample), sizeof sample);) {
        loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
    }
    return loudest;
}

// Polls until the condition holds; bounded, since the audio thread is real time.
bool WaitUntil(const std::function<bool()>& condition) {
    for (int waited = 0; waited < 3000 && !condition(); waited += 5) {
        SDL_Delay(5);
    }
    return condition();
}

std::atomic<int> finishedChannel{-1};

// The disk driver writes everything the mixer outputs to a file, so the tests can listen.
class Audio : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        // Milliseconds between buffers, so a short sound is through in a few tens of them.
        setenv("SDL_DISKAUDIODELAY", "10", 1);
        EnableLogging();
    }

    // Waits for the channel to end and two more mixer buffers (2048 frames of 4 bytes) to reach the file.
    void PlayThrough(int channel) {
        ASSERT_TRUE(WaitUntil([&] { return Mix_Playing(channel) == 0; }));
        const std::uintmax_t size = std::filesystem::file_size(output);
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::file_size(output) >= size + 2 * 2048 * 4; }));
    }

    TempFolder folder;
    const std::string output = folder.File("output.raw");
};

}  // namespace

TEST_F(Audio, PlayedSoundIsHeardMutedSoundIsSilentAndTheHookHearsTheEnd) {
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    audio.channelFinishedCallback = [](int channel) { finishedChannel = channel; };
    const int sound = audio.LoadSound(ToneWav(folder, "beep.wav"));
    ASSERT_EQ(sound, 0);

    EXPECT_TRUE(audio.ToggleMute());
    const int mutedChannel = audio.PlaySound(sound);
    ASSERT_GE(mutedChannel, 0);
    PlayThrough(mutedChannel);
    EXPECT_EQ(finishedChannel.load(), mutedChannel);
    const std::uintmax_t silentEnd = std::filesystem::file_size(output);
    EXPECT_EQ(Loudest(output, 0), 0);

    EXPECT_FALSE(audio.ToggleMute());
    const int channel = audio.PlaySound(sound);
    ASSERT_GE(channel, 0);
    PlayThrough(channel);
    EXPECT_GT(Loudest(output, silentEnd), 4000);
}

TEST_F(Audio, IndicesStayStableWhenASoundIsFreedAndFilesThatDoNotLoadGetNone) {
    const std::string first = ToneWav(folder, "first.wav"), second = ToneWav(folder, "second.wav");
    const std::string bad = folder.Write("bad.ogg", std::string(4096, '\x7f'));
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    EXPECT_EQ(audio.LoadSound(first), 0);
    EXPECT_EQ(audio.LoadSound(second), 1);
    audio.UnloadSound(0);
    audio.UnloadSound(7);
    EXPECT_EQ(std::vector<int>({audio.PlaySound(0), audio.FindSound(first)}), std::vector<int>({-1, -1}));
    EXPECT_GE(audio.PlaySound(1), 0);
    // A reloaded sound gets a new place; the freed one stays empty.
    EXPECT_EQ(audio.LoadSound(first), 2);
    EXPECT_EQ(std::vector<int>({audio.LoadSound(bad), audio.LoadMusic(bad)}), std::vector<int>({-1, -1}));
}

TEST_F(Audio, ResetUnloadsEverythingAndMuteWhileClosedOnlyRecordsTheWish) {
    const std::string beep = ToneWav(folder, "beep.wav");
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    ASSERT_EQ(audio.LoadSound(beep), 0);
    audio.PlayMusic(beep);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    audio.Reset();
    EXPECT_EQ(std::pair(audio.FindSound(beep), audio.FindMusic(beep)), std::pair(-1, -1));

    // SDL_mixer crashes on a volume change after closing.
    EXPECT_TRUE(audio.ToggleMute());
    ASSERT_TRUE(audio.Init());
    const int channel = audio.PlaySound(audio.LoadSound(beep));
    ASSERT_GE(channel, 0);
    EXPECT_EQ(Mix_Volume(channel, -1), 0);
    EXPECT_FALSE(audio.ToggleMute());
    EXPECT_EQ(Mix_Volume(-1, -1), MIX_MAX_VOLUME);
}

TEST(AudioDeathTest, ASecondInstanceEndsTheProgram) {
    EXPECT_EXIT(
        {
            // The logger writes to standard output; the death test reads standard error.
            dup2(STDERR_FILENO, STDOUT_FILENO);
            EnableLogging();
            CAudio first;
            CAudio second;
        },
        testing::ExitedWithCode(1), "FATAL ERROR in class CAudio: More than one active class instance");
}
