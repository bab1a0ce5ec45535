#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/net/autopilot.h"
#include "game/net/client.h"
#include "game/net/relay.h"
#include "game/net/server.h"
#include "game/race/track_pictures.h"
#include "tests/support/temp_folder.h"

// A server and players' machines in one process over loopback, on a clock the test moves on one
// step at a time, so a race takes as long as the machine needs to compute it, not its 40 seconds.

namespace {

constexpr double kStep = ASP_Race::kStep;
constexpr double kFaster = 10.0;

// Ports of this test process, apart from those of tests running beside it.
uint16_t Port(int k) {
    return static_cast<uint16_t>(30000 + (getpid() % 6000) * 5 + k);
}

// One player's machine: its cars driven by computer from the race as it sees it.
class Machine {
public:
    Machine(ASP_NetClock clock, const std::string& name, int cars) : client(std::move(clock)) {
        client.pictures = &pictures;
        hello.gameVersion = ASPHALTIA_VERSION;
        hello.name = name;
        hello.cars.assign(static_cast<size_t>(cars), "Vulcan");
    }

    void Tick() {
        client.Service(0);
        const ASP_NetClient::Stage stage = client.GetStage();
        if (stage == ASP_NetClient::Stage::Lobby && !readied &&
            client.GetLobby().players.size() >= expected) {
            client.SetReady(true, hello.cars);
            readied = true;
        }
        if (stage == ASP_NetClient::Stage::Countdown && guess == nullptr) {
            guess = ASP_NetRace::Build(client.GetStart(), pictures);
        }
        if (stage == ASP_NetClient::Stage::Racing && guess != nullptr) {
            ASP_NetRace& race = client.GetRace();
            client.Hold(autopilot.Drive(*guess, race.MyCars(), kStep));
            race.Predict(*guess, client.PresentStep());
        }
    }

    ASP_HelloMessage hello;
    ASP_PictureFiles pictures;
    ASP_NetClient client;
    ASP_Autopilot autopilot{ASP_Difficulty::Normal};
    std::unique_ptr<ASP_Race> guess;
    bool readied = false;
    // Players the lobby lists before this machine says it is ready.
    size_t expected = 0;
};

class NetRace : public testing::Test {
protected:
    ASP_NetClock Clock() {
        return [this] { return now; };
    }
    void Serve(ASP_ServerSettings settings) {
        settings.port = Port(0);
        // Searches of tests running beside this one go elsewhere.
        settings.discoveryPort = Port(2);
        settings.laps = 1;
        settings.startDelay = 0.5;
        // The server keeps the race it ran for the checks, however late "race over" reaches a
        // machine: its resends keep the network library's real time, not the test's.
        settings.resultsSeconds = 1e6;
        settings.replayFolder = folder.File("server");
        server = std::make_unique<ASP_NetServer>(settings, Clock());
        ASSERT_TRUE(server->Open());
    }
    Machine& Join(const std::string& name, int cars, uint16_t port = 0, const std::string& password = "",
                  const std::string& version = ASPHALTIA_VERSION) {
        machines.push_back(std::make_unique<Machine>(Clock(), name, cars));
        machines.back()->hello.password = password;
        machines.back()->hello.gameVersion = version;
        EXPECT_TRUE(
            machines.back()->client.Connect("127.0.0.1", port != 0 ? port : Port(0), machines.back()->hello));
        return *machines.back();
    }
    // Moves the clock on a step at a time until done, or for at most that many seconds. The clock
    // runs at most kFaster times as fast as the real one. The race's packets go unreliably, timed by
    // this clock alone (as is the relay); only the network library's own timers keep real time,
    // and to them a faster clock makes the few reliable messages' resends come a little sooner.
    bool RunUntil(const std::function<bool()>& done, double seconds) {
        const double from = now;
        const ASP_NetClock real = SteadyClock();
        const double realFrom = real();
        for (const double end = now + seconds; now < end; now += kStep) {
            const double ahead = (now - from) / kFaster - (real() - realFrom);
            server->Service(ahead > 0.0 ? static_cast<int>(ahead * 1000.0) : 0);
            if (relay != nullptr) {
                relay->Pump();
            }
            for (const auto& m : machines) {
                m->Tick();
            }
            if (done()) {
                return true;
            }
        }
        return false;
    }
    bool RaceOver() {
        return server->GetRacesRun() > 0 && std::all_of(machines.begin(), machines.end(), [](const auto& m) {
                   return m->client.GetStage() != ASP_NetClient::Stage::Racing ||
                          m->client.GetRace().IsOver();
               });
    }
    // Every machine still in the race ran the server's race: the same end, the same places.
    void ExpectAgreement() {
        const ASP_Race* race = server->GetRace();
        ASSERT_NE(race, nullptr);
        for (const auto& m : machines) {
            if (m->client.GetStage() != ASP_NetClient::Stage::Over) {
                continue;
            }
            ASP_NetRace& mine = m->client.GetRace();
            EXPECT_FALSE(mine.Diverged());
            EXPECT_EQ(mine.Confirmed().StateHash(), server->GetLastHash());
            for (size_t c = 0; c < race->GetCars().size(); ++c) {
                EXPECT_EQ(mine.Confirmed().GetCars()[c]->record.position,
                          race->GetCars()[c]->record.position);
            }
            // Its replay of the race runs to the same end, headless.
            const ASP_Replay& replay = mine.GetReplay();
            ASP_Race again(replay.seed);
            ASSERT_TRUE(again.Load("dat\\" + replay.world, m->pictures));
            again.SetLaps(replay.laps);
            for (const ASP_ReplayCar& car : replay.cars) {
                again.AddCar(
                    ASP_CarModel::Load(kCarFile, car.car),
                    car.computer ? std::make_unique<ASP_ComputerDriver>(replay.difficulty) : nullptr);
            }
            again.Start(replay.CommandsAt(0));
            for (long long s = 1; s < replay.Steps(); ++s) {
                again.Step(replay.CommandsAt(s));
            }
            EXPECT_EQ(again.StateHash(), server->GetLastHash());
        }
        EXPECT_EQ(server->GetDropped(), 0);
    }

    double now = 1000.0;
    TempFolder folder;
    std::unique_ptr<ASP_NetServer> server;
    std::unique_ptr<ASP_NetRelay> relay;
    std::vector<std::unique_ptr<Machine>> machines;
};

}  // namespace

// Two machines, one with three players and one with one, and four computer cars fill eight places;
// every car's finish, place and the final state agree with the server's on both machines.
TEST_F(NetRace, NetComputerRaceAgreesWithTheServer) {
    ASP_ServerSettings settings;
    settings.computerCars = 4;
    Serve(settings);
    Join("Ada", 3).expected = 8;
    Join("Bo", 1).expected = 8;
    ASSERT_TRUE(RunUntil([this] { return RaceOver(); }, 180.0));
    ASSERT_EQ(server->GetRace()->GetCars().size(), 8u);
    ExpectAgreement();
    EXPECT_EQ(machines[0]->client.GetRace().MyCars(), (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(machines[1]->client.GetRace().MyCars(), (std::vector<size_t>{3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("server")), {}), 1);
}

// Through a line of 150 ms round trip with jitter and 5 % loss each way, and with one machine
// leaving mid-race (its car driven on by computer), the race still ends the same everywhere.
TEST_F(NetRace, NetComputerRaceOverABadLine) {
    Serve(ASP_ServerSettings());
    relay = std::make_unique<ASP_NetRelay>(Port(0), ASP_NetRelay::Impairment{0.065, 0.02, 0.05}, Clock(), 7);
    ASSERT_TRUE(relay->Open(Port(1)));
    Join("Ada", 2, Port(1)).expected = 4;
    Join("Bo", 1, Port(1)).expected = 4;
    Join("Cy", 1, Port(1)).expected = 4;
    ASSERT_TRUE(
        RunUntil([this] { return server->IsRacing() && server->GetRace()->GetSteps() > 1200; }, 60.0));
    machines.back()->client.Disconnect();
    ASSERT_TRUE(RunUntil([this] { return RaceOver(); }, 180.0));
    EXPECT_GT(relay->GetDropped(), 0);
    ExpectAgreement();
    // No car the guess had wrong was moved more than its length when put right.
    const ASP_CarModel car = ASP_CarModel::Load(kCarFile, "Vulcan");
    for (size_t i = 0; i + 1 < machines.size(); ++i) {
        EXPECT_GT(machines[i]->client.GetRace().Restarts(), 100);
        EXPECT_LT(machines[i]->client.GetRace().LargestCorrection(), std::max(car.width, car.height));
    }
    // The car of the machine that left raced on to the end, driven by computer.
    const ASP_RaceRecord& left = server->GetRace()->GetCars()[3]->record;
    EXPECT_TRUE(left.finished || left.lap > 1 || left.lastCheckpoint > 0);
    EXPECT_FALSE(left.retired);
}

// Machines the server must not take are told why, and the server goes on with the others.
TEST_F(NetRace, RefusesOtherVersionsWrongPasswordsAndAFullServer) {
    ASP_ServerSettings settings;
    settings.password = "pit";
    settings.maxPlayers = 3;
    Serve(settings);
    Machine& in = Join("In", 2, 0, "pit");
    // It stays in the lobby: a running race would refuse the others for that.
    in.readied = true;
    Join("Old", 1, 0, "pit", "0.1");
    Join("Guess", 1);
    ASSERT_TRUE(RunUntil([&] { return in.client.GetStage() == ASP_NetClient::Stage::Lobby; }, 5.0));
    Join("Late", 2, 0, "pit");
    ASSERT_TRUE(RunUntil(
        [this] {
            return std::all_of(machines.begin() + 1, machines.end(), [](const auto& m) {
                return m->client.GetStage() == ASP_NetClient::Stage::Refused;
            });
        },
        10.0));
    EXPECT_NE(machines[1]->client.GetReason().find("your game is 0.1"), std::string::npos);
    EXPECT_EQ(machines[2]->client.GetReason(), "Wrong password.");
    EXPECT_NE(machines[3]->client.GetReason().find("The server is full"), std::string::npos);
    EXPECT_EQ(in.client.GetLobby().players.size(), 2u);
    // A flood: what passes the limit of a second is dropped and counted, and the machine stays.
    for (int i = 0; i < 700; ++i) {
        in.client.SetReady(false, in.hello.cars);
    }
    RunUntil([] { return false; }, 0.5);
    EXPECT_GE(server->GetDropped(), 90);
    EXPECT_EQ(in.client.GetStage(), ASP_NetClient::Stage::Lobby);
}

// A machine that says again and again that it lacks every step gets the oldest a packet at a time
// beside the newest, never all of them at once.
TEST_F(NetRace, AMachineThatLacksStepsGetsTwoPacketsAtATime) {
    Serve(ASP_ServerSettings());
    ENetHost* host = enet_host_create(nullptr, 1, 2, 0, 0);
    ENetAddress address{ENET_HOST_ANY, Port(0)};
    enet_address_set_host(&address, "127.0.0.1");
    ENetPeer* peer = enet_host_connect(host, &address, 2, 0);
    const auto send = [&](const std::vector<uint8_t>& bytes, int channel) {
        ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), channel == 0 ? 1 : 0);
        if (enet_peer_send(peer, static_cast<enet_uint8>(channel), packet) != 0) {
            enet_packet_destroy(packet);
        }
    };
    int packets = 0, fromTheStart = 0;
    ASSERT_TRUE(RunUntil(
        [&] {
            for (ENetEvent e; enet_host_service(host, &e, 0) > 0;) {
                const auto m =
                    e.packet != nullptr ? Decode(e.packet->data, e.packet->dataLength) : std::nullopt;
                if (e.type == ENET_EVENT_TYPE_CONNECT) {
                    send(
                        Encode(ASP_HelloMessage{kProtocolVersion, ASPHALTIA_VERSION, "", "Liar", {"Vulcan"}}),
                        0);
                } else if (m && m->type == ASP_MessageType::Welcome) {
                    send(Encode(ASP_ReadyMessage{true, {"Vulcan"}}), 0);
                }
                packets += m && m->type == ASP_MessageType::Steps;
                fromTheStart += m && m->type == ASP_MessageType::Steps && m->steps.firstStep == 0;
                enet_packet_destroy(e.packet);
            }
            const uint32_t next =
                server->IsRacing() ? static_cast<uint32_t>(server->GetRace()->GetSteps()) + 1 : 0;
            send(Encode(ASP_InputsMessage{next, 1, {ASP_Command()}, 0, true}), 1);
            enet_host_flush(host);
            return next > 1200;
        },
        60.0));
    // The server sent 600 times: the newest steps, and the oldest again.
    EXPECT_LE(packets, 2 * 600 + 10);
    EXPECT_GT(fromTheStart, 500);
    enet_host_destroy(host);
}
