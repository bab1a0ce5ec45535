#include "game/app/settings.h"

#include <algorithm>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "game/sim/race.h"

namespace {

// Key names of the settings file.
const char* const kSystem = "system";
const char* const kWidth = "width";
const char* const kHeight = "height";
const char* const kFullscreen = "fullscreen";
const char* const kSound = "sound";
const char* const kFps = "fps";
const char* const kComputer = "computer";
const char* const kOpponents = "opponents";
const char* const kDifficulty = "difficulty";
const char* const kRecordsName = "records.ini";

std::string FlagText(bool on) {
    return on ? "1" : "0";
}

}  // namespace

const int ASP_Settings::kMaxOpponents = ASP_Race::kMaxCars - 1;

ASP_Settings::ASP_Settings(std::string settingsFile) : file(std::move(settingsFile)) {}

ASP_VideoSettings ASP_Settings::Video() const {
    ASP_VideoSettings video;
    video.width = GetIniInt(kSystem, kWidth, 800, file);
    video.height = GetIniInt(kSystem, kHeight, 600, file);
    video.fullscreen = GetIniBool(kSystem, kFullscreen, false, file);
    return video;
}

void ASP_Settings::Store(const ASP_VideoSettings& video) {
    const ASP_VideoSettings old = Video();
    Store(kSystem, kWidth, NumberToText(video.width), NumberToText(old.width));
    Store(kSystem, kHeight, NumberToText(video.height), NumberToText(old.height));
    Store(kSystem, kFullscreen, FlagText(video.fullscreen), FlagText(old.fullscreen));
}

bool ASP_Settings::Sound() const {
    return GetIniBool(kSystem, kSound, true, file);
}

void ASP_Settings::StoreSound(bool on) {
    Store(kSystem, kSound, FlagText(on), FlagText(Sound()));
}

ASP_ComputerSettings ASP_Settings::Computer() const {
    ASP_ComputerSettings computer;
    computer.opponents = std::clamp(GetIniInt(kComputer, kOpponents, 0, file), 0, kMaxOpponents);
    computer.difficulty = DifficultyFromText(GetIniString(kComputer, kDifficulty, "normal", file));
    return computer;
}

void ASP_Settings::Store(const ASP_ComputerSettings& computer) {
    const ASP_ComputerSettings old = Computer();
    Store(kComputer, kOpponents, NumberToText(computer.opponents), NumberToText(old.opponents));
    Store(kComputer, kDifficulty, DifficultyText(computer.difficulty), DifficultyText(old.difficulty));
}

bool ASP_Settings::ShowFps() const {
    return GetIniBool(kSystem, kFps, false, file);
}

void ASP_Settings::Store(const std::string& section, const std::string& key, const std::string& value,
                         const std::string& stored) {
    if (value == stored) {
        return;
    }
    WriteIniString(section, key, value, file);
    if (LastIniWriteFailed()) {
        LogLine(LOG_ERROR, "The setting " + key + " could not be stored in " + file + ".");
    }
}

std::string ASP_Settings::RecordsFile() const {
    const size_t slash = file.find_last_of("\\/");
    return slash == std::string::npos ? kRecordsName : file.substr(0, slash + 1) + kRecordsName;
}

std::string ASP_Settings::UserFolder(const std::string& name) const {
    const size_t slash = file.find_last_of("\\/");
    if (slash != std::string::npos) {
        return file.substr(0, slash + 1) + name + "/";
    }
    const std::string folder = UserPath(name);
    return folder.empty() ? "" : folder + "/";
}
