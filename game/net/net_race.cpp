#include "game/net/net_race.h"

#include <algorithm>

#include "game/sim/computer_driver.h"

namespace {

// The index of the next record a race takes: the start is record 0, step n record n.
long long NextRecord(const ASP_Race& race) {
    return race.IsStarted() ? race.GetSteps() + 1 : 0;
}

}  // namespace

std::unique_ptr<ASP_Race> ASP_NetRace::Build(const ASP_StartMessage& start, ASP_TrackPictures& pictures) {
    auto race = std::make_unique<ASP_Race>(start.seed);
    if (!race->Load("dat\\" + start.world, pictures)) {
        return nullptr;
    }
    race->SetLaps(start.laps);
    const auto difficulty = static_cast<ASP_Difficulty>(start.difficulty);
    for (const ASP_StartCar& car : start.cars) {
        race->AddCar(
            ASP_CarModel::Load(kCarFile, car.car),
            car.client == kComputerClient ? std::make_unique<ASP_ComputerDriver>(difficulty) : nullptr);
    }
    return race;
}

bool ASP_NetRace::Setup(const ASP_StartMessage& start, uint8_t mine, ASP_TrackPictures& pictures) {
    confirmed = Build(start, pictures);
    if (confirmed == nullptr || confirmed->GetCars().size() != start.cars.size()) {
        return false;
    }
    difficulty = static_cast<ASP_Difficulty>(start.difficulty);
    replay = ASP_Replay();
    std::tie(replay.world, replay.seed, replay.difficulty) = std::tuple(start.world, start.seed, difficulty);
    for (size_t i = 0; i < start.cars.size(); ++i) {
        if (start.cars[i].client == mine) {
            myCars.push_back(i);
        }
        replay.cars.push_back(ASP_ReplayCar{start.cars[i].car, start.cars[i].client == kComputerClient});
    }
    replay.laps = confirmed->GetTrack().GetLaps();
    lastKnown.assign(confirmed->GetCars().size(), ASP_Command());
    return true;
}

void ASP_NetRace::Receive(const ASP_StepsMessage& m) {
    const size_t cars = confirmed->GetCars().size();
    if (m.cars != cars || over) {
        return;
    }
    // Each takeover comes in several packets; it is done once.
    for (const auto& takeover : m.takeovers) {
        if (takeover.first >= confirmedSteps &&
            std::find(takeovers.begin(), takeovers.end(), takeover) == takeovers.end()) {
            takeovers.push_back(takeover);
        }
    }
    const size_t count = m.commands.size() / cars;
    newest = std::max(newest, static_cast<long long>(m.firstStep + count));
    for (size_t k = 0; k < count; ++k) {
        const long long record = static_cast<long long>(m.firstStep) + static_cast<long long>(k);
        if (record != confirmedSteps) {
            // Already run (a repeat), or after some still missing: those come again.
            continue;
        }
        // A takeover comes with the packet before its step is raced, or with it.
        for (auto it = takeovers.begin(); it != takeovers.end();) {
            if (it->first == record && it->second < cars) {
                confirmed->TakeOver(it->second, std::make_unique<ASP_ComputerDriver>(difficulty, true));
                replay.cars[it->second].computerFrom = record;
            }
            it = it->first <= record ? takeovers.erase(it) : it + 1;
        }
        const std::vector<ASP_Command> commands(
            m.commands.begin() + static_cast<std::ptrdiff_t>(k * cars),
            m.commands.begin() + static_cast<std::ptrdiff_t>((k + 1) * cars));
        record == 0 ? confirmed->Start(commands) : confirmed->Step(commands);
        lastKnown = confirmed->GetStepCommands();
        replay.Record(lastKnown);
        ++confirmedSteps;
        held.erase(held.begin(), held.upper_bound(record));
    }
    if (count > 0 && NextRecord(*confirmed) == static_cast<long long>(m.firstStep + count) &&
        confirmed->StateHash() != m.hash && !diverged) {
        diverged = true;
        LogLine(LOG_ERROR, "This machine's race differs from the server's after step " +
                               std::to_string(confirmedSteps - 1) + "; the server's results count.");
    }
}

void ASP_NetRace::Over(const ASP_OverMessage& m) {
    over = true;
    replay.finalHash = m.hash;
    if (confirmed->StateHash() != m.hash && !diverged) {
        diverged = true;
        LogLine(LOG_ERROR, "The race ended otherwise on the server; the server's results count.");
    }
}

void ASP_NetRace::Hold(long long step, const std::vector<ASP_Command>& commands) {
    if (step >= confirmedSteps) {
        held[step] = commands;
    }
}

std::vector<ASP_Command> ASP_NetRace::HeldFrom(long long step, long long upTo) const {
    std::vector<ASP_Command> commands;
    for (auto it = held.lower_bound(step); it != held.end() && it->first < upTo; ++it) {
        commands.insert(commands.end(), it->second.begin(), it->second.end());
    }
    return commands;
}

int ASP_NetRace::Predict(ASP_Race& guess, long long present, const StepFunction& step) {
    int stepped = 0;
    // Where the guess had the cars, to see how far starting again moves them.
    long long measureAt = -1;
    std::vector<Point> before;
    if (guessedFrom != confirmedSteps || NextRecord(guess) < confirmedSteps) {
        if (NextRecord(guess) > confirmedSteps) {
            measureAt = NextRecord(guess);
            for (const auto& car : guess.GetCars()) {
                before.push_back(car->body.Centre());
            }
        }
        guess.CopyState(*confirmed);
        guessedFrom = confirmedSteps;
    }
    const auto measure = [&] {
        corrections.assign(before.size(), Point());
        for (size_t i = 0; i < before.size(); ++i) {
            corrections[i] = before[i] - guess.GetCars()[i]->body.Centre();
            largestCorrection = std::max(largestCorrection, Length(corrections[i]));
        }
        measureAt = -1;
        ++restarts;
    };
    if (measureAt == NextRecord(guess)) {
        measure();
    }
    std::vector<ASP_Command> mine(myCars.size());
    for (long long record = NextRecord(guess); record <= present && !guess.IsOver(); ++record, ++stepped) {
        std::vector<ASP_Command> commands = lastKnown;
        // A reset or giving up is asked for once; the others' are not guessed again.
        for (ASP_Command& c : commands) {
            c.flags = 0;
        }
        const auto it = held.upper_bound(record);
        if (it != held.begin() && std::prev(it)->first == record) {
            mine = std::prev(it)->second;
        }
        for (size_t i = 0; i < myCars.size() && i < mine.size(); ++i) {
            commands[myCars[i]] = mine[i];
        }
        if (step) {
            step(commands, record > reached);
        } else {
            record == 0 ? guess.Start(commands) : guess.Step(commands);
        }
        reached = std::max(reached, record);
        if (measureAt == record + 1) {
            measure();
        }
    }
    return stepped;
}
