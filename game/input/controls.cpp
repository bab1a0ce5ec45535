#include "game/input/controls.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "engine/ini.h"
#include "engine/log.h"

const std::array<const char*, kActions> kActionKeys = {"forward", "backward", "left", "right", "reset"};
const std::array<const char*, kActions> kPadKeys = {"padForward", "padBackward", "padLeft", "padRight",
                                                    "padReset"};
const char* const kJoystickKey = "joystick";
const char* const kJoystickNameKey = "joystickName";
const char* const kFixedCameraKey = "fixedCamera";

namespace {

constexpr int kAxisMax = 32767;

const std::array<int, kActions> kDefaultKeys = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_BACKSPACE};
// Players 1 to 4 share the keyboard, so each has a reset key of its own.
const std::array<int, 4> kDefaultResetKeys = {SDLK_BACKSPACE, SDLK_q, SDLK_u, SDLK_KP0};

struct HatName {
    int bit;
    const char* name;
};
const HatName kHatNames[] = {
    {SDL_HAT_UP, "up"}, {SDL_HAT_RIGHT, "right"}, {SDL_HAT_DOWN, "down"}, {SDL_HAT_LEFT, "left"}};

const char* HatDirectionName(int bit) {
    for (const HatName& h : kHatNames) {
        if (h.bit == bit) {
            return h.name;
        }
    }
    return "";
}

const std::array<ASP_PadControl, kActions> kDefaultPad = {{{ASP_PadControl::BUTTON, 0, 0},
                                                           {ASP_PadControl::BUTTON, 1, 0},
                                                           {ASP_PadControl::AXIS, 0, -1},
                                                           {ASP_PadControl::AXIS, 0, 1},
                                                           {ASP_PadControl::BUTTON, 3, 0}}};

// The whole number at the start of text and the rest after it; false without digits.
bool SplitNumber(const std::string& text, int* number, std::string* rest) {
    size_t digits = 0;
    while (digits < text.size() && digits < 4 && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        ++digits;
    }
    if (digits == 0) {
        return false;
    }
    *number = std::atoi(text.substr(0, digits).c_str());
    *rest = text.substr(digits);
    return true;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string ASP_PadControl::Text() const {
    switch (kind) {
        case BUTTON:
            return "button" + std::to_string(index);
        case AXIS:
            return "axis" + std::to_string(index) + (direction > 0 ? "+" : "-");
        case HAT:
            return "hat" + std::to_string(index) + HatDirectionName(direction);
        case NONE:
            break;
    }
    return "";
}

bool ASP_PadControl::Parse(const std::string& text, ASP_PadControl* control) {
    const struct {
        const char* prefix;
        Kind kind;
    } kinds[] = {{"button", BUTTON}, {"axis", AXIS}, {"hat", HAT}};
    for (const auto& k : kinds) {
        int index = 0;
        std::string rest;
        if (!StartsWith(text, k.prefix) ||
            !SplitNumber(text.substr(std::string(k.prefix).size()), &index, &rest)) {
            continue;
        }
        if (k.kind == BUTTON && rest.empty()) {
            *control = ASP_PadControl{BUTTON, index, 0};
            return true;
        }
        if (k.kind == AXIS && (rest == "+" || rest == "-")) {
            *control = ASP_PadControl{AXIS, index, rest == "+" ? 1 : -1};
            return true;
        }
        for (const HatName& h : kHatNames) {
            if (k.kind == HAT && rest == h.name) {
                *control = ASP_PadControl{HAT, index, h.bit};
                return true;
            }
        }
    }
    return false;
}

std::string ASP_PadControl::Caption() const {
    const std::string number = std::to_string(index + 1);
    switch (kind) {
        case BUTTON:
            return "Button " + number;
        case AXIS:
            return "Axis " + number + (direction > 0 ? " +" : " -");
        case HAT:
            return (index == 0 ? std::string("D-pad ") : "Hat " + number + " ") + HatDirectionName(direction);
        case NONE:
            break;
    }
    return "-";
}

double ASP_PadControl::Amount(const SDL_Event& e, int joystick, int deadZone) const {
    switch (e.type) {
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            if (kind != BUTTON || e.jbutton.which != joystick || e.jbutton.button != index) {
                return -1.0;
            }
            return e.type == SDL_JOYBUTTONDOWN ? 1.0 : 0.0;
        case SDL_JOYHATMOTION:
            if (kind != HAT || e.jhat.which != joystick || e.jhat.hat != index) {
                return -1.0;
            }
            return (e.jhat.value & direction) != 0 ? 1.0 : 0.0;
        case SDL_JOYAXISMOTION: {
            if (kind != AXIS || e.jaxis.which != joystick || e.jaxis.axis != index) {
                return -1.0;
            }
            // Past the dead zone the amount grows from 0 to full at the end of the axis.
            const double pushed = static_cast<double>(e.jaxis.value) * direction - deadZone;
            return pushed <= 0.0 ? 0.0 : std::min(1.0, pushed / (kAxisMax - deadZone));
        }
        default:
            return -1.0;
    }
}

ASP_PadControl ASP_PadControl::PushedBy(const SDL_Event& e) {
    switch (e.type) {
        case SDL_JOYBUTTONDOWN:
            return ASP_PadControl{BUTTON, e.jbutton.button, 0};
        case SDL_JOYHATMOTION:
            for (const HatName& h : kHatNames) {
                if (e.jhat.value == h.bit) {
                    return ASP_PadControl{HAT, e.jhat.hat, h.bit};
                }
            }
            break;
        case SDL_JOYAXISMOTION:
            if (std::abs(static_cast<int>(e.jaxis.value)) >= kAxisMax / 2) {
                return ASP_PadControl{AXIS, e.jaxis.axis, e.jaxis.value > 0 ? 1 : -1};
            }
            break;
        default:
            break;
    }
    return ASP_PadControl();
}

ASP_Controls ASP_Controls::Defaults(int player) {
    ASP_Controls c;
    c.keys = kDefaultKeys;
    if (player >= 0 && player < static_cast<int>(kDefaultResetKeys.size())) {
        c.keys[static_cast<size_t>(ASP_Action::Reset)] = kDefaultResetKeys[static_cast<size_t>(player)];
    }
    c.pad = kDefaultPad;
    return c;
}

ASP_Controls ASP_Controls::Read(const std::string& file, const std::string& section, int player) {
    ASP_Controls c = Defaults(player);
    for (size_t a = 0; a < kActions; ++a) {
        c.keys[a] = GetIniInt(section, kActionKeys[a], c.keys[a], file);
        const std::string text = GetIniString(section, kPadKeys[a], "", file);
        if (!text.empty() && !ASP_PadControl::Parse(text, &c.pad[a])) {
            Log(LOG_WARNING,
                "Pad control \"" + text + "\" of " + kPadKeys[a] + " in " + section + " names no control; " +
                    kDefaultPad[a].Text() + " is used.",
                "");
        }
    }
    c.fixedCamera = GetIniBool(section, kFixedCameraKey, false, file);
    c.joystick = std::max(kKeyboard, GetIniInt(section, kJoystickKey, kKeyboard, file));
    c.joystickName = GetIniString(section, kJoystickNameKey, "", file);
    c.deadZone = std::clamp(GetIniInt(section, "deadZone", kDefaultDeadZone, file), 0, kAxisMax - 1);
    return c;
}

std::string ControlsSection(int player) {
    return "controls" + NumberToText(player);
}

std::string KeyCaption(int key) {
    if (key <= SDLK_UNKNOWN || key >= SDLK_LAST) {
        return "Key " + std::to_string(key);
    }
    std::string name = SDL_GetKeyName(static_cast<SDLKey>(key));
    // The keypad's keys are named "[0]" and so on.
    if (name.size() == 3 && name.front() == '[' && name.back() == ']') {
        return "Keypad " + name.substr(1, 1);
    }
    if (!name.empty()) {
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    }
    return name;
}
