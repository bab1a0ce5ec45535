#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"

// The race without drawing: one frame's steps (a sixtieth of a second) with four cars and a field of
// physics objects, and a whole race of the shipped circuit by four computer cars. Run from the data
// folder; no display is needed:
//   cd data && ../build-rel/bench/bench_race

namespace {

constexpr double kDt = 1.0 / 60.0;

// Four cars on the grid, a finish line, and n barrels in a grid around the cars.
std::string TrackText(int objects) {
    std::ostringstream text;
    text << "[main]\nlaps=3\nrequiredCheckpoints=1\nplayers=4\ncheckpoints=1\nphysObjects=" << objects
         << "\n";
    for (int i = 0; i < 4; ++i) {
        text << "[start" << i << "]\nx=" << 200 * i << "\ny=0\nrot=0\n";
    }
    text << "[checkpoint0]\nx=-200\ny=-600\nwidth=1200\nheight=100\nisFinish=1\nindex=0\n";
    for (int i = 0; i < objects; ++i) {
        text << "[phys" << i << "]\ntexture=gfx\\objects\\barrel.png\nx=" << -1000 + (i % 25) * 120
             << "\ny=" << -1500 + (i / 25) * 120 << "\nwidth=40\nheight=40\nmass=60\nbounce=0.4\n";
    }
    return text.str();
}

class RaceFixture {
public:
    explicit RaceFixture(int objects) {
        char pattern[] = "/tmp/asphaltia_bench_XXXXXX";
        folder = mkdtemp(pattern);
        const std::string world = folder + "/world.dat";
        std::ofstream(world) << TrackText(objects);
        race.Load(world, pictures);
        for (int i = 0; i < 4; ++i) {
            race.AddCar(ASP_CarModel::Load(kCarFile, "Vulcan"));
        }
        race.Start({});
    }
    ~RaceFixture() { std::filesystem::remove_all(folder); }

    std::string folder;
    ASP_PictureFiles pictures;
    ASP_Race race;
};

// One frame of a sixtieth of a second: two steps of the race, every car at full throttle.
void BM_RacingFrame(benchmark::State& state) {
    RaceFixture fixture(static_cast<int>(state.range(0)));
    ASP_Command forward;
    forward.forward = 255;
    const std::vector<ASP_Command> commands(4, forward);
    for (auto _ : state) {
        for (double t = 0.0; t < kDt - ASP_Race::kStep * 0.5; t += ASP_Race::kStep) {
            fixture.race.Step(commands);
        }
    }
    state.SetLabel(std::to_string(fixture.race.GetObjects().size()) + " objects");
}

// Three laps of the shipped circuit by four computer cars at normal difficulty, from GO to the end
// of the race, headless, as --simulate runs it: CPU time, and the race time it covered.
void BM_ShippedRace(benchmark::State& state) {
    double raceSeconds = 0.0;
    int laps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ASP_PictureFiles pictures;
        ASP_Race race;
        race.Load("dat\\world0.dat", pictures);
        for (const char* car : {"Vulcan", "Hornet", "Cadillac", "Comet"}) {
            race.AddCar(ASP_CarModel::Load(kCarFile, car),
                        std::make_unique<ASP_ComputerDriver>(ASP_Difficulty::Normal));
        }
        state.ResumeTiming();
        race.Start({});
        while (!race.IsOver() && race.GetSteps() * ASP_Race::kStep < 600.0) {
            race.Step({});
        }
        raceSeconds = race.GetSteps() * ASP_Race::kStep;
        laps = 0;
        for (const auto& car : race.GetCars()) {
            laps += std::max(car->record.lap - 1, 0);
        }
    }
    state.counters["race_seconds"] = raceSeconds;
    state.counters["laps_of_12"] = laps;
}

// A 3-lap race of four humans as a replay keeps it: 14,000 steps of four cars' commands that change
// now and then.
ASP_Replay ThreeLapReplay() {
    ASP_Replay replay;
    replay.world = "world0.dat";
    replay.cars.assign(4, ASP_ReplayCar{"Vulcan", false});
    for (int s = 0; s < 14000; ++s) {
        std::vector<ASP_Command> commands(4);
        for (int c = 0; c < 4; ++c) {
            commands[static_cast<size_t>(c)].forward = (s / (50 + 10 * c)) % 5 != 0 ? 255 : 0;
            commands[static_cast<size_t>(c)].left = (s / (70 + 5 * c)) % 7 == 0 ? 255 : 0;
            commands[static_cast<size_t>(c)].right = (s / (90 + 3 * c)) % 6 == 0 ? 128 : 0;
        }
        replay.Record(commands);
    }
    return replay;
}

// What recording costs a step of the race (a frame has two).
void BM_RecordStep(benchmark::State& state) {
    std::vector<ASP_Command> commands(4);
    commands[0].forward = 255;
    for (auto _ : state) {
        state.PauseTiming();
        ASP_Replay replay;
        replay.cars.assign(4, ASP_ReplayCar{"Vulcan", false});
        state.ResumeTiming();
        for (int s = 0; s < 14000; ++s) {
            replay.Record(commands);
        }
        benchmark::DoNotOptimize(replay.Steps());
    }
    state.SetItemsProcessed(state.iterations() * 14000);
}

// Loading the replay of a 3-lap race of four humans, and its size.
void BM_ReplayLoad(benchmark::State& state) {
    char pattern[] = "/tmp/asphaltia_bench_XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string file = folder + "/race.replay";
    std::string error;
    ThreeLapReplay().Save(file, &error);
    for (auto _ : state) {
        ASP_Replay replay;
        benchmark::DoNotOptimize(replay.Load(file, &error));
    }
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file));
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_RecordStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RacingFrame)->Arg(10)->Arg(100)->Arg(500)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShippedRace)->Iterations(1)->Unit(benchmark::kMillisecond);
