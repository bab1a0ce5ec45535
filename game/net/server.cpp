#include "game/net/server.h"

#include <algorithm>

#include "engine/ini.h"
#include "track/track_list.h"

namespace {

// Commands further ahead than this are not kept: a machine cannot be that far ahead.
constexpr uint32_t kMaxAhead = 600;
// Packets a machine may send in a second before the rest are dropped as a flood.
constexpr int kMaxPacketsPerSecond = 600;

ENetBuffer BufferOf(uint8_t* data, size_t size) {
    ENetBuffer buffer;
    buffer.data = data;
    buffer.dataLength = size;
    return buffer;
}

}  // namespace

ASP_NetServer::ASP_NetServer(ASP_ServerSettings s, ASP_NetClock c)
    : settings(std::move(s)), clock(std::move(c)) {
    settings.maxPlayers = std::clamp(settings.maxPlayers, 1, kMaxNetCars);
}

ASP_NetServer::~ASP_NetServer() {
    Close();
}

bool ASP_NetServer::Open() {
    if (enet_initialize() != 0) {
        LogLine(LOG_ERROR, "The network cannot be started.");
        return false;
    }
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    address.port = settings.port;
    host = enet_host_create(&address, 64, 2, 0, 0);
    if (host == nullptr) {
        LogLine(LOG_ERROR,
                "Cannot listen on port " + std::to_string(settings.port) + ": it is in use or not ours.");
        return false;
    }
    discovery = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    ENetAddress any{};
    any.host = ENET_HOST_ANY;
    any.port = settings.discoveryPort;
    if (discovery == ENET_SOCKET_NULL || enet_socket_set_option(discovery, ENET_SOCKOPT_REUSEADDR, 1) != 0 ||
        enet_socket_set_option(discovery, ENET_SOCKOPT_NONBLOCK, 1) != 0 ||
        enet_socket_bind(discovery, &any) != 0) {
        LogLine(LOG_WARNING, "Machines on the LAN will not find this server by searching (port " +
                                 std::to_string(settings.discoveryPort) +
                                 " is taken); they can still join by address.");
        if (discovery != ENET_SOCKET_NULL) {
            enet_socket_destroy(discovery);
        }
        discovery = ENET_SOCKET_NULL;
    }
    stageSince = clock();
    LogLine(LOG_STATUS, "Server \"" + settings.name + "\" listening on port " +
                            std::to_string(settings.port) + ", track " + settings.world + ".");
    return true;
}

void ASP_NetServer::Close() {
    if (host != nullptr) {
        for (const auto& client : clients) {
            enet_peer_disconnect_now(client->peer, 0);
        }
        enet_host_flush(host);
        enet_host_destroy(host);
        host = nullptr;
    }
    if (discovery != ENET_SOCKET_NULL) {
        enet_socket_destroy(discovery);
        discovery = ENET_SOCKET_NULL;
    }
    clients.clear();
}

uint64_t ASP_NetServer::GetBytesSent() const {
    return host != nullptr ? host->totalSentData : 0;
}

uint64_t ASP_NetServer::GetBytesReceived() const {
    return host != nullptr ? host->totalReceivedData : 0;
}

// The network

void ASP_NetServer::Service(int waitMs) {
    if (host == nullptr) {
        return;
    }
    ENetEvent event;
    for (int waited = enet_host_service(host, &event, static_cast<enet_uint32>(std::max(waitMs, 0)));
         waited > 0; waited = enet_host_service(host, &event, 0)) {
        Handle(event);
    }
    AnswerSearches();
    switch (stage) {
        case Stage::Lobby:
            StartWhenReady();
            break;
        case Stage::Countdown:
        case Stage::Racing:
            RunRace();
            break;
        case Stage::Results:
            if (clock() - stageSince >= settings.resultsSeconds) {
                stage = Stage::Lobby;
                stageSince = clock();
                race.reset();
                for (const auto& client : clients) {
                    client->ready = false;
                }
                SendLobby();
            }
            break;
    }
    enet_host_flush(host);
}

void ASP_NetServer::Handle(ENetEvent& event) {
    switch (event.type) {
        case ENET_EVENT_TYPE_CONNECT: {
            auto client = std::make_unique<Client>();
            client->peer = event.peer;
            client->id = nextId++;
            ConfigurePeer(event.peer);
            clients.push_back(std::move(client));
            break;
        }
        case ENET_EVENT_TYPE_RECEIVE:
            if (Client* client = ClientOf(event.peer); client != nullptr && !Flooding(*client)) {
                Receive(*client, *event.packet);
            }
            enet_packet_destroy(event.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            Leave(event.peer);
            break;
        case ENET_EVENT_TYPE_NONE:
            break;
    }
}

bool ASP_NetServer::Flooding(Client& client) {
    // A machine sends some 30 packets a second; past the limit, the rest of its second are dropped.
    const double now = clock();
    if (now - client.floodSince >= 1.0) {
        client.floodSince = now;
        client.floodCount = 0;
    }
    if (++client.floodCount <= kMaxPacketsPerSecond) {
        return false;
    }
    ++dropped;
    if (client.floodCount == kMaxPacketsPerSecond + 1) {
        LogLine(LOG_WARNING, "A machine (" + (client.name.empty() ? std::string("not joined") : client.name) +
                                 ") sends more than " + std::to_string(kMaxPacketsPerSecond) +
                                 " packets a second; the rest of this second's are dropped.");
    }
    return true;
}

ASP_NetServer::Client* ASP_NetServer::ClientOf(ENetPeer* peer) {
    for (const auto& client : clients) {
        if (client->peer == peer) {
            return client.get();
        }
    }
    return nullptr;
}

int ASP_NetServer::Players() const {
    int players = 0;
    for (const auto& client : clients) {
        players += static_cast<int>(client->cars.size());
    }
    return players;
}

void ASP_NetServer::Send(ENetPeer* peer, const std::vector<uint8_t>& bytes, bool reliable) {
    ENetPacket* packet =
        enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (enet_peer_send(peer, reliable ? 0 : 1, packet) != 0) {
        enet_packet_destroy(packet);
    }
}

void ASP_NetServer::Refuse(ENetPeer* peer, const std::string& reason) {
    LogLine(LOG_WARNING, "Refused a machine: " + reason);
    Send(peer, Encode(ASP_RefusedMessage{reason}));
    enet_peer_disconnect_later(peer, 0);
}

void ASP_NetServer::Receive(Client& client, const ENetPacket& packet) {
    const std::optional<ASP_Message> message = Decode(packet.data, packet.dataLength);
    // A machine's first word is its hello; nothing else is taken before it.
    const bool joined = !client.cars.empty();
    if (!message || joined == (message->type == ASP_MessageType::Hello)) {
        ++dropped;
        if (dropped <= 10 || dropped % 1000 == 0) {
            LogLine(LOG_WARNING, "Dropped a packet of " + std::to_string(packet.dataLength) + " bytes from " +
                                     (client.name.empty() ? "a machine" : client.name) +
                                     " that breaks the rules (" + std::to_string(dropped) + " so far).");
        }
        return;
    }
    switch (message->type) {
        case ASP_MessageType::Hello:
            Join(client, message->hello);
            break;
        case ASP_MessageType::Ready: {
            const std::vector<std::string> known = ReadCarList(kCarFile);
            const bool carsKnown = std::all_of(
                message->ready.cars.begin(), message->ready.cars.end(),
                [&](auto& car) { return std::find(known.begin(), known.end(), car) != known.end(); });
            if (stage == Stage::Lobby && carsKnown && message->ready.cars.size() == client.cars.size()) {
                client.cars = message->ready.cars;
                client.ready = message->ready.ready;
                SendLobby();
            }
            break;
        }
        case ASP_MessageType::ChooseTrack: {
            // The host's machine (the first to join) picks the track, from the track list only.
            const std::vector<ASP_TrackEntry> tracks = LoadTrackList(track_list::kFile);
            const auto it = std::find_if(tracks.begin(), tracks.end(), [&](const ASP_TrackEntry& t) {
                return t.world == message->chooseTrack.world;
            });
            if (stage == Stage::Lobby && client.id == clients.front()->id && it != tracks.end()) {
                settings.world = it->world;
                settings.trackName = it->name;
                SendLobby();
            }
            break;
        }
        case ASP_MessageType::Inputs: {
            const ASP_InputsMessage& in = message->inputs;
            if (in.cars != client.raceCars.size() && stage != Stage::Lobby && stage != Stage::Results) {
                ++dropped;
                return;
            }
            // Packets of commands come again and again, and after the race: those are not wrong.
            if (race == nullptr || stage == Stage::Lobby || stage == Stage::Results) {
                return;
            }
            const uint32_t next = static_cast<uint32_t>(race->IsStarted() ? race->GetSteps() + 1 : 0);
            if (in.firstStep > next + kMaxAhead) {
                ++dropped;
                return;
            }
            const size_t steps = in.commands.size() / in.cars;
            for (size_t s = 0; s < steps; ++s) {
                const uint32_t step = in.firstStep + static_cast<uint32_t>(s);
                const auto first = in.commands.begin() + static_cast<std::ptrdiff_t>(s * in.cars);
                if (step >= next) {
                    client.pending[step].assign(first, first + in.cars);
                } else if (client.missed.erase(step) > 0) {
                    // Too late to race with; but a reset or giving up is done at the next step.
                    for (size_t car = 0; car < in.cars && car < client.carried.size(); ++car) {
                        client.carried[car] |= (first + static_cast<std::ptrdiff_t>(car))->flags;
                    }
                }
            }
            client.lead = static_cast<int>(in.firstStep + steps) - static_cast<int>(next);
            // The newest word on what it has of the race's steps (an older packet may come later).
            if (in.stepsUpTo >= client.stepsUpTo) {
                client.stepsUpTo = std::min(in.stepsUpTo, next);
                client.missing = in.missing;
            }
            // Steps raced are past asking for; beyond them, only what came without a gap.
            client.inputsUpTo = std::max(client.inputsUpTo, next);
            if (in.firstStep <= client.inputsUpTo) {
                client.inputsUpTo = std::max(client.inputsUpTo, in.firstStep + static_cast<uint32_t>(steps));
            }

            break;
        }
        default:
            ++dropped;
            break;
    }
}

void ASP_NetServer::Join(Client& client, const ASP_HelloMessage& hello) {
    std::string refusal;
    if (hello.protocol != kProtocolVersion || hello.gameVersion != ASPHALTIA_VERSION) {
        refusal = "This server runs Asphaltia " + std::string(ASPHALTIA_VERSION) + " (protocol " +
                  std::to_string(kProtocolVersion) + "); your game is " + hello.gameVersion + " (protocol " +
                  std::to_string(hello.protocol) + ").";
    } else if (hello.password != settings.password) {
        refusal = "Wrong password.";
    } else if (stage != Stage::Lobby && stage != Stage::Results) {
        refusal = "A race is running; join when it is over.";
    } else if (Players() + static_cast<int>(hello.cars.size()) > settings.maxPlayers) {
        refusal = "The server is full: " + std::to_string(Players()) + " of " +
                  std::to_string(settings.maxPlayers) + " places are taken.";
    }
    if (!refusal.empty()) {
        Refuse(client.peer, refusal);
        return;
    }
    client.name = hello.name.empty() ? "Player" : hello.name;
    client.cars = hello.cars;
    client.ready = false;
    char ip[64] = "";
    enet_address_get_host_ip(&client.peer->address, ip, sizeof ip);
    LogLine(LOG_STATUS, "\"" + client.name + "\" joined from " + ip + " with " +
                            std::to_string(hello.cars.size()) + " player(s); " + std::to_string(Players()) +
                            " of " + std::to_string(settings.maxPlayers) + " places taken.");
    Send(client.peer, Encode(ASP_WelcomeMessage{client.id}));
    SendLobby();
}

void ASP_NetServer::Leave(ENetPeer* peer) {
    const auto it =
        std::find_if(clients.begin(), clients.end(), [peer](const auto& c) { return c->peer == peer; });
    if (it == clients.end()) {
        return;
    }
    Client& client = **it;
    if (!client.name.empty()) {
        LogLine(LOG_STATUS, "\"" + client.name + "\" left.");
    }
    if (race != nullptr && (stage == Stage::Countdown || stage == Stage::Racing)) {
        const uint32_t next = static_cast<uint32_t>(race->IsStarted() ? race->GetSteps() + 1 : 0);
        for (size_t car : client.raceCars) {
            if (settings.keepLeavers) {
                // It drives by commands alone, so the commands kept for the car replay its race.
                race->TakeOver(car, std::make_unique<ASP_ComputerDriver>(settings.difficulty, true));
                takeovers.emplace_back(next, static_cast<uint8_t>(car));
                replay->cars[car].computerFrom = next;
            } else {
                ASP_Command out;
                out.flags = ASP_Command::kGiveUp;
                client.pending[next].assign(client.raceCars.size(), out);
            }
        }
    }
    if (settings.keepLeavers || race == nullptr) {
        clients.erase(it);
    } else {
        client.peer = nullptr;
    }
    SendLobby();
}

void ASP_NetServer::AnswerSearches() {
    if (discovery == ENET_SOCKET_NULL) {
        return;
    }
    uint8_t data[64];
    ENetBuffer buffer = BufferOf(data, sizeof data);
    ENetAddress from{};
    for (int got = enet_socket_receive(discovery, &from, &buffer, 1); got > 0;
         got = enet_socket_receive(discovery, &from, &buffer, 1)) {
        if (!IsSearch(data, static_cast<size_t>(got))) {
            ++dropped;
            continue;
        }
        ASP_ServerInfo info;
        std::tie(info.port, info.name, info.trackName) =
            std::tuple(settings.port, settings.name, settings.trackName);
        std::tie(info.players, info.maxPlayers) =
            std::pair(static_cast<uint8_t>(Players()), static_cast<uint8_t>(settings.maxPlayers));
        const std::vector<uint8_t> answer = Encode(info);
        ENetBuffer out = BufferOf(const_cast<uint8_t*>(answer.data()), answer.size());
        enet_socket_send(discovery, &from, &out, 1);
    }
}

void ASP_NetServer::SendLobby() {
    ASP_LobbyMessage lobby;
    lobby.world = settings.world;
    lobby.trackName = settings.trackName;
    lobby.laps = static_cast<uint8_t>(std::clamp(settings.laps, 0, 255));
    if (lobby.laps == 0) {
        lobby.laps =
            static_cast<uint8_t>(std::clamp(GetIniInt("main", "laps", 1, "dat\\" + settings.world), 1, 255));
    }
    lobby.maxPlayers = static_cast<uint8_t>(settings.maxPlayers);
    for (const auto& client : clients) {
        for (size_t i = 0; i < client->cars.size() && client->peer != nullptr; ++i) {
            const std::string name =
                client->name + (client->cars.size() > 1 ? " " + std::to_string(i + 1) : "");
            lobby.players.push_back(ASP_LobbyPlayer{client->id, name, client->cars[i], client->ready});
        }
    }
    for (int i = 0; i < settings.computerCars && static_cast<int>(lobby.players.size()) < settings.maxPlayers;
         ++i) {
        lobby.players.push_back(ASP_LobbyPlayer{kComputerClient, "Computer", "", true});
    }
    const std::vector<uint8_t> bytes = Encode(lobby);
    for (const auto& client : clients) {
        if (client->peer != nullptr && !client->cars.empty()) {
            Send(client->peer, bytes);
        }
    }
}
