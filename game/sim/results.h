#pragma once

#include <string>
#include <vector>

#include "game/sim/car.h"

// What a finished race changed in the records.
struct ASP_NewRecords {
    bool lap = false;
    bool race = false;
};

// "mm:ss:hh" of a time in seconds; each field cut to its first two digits.
std::string FormatTime(double t);
// The number with its English ordinal suffix: 1st, 2nd, 3rd, 4th, 11th, 21st.
std::string Ordinal(int k);
// "Player 2" or "Computer 3": how the standings and the notices name the car numbered so (from 1,
// in the race's order).
std::string CarLabel(bool computer, int number);

// A row of the standings: place and player (or computer), car, total time ("DNF" for a car still
// driving when the race ended, or that gave up), best complete lap ("--" before the first), in
// fixed-width columns under the results' heading; the times that are new track records are starred.
std::string StandingsRow(const ASP_RaceRecord& car, const std::string& carName, bool computer, int number,
                         bool raceOver, ASP_NewRecords made = {});

// The column heads over the rows, in their columns.
std::string StandingsHeader();

// The standings order for cars at these positions (1-based, in the race's order): slot r holds the
// index of the car shown in row r. Colliding positions take the next free slot below, or the
// nearest free one above at the bottom, so every car appears exactly once.
std::vector<int> StandingsOrder(const std::vector<int>& positions);
