#include "game/sim/replay.h"

#include <zlib.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "engine/ini.h"
#include "engine/platform/replace_file.h"

namespace {

const char* const kMagic = "ASPHALTIA REPLAY";
// A replay longer than this (a day of racing) is a broken file, not a race.
constexpr long long kMaxSteps = 24LL * 3600 * 120;
constexpr size_t kMaxCars = 64;
constexpr int kFields = 5;

// Header values stay on their line.
std::string OneLine(std::string text) {
    for (char& c : text) {
        c = c == '\n' || c == '\r' ? ' ' : c;
    }
    return text;
}

uint8_t& Field(ASP_Command& c, int f) {
    uint8_t* fields[kFields] = {&c.forward, &c.backward, &c.left, &c.right, &c.flags};
    return *fields[f];
}

bool ReadNumber(const std::string& text, long long low, long long high, long long* value) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}

}  // namespace

void ASP_Replay::Record(const std::vector<ASP_Command>& stepCommands) {
    size_t human = 0;
    for (size_t i = 0; i < cars.size(); ++i) {
        if (cars[i].computer) {
            continue;
        }
        if (commands.size() <= human) {
            commands.emplace_back();
        }
        commands[human++].push_back(i < stepCommands.size() ? stepCommands[i] : ASP_Command());
    }
    ++steps;
}

ASP_Replay ASP_Replay::Blank() const {
    ASP_Replay blank = *this;
    blank.commands.clear();
    blank.steps = 0;
    return blank;
}

std::vector<ASP_Command> ASP_Replay::CommandsAt(long long s) const {
    std::vector<ASP_Command> at(cars.size());
    size_t human = 0;
    for (size_t i = 0; i < cars.size(); ++i) {
        if (cars[i].computer) {
            continue;
        }
        const size_t own = human++;
        if (own < commands.size() && s >= 0 && static_cast<size_t>(s) < commands[own].size()) {
            at[i] = commands[own][static_cast<size_t>(s)];
        }
    }
    return at;
}

bool ASP_Replay::Save(const std::string& file, std::string* error) const {
    // Field by field and car by car: long runs of one value, which compress to almost nothing.
    std::string raw;
    for (const std::vector<ASP_Command>& own : commands) {
        for (int f = 0; f < kFields; ++f) {
            for (ASP_Command c : own) {
                raw.push_back(static_cast<char>(Field(c, f)));
            }
        }
    }
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), raw.size(), Z_BEST_COMPRESSION) != Z_OK) {
        *error = "the commands could not be compressed";
        return false;
    }
    packed.resize(packedSize);
    std::ostringstream out;
    out << kMagic << "\nversion=" << kVersion << "\nworld=" << OneLine(world)
        << "\ntrack=" << OneLine(trackName) << "\ndate=" << OneLine(date)
        << "\ndifficulty=" << DifficultyText(difficulty) << "\nseed=" << seed << "\nlaps=" << laps
        << "\ncars=" << cars.size() << "\n";
    for (size_t i = 0; i < cars.size(); ++i) {
        out << "car" << i << "=" << OneLine(cars[i].car) << "\ncomputer" << i << "=" << cars[i].computer
            << "\n";
        if (cars[i].computerFrom >= 0) {
            out << "computerFrom" << i << "=" << cars[i].computerFrom << "\n";
        }
    }
    out << "steps=" << steps << "\nwinner=" << OneLine(winner) << "\nwinnerTime=" << NumberToText(winnerTime)
        << "\nhash=" << finalHash << "\nworldHash=" << OneLine(worldHash)
        << "\ncarsHash=" << OneLine(carsHash) << "\nlapStart=" << lapStart << "\nlapEnd=" << lapEnd
        << "\nraw=" << raw.size() << "\ndata=" << packed.size() << "\n"
        << packed;
    if (!ReplaceFile(file, out.str(), std::nullopt)) {
        *error = "it could not be written";
        return false;
    }
    return true;
}

bool ASP_Replay::Load(const std::string& file, std::string* error) {
    return Read(file, true, error);
}

bool ASP_Replay::LoadHeader(const std::string& file, std::string* error) {
    return Read(file, false, error);
}

bool ASP_Replay::Read(const std::string& file, bool withCommands, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        *error = "it cannot be read";
        return false;
    }
    if (line != kMagic) {
        *error = "it is not a replay";
        return false;
    }
    std::map<std::string, std::string> keys;
    while (std::getline(in, line)) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            *error = "it is broken";
            return false;
        }
        keys[line.substr(0, equals)] = line.substr(equals + 1);
        if (line.rfind("data=", 0) == 0) {
            break;
        }
    }
    long long version = 0;
    if (!ReadNumber(keys["version"], 0, INT_MAX, &version)) {
        *error = "it is broken";
        return false;
    }
    if (version != kVersion) {
        *error = "it was recorded by another version of the game (replay version " + std::to_string(version) +
                 ", this game plays version " + std::to_string(kVersion) + ")";
        return false;
    }
    long long count = 0;
    long long rawSize = 0;
    long long dataSize = 0;
    long long laps = 0;
    if (!ReadNumber(keys["cars"], 1, kMaxCars, &count) || !ReadNumber(keys["steps"], 0, kMaxSteps, &steps) ||
        !ReadNumber(keys["raw"], 0, kMaxSteps * kFields * static_cast<long long>(kMaxCars), &rawSize) ||
        !ReadNumber(keys["data"], 0, rawSize + 1024, &dataSize) ||
        !ReadNumber(keys["laps"], 0, INT_MAX, &laps) || keys["world"].empty() ||
        !ReadNumber(keys["lapStart"].empty() ? "0" : keys["lapStart"], 0, steps, &lapStart) ||
        !ReadNumber(keys["lapEnd"].empty() ? "0" : keys["lapEnd"], 0, steps, &lapEnd)) {
        *error = "it is broken";
        return false;
    }
    world = keys["world"];
    trackName = keys["track"];
    date = keys["date"];
    difficulty = DifficultyFromText(keys["difficulty"]);
    seed = std::strtoull(keys["seed"].c_str(), nullptr, 10);
    this->laps = static_cast<int>(laps);
    winner = keys["winner"];
    winnerTime = TextToDouble(keys["winnerTime"], 0.0);
    finalHash = std::strtoull(keys["hash"].c_str(), nullptr, 10);
    worldHash = keys["worldHash"];
    carsHash = keys["carsHash"];
    cars.clear();
    size_t humans = 0;
    for (long long i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        long long from = -1;
        if (keys.count("computerFrom" + n) > 0 &&
            !ReadNumber(keys["computerFrom" + n], 0, kMaxSteps, &from)) {
            *error = "it is broken";
            return false;
        }
        cars.push_back(ASP_ReplayCar{keys["car" + n], keys["computer" + n] == "1", from});
        humans += !cars.back().computer;
    }
    commands.assign(humans, {});
    if (!withCommands) {
        return true;
    }
    if (rawSize != static_cast<long long>(humans) * steps * kFields) {
        *error = "it is broken";
        return false;
    }
    std::string packed(static_cast<size_t>(dataSize), '\0');
    in.read(packed.data(), dataSize);
    std::string raw(static_cast<size_t>(rawSize), '\0');
    uLongf unpacked = raw.size();
    if (in.gcount() != dataSize ||
        uncompress(reinterpret_cast<Bytef*>(raw.data()), &unpacked,
                   reinterpret_cast<const Bytef*>(packed.data()), packed.size()) != Z_OK ||
        unpacked != raw.size()) {
        *error = "its commands are broken";
        return false;
    }
    size_t at = 0;
    for (std::vector<ASP_Command>& own : commands) {
        own.assign(static_cast<size_t>(steps), ASP_Command());
        for (int f = 0; f < kFields; ++f) {
            for (ASP_Command& c : own) {
                Field(c, f) = static_cast<uint8_t>(raw[at++]);
            }
        }
    }
    return true;
}
