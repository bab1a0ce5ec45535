#include "game/input/joysticks.h"

#include <algorithm>

#include "engine/platform/input_devices.h"

namespace {

constexpr double kCheckSeconds = 1.0;

}  // namespace

ASP_Joysticks::~ASP_Joysticks() {
    for (SDL_Joystick* handle : handles) {
        if (handle != nullptr) {
            SDL_JoystickClose(handle);
        }
    }
    if (started) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

void ASP_Joysticks::Open() {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        LogLine(LOG_WARNING, std::string("No joystick support: ") + SDL_GetError());
        return;
    }
    started = true;
    SDL_JoystickEventState(SDL_ENABLE);
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_JoystickName(i);
        Add(name != nullptr ? name : "");
        SDL_Joystick* handle = SDL_JoystickOpen(i);
        handles.push_back(handle);
        if (handle == nullptr) {
            LogLine(LOG_WARNING, "Joystick " + std::to_string(i) + " (" + Name(i) +
                                     ") cannot be opened: " + SDL_GetError());
            found.back().gone = true;
            continue;
        }
        LogLine(LOG_STATUS, "Joystick " + std::to_string(i) + ": " + Name(i) + ".");
    }
}

void ASP_Joysticks::Add(const std::string& name) {
    found.push_back(Joystick{name, InputDevicePresence(name, deviceList) == DevicePresence::Listed, false});
}

void ASP_Joysticks::Update(double dt) {
    sinceCheck += dt;
    if (sinceCheck >= kCheckSeconds) {
        sinceCheck = 0.0;
        CheckPresence();
    }
}

void ASP_Joysticks::CheckPresence() {
    for (size_t i = 0; i < found.size(); ++i) {
        Joystick& j = found[i];
        if (j.watched && !j.gone && InputDevicePresence(j.name, deviceList) == DevicePresence::Gone) {
            j.gone = true;
            LogLine(LOG_WARNING, "Joystick " + std::to_string(i) + " (" + j.name + ") was unplugged.");
        }
    }
}

std::string ASP_Joysticks::Name(int index) const {
    return index >= 0 && index < Count() ? found[static_cast<size_t>(index)].name : "";
}

bool ASP_Joysticks::IsAttached(int index) const {
    return index >= 0 && index < Count() && !found[static_cast<size_t>(index)].gone;
}

int ASP_Joysticks::Find(int index, const std::string& name) const {
    if (!name.empty() && IsAttached(index) && Name(index) == name) {
        return index;
    }
    for (int i = 0; i < Count() && !name.empty(); ++i) {
        if (IsAttached(i) && Name(i) == name) {
            return i;
        }
    }
    return IsAttached(index) ? index : -1;
}

double ASP_Joysticks::Held(int index, const ASP_PadControl& control, int deadZone) const {
    SDL_Joystick* handle = index >= 0 && index < static_cast<int>(handles.size())
                               ? handles[static_cast<size_t>(index)]
                               : nullptr;
    if (handle == nullptr || !IsAttached(index)) {
        return 0.0;
    }
    // The control's state as the event that would have set it, so both read alike.
    SDL_Event e{};
    switch (control.kind) {
        case ASP_PadControl::BUTTON:
            e.type = SDL_JoystickGetButton(handle, control.index) ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
            e.jbutton.which = static_cast<Uint8>(index);
            e.jbutton.button = static_cast<Uint8>(control.index);
            break;
        case ASP_PadControl::HAT:
            e.type = SDL_JOYHATMOTION;
            e.jhat.which = static_cast<Uint8>(index);
            e.jhat.hat = static_cast<Uint8>(control.index);
            e.jhat.value = SDL_JoystickGetHat(handle, control.index);
            break;
        case ASP_PadControl::AXIS:
            e.type = SDL_JOYAXISMOTION;
            e.jaxis.which = static_cast<Uint8>(index);
            e.jaxis.axis = static_cast<Uint8>(control.index);
            e.jaxis.value = SDL_JoystickGetAxis(handle, control.index);
            break;
        case ASP_PadControl::NONE:
            return 0.0;
    }
    return std::max(0.0, control.Amount(e, index, deadZone));
}
