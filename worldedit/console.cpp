#include "worldedit/console.h"

#include <poll.h>
#include <unistd.h>

#include <iostream>

#include "worldedit/objects/we_object.h"

namespace {

const int kWaitSliceMs = 30;

}  // namespace

ASP_WE_Console::ASP_WE_Console(std::istream& in, std::ostream& out) : out(out), in(in) {}

bool ASP_WE_Console::ReadLine(std::string& line) {
    out << std::flush;
    if (Cancelled()) {
        return false;
    }
    const bool standardInput = &in == &std::cin;
    if (!standardInput) {
        ended = !std::getline(in, line);
    }
    if (standardInput ? !ReadStandardInput(line) : ended) {
        // Standard input stops early only when the question was cancelled.
        if (!ended) {
            return false;
        }
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

bool ASP_WE_Console::Cancelled() {
    if (whileWaiting && !whileWaiting()) {
        Say("");
        Say("Cancelled.");
        return true;
    }
    return false;
}

bool ASP_WE_Console::ReadStandardInput(std::string& line) {
    for (;;) {
        const size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return true;
        }
        if (ended) {
            // A last line without its line end still counts.
            line = std::move(pending);
            pending.clear();
            return !line.empty();
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, kWaitSliceMs) > 0) {
            char chunk[4096];
            const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
            ended = n <= 0;
            pending.append(chunk, n > 0 ? static_cast<size_t>(n) : 0);
        } else if (Cancelled()) {
            return false;
        }
    }
}

bool ASP_WE_Console::Ask(const std::string& prompt, std::string& answer) {
    out << prompt;
    return ReadLine(answer);
}

bool ASP_WE_Console::AskFile(const std::string& prompt, std::string& name) {
    while (Ask(prompt, name)) {
        if (NamesReadableFile(name)) {
            return true;
        }
        Say("File not found: " + name);
    }
    return false;
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
        if (SameWord(value, "done")) {
            result = 0;
            continue;
        }
        result = set(name, value);
        if (result == 1) {
            return;
        }
    }
}
