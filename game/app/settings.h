#pragma once

#include <string>

#include "engine/log.h"
#include "game/sim/computer_driver.h"

// The window's size and mode.
struct ASP_VideoSettings {
    int width = 800;
    int height = 600;
    bool fullscreen = false;
};

// The computer cars that join a local race, and how well they drive.
struct ASP_ComputerSettings {
    int opponents = 0;
    ASP_Difficulty difficulty = ASP_Difficulty::Normal;
};

// The player's settings file (config.ini): every setting the game's screens change is read and
// stored here, typed. A store writes only the keys whose value changes; a key that cannot be
// written is logged and the file stays as it was.
class ASP_Settings : public CLogSource {
public:
    // With one human the grid is full; with more the race takes as many as have room.
    static const int kMaxOpponents;

    explicit ASP_Settings(std::string file);

    const std::string& File() const { return file; }

    ASP_VideoSettings Video() const;
    void Store(const ASP_VideoSettings& video);
    bool Sound() const;
    void StoreSound(bool on);
    // The opponents are clamped to 0..kMaxOpponents.
    ASP_ComputerSettings Computer() const;
    void Store(const ASP_ComputerSettings& computer);
    // The FPS counter is shown.
    bool ShowFps() const;

    // The records file: in the user's folder, or beside a settings file given with its folder.
    std::string RecordsFile() const;
    // A folder of the user's, as a host path with a trailing "/": beside a settings file given with
    // its folder, else in the user's folder; "" without one.
    std::string UserFolder(const std::string& name) const;

private:
    void Store(const std::string& section, const std::string& key, const std::string& value,
               const std::string& stored);

    std::string file;
};
