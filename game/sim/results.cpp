#include "game/sim/results.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/ini.h"

namespace {

// A whole, non-negative count as digits, padded to two and cut to its first two.
std::string TwoDigits(double v) {
    const int n = std::snprintf(nullptr, 0, "%.0f", v);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.0f", v);
    text.resize(static_cast<size_t>(n));
    if (text.size() < 2) {
        text.insert(0, 2 - text.size(), '0');
    }
    return text.substr(0, 2);
}

}  // namespace

std::string FormatTime(double t) {
    // Times are never negative; anything that is not a real time reads as zero.
    if (!(t >= 0.0) || std::isinf(t)) {
        t = 0.0;
    }
    const double hundredths = std::fmod(std::floor(t * 100.0), 100.0);
    const double seconds = std::fmod(std::floor(t), 60.0);
    const double minutes = std::floor(t / 60.0);
    return TwoDigits(minutes) + ":" + TwoDigits(seconds) + ":" + TwoDigits(hundredths);
}

std::string Ordinal(int k) {
    const std::string text = NumberToText(k);
    if (text.size() >= 2 && text[text.size() - 2] == '1') {
        return text + "th";
    }
    switch (text.back()) {
        case '1':
            return text + "st";
        case '2':
            return text + "nd";
        case '3':
            return text + "rd";
        default:
            return text + "th";
    }
}

std::string CarLabel(bool computer, int number) {
    return (computer ? "Computer " : "Player ") + NumberToText(number);
}

namespace {

// Place and player, car (cut to nine letters), total time, best lap.
const char* const kColumns = "%-14s%-10.9s%-10s%s";

std::string Columns(const std::string& place, const std::string& car, const std::string& total,
                    const std::string& lap) {
    char row[160];
    std::snprintf(row, sizeof row, kColumns, place.c_str(), car.c_str(), total.c_str(), lap.c_str());
    return row;
}

}  // namespace

std::string StandingsHeader() {
    return Columns("Place", "Car", "Total", "Best lap");
}

std::string StandingsRow(const ASP_RaceRecord& car, const std::string& carName, bool computer, int number,
                         bool raceOver, ASP_NewRecords made) {
    const std::string place = NumberToText(car.position) + ". " + CarLabel(computer, number);
    // A star on each time that is a new record for the track.
    const std::string total = car.finished || (!raceOver && !car.retired)
                                  ? FormatTime(car.raceTime) + (made.race ? "*" : "")
                                  : "DNF";
    // The lap still running is no lap yet.
    const std::string lap =
        car.BestCompleteLap() > 0.0 ? FormatTime(car.BestCompleteLap()) + (made.lap ? "*" : "") : "--";
    return Columns(place, carName, total, lap) + (made.lap || made.race ? " record!" : "");
}

std::vector<int> StandingsOrder(const std::vector<int>& positions) {
    const int n = static_cast<int>(positions.size());
    std::vector<int> order(positions.size(), -1);
    auto taken = [&order](int slot) { return order[static_cast<size_t>(slot)] != -1; };
    for (int i = 0; i < n; ++i) {
        int slot = std::clamp(positions[static_cast<size_t>(i)] - 1, 0, n - 1);
        while (taken(slot) && slot < n - 1) {
            ++slot;
        }
        // The bottom is taken too: a free slot is left above, since fewer than n cars are placed.
        while (taken(slot)) {
            --slot;
        }
        order[static_cast<size_t>(slot)] = i;
    }
    return order;
}
