#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "engine/audio.h"
#include "engine/log.h"
#include "tests/support/temp_folder.h"

namespace {

// Shipped sounds; what the mixer makes of a played or muted one is heard in the race sounds' test.
const char kBeep[] = "snd\\beep.wav";
const char kClick[] = "snd\\click.wav";

std::atomic<int> finishedChannel{-1};

// The disk driver plays faster than real time, into a file nobody listens to.
class Audio : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", folder.File("output.raw").c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "10", 1);
        EnableLogging();
    }

    TempFolder folder;
};

}  // namespace

TEST_F(Audio, IndicesStayStableResetUnloadsAllMuteWhileClosedIsAWishAndTheHookHearsEachEnd) {
    const std::string bad = folder.Write("bad.ogg", std::string(4096, '\x7f'));
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    audio.channelFinishedCallback = [](int channel) { finishedChannel = channel; };
    EXPECT_EQ(std::vector<int>({audio.LoadSound(kBeep), audio.LoadSound(kClick)}), std::vector<int>({0, 1}));
    audio.UnloadSound(0);
    audio.UnloadSound(7);
    EXPECT_EQ(std::vector<int>({audio.PlaySound(0), audio.FindSound(kBeep)}), std::vector<int>({-1, -1}));
    EXPECT_GE(audio.PlaySound(1), 0);
    // A reloaded sound gets a new place; the freed one stays empty.
    EXPECT_EQ(audio.LoadSound(kBeep), 2);
    EXPECT_EQ(std::vector<int>({audio.LoadSound(bad), audio.LoadMusic(bad)}), std::vector<int>({-1, -1}));

    audio.PlayMusic(kBeep);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    audio.Reset();
    EXPECT_EQ(std::pair(audio.FindSound(kBeep), audio.FindMusic(kBeep)), std::pair(-1, -1));

    // SDL_mixer crashes on a volume change after closing.
    EXPECT_TRUE(audio.ToggleMute());
    ASSERT_TRUE(audio.Init());
    finishedChannel = -1;
    const int channel = audio.PlaySound(audio.LoadSound(kBeep));
    ASSERT_GE(channel, 0);
    EXPECT_EQ(Mix_Volume(channel, -1), 0);
    // The hook hears even a muted sound end.
    for (int waited = 0; waited < 3000 && finishedChannel != channel; waited += 5) {
        SDL_Delay(5);
    }
    EXPECT_EQ(finishedChannel.load(), channel);
    EXPECT_FALSE(audio.ToggleMute());
    EXPECT_EQ(Mix_Volume(-1, -1), MIX_MAX_VOLUME);
}

// A copy starts where asked, whole frames in, and wraps round; asked again, it is the same copy.
TEST_F(Audio, ACopyOfASoundStartsPartWayAndWrapsRound) {
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    const int beep = audio.LoadSound(kBeep);
    const Mix_Chunk* original = audio.GetSoundChunk(beep);
    ASSERT_NE(original, nullptr);
    const int frameBytes = 2 * audio.channels;
    const std::string bytes(reinterpret_cast<const char*>(original->abuf), original->alen);
    for (double fraction : {0.0, 0.25, 0.5, 0.999}) {
        const int copy = audio.CopySound(beep, fraction);
        ASSERT_GE(copy, 0) << fraction;
        EXPECT_EQ(audio.CopySound(beep, fraction + 1.0), copy) << fraction;
        const Mix_Chunk* chunk = audio.GetSoundChunk(copy);
        const size_t start = static_cast<size_t>(fraction * (bytes.size() / frameBytes)) * frameBytes;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk->abuf), chunk->alen),
                  bytes.substr(start) + bytes.substr(0, start))
            << fraction;
        EXPECT_GE(audio.PlayLoop(copy), 0);
    }
    EXPECT_EQ(audio.CopySound(beep + 100, 0.5), -1);
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
