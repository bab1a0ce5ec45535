#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "game/race/player.h"
#include "game/race/race_sounds.h"
#include "game/race/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

// The disk driver writes every mixed buffer (2048 stereo frames of 16 bits) to a file.
constexpr std::uintmax_t kBuffer = 2048 * 4;

// One car of the shipped cars on a track with only a grid, and the shipped race sounds, heard
// through the disk driver.
class RaceSoundsTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "5", 1);
        audio = app->GetAudio();
        ASSERT_TRUE(audio->Init());
        world.Load(folder.Write("world.dat", "[main]\nplayers=1\n[start0]\nx=0\ny=0\n"));
        world.AddPlayer("dat\\cars.dat", "Vulcan", folder.File("config.ini"), "controls0");
        car = world.GetPlayers().front();
        sounds = std::make_unique<ASP_RaceSounds>(audio);
        sounds->Load("dat\\sounds.dat");
    }
    void TearDown() override { audio->Reset(); }

    // RMS and peak of the output once the car has run at this velocity for a moment, reached
    // smoothly or by a crash. The buffers mixed before the change are skipped.
    std::pair<double, int> Listen(Point velocity, bool crash = false) {
        sounds->BeforeCollisions(world);
        car->SetVelocity(velocity);
        if (!crash) {
            sounds->BeforeCollisions(world);
        }
        for (int i = 0; i < 10; ++i) {
            sounds->Update(world, 0.1);
        }
        const std::uintmax_t from = std::filesystem::file_size(output) + 2 * kBuffer;
        for (int waited = 0; waited < 5000 && std::filesystem::file_size(output) < from + 4 * kBuffer;
             waited += 5) {
            SDL_Delay(5);
        }
        std::ifstream in(output, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from));
        std::vector<int16_t> samples(4 * kBuffer / 2);
        in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(4 * kBuffer));
        double sum = 0.0;
        int peak = 0;
        for (int16_t s : samples) {
            sum += static_cast<double>(s) * s;
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        }
        return {std::sqrt(sum / samples.size()), peak};
    }

    TempFolder folder;
    const std::string output = folder.File("output.raw");
    CAudio* audio = nullptr;
    ASP_World world{nullptr};
    ASP_Player* car = nullptr;
    std::unique_ptr<ASP_RaceSounds> sounds;
};

}  // namespace

TEST_F(RaceSoundsTest, EngineGrowsWithSpeedACrashPeaksAndMutedIsSilent) {
    const Point full(0.0, -car->GetTopSpeed());
    const double idle = Listen(Point()).first;
    const auto [fast, fastPeak] = Listen(full);
    EXPECT_GT(idle, 300.0);
    EXPECT_GT(fast, idle * 1.3);
    // Stopped dead by a wall.
    EXPECT_GT(Listen(Point(), true).second, fastPeak * 1.5);
    ASSERT_TRUE(audio->ToggleMute());
    EXPECT_EQ(Listen(full, true).second, 0);
    audio->ToggleMute();
}

// Sound files that are missing or do not decode: one error each, then silence, never a crash.
TEST_F(RaceSoundsTest, MissingOrBrokenSoundsAreReportedOnceAndStaySilent) {
    const std::string broken = folder.Write("broken.wav", std::string(4096, '\x7f'));
    const std::string missing = folder.File("missing.wav");
    sounds = std::make_unique<ASP_RaceSounds>(audio);
    const std::string log = Logged([&] {
        sounds->Load(
            folder.Write("sounds.dat", "[engine]\nloop0=" + broken + "\n[effects]\ncrash=" + missing + "\n"));
        for (int i = 0; i < 10; ++i) {
            sounds->BeforeCollisions(world);
            car->SetVelocity(Point(0.0, i * 100.0));
            sounds->Update(world, 0.1);
        }
    });
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_NE(log.find("ERROR in class CAudio: Failed to load " + missing), std::string::npos) << log;
    EXPECT_EQ(Listen(Point()).second, 0);
}
