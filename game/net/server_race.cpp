#include <ctime>
#include <random>

#include "engine/platform/paths.h"
#include "game/net/server.h"
#include "game/sim/results.h"

// The server's race: started when every machine is ready, stepped on the clock with every car's
// commands, sent out step by step, and ended with the results and a replay.

namespace {

// Seconds of the countdown before GO, as in a local race.
constexpr double kCountdown = 4.0;
// A packet of steps goes every this many steps: 60 packets a second. Each step goes in kSendings
// packets running, so one lost now and then costs nothing; a machine that lacks some all the same
// says so, and gets them again.
constexpr int kStepsPerPacket = 2;
constexpr int kSendings = 3;

}  // namespace

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
