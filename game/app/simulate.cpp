#include "game/app/simulate.h"

#include <climits>
#include <memory>

#include "engine/ini.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"
#include "game/sim/results.h"

std::vector<CProgramOption> SimulateOptions() {
    return {
        {"--simulate", "WORLD",
         "race computer cars on world file WORLD of dat\\ (such as world0.dat) headless"},
        {"--cars", "N", "with --simulate: the number of computer cars (default 4)"},
        {"--difficulty", "D", "with --simulate: easy, normal (default) or hard"},
        {"--seed", "S", "with --simulate: the race's seed, a whole number (default 0)"},
        {"--replay", "FILE", "with --simulate: play this replay of a race on WORLD instead"},
        {"--record", "FILE", "with --simulate: keep a replay of the race in FILE"},
    };
}

namespace {

// A race that does not end by itself (cars that can never finish) is stopped after an hour.
constexpr long long kMaxSteps = static_cast<long long>(3600.0 / ASP_Race::kStep);

const char* const kWorldFolder = "dat\\";

bool ReadWhole(const std::string& text, long long low, long long high, long long* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18) {
        return false;
    }
    *value = std::stoll(text);
    return *value >= low && *value <= high;
}

// The race as the command asks for it; false, with the status in *status, when it cannot be set up.
struct Setup {
    std::string world;
    int cars = 4;
    ASP_Difficulty difficulty = ASP_Difficulty::Normal;
    uint64_t seed = 0;
    std::string replayFile;
    std::string recordFile;
};

int ReadSetup(const CProgramInfo& program, const CStartOptions& options, Setup* setup, std::ostream& err) {
    const auto given = [&options](const std::string& name) {
        const auto it = options.given.find(name);
        return it != options.given.end() ? &it->second : nullptr;
    };
    setup->world = *given("--simulate");
    if (setup->world.empty() || setup->world.find_first_of("\\/") != std::string::npos) {
        return UsageError(program, "--simulate wants a world file of dat\\, such as world0.dat", err);
    }
    long long n = 0;
    if (const std::string* cars = given("--cars")) {
        if (!ReadWhole(*cars, 1, ASP_Race::kMaxCars, &n)) {
            return UsageError(
                program, "--cars wants 1 to " + std::to_string(ASP_Race::kMaxCars) + ", not '" + *cars + "'",
                err);
        }
        setup->cars = static_cast<int>(n);
    }
    if (const std::string* difficulty = given("--difficulty")) {
        setup->difficulty = DifficultyFromText(*difficulty);
        if (DifficultyText(setup->difficulty) != *difficulty) {
            return UsageError(program, "--difficulty wants easy, normal or hard, not '" + *difficulty + "'",
                              err);
        }
    }
    if (const std::string* seed = given("--seed")) {
        if (!ReadWhole(*seed, 0, LLONG_MAX, &n)) {
            return UsageError(program, "--seed wants a whole number, not '" + *seed + "'", err);
        }
        setup->seed = static_cast<uint64_t>(n);
    }
    setup->replayFile = given("--replay") != nullptr ? *given("--replay") : "";
    setup->recordFile = given("--record") != nullptr ? *given("--record") : "";
    return -1;
}

void PrintResults(const ASP_Race& race, const std::vector<std::string>& names, std::ostream& out) {
    std::vector<int> positions;
    for (const auto& car : race.GetCars()) {
        positions.push_back(car->record.position);
    }
    out << StandingsHeader() << "\n";
    for (int i : StandingsOrder(positions)) {
        const size_t c = static_cast<size_t>(i);
        out << StandingsRow(race.GetCars()[c]->record, names[c], race.IsComputer(c), i + 1, race.IsOver())
            << "\n";
    }
    out << "State hash: " << ASP_Race::HashText(race.StateHash()) << "\n";
}

}  // namespace

bool WantsSimulation(const CStartOptions& options) {
    return options.given.count("--simulate") > 0;
}

int RunSimulation(const CProgramInfo& program, const CStartOptions& options, std::ostream& out,
                  std::ostream& err) {
    Setup setup;
    if (const int status = ReadSetup(program, options, &setup, err); status >= 0) {
        return status;
    }
    ASP_Replay replay;
    std::string error;
    if (!setup.replayFile.empty()) {
        if (!replay.Load(setup.replayFile, &error)) {
            err << program.name << ": the replay " << setup.replayFile << " is refused: " << error << ".\n";
            return 1;
        }
        if (replay.world != setup.world) {
            err << program.name << ": the replay " << setup.replayFile << " is of " << replay.world
                << ", not " << setup.world << ".\n";
            return 1;
        }
    } else {
        replay.world = setup.world;
        replay.difficulty = setup.difficulty;
        replay.seed = setup.seed;
        const std::vector<std::string> list = ReadCarList(kCarFile);
        for (int i = 0; i < setup.cars && !list.empty(); ++i) {
            replay.cars.push_back(ASP_ReplayCar{list[static_cast<size_t>(i) % list.size()], true});
        }
    }
    ASP_PictureFiles pictures;
    ASP_Race race(replay.seed);
    if (!race.Load(kWorldFolder + setup.world, pictures)) {
        err << program.name << ": there is no track " << kWorldFolder << setup.world << ".\n";
        return 1;
    }
    std::vector<std::string> names;
    for (const ASP_ReplayCar& car : replay.cars) {
        auto driver = car.computer ? std::make_unique<ASP_ComputerDriver>(replay.difficulty) : nullptr;
        if (race.AddCar(ASP_CarModel::Load(kCarFile, car.car), std::move(driver)) >= 0) {
            names.push_back(car.car);
        }
    }
    const bool playing = !setup.replayFile.empty();
    // A server may have raced other laps than the track's.
    if (playing && replay.laps > 0) {
        race.SetLaps(replay.laps);
    }
    replay.laps = race.GetTrack().GetLaps();
    ASP_Replay recorded = replay.Blank();
    // The first commands are those held at GO.
    race.Start(replay.CommandsAt(0));
    recorded.Record(race.GetStepCommands());
    for (long long s = 1; !race.IsOver() && s < (playing ? replay.Steps() : kMaxSteps); ++s) {
        race.Step(replay.CommandsAt(s));
        recorded.Record(race.GetStepCommands());
    }
    if (!race.IsOver()) {
        race.Abandon();
    }
    PrintResults(race, names, out);
    if (!setup.recordFile.empty()) {
        recorded.finalHash = race.StateHash();
        if (!recorded.Save(setup.recordFile, &error)) {
            err << program.name << ": the replay " << setup.recordFile << " was not written: " << error
                << ".\n";
            return 1;
        }
    }
    return 0;
}
