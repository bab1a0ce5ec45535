#include "game/net/server.h"

#include <algorithm>
#include <ctime>
#include <random>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "game/sim/results.h"
#include "track/track_list.h"

namespace {

// Seconds of the countdown before GO, as in a local race.
constexpr double kCountdown = 4.0;
// A packet of steps goes every this many steps: 60 packets a second. Each step goes in kSendings
// packets running, so one lost now and then costs nothing; a machine that lacks some all the same
// says so, and gets them again.
constexpr int kStepsPerPacket = 2;
constexpr int kSendings = 3;
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

// The race

void ASP_NetServer::StartWhenReady() {
    const bool anyone =
        std::any_of(clients.begin(), clients.end(), [](const auto& c) { return !c->cars.empty(); });
    const bool allReady = std::all_of(clients.begin(), clients.end(), [](const auto& c) { return c->ready; });
    if (!anyone || !allReady || Players() < settings.minPlayers) {
        stageSince = clock();
        return;
    }
    if (clock() - stageSince >= settings.startDelay) {
        StartRace();
    }
}

void ASP_NetServer::StartRace() {
    ASP_StartMessage start;
    start.seed = std::random_device()();
    start.world = settings.world;
    start.difficulty = static_cast<uint8_t>(settings.difficulty);
    race = std::make_unique<ASP_Race>(start.seed);
    if (!race->Load("dat\\" + settings.world, pictures)) {
        LogLine(LOG_ERROR, "The track dat\\" + settings.world + " cannot be raced.");
        race.reset();
        return;
    }
    if (settings.laps > 0) {
        race->SetLaps(settings.laps);
    }
    const ASP_Difficulty difficulty = settings.difficulty;
    replay = std::make_unique<ASP_Replay>();
    for (const auto& client : clients) {
        client->raceCars.clear();
        client->pending.clear();
        client->last.assign(client->cars.size(), ASP_Command());
        client->carried.assign(client->cars.size(), 0);
        client->late = 0;
        client->inputsUpTo = 0;
        client->stepsUpTo = 0;
        client->missing = false;
        for (size_t i = 0; i < client->cars.size(); ++i) {
            const int car = race->AddCar(ASP_CarModel::Load(kCarFile, client->cars[i]));
            if (car >= 0) {
                client->raceCars.push_back(static_cast<size_t>(car));
                start.cars.push_back(ASP_StartCar{client->cars[i], client->id, client->name});
                replay->cars.push_back(ASP_ReplayCar{client->cars[i], false});
            }
        }
    }
    const std::vector<std::string> carList = ReadCarList(kCarFile);
    for (int i = 0; i < settings.computerCars && !carList.empty(); ++i) {
        const std::string car = carList[static_cast<size_t>(i) % carList.size()];
        if (race->AddCar(ASP_CarModel::Load(kCarFile, car),
                         std::make_unique<ASP_ComputerDriver>(difficulty)) >= 0) {
            start.cars.push_back(ASP_StartCar{car, kComputerClient, "Computer"});
            replay->cars.push_back(ASP_ReplayCar{car, true});
        }
    }
    start.laps = static_cast<uint8_t>(std::clamp(race->GetTrack().GetLaps(), 1, 255));
    std::tie(replay->world, replay->trackName, replay->seed, replay->difficulty, replay->laps) =
        std::tuple(settings.world, settings.trackName, start.seed, difficulty, race->GetTrack().GetLaps());
    const std::vector<uint8_t> bytes = Encode(start);
    for (const auto& client : clients) {
        Send(client->peer, bytes);
    }
    unsent = 0;
    hashes.clear();
    takeovers.clear();
    stage = Stage::Countdown;
    stageSince = clock();
    raceClock = stageSince + kCountdown;
    LogLine(LOG_STATUS, "Race " + std::to_string(racesRun + 1) + " on " + settings.world + " with " +
                            std::to_string(race->GetCars().size()) + " cars starts.");
}

void ASP_NetServer::RunRace() {
    const double since = clock() - raceClock;
    if (since < 0.0 || race == nullptr) {
        return;
    }
    // The race keeps to the clock; a late server catches up at most a quarter of a second a call.
    const long long due = static_cast<long long>(since / ASP_Race::kStep);
    for (int caught = 0; caught < 30 && (!race->IsStarted() || race->GetSteps() < due) && !race->IsOver();
         ++caught) {
        StepRace();
    }
    if (race->IsOver()) {
        EndRace();
    }
}

void ASP_NetServer::StepRace() {
    const uint32_t step = static_cast<uint32_t>(race->IsStarted() ? race->GetSteps() + 1 : 0);
    std::vector<ASP_Command> commands(race->GetCars().size());
    for (const auto& client : clients) {
        const auto mine = client->pending.find(step);
        if (mine != client->pending.end()) {
            client->last = mine->second;
        } else if (client->peer != nullptr && !client->raceCars.empty()) {
            ++client->late;
            client->missed.insert(step);
        }
        // Commands come again until the machine sees them raced; no later than a packet holds.
        client->missed.erase(
            client->missed.begin(),
            client->missed.lower_bound(step > kMaxStepsPerPacket ? step - kMaxStepsPerPacket : 0));
        client->pending.erase(client->pending.begin(), client->pending.upper_bound(step));
        for (size_t i = 0; i < client->raceCars.size() && i < client->last.size(); ++i) {
            commands[client->raceCars[i]] = client->last[i];
            commands[client->raceCars[i]].flags |= client->carried[i];
            client->carried[i] = 0;
        }
        // A reset is asked for once, not for every step it is not renewed.
        for (ASP_Command& held : client->last) {
            held.flags = 0;
        }
    }
    if (step == 0) {
        race->Start(commands);
        stage = Stage::Racing;
    } else {
        race->Step(commands);
    }
    replay->Record(race->GetStepCommands());
    if (++unsent >= kStepsPerPacket || race->IsOver()) {
        hashes[static_cast<uint32_t>(replay->Steps())] = race->StateHash();
        unsent = 0;
        SendSteps(race->IsOver());
    }
}

void ASP_NetServer::SendSteps(bool reliable) {
    const uint32_t newest = static_cast<uint32_t>(replay->Steps());
    for (const auto& client : clients) {
        if (client->peer == nullptr) {
            continue;
        }
        // The newest steps, each in kSendings packets running. A machine that lacks some gets the
        // oldest of those it lacks as well, a packet's worth at a time (however far behind it says it
        // is: it cannot make the server send more than that). At the end, everything, reliably.
        const uint32_t window =
            newest > kSendings * kStepsPerPacket ? newest - kSendings * kStepsPerPacket : 0;
        uint32_t from = client->stepsUpTo;
        if (!reliable && !client->missing) {
            from = std::max(from, window);
        }
        for (int packets = 0; from < newest && (reliable || packets < 2); ++packets) {
            from = SendStepsFrom(*client, from, reliable);
            if (!reliable && from < window) {
                from = window;
            }
        }
    }
}

uint32_t ASP_NetServer::SendStepsFrom(Client& client, uint32_t from, bool reliable) {
    // A packet ends where a hash was taken, and holds at most kMaxStepsPerPacket steps.
    auto end = hashes.upper_bound(from + kMaxStepsPerPacket);
    if (end == hashes.begin() || (--end)->first <= from) {
        return static_cast<uint32_t>(replay->Steps());
    }
    ASP_StepsMessage m;
    m.firstStep = from;
    m.cars = static_cast<uint8_t>(race->GetCars().size());
    for (uint32_t s = from; s < end->first; ++s) {
        const std::vector<ASP_Command> step = replay->CommandsAt(s);
        m.commands.insert(m.commands.end(), step.begin(), step.end());
    }
    for (const auto& takeover : takeovers) {
        if (takeover.first >= from && takeover.first <= end->first) {
            m.takeovers.push_back(takeover);
        }
    }
    m.lead = static_cast<int8_t>(std::clamp(client.lead, -120, 120));
    m.inputsUpTo = client.inputsUpTo;
    m.hash = end->second;
    Send(client.peer, Encode(m), reliable);
    return end->first;
}

void ASP_NetServer::EndRace() {
    lastHash = race->StateHash();
    const ASP_OverMessage over{static_cast<uint32_t>(race->GetSteps()), lastHash};
    for (const auto& client : clients) {
        if (client->peer != nullptr) {
            Send(client->peer, Encode(over));
        }
    }
    std::vector<int> positions;
    for (const auto& car : race->GetCars()) {
        positions.push_back(car->record.position);
    }
    for (const auto& client : clients) {
        if (client->late > 0) {
            LogLine(LOG_STATUS, "\"" + client->name + "\" raced " + std::to_string(client->late) +
                                    " steps without its commands, which came late or not at all.");
        }
    }
    LogLine(LOG_STATUS, "Race " + std::to_string(racesRun + 1) + " is over; results:");
    for (int i : StandingsOrder(positions)) {
        const size_t c = static_cast<size_t>(i);
        LogLine(LOG_STATUS, StandingsRow(race->GetCars()[c]->record, race->GetCars()[c]->GetModel().name,
                                         race->IsComputer(c), i + 1, true));
    }
    replay->finalHash = lastHash;
    if (!settings.replayFolder.empty() && MakeFolders(settings.replayFolder)) {
        std::string error;
        const std::string file =
            settings.replayFolder + "/race-" + std::to_string(std::time(nullptr)) + ".replay";
        if (!replay->Save(file, &error)) {
            LogLine(LOG_ERROR, "The replay " + file + " was not kept: " + error + ".");
        }
    }
    ++racesRun;
    // Machines whose players left during the race are let go now.
    clients.erase(
        std::remove_if(clients.begin(), clients.end(), [](const auto& c) { return c->peer == nullptr; }),
        clients.end());
    stage = Stage::Results;
    stageSince = clock();
}
