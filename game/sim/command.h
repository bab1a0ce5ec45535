#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// What a driver does with a car in one step of the race. Amounts are held in 255ths, so that a
// recorded command replays exactly what was raced and costs five bytes.
struct ASP_Command {
    static constexpr uint8_t kReset = 1;
    // Leaves the race: the car is out, unplaced.
    static constexpr uint8_t kGiveUp = 2;

    uint8_t forward = 0;
    uint8_t backward = 0;
    uint8_t left = 0;
    uint8_t right = 0;
    uint8_t flags = 0;

    // An amount from 0 to 1 in 255ths; anything else is held at the ends, NaN reads 0.
    static uint8_t Amount(double a) {
        return static_cast<uint8_t>(std::lround(std::clamp(std::isnan(a) ? 0.0 : a, 0.0, 1.0) * 255.0));
    }
    static double Part(uint8_t a) { return a / 255.0; }

    bool operator==(const ASP_Command& o) const {
        return forward == o.forward && backward == o.backward && left == o.left && right == o.right &&
               flags == o.flags;
    }
    bool operator!=(const ASP_Command& o) const { return !(*this == o); }
};
