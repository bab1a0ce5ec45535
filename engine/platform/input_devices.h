#pragma once

#include <string>

// SDL 1.2 neither notices nor reports an unplugged joystick: it keeps answering with the last state
// it read. The system's list of input devices does notice, so a device that has left it is gone.
enum class DevicePresence { Listed, Gone, Unknown };

// Whether a device of this name is in the system's input device list (on Linux the file
// /proc/bus/input/devices, or listFile). Unknown when the list cannot be read.
DevicePresence InputDevicePresence(const std::string& name,
                                   const std::string& listFile = "/proc/bus/input/devices");
