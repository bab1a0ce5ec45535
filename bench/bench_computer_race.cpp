#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "track/track_list.h"

// Whole races of four computer cars, headless, on every shipped track and on Green Valley without
// its racing line (the line through the checkpoints' centres), at every difficulty: the median race
// time of all the cars of four races (seeds 0 to 3, the grid turned one place per seed so that every
// car starts from every place), and how many of them finished within five minutes. The tracks'
// finish timeout is off, so that every race waits for its slowest car. Run from the data folder:
//   cd data && ../build/bench/bench_computer_race

namespace {

constexpr double kTimeLimit = 300.0;
constexpr int kSeeds = 4;

// Copies of the shipped tracks with their finish timeout off, and one of Green Valley without its
// racing line, in a folder of their own.
class UntimedTracks {
public:
    UntimedTracks() {
        char pattern[] = "/tmp/asphaltia_bench_XXXXXX";
        folder = mkdtemp(pattern);
        for (const ASP_TrackEntry& entry : LoadTrackList(track_list::kFile)) {
            files.push_back(Copy(MakeAbsolutePath(entry.WorldFile()), entry.world, false));
        }
        files.push_back(Copy(MakeAbsolutePath("dat\\world0.dat"), "world0-without-line.dat", true));
    }
    ~UntimedTracks() { std::filesystem::remove_all(folder); }
    const std::string& File(size_t track) const { return files.at(track); }

private:
    std::string Copy(const std::string& from, const std::string& name, bool withoutLine) const {
        const std::string to = folder + "/" + name;
        std::ifstream in(from);
        std::ofstream out(to);
        bool inLine = false;
        for (std::string row; std::getline(in, row);) {
            if (!row.empty() && row[0] == '[') {
                inLine = withoutLine && row.rfind("[racingLine]", 0) == 0;
            }
            if (!inLine) {
                out << row << "\n";
            }
        }
        out.close();
        WriteIniDouble("main", "finishTimeout", 0.0, to);
        return to;
    }

    std::string folder;
    std::vector<std::string> files;
};

// The race times of one race, infinite for a car that did not finish.
std::vector<double> RaceTimes(const std::string& world, ASP_Difficulty difficulty, uint64_t seed) {
    std::vector<std::string> cars = ReadCarList(kCarFile);
    cars.resize(4);
    std::rotate(cars.begin(), cars.begin() + static_cast<long>(seed % cars.size()), cars.end());
    ASP_PictureFiles pictures;
    ASP_Race race(seed);
    race.Load(world, pictures);
    for (const std::string& car : cars) {
        race.AddCar(ASP_CarModel::Load(kCarFile, car), std::make_unique<ASP_ComputerDriver>(difficulty));
    }
    race.Start({});
    while (!race.IsOver() && race.GetSteps() * ASP_Race::kStep < kTimeLimit) {
        race.Step({});
    }
    std::vector<double> times;
    for (const auto& car : race.GetCars()) {
        times.push_back(car->record.finished ? car->record.raceTime
                                             : std::numeric_limits<double>::infinity());
    }
    return times;
}

// Arguments: the track's place in the track list (3: Green Valley without its racing line) and the
// difficulty.
void BM_ComputerRace(benchmark::State& state) {
    static const UntimedTracks tracks;
    const std::string& world = tracks.File(static_cast<size_t>(state.range(0)));
    std::vector<double> times;
    for (auto _ : state) {
        times.clear();
        for (uint64_t seed = 0; seed < kSeeds; ++seed) {
            const std::vector<double> race =
                RaceTimes(world, static_cast<ASP_Difficulty>(state.range(1)), seed);
            times.insert(times.end(), race.begin(), race.end());
        }
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    state.counters["median_s"] = (times[(n - 1) / 2] + times[n / 2]) * 0.5;
    state.counters["finished"] = static_cast<double>(
        std::count_if(times.begin(), times.end(), [](double t) { return std::isfinite(t); }));
    state.SetLabel(world.substr(world.rfind('/') + 1) + " " +
                   DifficultyText(static_cast<ASP_Difficulty>(state.range(1))));
}

}  // namespace

BENCHMARK(BM_ComputerRace)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2}})
    ->ArgNames({"track", "difficulty"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
