#pragma once

#include <enet/enet.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/log.h"
#include "game/net/protocol.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"

// How a server runs its races.
struct ASP_ServerSettings {
    uint16_t port = kDefaultPort;
    // Where LAN searches are answered.
    uint16_t discoveryPort = kDiscoveryPort;
    // A world file of dat\, as the track list names it.
    std::string world = "world0.dat";
    std::string trackName = "Green Valley";
    // 0: as many as the track says.
    int laps = 0;
    int maxPlayers = kMaxNetCars;
    // No race starts with fewer players than this, all of them ready.
    int minPlayers = 1;
    int computerCars = 0;
    ASP_Difficulty difficulty = ASP_Difficulty::Normal;
    std::string password;
    std::string name = "Asphaltia";
    // A car whose player left drives on by computer; otherwise it leaves the race, unplaced.
    bool keepLeavers = true;
    // Seconds between everyone being ready and the start, and the results being shown.
    double startDelay = 2.0;
    double resultsSeconds = 6.0;
    // Where each race is kept as a replay; none when empty.
    std::string replayFolder;
};

// The race's authority: players' machines join it (each with 1 to 4 players), it runs the race at
// the fixed step from their commands, tells every machine the commands every car raced with, and
// runs race after race. It opens no window and plays no sound. Broken or hostile packets are
// dropped and counted, never acted on.
class ASP_NetServer : public CLogSource {
public:
    explicit ASP_NetServer(ASP_ServerSettings settings, ASP_NetClock clock = SteadyClock());
    ~ASP_NetServer() override;
    ASP_NetServer(const ASP_NetServer&) = delete;
    ASP_NetServer& operator=(const ASP_NetServer&) = delete;

    // Listens on the port (and answers LAN searches); false, logged, when it cannot.
    bool Open();
    // Handles what arrived, waiting up to waitMs for it, and runs the race up to now.
    void Service(int waitMs);
    // Tells every machine goodbye.
    void Close();

    uint16_t GetPort() const { return settings.port; }
    int GetDropped() const { return dropped; }
    int GetRacesRun() const { return racesRun; }
    bool IsRacing() const { return stage == Stage::Racing; }
    // Bytes sent to and received from the machines so far.
    uint64_t GetBytesSent() const;
    uint64_t GetBytesReceived() const;
    // The last race's final state hash.
    uint64_t GetLastHash() const { return lastHash; }
    const ASP_Race* GetRace() const { return race.get(); }

private:
    enum class Stage { Lobby, Countdown, Racing, Results };
    struct Client {
        ENetPeer* peer = nullptr;
        uint8_t id = 0;
        std::string name;
        std::vector<std::string> cars;
        bool ready = false;
        // In a race: the race's car of each of its players, and their commands by step.
        std::vector<size_t> raceCars;
        std::map<uint32_t, std::vector<ASP_Command>> pending;
        std::vector<ASP_Command> last;
        // Steps raced without its commands, and the flags of those that came too late, done at
        // the next step (a reset or giving up is never lost).
        std::set<uint32_t> missed;
        std::vector<uint8_t> carried;
        int late = 0;
        // Its commands are all in up to this step (exclusive).
        uint32_t inputsUpTo = 0;
        // It has the race's steps up to this one (exclusive), and it lacks some of those after.
        uint32_t stepsUpTo = 0;
        bool missing = false;
        // Packets in the second since floodSince.
        double floodSince = 0.0;
        int floodCount = 0;
        // How many steps early its latest commands arrived (negative: late).
        int lead = 0;
    };

    void Handle(ENetEvent& event);
    void Receive(Client& client, const ENetPacket& packet);
    void Join(Client& client, const ASP_HelloMessage& hello);
    void Leave(ENetPeer* peer);
    void AnswerSearches();
    void SendLobby();
    // Reliable messages go in order on one channel; the race's steps on another, unreliable, so
    // that one lost packet holds up nothing behind it.
    void Send(ENetPeer* peer, const std::vector<uint8_t>& bytes, bool reliable = true);
    void Refuse(ENetPeer* peer, const std::string& reason);
    Client* ClientOf(ENetPeer* peer);
    // Counts the machine's packet; true when it is one too many for this second.
    bool Flooding(Client& client);
    int Players() const;
    void StartWhenReady();
    void StartRace();
    void RunRace();
    void StepRace();
    // Sends every machine the steps it may not have: the newest ones in several packets running,
    // the rest again when it says it lacks some. Those of a race that is over go reliably.
    void SendSteps(bool reliable);
    // Sends one packet of the race's steps from this one on; the step after its last.
    uint32_t SendStepsFrom(Client& client, uint32_t from, bool reliable);
    void EndRace();

    ASP_ServerSettings settings;
    ENetHost* host = nullptr;
    ENetSocket discovery = ENET_SOCKET_NULL;
    std::vector<std::unique_ptr<Client>> clients;
    uint8_t nextId = 0;
    Stage stage = Stage::Lobby;
    ASP_NetClock clock;
    double stageSince = 0.0;
    double raceClock = 0.0;
    ASP_PictureFiles pictures;
    std::unique_ptr<ASP_Race> race;
    std::unique_ptr<ASP_Replay> replay;
    // Steps raced since the last packet; the state hash after the last step of each packet sent,
    // by the number of steps raced then; the cars taken over in this race, by step.
    int unsent = 0;
    std::map<uint32_t, uint64_t> hashes;
    std::vector<std::pair<uint32_t, uint8_t>> takeovers;
    int dropped = 0;
    int racesRun = 0;
    uint64_t lastHash = 0;
};
