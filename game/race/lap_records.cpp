#include "game/race/lap_records.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "engine/ini.h"
#include "engine/log.h"

namespace {

const char* const kClass = "ASP_LapRecords";
// The marker every records file carries; without it the file is not ours.
const char* const kFormatSection = "records";
const char* const kFormatKey = "format";
const char* const kFormat = "1";

ASP_Record ReadRecord(const std::string& track, const std::string& prefix, const std::string& file) {
    ASP_Record r;
    r.time = GetIniDouble(track, prefix + "Time", 0.0, file);
    if (!std::isfinite(r.time) || r.time < 0.0) {
        r.time = 0.0;
    }
    r.car = GetIniString(track, prefix + "Car", "", file);
    r.date = GetIniString(track, prefix + "Date", "", file);
    return r;
}

void WriteRecord(const std::string& track, const std::string& prefix, const ASP_Record& r,
                 const std::string& file) {
    WriteIniDouble(track, prefix + "Time", r.time, file);
    WriteIniString(track, prefix + "Car", r.car, file);
    WriteIniString(track, prefix + "Date", r.date, file);
}

bool Beats(double time, const ASP_Record& record) {
    return time > 0.0 && std::isfinite(time) && (!record.IsSet() || time < record.time);
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
    if (!Readable()) {
        // A file that is not ours is replaced whole rather than patched.
        std::remove(MakeAbsolutePath(file).c_str());
        warned = false;
    }
    CIniWriteBatch batch(file);
    WriteIniString(kFormatSection, kFormatKey, kFormat, file);
    if (made.lap) {
        WriteRecord(track, "lap", ASP_Record{lapTime, car, date}, file);
    }
    if (made.race) {
        WriteRecord(track, "race", ASP_Record{raceTime, car, date}, file);
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
