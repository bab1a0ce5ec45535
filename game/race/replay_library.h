#pragma once

#include <string>
#include <vector>

#include "engine/log.h"
#include "game/sim/replay.h"

// A replay of the library as its list shows it: the file, its header, and why it cannot be
// watched ("" when it can).
struct ASP_ReplayEntry {
    std::string file;
    ASP_Replay header;
    std::string refused;
};

// The replays of every race, kept in a folder of the user's (a host path; empty keeps nothing):
// named by the time the race began, so that their names sort as the races ran, and no more than
// the newest kMaxReplays of them.
class ASP_ReplayLibrary : public CLogSource {
public:
    static constexpr size_t kMaxReplays = 20;
    static constexpr const char* kExtension = ".replay";

    explicit ASP_ReplayLibrary(std::string folder = "");

    // Where the replay of a race that begins now goes, "YYYYMMDD-HHMMSS-NN.replay" (NN counts the
    // races begun in one second), the folder made; "" (logged) when there is no folder for it.
    std::string NewFile() const;
    // Deletes the oldest replays beyond kMaxReplays.
    void Prune() const;
    // The replays, newest first, each checked against the game's files as they are now.
    std::vector<ASP_ReplayEntry> List() const;
    const std::string& GetFolder() const { return folder; }

private:
    // The replay files, oldest first.
    std::vector<std::string> Files() const;

    std::string folder;
};

// Why the race of a replay header can no longer be run as it was raced: its track is missing or
// changed, the car file changed, or it has more cars than a race takes; "" when it can be, or
// when the file predates the hashes and it cannot be told.
std::string ReplayRefusal(const ASP_Replay& header);
// The world file a replay's race runs on, as the game opens it ("dat\world0.dat").
std::string ReplayWorldFile(const ASP_Replay& header);
// The hash of a data file's content as replays keep it: 16 hexadecimal digits, "" when the file
// cannot be read.
std::string DataFileHash(const std::string& dataName);
// "YYYY-MM-DD HH:MM" of the local time now.
std::string ReplayDate();
