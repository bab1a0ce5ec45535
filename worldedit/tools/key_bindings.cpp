#include "worldedit/tools/key_bindings.h"

#include <algorithm>
#include <cctype>

namespace {

// The help's columns: the inputs, then what they do; a nested row is indented by two.
const size_t kHelpColumn = 15;
const size_t kNestedIndent = 2;

std::string KeyName(int key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return std::string(1, static_cast<char>(std::toupper(key)));
    }
    std::string name = SDL_GetKeyName(static_cast<SDLKey>(key));
    if (!name.empty()) {
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    }
    return name;
}

std::string ButtonName(int button) {
    switch (button) {
        case SDL_BUTTON_LEFT:
            return "Left";
        case SDL_BUTTON_MIDDLE:
            return "Middle";
        case SDL_BUTTON_RIGHT:
            return "Right";
        default:
            return "Button " + std::to_string(button);
    }
}

bool IsWheel(int button) {
    return button == SDL_BUTTON_WHEELUP || button == SDL_BUTTON_WHEELDOWN;
}

}  // namespace

std::string ASP_WE_Input::Name() const {
    const std::string held = modifier == Modifier::kCtrl    ? "Ctrl+"
                             : modifier == Modifier::kShift ? "Shift+"
                                                            : "";
    switch (device) {
        case Device::kKey:
            return held + KeyName(code);
        case Device::kClick:
            return held + (IsWheel(code) ? "Wheel" : ButtonName(code) + " click");
        case Device::kDrag:
            return held + ButtonName(code) + " drag";
    }
    return held;
}

void ASP_WE_KeyBindings::Bind(ASP_WE_HelpGroup group, std::vector<std::pair<ASP_WE_Input, Action>> inputs,
                              std::string help, bool nested) {
    rows.push_back({group, std::move(inputs), std::move(help), nested});
}

void ASP_WE_KeyBindings::Bind(ASP_WE_HelpGroup group, ASP_WE_Input input, std::string help, Action action,
                              bool nested) {
    Bind(group, {{input, std::move(action)}}, std::move(help), nested);
}

bool ASP_WE_KeyBindings::PressKey(SDLKey key, bool shift, bool ctrl) const {
    return Press({ASP_WE_Input::Device::kKey}, key, shift, ctrl);
}

bool ASP_WE_KeyBindings::PressButton(Uint8 button, bool shift, bool ctrl) const {
    // A drag that starts on something it moves takes the press before a click does.
    return Press({ASP_WE_Input::Device::kDrag, ASP_WE_Input::Device::kClick}, button, shift, ctrl);
}

bool ASP_WE_KeyBindings::Press(std::vector<ASP_WE_Input::Device> devices, int code, bool shift,
                               bool ctrl) const {
    using Modifier = ASP_WE_Input::Modifier;
    std::vector<Modifier> modifiers;
    if (ctrl) {
        modifiers.push_back(Modifier::kCtrl);
    }
    if (shift) {
        modifiers.push_back(Modifier::kShift);
    }
    modifiers.push_back(Modifier::kNone);
    for (Modifier modifier : modifiers) {
        for (ASP_WE_Input::Device device : devices) {
            for (const Row& row : rows) {
                for (const auto& [input, action] : row.inputs) {
                    if (input == ASP_WE_Input{device, code, modifier} && action()) {
                        return true;
                    }
                }
            }
        }
    }
    return false;
}

bool ASP_WE_KeyBindings::Binds(const ASP_WE_Input& input) const {
    for (const Row& row : rows) {
        for (const auto& bound : row.inputs) {
            if (bound.first == input) {
                return true;
            }
        }
    }
    return false;
}

std::vector<std::string> ASP_WE_KeyBindings::HelpLines() const {
    std::vector<const Row*> ordered;
    for (const Row& row : rows) {
        ordered.push_back(&row);
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Row* a, const Row* b) { return a->group < b->group; });
    std::vector<std::string> lines = {"Keys of the world editor", ""};
    for (const Row* row : ordered) {
        // Inputs of one name (the wheel turned either way) are named once.
        std::vector<std::string> names;
        std::string label;
        for (const auto& bound : row->inputs) {
            const std::string name = bound.first.Name();
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                label += (names.empty() ? "" : " ") + name;
                names.push_back(name);
            }
        }
        const std::string indent(row->nested ? kNestedIndent : 0, ' ');
        const size_t width = kHelpColumn - indent.size();
        lines.push_back(indent + label +
                        std::string(label.size() + 2 > width ? 2 : width - label.size(), ' ') + row->help);
    }
    return lines;
}
