// A network race of eight cars in real time: a server and two machines of four computer-driven
// players each, over loopback, straight or through a relay with 150 ms round trip, 20 ms of jitter
// and 5 % loss each way. Reports what the players' machines send and receive, the server's CPU
// time against the race's length, and the farthest a machine's guess had to move a car when the
// server's steps came in.
//   cd data && ../build/bench/bench_net
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "game/net/autopilot.h"
#include "game/net/client.h"
#include "game/net/relay.h"
#include "game/net/server.h"
#include "game/race/track_pictures.h"

namespace {

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Machine {
    ASP_PictureFiles pictures;
    ASP_NetClient client;
    ASP_Autopilot autopilot{ASP_Difficulty::Normal};
    std::unique_ptr<ASP_Race> guess;
    bool readied = false;
    long long driven = -1;
};

void BM_NetworkRace(benchmark::State& state) {
    const bool impaired = state.range(0) != 0;
    const uint16_t port = static_cast<uint16_t>(29700 + state.range(0) * 10);
    for (auto _ : state) {
        const ASP_NetClock clock = SteadyClock();
        ASP_ServerSettings settings;
        settings.port = port;
        // LAN searches of other programs on this machine are no part of the race's traffic.
        settings.discoveryPort = static_cast<uint16_t>(port + 5);
        settings.laps = 1;
        settings.startDelay = 0.5;
        ASP_NetServer server(settings);
        if (!server.Open()) {
            state.SkipWithError("the server's port is taken");
            return;
        }
        std::unique_ptr<ASP_NetRelay> relay;
        uint16_t joinPort = port;
        if (impaired) {
            relay =
                std::make_unique<ASP_NetRelay>(port, ASP_NetRelay::Impairment{0.065, 0.02, 0.05}, clock, 1);
            joinPort = static_cast<uint16_t>(port + 1);
            relay->Open(joinPort);
        }
        std::vector<std::unique_ptr<Machine>> machines;
        for (const char* name : {"Ada", "Bo"}) {
            machines.push_back(std::make_unique<Machine>());
            Machine& m = *machines.back();
            m.client.pictures = &m.pictures;
            ASP_HelloMessage hello;
            hello.gameVersion = ASPHALTIA_VERSION;
            hello.name = name;
            hello.cars.assign(4, "Vulcan");
            m.client.Connect("127.0.0.1", joinPort, hello);
        }
        double serverCpu = 0.0;
        double raceFrom = 0.0;
        uint64_t sentAtStart[2] = {0, 0};
        uint64_t receivedAtStart[2] = {0, 0};
        const double begin = clock();
        while (server.GetRacesRun() == 0 && clock() - begin < 300.0) {
            const double before = ThreadSeconds();
            server.Service(1);
            if (server.IsRacing()) {
                serverCpu += ThreadSeconds() - before;
            }
            if (relay != nullptr) {
                relay->Pump();
            }
            for (size_t i = 0; i < machines.size(); ++i) {
                Machine& m = *machines[i];
                m.client.Service(0);
                const ASP_NetClient::Stage stage = m.client.GetStage();
                if (stage == ASP_NetClient::Stage::Lobby && !m.readied &&
                    m.client.GetLobby().players.size() == 8) {
                    m.client.SetReady(true, std::vector<std::string>(4, "Vulcan"));
                    m.readied = true;
                }
                if (stage == ASP_NetClient::Stage::Countdown && m.guess == nullptr) {
                    m.guess = ASP_NetRace::Build(m.client.GetStart(), m.pictures);
                    sentAtStart[i] = m.client.GetBytesSent();
                    receivedAtStart[i] = m.client.GetBytesReceived();
                    raceFrom = clock();
                }
                // The drivers drive once a step, as in a frame of the game.
                if (stage == ASP_NetClient::Stage::Racing && m.guess != nullptr &&
                    m.client.PresentStep() > m.driven) {
                    ASP_NetRace& race = m.client.GetRace();
                    const long long present = m.client.PresentStep();
                    const double dt =
                        static_cast<double>(present - std::max(m.driven, present - 1)) * ASP_Race::kStep;
                    m.driven = present;
                    m.client.Hold(m.autopilot.Drive(*m.guess, race.MyCars(), dt));
                    race.Predict(*m.guess, present);
                }
            }
        }
        const double seconds = clock() - raceFrom;
        double down = 0.0;
        double up = 0.0;
        double correction = 0.0;
        for (size_t i = 0; i < machines.size(); ++i) {
            down = std::max(
                down, (machines[i]->client.GetBytesReceived() - receivedAtStart[i]) * 8.0 / seconds / 1000.0);
            up = std::max(up, (machines[i]->client.GetBytesSent() - sentAtStart[i]) * 8.0 / seconds / 1000.0);
            correction = std::max(correction, machines[i]->client.GetRace().LargestCorrection());
        }
        state.counters["race_s"] = seconds;
        state.counters["down_kbit_s"] = down;
        state.counters["up_kbit_s"] = up;
        state.counters["server_cpu_pct"] = 100.0 * serverCpu / seconds;
        state.counters["largest_correction_px"] = correction;
        state.counters["server_dropped"] = server.GetDropped();
    }
}
BENCHMARK(BM_NetworkRace)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
