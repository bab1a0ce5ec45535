#include "worldedit/console.h"

#include "worldedit/we_object.h"

ASP_WE_Console::ASP_WE_Console(std::istream& in, std::ostream& out) : out(out), in(in) {}

bool ASP_WE_Console::ReadLine(std::string& line) {
    out << std::flush;
    if (!std::getline(in, line)) {
        Say("");
        Say("The console input has ended.");
        return false;
    }
    // A line typed on Windows or sent through a pipe from there still ends in a carriage return.
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

bool ASP_WE_Console::Ask(const std::string& prompt, std::string& answer) {
    out << prompt;
    return ReadLine(answer);
}

void ASP_WE_Console::Say(const std::string& message) {
    out << message << "\n" << std::flush;
}

void ASP_WE_Console::EditProperties(
    const std::function<int(const std::string& name, const std::string& value)>& set) {
    int result = 0;
    std::string name;
    std::string value;
    for (;;) {
        if (result == -1) {
            Say("Incorrect property name.");
            if (!Ask("Property name: ", name)) {
                return;
            }
        } else if (result == -2) {
            Say("Incorrect value.");
            if (!Ask("Value: ", value)) {
                return;
            }
        } else {
            if (!Ask("Property name: ", name) || SameWord(name, "done") || !Ask("Value: ", value)) {
                return;
            }
        }
        if (SameWord(name, "done")) {
            return;
        }
        result = set(name, value);
        if (result == 1) {
            return;
        }
    }
}
