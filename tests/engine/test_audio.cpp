#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/audio.h"
#include "engine/game_base.h"
#include "engine/log.h"

namespace {

constexpr int kRate = 44100;
// One mixer buffer of the device CAudio opens: 2048 stereo frames of 16 bits.
constexpr std::uintmax_t kBufferBytes = 2048 * 2 * 2;

void WriteLe(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

// A mono 16-bit PCM WAV file holding a 440 Hz sine.
void WriteSineWav(const std::string& path, double seconds) {
    const uint32_t frames = static_cast<uint32_t>(seconds * kRate);
    const uint32_t dataBytes = frames * 2;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    WriteLe(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    WriteLe(out, 16, 4);
    WriteLe(out, 1, 2);  // PCM
    WriteLe(out, 1, 2);  // mono
    WriteLe(out, kRate, 4);
    WriteLe(out, kRate * 2, 4);
    WriteLe(out, 2, 2);
    WriteLe(out, 16, 2);
    out.write("data", 4);
    WriteLe(out, dataBytes, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const double sample = 12000.0 * std::sin(2.0 * M_PI * 440.0 * i / kRate);
        WriteLe(out, static_cast<uint16_t>(static_cast<int16_t>(sample)), 2);
    }
}

void WriteGarbage(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 4096; ++i) {
        out.put(static_cast<char>((i * 7919) % 251));
    }
}

std::vector<int16_t> ReadSamples(const std::string& path, std::uintmax_t fromByte) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(fromByte));
    std::vector<int16_t> samples;
    int16_t sample = 0;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) {
        samples.push_back(sample);
    }
    return samples;
}

int Loudest(const std::vector<int16_t>& samples) {
    int loudest = 0;
    for (int16_t s : samples) {
        loudest = std::max(loudest, std::abs(static_cast<int>(s)));
    }
    return loudest;
}

// Polls until the condition holds; bounded, since the audio thread is real time.
bool WaitUntil(const std::function<bool()>& condition) {
    for (int waited = 0; waited < 3000; waited += 5) {
        if (condition()) {
            return true;
        }
        SDL_Delay(5);
    }
    return condition();
}

int CountLines(const std::string& log, const std::string& line) {
    std::istringstream in(log);
    int count = 0;
    for (std::string l; std::getline(in, l);) {
        count += l == line ? 1 : 0;
    }
    return count;
}

std::atomic<int> finishedChannel{-1};
std::atomic<int> musicFinishedCount{0};

// The disk driver writes everything the mixer outputs to a file, so the tests can listen.
class Audio : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/asphaltia_audio_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        output = dir + "/output.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        // Milliseconds between buffers, so a short sound is through in a few tens of them.
        setenv("SDL_DISKAUDIODELAY", "10", 1);
        EnableLogging();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string File(const std::string& name) { return dir + "/" + name; }
    std::uintmax_t OutputSize() {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(output, error);
        return error ? 0 : size;
    }
    // Waits for the channel to finish and for the buffers holding its end to reach the file.
    void PlayThrough(int channel) {
        ASSERT_TRUE(WaitUntil([&] { return Mix_Playing(channel) == 0; }));
        const std::uintmax_t size = OutputSize();
        ASSERT_TRUE(WaitUntil([&] { return OutputSize() >= size + 2 * kBufferBytes; }));
    }

    std::string dir;
    std::string output;
};

}  // namespace

TEST_F(Audio, PlayedSoundIsHeardAndMutedSoundIsSilent) {
    const std::string beep = File("beep.wav");
    WriteSineWav(beep, 0.05);
    CAudio audio;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(audio.Init());
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(CountLines(log, "STATUS in class CAudio: SDL Audio initialized successfully."), 1);
    EXPECT_EQ(CountLines(log, "STATUS in class CAudio: SDL Mixer initialized successfully."), 1);
    EXPECT_EQ(audio.frequency, 44100);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.format, AUDIO_S16SYS);
    const int sound = audio.LoadSound(beep);
    ASSERT_EQ(sound, 0);

    EXPECT_TRUE(audio.ToggleMute());
    EXPECT_EQ(Mix_Volume(-1, -1), 0);
    const int mutedChannel = audio.PlaySound(sound);
    ASSERT_GE(mutedChannel, 0);
    EXPECT_EQ(Mix_Volume(mutedChannel, -1), 0);
    PlayThrough(mutedChannel);
    const std::uintmax_t silentEnd = OutputSize();
    EXPECT_EQ(Loudest(ReadSamples(output, 0)), 0);

    EXPECT_FALSE(audio.ToggleMute());
    EXPECT_EQ(Mix_Volume(-1, -1), MIX_MAX_VOLUME);
    const int channel = audio.PlaySound(sound);
    ASSERT_GE(channel, 0);
    EXPECT_EQ(Mix_Volume(channel, -1), MIX_MAX_VOLUME);
    PlayThrough(channel);
    EXPECT_GT(Loudest(ReadSamples(output, silentEnd)), 4000);
}

TEST_F(Audio, IndicesStayStableWhenASoundIsFreed) {
    const std::string first = File("first.wav");
    const std::string second = File("second.wav");
    WriteSineWav(first, 0.05);
    WriteSineWav(second, 0.05);
    CAudio audio;
    ASSERT_TRUE(audio.Init());

    testing::internal::CaptureStdout();
    EXPECT_EQ(audio.LoadSound(first), 0);
    EXPECT_EQ(audio.LoadSound(second), 1);
    EXPECT_EQ(audio.LoadSound(first), 0);
    audio.UnloadSound(0);
    audio.UnloadSound(0);
    audio.UnloadSound(7);
    const int unloadedPlays = audio.PlaySound(0);
    const int outOfRangePlays = audio.PlaySound(-1);
    const std::string log = testing::internal::GetCapturedStdout();

    EXPECT_EQ(CountLines(log, "STATUS in class CAudio: Sound file " + first + " loaded successfully."), 1);
    EXPECT_EQ(CountLines(log, "STATUS in class CAudio: Sound file " + first + " unloaded successfully."), 1);
    EXPECT_EQ(CountLines(log, "WARNING in class CAudio: Sound index 7 does not exist, nothing unloaded."), 1);
    EXPECT_EQ(unloadedPlays, -1);
    EXPECT_EQ(outOfRangePlays, -1);
    EXPECT_EQ(CountLines(log, "WARNING in class CAudio: Sound index 0 is not loaded, nothing played."), 1);
    EXPECT_EQ(CountLines(log, "WARNING in class CAudio: Sound index -1 is not loaded, nothing played."), 1);
    EXPECT_EQ(audio.FindSound(first), -1);
    EXPECT_EQ(audio.FindSound(second), 1);
    EXPECT_GE(audio.PlaySound(1), 0);
    // A reloaded sound gets a new place; the freed one stays empty.
    EXPECT_EQ(audio.LoadSound(first), 2);
    EXPECT_EQ(audio.PlaySound(0), -1);
}

TEST_F(Audio, FilesThatCannotBeLoadedGiveMinusOneAndAnError) {
    const std::string missing = File("missing.wav");
    const std::string missingMusic = File("missing.ogg");
    const std::string badMusic = File("bad.ogg");
    const std::string badSound = File("bad.wav");
    WriteGarbage(badMusic);
    WriteGarbage(badSound);
    CAudio audio;
    ASSERT_TRUE(audio.Init());

    testing::internal::CaptureStdout();
    EXPECT_EQ(audio.LoadSound(missing), -1);
    EXPECT_EQ(audio.LoadMusic(missingMusic), -1);
    EXPECT_EQ(audio.LoadMusic(badMusic), -1);
    EXPECT_EQ(audio.LoadSound(badSound), -1);
    audio.PlayMusic(badMusic);
    const std::string log = testing::internal::GetCapturedStdout();

    EXPECT_EQ(CountLines(log, "ERROR in class CAudio: Failed to load " + missing + ". File not found."), 1);
    EXPECT_EQ(CountLines(log, "ERROR in class CAudio: Failed to load " + missingMusic + ": File not found."),
              1);
    // Once from LoadMusic, once from PlayMusic, which finds nothing loaded and tries again.
    const std::string badMusicLine = "ERROR in class CAudio: Failed to load " + badMusic + ", SDL reports: ";
    EXPECT_NE(log.find(badMusicLine), log.rfind(badMusicLine)) << log;
    EXPECT_NE(log.find("ERROR in class CAudio: Failed to load " + badSound + ", SDL reports: "),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("loaded successfully"), std::string::npos) << log;
    EXPECT_EQ(audio.FindMusic(badMusic), -1);
    EXPECT_EQ(audio.FindSound(badSound), -1);
    EXPECT_EQ(Mix_PlayingMusic(), 0);
}

TEST_F(Audio, FinishedHooksFireWhenASoundOrTheMusicEnds) {
    const std::string beep = File("beep.wav");
    const std::string tune = File("tune.wav");
    WriteSineWav(beep, 0.02);
    WriteSineWav(tune, 0.1);
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    audio.channelFinishedCallback = [](int channel) { finishedChannel = channel; };
    audio.musicFinishedCallback = [] { ++musicFinishedCount; };

    const int channel = audio.PlaySound(audio.LoadSound(beep));
    ASSERT_GE(channel, 0);
    EXPECT_TRUE(WaitUntil([] { return finishedChannel.load() >= 0; }));
    EXPECT_EQ(finishedChannel.load(), channel);

    audio.PlayMusic(tune);
    EXPECT_EQ(audio.FindMusic(tune), 0);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    audio.PauseAll();
    EXPECT_EQ(Mix_PausedMusic(), 1);
    audio.ResumeAll();
    EXPECT_EQ(Mix_PausedMusic(), 0);
    audio.HaltMusic();
    EXPECT_EQ(Mix_PlayingMusic(), 0);

    // PlayMusic loops without end; an application that plays a piece once is told when it ends.
    Mix_Music* once = Mix_LoadMUS(tune.c_str());
    ASSERT_NE(once, nullptr);
    ASSERT_EQ(Mix_PlayMusic(once, 0), 0);
    EXPECT_TRUE(WaitUntil([] { return musicFinishedCount.load() == 1; }));
    Mix_FreeMusic(once);
}

TEST_F(Audio, ResetClosesTheDeviceAndMuteStaysSafeWhileItIsClosed) {
    const std::string beep = File("beep.wav");
    WriteSineWav(beep, 0.05);
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    ASSERT_EQ(audio.LoadSound(beep), 0);

    testing::internal::CaptureStdout();
    audio.Reset();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log,
              "STATUS in class CAudio: Resetting audio...\n"
              "STATUS in class CAudio: Sound file " +
                  beep +
                  " unloaded successfully.\n"
                  "STATUS in class CAudio: All sound files unloaded.\n"
                  "STATUS in class CAudio: All music files unloaded.\n"
                  "STATUS in class CAudio: Audio device reset.\n");
    EXPECT_EQ(audio.frequency, 0);
    EXPECT_EQ(audio.channels, 0);
    EXPECT_EQ(audio.FindSound(beep), -1);

    // SDL_mixer crashes on a volume change after closing; muting must only record the wish.
    EXPECT_TRUE(audio.ToggleMute());
    testing::internal::CaptureStdout();
    ASSERT_TRUE(audio.Init());
    const std::string reopenLog = testing::internal::GetCapturedStdout();
    EXPECT_EQ(reopenLog, "STATUS in class CAudio: SDL Mixer initialized successfully.\n");
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
        testing::ExitedWithCode(1),
        "FATAL ERROR in class CAudio: More than one active class instance\\. Shutting down for safety "
        "reasons\\.");
}

TEST(AudioGameBase, CreatesTheManagerOnFirstAccessAndRemovesItWithTheApplication) {
    EnableLogging();
    testing::internal::CaptureStdout();
    {
        CGameBase app(64, 64, false, true, false);
        CAudio* audio = app.GetAudio();
        ASSERT_NE(audio, nullptr);
        EXPECT_EQ(app.GetAudio(), audio);
        EXPECT_EQ(app.audio.get(), audio);
    }
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(CountLines(log, "STATUS in class CGameBase: Instantiating Audio Manager on first access..."),
              1);
    const size_t fpsRemoved = log.find("STATUS in class CFPSControl: Instance removed.");
    const size_t audioRemoved = log.find("STATUS in class CAudio: Instance removed.");
    const size_t appRemoved = log.find("STATUS in class CGameBase: Instance removed.");
    ASSERT_NE(audioRemoved, std::string::npos) << log;
    EXPECT_LT(fpsRemoved, audioRemoved);
    EXPECT_LT(audioRemoved, appRemoved);
}
