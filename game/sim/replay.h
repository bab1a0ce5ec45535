#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/sim/command.h"
#include "game/sim/computer_driver.h"

// One car of a recorded race: its car (section of the car file) and who drove it.
struct ASP_ReplayCar {
    std::string car;
    bool computer = false;
    // The step from which a computer driver took the car over (its player left); -1 for never.
    long long computerFrom = -1;
};

// The record of one race, enough to run it again to the bit: the track, the cars and who drove
// them, the computer cars' difficulty, the race's seed, and every human's command of every step.
// Computer cars drive again by the same rules. Written compressed, with a version, so that a file
// of another version is refused rather than misplayed.
class ASP_Replay {
public:
    // Raised whenever what a replay holds, or the race it runs, changes.
    static constexpr int kVersion = 2;

    // The world file as the track list names it ("world0.dat"), and the track's name.
    std::string world;
    std::string trackName;
    // When it was raced, "YYYY-MM-DD HH:MM".
    std::string date;
    ASP_Difficulty difficulty = ASP_Difficulty::Normal;
    uint64_t seed = 0;
    int laps = 0;
    std::vector<ASP_ReplayCar> cars;
    // The finished race: the winner ("Player 1 Vulcan") and time, and the last state hash.
    std::string winner;
    double winnerTime = 0.0;
    uint64_t finalHash = 0;
    // Hashes of the world file and the car file raced with, so that a replay of a track or car
    // changed since is refused; "" in a file written before they were kept: unknown.
    std::string worldHash;
    std::string carsHash;
    // A ghost's lap: the steps of the line crossings that began and ended it; 0 and 0 for none.
    long long lapStart = 0;
    long long lapEnd = 0;

    // The commands of the next step, by car (the computer cars' are not kept). The first are
    // those the race started with.
    void Record(const std::vector<ASP_Command>& commands);
    // The commands of step s (from 0, the start) by car, computer cars' empty; none beyond the last.
    std::vector<ASP_Command> CommandsAt(long long s) const;
    long long Steps() const { return steps; }
    // The same race, with no step recorded yet.
    ASP_Replay Blank() const;

    // Writes the file in one step; false, with why in error, when it cannot.
    bool Save(const std::string& file, std::string* error) const;
    // Reads a replay; false, with why in error, for a missing, broken or other-version file.
    bool Load(const std::string& file, std::string* error);
    // Only what the replay list shows: the header, without the commands.
    bool LoadHeader(const std::string& file, std::string* error);

private:
    bool Read(const std::string& file, bool withCommands, std::string* error);

    long long steps = 0;
    // By human car, its commands of every step.
    std::vector<std::vector<ASP_Command>> commands;
};
