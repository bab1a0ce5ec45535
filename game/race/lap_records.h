#pragma once

#include <string>

#include "game/sim/results.h"

// The best lap or the best race on one track, and who set it.
struct ASP_Record {
    // Seconds; 0 for none yet.
    double time = 0.0;
    std::string car;
    // Day it was set, as YYYY-MM-DD.
    std::string date;
    bool IsSet() const { return time > 0.0; }
};

struct ASP_TrackRecords {
    ASP_Record lap;
    ASP_Record race;
};

// The lap records kept across starts: one section per track (its world file name), keys "lapTime",
// "lapCar", "lapDate", "raceTime", "raceCar", "raceDate", in a file written through the INI layer,
// all keys of a record in one replacement of the file. A file that does not read as records is
// ignored with a WARNING and replaced at the next record, in the user's folder: a shipped file of
// the name stays as it is. A time that is not above 0 and below a day is no record, read or made.
class ASP_LapRecords {
public:
    explicit ASP_LapRecords(std::string file);

    ASP_TrackRecords Get(const std::string& track) const;
    // Keeps a lap and a race time of car on track where they beat the record (a time of 0 is none),
    // to the last digit; says which did. A failed write is logged and the record not kept.
    ASP_NewRecords Submit(const std::string& track, const std::string& car, double lapTime, double raceTime,
                          const std::string& date);

    // Today as YYYY-MM-DD.
    static std::string Today();

private:
    // Whether the file can be trusted; a WARNING once when it cannot.
    bool Readable() const;

    std::string file;
    mutable bool warned = false;
};
