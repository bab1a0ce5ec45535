#include "game/net/client.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Seconds of the countdown before GO, as the server counts them.
constexpr double kCountdown = 4.0;
// How many steps early this machine's commands should reach the server: enough for the wait to fill
// a packet, the jitter of a busy line and one lost packet, few enough that the guess does not run
// far ahead.
constexpr int kWantedLead = 12;
// A packet of commands goes every this many steps: 30 packets a second. Each repeats the commands
// of the packets before it, so a lost one costs nothing when the next arrives in time; as long as
// the server may not have raced with them, and in kSendings packets at most.
constexpr long long kStepsPerPacket = 4;
constexpr long long kSendings = 3;

}  // namespace

ASP_NetClient::ASP_NetClient(ASP_NetClock c) : clock(std::move(c)) {}

ASP_NetClient::~ASP_NetClient() {
    Disconnect();
}

bool ASP_NetClient::Connect(const std::string& hostName, uint16_t port, const ASP_HelloMessage& greeting) {
    if (enet_initialize() != 0) {
        LogLine(LOG_ERROR, "The network cannot be started.");
        return false;
    }
    host = enet_host_create(nullptr, 1, 2, 0, 0);
    ENetAddress address{};
    address.port = port;
    if (host == nullptr || enet_address_set_host(&address, hostName.c_str()) != 0) {
        reason = "The address " + hostName + " cannot be found.";
        LogLine(LOG_ERROR, reason);
        stage = Stage::Refused;
        return false;
    }
    server = enet_host_connect(host, &address, 2, kProtocolVersion);
    if (server == nullptr) {
        reason = "No line to " + hostName + " can be opened.";
        stage = Stage::Refused;
        return false;
    }
    enet_peer_timeout(server, 32, 3000, 6000);
    hello = greeting;
    stage = Stage::Connecting;
    LogLine(LOG_STATUS, "Joining " + hostName + ":" + std::to_string(port) + ".");
    return true;
}

void ASP_NetClient::Disconnect() {
    if (host == nullptr) {
        return;
    }
    if (server != nullptr) {
        enet_peer_disconnect_now(server, 0);
        server = nullptr;
    }
    enet_host_flush(host);
    enet_host_destroy(host);
    host = nullptr;
    if (stage != Stage::Refused && stage != Stage::Lost) {
        stage = Stage::Idle;
    }
}

void ASP_NetClient::Service(int waitMs) {
    if (host == nullptr) {
        return;
    }
    ENetEvent event;
    for (int got = enet_host_service(host, &event, static_cast<enet_uint32>(std::max(waitMs, 0))); got > 0;
         got = enet_host_service(host, &event, 0)) {
        switch (event.type) {
            case ENET_EVENT_TYPE_CONNECT:
                ConfigurePeer(server);
                Send(Encode(hello));
                break;
            case ENET_EVENT_TYPE_RECEIVE:
                Receive(*event.packet);
                enet_packet_destroy(event.packet);
                break;
            case ENET_EVENT_TYPE_DISCONNECT:
                server = nullptr;
                if (stage != Stage::Refused) {
                    reason =
                        stage == Stage::Connecting ? "The server does not answer." : "The server went away.";
                    stage = Stage::Lost;
                    LogLine(LOG_WARNING, reason);
                }
                break;
            case ENET_EVENT_TYPE_NONE:
                break;
        }
    }
    if (stage == Stage::Countdown && PresentStep() >= 0) {
        stage = Stage::Racing;
    }
    SendInputs();
    enet_host_flush(host);
}

void ASP_NetClient::Send(const std::vector<uint8_t>& bytes, bool reliable) {
    if (server == nullptr) {
        return;
    }
    ENetPacket* packet =
        enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (enet_peer_send(server, reliable ? 0 : 1, packet) != 0) {
        enet_packet_destroy(packet);
    }
}

void ASP_NetClient::Receive(const ENetPacket& packet) {
    const std::optional<ASP_Message> m = Decode(packet.data, packet.dataLength);
    if (!m) {
        ++dropped;
        return;
    }
    switch (m->type) {
        case ASP_MessageType::Refused:
            reason = m->refused.reason;
            stage = Stage::Refused;
            LogLine(LOG_WARNING, "The server refused this machine: " + reason);
            break;
        case ASP_MessageType::Welcome:
            client = m->welcome.client;
            stage = Stage::Lobby;
            break;
        case ASP_MessageType::Lobby:
            lobby = m->lobby;
            if (stage == Stage::Over) {
                stage = Stage::Lobby;
            }
            break;
        case ASP_MessageType::Start: {
            start = m->start;
            race = ASP_NetRace();
            if (pictures == nullptr || !race.Setup(start, client, *pictures)) {
                reason = "The server's track dat\\" + start.world + " is not on this machine.";
                stage = Stage::Lost;
                Disconnect();
                return;
            }
            // The server's GO falls half a round trip before this machine hears of it; this
            // machine's GO comes another half earlier, and a few steps more, so that its commands
            // arrive in time.
            go = clock() + kCountdown - RoundTrip() / 1000.0 - kWantedLead * ASP_Race::kStep;
            held = -1;
            sentUpTo = 0;
            inputsIn = 0;
            stage = Stage::Countdown;
            break;
        }
        case ASP_MessageType::Steps:
            if (stage == Stage::Countdown || stage == Stage::Racing) {
                race.Receive(m->steps);
                inputsIn = std::max(inputsIn, static_cast<long long>(m->steps.inputsUpTo));
                // A little at a time, so that the race never jumps for it: a fiftieth of the
                // error at each of 60 packets a second.
                if (const int error = kWantedLead - m->steps.lead; std::abs(error) > 2) {
                    go -= std::clamp(error, -20, 20) * ASP_Race::kStep * 0.02;
                }
            }
            break;
        case ASP_MessageType::Over:
            race.Over(m->over);
            stage = Stage::Over;
            break;
        default:
            ++dropped;
            break;
    }
}

void ASP_NetClient::SetReady(bool ready, const std::vector<std::string>& cars) {
    Send(Encode(ASP_ReadyMessage{ready, cars}));
}

void ASP_NetClient::ChooseTrack(const std::string& world) {
    Send(Encode(ASP_ChooseTrackMessage{world}));
}

long long ASP_NetClient::PresentStep() const {
    if (stage != Stage::Countdown && stage != Stage::Racing && stage != Stage::Over) {
        return -1;
    }
    const double since = clock() - go;
    return since < 0.0 ? -1 : static_cast<long long>(since / ASP_Race::kStep);
}

double ASP_NetClient::CountdownLeft() const {
    return std::max(0.0, go - clock());
}

void ASP_NetClient::Hold(const std::vector<ASP_Command>& commands) {
    const long long present = PresentStep();
    // Every step since the last one held takes these commands (frames come slower than steps); a
    // reset or giving up is asked for once.
    std::vector<ASP_Command> again = commands;
    for (ASP_Command& c : again) {
        c.flags = 0;
    }
    for (long long step = std::max(held + 1, 0LL); step <= present; ++step) {
        race.Hold(step, step == present ? commands : again);
    }
    held = std::max(held, present);
}

void ASP_NetClient::SendInputs() {
    if ((stage != Stage::Countdown && stage != Stage::Racing) || held < sentUpTo + kStepsPerPacket - 1) {
        return;
    }
    ASP_InputsMessage m;
    m.cars = static_cast<uint8_t>(race.MyCars().size());
    // The steps the server may not have raced with, each in kSendings packets at most.
    const long long from = std::max({race.ConfirmedSteps(), inputsIn, held + 1 - kMaxStepsPerPacket,
                                     sentUpTo - (kSendings - 1) * kStepsPerPacket});
    m.firstStep = static_cast<uint32_t>(from);
    m.commands = race.HeldFrom(from, held + 1);
    m.stepsUpTo = static_cast<uint32_t>(race.ConfirmedSteps());
    m.missing = race.Missing();
    sentUpTo = held + 1;
    if (m.cars > 0 && !m.commands.empty() && m.commands.size() % m.cars == 0) {
        Send(Encode(m), false);
    }
}

uint32_t ASP_NetClient::RoundTrip() const {
    return server != nullptr ? server->roundTripTime : 0;
}

uint64_t ASP_NetClient::GetBytesSent() const {
    return host != nullptr ? host->totalSentData : 0;
}

uint64_t ASP_NetClient::GetBytesReceived() const {
    return host != nullptr ? host->totalReceivedData : 0;
}
