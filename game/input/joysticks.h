#pragma once

#include <SDL/SDL.h>

#include <string>
#include <vector>

#include "engine/log.h"
#include "game/input/controls.h"

// The joysticks of this run. SDL 1.2 sends events only for opened joysticks and finds new ones only
// when it starts, so every joystick is opened at start; one that is unplugged later is noticed by
// reading the system's device list once a second, and stays gone. A joystick the list does not
// show at start is never taken for gone: the list cannot vouch for it.
class ASP_Joysticks : public CLogSource {
public:
    ASP_Joysticks() = default;
    ~ASP_Joysticks() override;
    ASP_Joysticks(const ASP_Joysticks&) = delete;
    ASP_Joysticks& operator=(const ASP_Joysticks&) = delete;

    // Starts SDL's joystick support and opens every joystick; without any, nothing changes.
    void Open();
    // A joystick by its name; Open adds every joystick SDL reports. Watched for unplugging when
    // deviceList shows it now.
    void Add(const std::string& name);
    // Reads the device list when a second has passed since the last reading.
    void Update(double dt);

    int Count() const { return static_cast<int>(found.size()); }
    // "" for an index that is no joystick.
    std::string Name(int index) const;
    bool IsAttached(int index) const;
    // The attached joystick of this name, preferring index among equal names; without a match
    // by name the attached joystick at index (a different pad in its place); -1 for none.
    int Find(int index, const std::string& name) const;
    // How far a control of joystick index is pushed now, 0 to 1, as its events would say; 0 for a
    // joystick that is not open. Virtual so that tests can hold controls without a pad.
    virtual double Held(int index, const ASP_PadControl& control, int deadZone) const;

    // The system's input device list (tests give a file of their own).
    std::string deviceList = "/proc/bus/input/devices";

private:
    void CheckPresence();

    struct Joystick {
        std::string name;
        bool watched = false;
        bool gone = false;
    };

    std::vector<Joystick> found;
    // By joystick index; null where one could not be opened.
    std::vector<SDL_Joystick*> handles;
    bool started = false;
    double sinceCheck = 0.0;
};
