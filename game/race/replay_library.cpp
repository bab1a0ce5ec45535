#include "game/race/replay_library.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "engine/platform/paths.h"
#include "game/sim/car.h"
#include "game/sim/race.h"

namespace fs = std::filesystem;

namespace {

std::string LocalTime(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    return std::strftime(text, sizeof text, format, &local) > 0 ? text : "";
}

}  // namespace

std::string ReplayDate() {
    return LocalTime("%Y-%m-%d %H:%M");
}

std::string DataFileHash(const std::string& dataName) {
    std::ifstream in(ResolvePath(dataName), std::ios::binary);
    if (!in) {
        return "";
    }
    uint64_t hash = 0xCBF29CE484222325ull;
    char buffer[1 << 14];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 0x100000001B3ull;
        }
    }
    return ASP_Race::HashText(hash);
}

std::string ReplayWorldFile(const ASP_Replay& header) {
    return "dat\\" + header.world;
}

std::string ReplayRefusal(const ASP_Replay& header) {
    if (header.cars.size() > static_cast<size_t>(ASP_Race::kMaxCars)) {
        return "it has more cars than a race takes";
    }
    // A world of dat\ by its bare name, as the track list names them: nothing from elsewhere.
    if (header.world.find_first_of("\\/:") != std::string::npos || header.world == "..") {
        return "it names no track of the game";
    }
    const std::string world = ReplayWorldFile(header);
    const std::string worldNow = DataFileHash(world);
    if (worldNow.empty()) {
        return "its track " + world + " is missing";
    }
    if (!header.worldHash.empty() && header.worldHash != worldNow) {
        return "its track has changed since it was recorded";
    }
    if (!header.carsHash.empty() && header.carsHash != DataFileHash(kCarFile)) {
        return "the cars have changed since it was recorded";
    }
    return "";
}

ASP_ReplayLibrary::ASP_ReplayLibrary(std::string folder) : folder(std::move(folder)) {}

std::string ASP_ReplayLibrary::NewFile() const {
    if (folder.empty()) {
        LogLine(LOG_WARNING, "There is no folder for replays: this race is not kept.");
        return "";
    }
    if (!MakeFolders(folder)) {
        LogLine(LOG_ERROR, "The folder " + folder + " cannot be made: this race is not kept.");
        return "";
    }
    const std::string stamp = LocalTime("%Y%m%d-%H%M%S");
    for (int n = 0; n < 100; ++n) {
        char name[48];
        std::snprintf(name, sizeof name, "%s-%02d%s", stamp.c_str(), n, kExtension);
        std::error_code ec;
        if (!fs::exists(fs::path(folder) / name, ec)) {
            return (fs::path(folder) / name).string();
        }
    }
    LogLine(LOG_ERROR, "A hundred races began this second: this one is not kept.");
    return "";
}

std::vector<std::string> ASP_ReplayLibrary::Files() const {
    std::vector<std::string> files;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) {
        return files;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec) && entry.path().extension() == kExtension) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void ASP_ReplayLibrary::Prune() const {
    std::vector<std::string> files = Files();
    for (size_t i = 0; i + kMaxReplays < files.size(); ++i) {
        std::error_code ec;
        if (fs::remove(files[i], ec)) {
            LogLine(LOG_STATUS, "Replay " + files[i] + " deleted: the newest " + std::to_string(kMaxReplays) +
                                    " are kept.");
        } else {
            LogLine(LOG_ERROR, "Replay " + files[i] + " could not be deleted: " + ec.message() + ".");
        }
    }
}

std::vector<ASP_ReplayEntry> ASP_ReplayLibrary::List() const {
    std::vector<std::string> files = Files();
    std::vector<ASP_ReplayEntry> entries;
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        ASP_ReplayEntry entry;
        entry.file = *file;
        if (!entry.header.LoadHeader(*file, &entry.refused)) {
            entry.refused = entry.refused.empty() ? "it cannot be read" : entry.refused;
        } else {
            entry.refused = ReplayRefusal(entry.header);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}
