#include "game/race/lap_records.h"

#include <charconv>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "engine/ini.h"
#include "engine/log.h"
#include "engine/platform/paths.h"

namespace fs = std::filesystem;

namespace {

const char* const kClass = "ASP_LapRecords";
// The marker every records file carries; without it the file is not ours.
const char* const kFormatSection = "records";
const char* const kFormatKey = "format";
const char* const kFormat = "1";
// No race takes a day, seconds: a longer time is a broken file or clock.
constexpr double kLongestTime = 24.0 * 3600.0;

bool PlausibleTime(double seconds) {
    return seconds > 0.0 && seconds < kLongestTime;
}

ASP_Record ReadRecord(const std::string& track, const std::string& prefix, const std::string& file) {
    ASP_Record r;
    const std::string key = prefix + "Time";
    const std::string text = GetIniString(track, key, "", file);
    r.time = TextToDouble(text, 0.0);
    if (!PlausibleTime(r.time)) {
        if (!text.empty()) {
            Log(LOG_WARNING,
                "The records file " + file + " gives " + track + " a " + key + " of " + text +
                    ", not a time of more than 0 and less than a day; it is no record.",
                kClass);
        }
        return ASP_Record();
    }
    r.car = GetIniString(track, prefix + "Car", "", file);
    r.date = GetIniString(track, prefix + "Date", "", file);
    return r;
}

// The shortest text that reads back as the same time: %g keeps six digits, the hundredths of a
// time of 10000 s and more among the lost ones.
std::string TimeText(double seconds) {
    // The shortest form of any double fits: 17 digits, sign, point and exponent.
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, seconds);
    return written.ec == std::errc() ? std::string(text, written.ptr) : NumberToText(seconds);
}

void WriteRecord(const std::string& track, const std::string& prefix, const ASP_Record& r,
                 const std::string& file) {
    WriteIniString(track, prefix + "Time", TimeText(r.time), file);
    WriteIniString(track, prefix + "Car", r.car, file);
    WriteIniString(track, prefix + "Date", r.date, file);
}

bool Beats(double time, const ASP_Record& record) {
    return PlausibleTime(time) && (!record.IsSet() || time < record.time);
}

// Where a file that is not ours is written afresh: the user's own copy, removed first, so that
// the new one is whole; a shipped file of the name is neither copied nor removed. Empty when
// there is no such place.
std::string FreshTarget(const std::string& file) {
    const std::string target = UserPath(file);
    if (target.empty()) {
        return target;
    }
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(target, ec).type();
    if (type == fs::file_type::regular || type == fs::file_type::symlink) {
        fs::remove(target, ec);
    }
    MakeFolders(fs::path(target).parent_path().string());
    return target;
}

}  // namespace

ASP_LapRecords::ASP_LapRecords(std::string file) : file(std::move(file)) {}

bool ASP_LapRecords::Readable() const {
    if (!FileExists(file) || GetIniString(kFormatSection, kFormatKey, "", file) == kFormat) {
        return true;
    }
    if (!warned) {
        Log(LOG_WARNING,
            "The records file " + file +
                " is not readable as records; it is ignored and replaced at the next record.",
            kClass);
        warned = true;
    }
    return false;
}

ASP_TrackRecords ASP_LapRecords::Get(const std::string& track) const {
    ASP_TrackRecords records;
    if (Readable()) {
        records.lap = ReadRecord(track, "lap", file);
        records.race = ReadRecord(track, "race", file);
    }
    return records;
}

ASP_NewRecords ASP_LapRecords::Submit(const std::string& track, const std::string& car, double lapTime,
                                      double raceTime, const std::string& date) {
    const ASP_TrackRecords old = Get(track);
    ASP_NewRecords made{Beats(lapTime, old.lap), Beats(raceTime, old.race)};
    if (!made.lap && !made.race) {
        return made;
    }
    std::string target = file;
    if (!Readable()) {
        // A file that is not ours is replaced whole rather than patched.
        target = FreshTarget(file);
        warned = false;
    }
    if (target.empty()) {
        Log(LOG_ERROR, "The new record on " + track + " has no place to be stored: " + file + ".", kClass);
        return ASP_NewRecords();
    }
    CIniWriteBatch batch(target);
    WriteIniString(kFormatSection, kFormatKey, kFormat, target);
    if (made.lap) {
        WriteRecord(track, "lap", ASP_Record{lapTime, car, date}, target);
    }
    if (made.race) {
        WriteRecord(track, "race", ASP_Record{raceTime, car, date}, target);
    }
    if (!batch.Commit()) {
        Log(LOG_ERROR, "The new record on " + track + " could not be stored in " + file + ".", kClass);
        return ASP_NewRecords();
    }
    return made;
}

std::string ASP_LapRecords::Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}
