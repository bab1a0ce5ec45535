#include "engine/platform/input_devices.h"

#include <fstream>

DevicePresence InputDevicePresence(const std::string& name, const std::string& listFile) {
    std::ifstream list(listFile);
    if (!list) {
        return DevicePresence::Unknown;
    }
    // Each device has a line N: Name="...".
    const std::string wanted = "N: Name=\"" + name + "\"";
    std::string line;
    while (std::getline(list, line)) {
        if (line == wanted) {
            return DevicePresence::Listed;
        }
    }
    return DevicePresence::Gone;
}
