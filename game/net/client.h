#pragma once

#include <enet/enet.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/log.h"
#include "game/net/net_race.h"
#include "game/net/protocol.h"

// One machine's line to a server: it joins with its players, follows the lobby, says when it is
// ready, and in a race sends its players' commands and hands the server's steps to its network race.
// It keeps the race's clock: the present step, a little ahead of the server's so that its commands
// arrive in time, as the server tells it how early they come.
class ASP_NetClient : public CLogSource {
public:
    enum class Stage { Idle, Connecting, Lobby, Countdown, Racing, Over, Refused, Lost };

    explicit ASP_NetClient(ASP_NetClock clock = SteadyClock());
    ~ASP_NetClient() override;
    ASP_NetClient(const ASP_NetClient&) = delete;
    ASP_NetClient& operator=(const ASP_NetClient&) = delete;

    // Starts joining the server at host (a name or address) and port; false, logged, when the
    // address cannot be used.
    bool Connect(const std::string& hostName, uint16_t port, const ASP_HelloMessage& hello);
    // Handles what arrived, waiting up to waitMs for it.
    void Service(int waitMs);
    void Disconnect();

    void SetReady(bool ready, const std::vector<std::string>& cars);
    void ChooseTrack(const std::string& world);
    // In a race: the commands of this machine's players at the present step; they go to the server
    // and into the guess.
    void Hold(const std::vector<ASP_Command>& commands);
    // The step the race has reached on this machine's clock; -1 in the countdown.
    long long PresentStep() const;
    // Seconds until GO in the countdown.
    double CountdownLeft() const;

    Stage GetStage() const { return stage; }
    // Why the server refused the machine or the line was lost.
    const std::string& GetReason() const { return reason; }
    const ASP_LobbyMessage& GetLobby() const { return lobby; }
    const ASP_StartMessage& GetStart() const { return start; }
    uint8_t GetClient() const { return client; }
    ASP_NetRace& GetRace() { return race; }
    // Round trip to the server, milliseconds.
    uint32_t RoundTrip() const;
    uint64_t GetBytesSent() const;
    uint64_t GetBytesReceived() const;
    int GetDropped() const { return dropped; }

    // Where the pictures of the race's track come from (kept by the caller).
    ASP_TrackPictures* pictures = nullptr;

private:
    void Receive(const ENetPacket& packet);
    void Send(const std::vector<uint8_t>& bytes, bool reliable = true);
    void SendInputs();

    ENetHost* host = nullptr;
    ENetPeer* server = nullptr;
    Stage stage = Stage::Idle;
    std::string reason;
    ASP_HelloMessage hello;
    uint8_t client = 0;
    ASP_LobbyMessage lobby;
    ASP_StartMessage start;
    ASP_NetRace race;
    // When the race's step 0 falls on this machine's clock; moved a little as the server's word on
    // the lead comes in.
    ASP_NetClock clock;
    double go = 0.0;
    long long held = -1;
    long long sentUpTo = 0;
    // The server has every command of this machine before this step.
    long long inputsIn = 0;
    int dropped = 0;
};
