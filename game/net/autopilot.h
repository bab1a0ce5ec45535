#pragma once

#include <vector>

#include "game/sim/computer_driver.h"

// Drives one machine's cars of a network race by computer (for tests and demos): each driver reads
// the race as this machine sees it and, unable to move a car the server owns, asks for a reset as
// a player would.
class ASP_Autopilot {
public:
    explicit ASP_Autopilot(ASP_Difficulty d) : difficulty(d) {}

    std::vector<ASP_Command> Drive(ASP_Race& race, const std::vector<size_t>& cars, double dt) {
        while (drivers.size() < cars.size()) {
            drivers.emplace_back(difficulty, true);
        }
        std::vector<ASP_Command> commands;
        for (size_t i = 0; i < cars.size(); ++i) {
            commands.push_back(drivers[i].Drive(race, cars[i], dt));
        }
        return commands;
    }

private:
    ASP_Difficulty difficulty;
    std::vector<ASP_ComputerDriver> drivers;
};
