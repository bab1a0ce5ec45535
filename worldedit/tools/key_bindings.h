#pragma once

#include <SDL/SDL.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// A key, a press of a mouse button or a drag with one, with the modifier it needs: with Ctrl or
// Shift, or with either or none when no binding of the same input asks for them.
struct ASP_WE_Input {
    enum class Device { kKey, kClick, kDrag };
    enum class Modifier { kNone, kShift, kCtrl };

    static ASP_WE_Input Key(SDLKey key, Modifier modifier = Modifier::kNone) {
        return {Device::kKey, key, modifier};
    }
    static ASP_WE_Input Click(Uint8 button, Modifier modifier = Modifier::kNone) {
        return {Device::kClick, button, modifier};
    }
    static ASP_WE_Input Drag(Uint8 button) { return {Device::kDrag, button, Modifier::kNone}; }

    // As the help names it: "Ctrl+Z", "Shift+Wheel", "Left click", "Middle drag".
    std::string Name() const;
    bool operator==(const ASP_WE_Input& other) const {
        return device == other.device && code == other.code && modifier == other.modifier;
    }

    Device device;
    int code;
    Modifier modifier;
};

// An action for an input that always finds something to do.
template <typename Do>
std::function<bool()> Always(Do action) {
    return [action] {
        action();
        return true;
    };
}

// The help lists its rows by what they are for, in this order, and within a group in the order
// in which they were bound.
enum class ASP_WE_HelpGroup { kPointer, kView, kObjects, kGrid, kHistory, kLine, kProgram };

// The editor's one table of inputs: what each does, and the help panel's rows, made from the same
// entries so that the help can never name an input that does nothing or leave one out.
class ASP_WE_KeyBindings {
public:
    // What an input does; false when it found nothing to do, so that another binding of the same
    // press may act instead (a drag's start before a click, Ctrl before Shift before none).
    using Action = std::function<bool()>;

    // A row of the help: the inputs with their actions, and what the row says of them. A nested
    // row applies only in the mode that the row above it switches on.
    void Bind(ASP_WE_HelpGroup group, std::vector<std::pair<ASP_WE_Input, Action>> inputs, std::string help,
              bool nested = false);
    void Bind(ASP_WE_HelpGroup group, ASP_WE_Input input, std::string help, Action action,
              bool nested = false);

    // Runs the binding of a key pressed, or of a mouse button pressed, with the modifiers held.
    // False when none acted.
    bool PressKey(SDLKey key, bool shift, bool ctrl) const;
    bool PressButton(Uint8 button, bool shift, bool ctrl) const;

    // Whether exactly this input, modifier included, is bound.
    bool Binds(const ASP_WE_Input& input) const;
    // The help panel: a title, then one line per row.
    std::vector<std::string> HelpLines() const;

private:
    struct Row {
        ASP_WE_HelpGroup group;
        std::vector<std::pair<ASP_WE_Input, Action>> inputs;
        std::string help;
        bool nested;
    };

    bool Press(std::vector<ASP_WE_Input::Device> devices, int code, bool shift, bool ctrl) const;

    std::vector<Row> rows;
};
