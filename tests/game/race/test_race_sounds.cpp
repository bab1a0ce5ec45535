#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "engine/audio.h"
#include "game/race/player.h"
#include "game/race/race_sounds.h"
#include "game/race/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

// The disk driver writes every mixed buffer (2048 stereo frames of 16 bits) to a file.
constexpr std::uintmax_t kBuffer = 2048 * 4;
constexpr int kFullScale = 32767;

// Four cars of the shipped cars with the shipped race sounds, heard through the disk driver: a
// 4-player race at full throttle.
class RaceMixTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "5", 1);
        audio = app->GetAudio();
        ASSERT_TRUE(audio->Init());
        std::string grid = "[main]\nplayers=4\n";
        for (int i = 0; i < 4; ++i) {
            grid += "[start" + std::to_string(i) + "]\nx=" + std::to_string(i * 200) + "\ny=0\n";
        }
        world.Load(folder.Write("world.dat", grid));
        int i = 0;
        for (const char* car : {"Vulcan", "Comet", "Cadillac", "Dune"}) {
            world.AddPlayer("dat\\cars.dat", car, folder.File("config.ini"),
                            "controls" + std::to_string(i++));
        }
        // Every car at full throttle.
        ASP_Command throttle;
        throttle.forward = 255;
        for (size_t i = 0; i < 4; ++i) {
            world.GetRace().GetCar(i).Control(throttle);
        }
        sounds = std::make_unique<ASP_RaceSounds>(audio);
        sounds->Load("dat\\sounds.dat");
        // The loops start with the cars at rest, as in the countdown, and in one buffer, as the
        // game's first update starts them: their offsets alone keep them apart.
        SDL_LockAudio();
        sounds->Update(world, 0.1);
        SDL_UnlockAudio();
        audio->TakeMixPeak();
    }
    void TearDown() override { audio->Reset(); }

    // Every car at top speed, straight ahead or sliding sideways; engines settled.
    void Drive(bool sliding) {
        // Step by step, as cars speed up: a sudden change would be a crash.
        std::vector<Point> from;
        for (size_t i = 0; i < world.GetPlayers().size(); ++i) {
            from.push_back(world.GetRace().GetCar(i).body.motion.GetVelocity());
        }
        for (int step = 1; step <= 100; ++step) {
            for (size_t i = 0; i < from.size(); ++i) {
                ASP_Car& car = world.GetRace().GetCar(i);
                const double v = car.GetModel().topSpeed;
                const Point to = sliding ? Point(v, 0.0) : Point(0.0, -v);
                car.body.motion.SetVelocity(from[i] + (to - from[i]) * (step / 100.0));
            }
            sounds->Update(world, 0.01);
        }
        for (int i = 0; i < 10; ++i) {
            sounds->Update(world, 0.1);
        }
    }

    // Where the recording stands now, at the start of a whole buffer.
    std::uintmax_t Mark() const {
        const std::uintmax_t size = std::filesystem::file_size(output);
        return size - size % kBuffer;
    }

    // The buffers mixed from the mark on.
    std::vector<int16_t> Record(std::uintmax_t from, int buffers) {
        for (int waited = 0; waited < 10000 && std::filesystem::file_size(output) < from + buffers * kBuffer;
             waited += 5) {
            SDL_Delay(5);
        }
        const std::string bytes = folder.Read(output).substr(from, buffers * kBuffer);
        std::vector<int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        heard.insert(heard.end(), samples.begin(), samples.end());
        return samples;
    }

    // Starts the event while no buffer is being mixed: it is heard from one of the first buffers
    // written after the mark.
    std::uintmax_t Trigger(const std::function<void()>& event) {
        SDL_LockAudio();
        const std::uintmax_t mark = Mark();
        event();
        sounds->Update(world, 0.01);
        SDL_UnlockAudio();
        return mark;
    }

    // Mean power of each buffer.
    static std::vector<double> BufferPowers(const std::vector<int16_t>& samples) {
        std::vector<double> powers;
        const size_t n = kBuffer / 2;
        for (size_t start = 0; start + n <= samples.size(); start += n) {
            double sum = 0.0;
            for (size_t k = start; k < start + n; ++k) {
                sum += static_cast<double>(samples[k]) * samples[k];
            }
            powers.push_back(sum / n);
        }
        return powers;
    }

    static double Mean(const std::vector<double>& v) {
        return std::accumulate(v.begin(), v.end(), 0.0) / std::max<size_t>(1, v.size());
    }

    TempFolder folder;
    const std::string output = folder.File("output.raw");
    CAudio* audio = nullptr;
    ASP_World world;
    std::unique_ptr<ASP_RaceSounds> sounds;
    // Everything recorded, for the peak.
    std::vector<int16_t> heard;
};

}  // namespace

// Each event stands 6 dB over the engines it falls on: its own power (the rise of the loudest buffer
// over the engines before it) is four times theirs. Nothing reaches full scale, with all four cars
// sliding at top speed, a crash, every chime and the music at once.
TEST_F(RaceMixTest, EventsStandOutAndTheMixNeverClips) {
    struct Event {
        const char* name;
        std::function<void(ASP_Car&)> trigger;
    };
    const Event events[] = {
        {"checkpoint", [](ASP_Car& car) { car.record.lastCheckpoint += 1; }},
        {"lap", [](ASP_Car& car) { car.record.lap += 1; }},
        {"finish", [](ASP_Car& car) { car.record.finished = true; }},
        {"crash", [](ASP_Car& car) { car.body.motion.SetVelocity(Point()); }},
    };
    ASP_Car& first = world.GetRace().GetCar(0);
    for (size_t i = 0; i < world.GetPlayers().size(); ++i) {
        world.GetRace().GetCar(i).record.lap = 1;
    }
    for (const Event& event : events) {
        Drive(false);
        // Past the buffer that may be mixing with the old levels.
        const double bed = Mean(BufferPowers(Record(Mark() + kBuffer, 8)));
        const std::vector<double> powers = BufferPowers(Record(Trigger([&] { event.trigger(first); }), 8));
        const double loudest = *std::max_element(powers.begin(), powers.end());
        const double margin = 10.0 * std::log10(std::max(loudest / bed - 1.0, 1e-9));
        EXPECT_GE(margin, 6.0) << event.name << " over a mix at "
                               << 10.0 * std::log10(bed / kFullScale / kFullScale) << " dBFS";
        // Until the event has died away.
        Record(Mark(), 50);
    }

    // Everything at once: a crash and every chime, on cars sliding at top speed, with the music.
    audio->PlayMusic("mus\\asphalt_groove.ogg");
    Drive(true);
    ASP_Race& race = world.GetRace();
    Record(Trigger([&] {
               race.GetCar(0).body.motion.SetVelocity(Point());
               race.GetCar(0).record.lastCheckpoint += 1;
               race.GetCar(1).record.finished = true;
               race.GetCar(2).record.lap = 2;
               race.GetCar(3).record.lastCheckpoint += 1;
           }),
           40);
    int peak = 0;
    for (int16_t s : heard) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    EXPECT_LT(peak, kFullScale);
    // Nor did the mixing itself, before the limiter.
    EXPECT_LT(audio->TakeMixPeak(), CMasterLimiter::kHeadroom);
}
