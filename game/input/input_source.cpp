#include "game/input/input_source.h"

#include <algorithm>
#include <utility>

#include "engine/log.h"
#include "game/input/joysticks.h"

bool ASP_KeyboardInput::OnEvent(const SDL_Event& e, ASP_Drivable& car) {
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) {
        return false;
    }
    for (int a = 0; a < kActions; ++a) {
        if (keys[static_cast<size_t>(a)] == e.key.keysym.sym) {
            car.Drive(static_cast<ASP_Action>(a), e.type == SDL_KEYDOWN ? 1.0 : 0.0);
            return true;
        }
    }
    return false;
}

void ASP_KeyboardInput::Sync(ASP_Drivable& car) {
    int count = 0;
    const Uint8* held = SDL_GetKeyState(&count);
    for (int a = 0; a < kActions; ++a) {
        const int key = keys[static_cast<size_t>(a)];
        // Of a key bound twice only the first action acts, as with its events.
        const bool first = std::find(keys.begin(), keys.begin() + a, key) == keys.begin() + a;
        const bool down = held != nullptr && key > 0 && key < count && held[key] != 0;
        car.Drive(static_cast<ASP_Action>(a), first && down ? 1.0 : 0.0);
    }
}

ASP_JoystickInput::ASP_JoystickInput(const ASP_Controls& controls, int joystick,
                                     const ASP_Joysticks* joysticks, std::string player)
    : joystick(joystick),
      deadZone(controls.deadZone),
      joysticks(joysticks),
      player(std::move(player)),
      keyboard(controls.keys) {
    for (size_t a = 0; a < kActions; ++a) {
        this->controls[a][0] = controls.pad[a];
    }
    const struct {
        ASP_Action action;
        const char* direction;
    } dpad[] = {{ASP_Action::Left, "hat0left"}, {ASP_Action::Right, "hat0right"}};
    for (const auto& d : dpad) {
        ASP_PadControl c;
        ASP_PadControl::Parse(d.direction, &c);
        if (std::find(controls.pad.begin(), controls.pad.end(), c) == controls.pad.end()) {
            this->controls[static_cast<size_t>(d.action)][1] = c;
        }
    }
}

bool ASP_JoystickInput::OnEvent(const SDL_Event& e, ASP_Drivable& car) {
    if (onKeyboard) {
        return keyboard.OnEvent(e, car);
    }
    bool concerned = false;
    for (int a = 0; a < kActions; ++a) {
        const size_t i = static_cast<size_t>(a);
        for (size_t k = 0; k < 2; ++k) {
            const double part = controls[i][k].Amount(e, joystick, deadZone);
            if (part >= 0.0) {
                concerned = true;
                parts[i][k] = part;
            }
        }
        // An axis reports every small move; the car hears only changes.
        const double amount = std::max(parts[i][0], parts[i][1]);
        if (amount != amounts[i]) {
            amounts[i] = amount;
            car.Drive(static_cast<ASP_Action>(a), amount);
        }
    }
    return concerned;
}

void ASP_JoystickInput::Poll(ASP_Drivable& car) {
    if (onKeyboard || (joysticks != nullptr && joysticks->IsAttached(joystick))) {
        return;
    }
    onKeyboard = true;
    Log(LOG_WARNING, "The joystick of " + player + " is gone; " + player + " drives with the keyboard.", "");
    for (int a = 0; a < kActions; ++a) {
        parts[static_cast<size_t>(a)] = {};
        if (amounts[static_cast<size_t>(a)] > 0.0) {
            amounts[static_cast<size_t>(a)] = 0.0;
            car.Drive(static_cast<ASP_Action>(a), 0.0);
        }
    }
}

void ASP_JoystickInput::Sync(ASP_Drivable& car) {
    if (onKeyboard || joysticks == nullptr) {
        keyboard.Sync(car);
        return;
    }
    for (size_t a = 0; a < kActions; ++a) {
        for (size_t k = 0; k < 2; ++k) {
            parts[a][k] = joysticks->Held(joystick, controls[a][k], deadZone);
        }
        amounts[a] = std::max(parts[a][0], parts[a][1]);
        car.Drive(static_cast<ASP_Action>(a), amounts[a]);
    }
}

std::unique_ptr<ASP_InputSource> MakeInputSource(const ASP_Controls& controls, const ASP_Joysticks* joysticks,
                                                 const std::string& player) {
    if (controls.joystick == ASP_Controls::kKeyboard) {
        return std::make_unique<ASP_KeyboardInput>(controls.keys);
    }
    const int found = joysticks != nullptr ? joysticks->Find(controls.joystick, controls.joystickName) : -1;
    if (found < 0) {
        Log(LOG_WARNING,
            "The joystick of " + player + " (" + std::to_string(controls.joystick) + ", " +
                controls.joystickName + ") is not attached; " + player + " drives with the keyboard.",
            "");
        return std::make_unique<ASP_KeyboardInput>(controls.keys);
    }
    if (!controls.joystickName.empty() && joysticks->Name(found) != controls.joystickName) {
        Log(LOG_WARNING,
            player + " drives with joystick " + std::to_string(found) + " (" + joysticks->Name(found) + ").",
            "");
    }
    return std::make_unique<ASP_JoystickInput>(controls, found, joysticks, player);
}
