#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/game_base.h"
#include "game/race/computer_driver.h"
#include "game/race/game.h"
#include "game/race/player.h"
#include "game/race/world.h"

// One racing frame of the race (a sixtieth of a second: the world's updates and collision passes),
// with four cars and a field of physics objects; and a whole race of the shipped circuit, four
// computer cars, no drawing. Run from the data folder under a (virtual) X server, as the game runs:
//   cd data && xvfb-run -a ../build-race-rel/bench/bench_race

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
        game = std::make_unique<ASP_Game>(App());
        game->GetWorld()->Load(world);
        for (int i = 0; i < 4; ++i) {
            game->GetWorld()->AddPlayer("dat\\cars.dat", "Vulcan", "config.ini",
                                        "controls" + std::to_string(i));
        }
        while (game->GetState() == ASP_Game::RaceState::Countdown) {
            game->Update(kDt);
        }
    }
    ~RaceFixture() {
        game.reset();
        std::filesystem::remove_all(folder);
    }

    static CGameBase* App() {
        static CGameBase app(640, 480, false, true, false);
        return &app;
    }

    std::string folder;
    std::unique_ptr<ASP_Game> game;
};

void BM_RacingFrame(benchmark::State& state) {
    RaceFixture race(static_cast<int>(state.range(0)));
    ASP_World* world = race.game->GetWorld();
    for (auto _ : state) {
        race.game->Update(kDt);
    }
    state.SetLabel(std::to_string(world->GetSpriteCount()) + " children");
}

// Three laps of the shipped circuit by four computer cars at normal difficulty, from GO to the end
// of the race, no drawing: CPU time, and how much faster than real time the race runs.
void BM_ShippedRace(benchmark::State& state) {
    double raceSeconds = 0.0;
    int laps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ASP_Game game(RaceFixture::App());
        game.GetWorld()->Load("dat\\world0.dat");
        for (const char* car : {"Vulcan", "Hornet", "Cadillac", "Comet"}) {
            AddComputerCar(*game.GetWorld(), "dat\\cars.dat", car, ASP_Difficulty::Normal);
        }
        game.Update(4.0);
        state.ResumeTiming();
        for (raceSeconds = 0.0; game.GetState() != ASP_Game::RaceState::Finished && raceSeconds < 600.0;
             raceSeconds += kDt) {
            game.Update(kDt);
        }
        laps = 0;
        for (const ASP_Player* car : game.GetWorld()->GetPlayers()) {
            laps += std::max(car->lap - 1, 0);
        }
    }
    state.counters["race_seconds"] = raceSeconds;
    state.counters["laps_of_12"] = laps;
}

}  // namespace

BENCHMARK(BM_RacingFrame)->Arg(10)->Arg(100)->Arg(500)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShippedRace)->Iterations(1)->Unit(benchmark::kMillisecond);
