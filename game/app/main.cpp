#include <iostream>
#include <memory>

#include "engine/command_line.h"
#include "engine/log.h"
#include "engine/platform/gl_context.h"
#include "engine/platform/paths.h"
#include "game/app/asp_main.h"
#include "game/app/simulate.h"

namespace {

const CProgramInfo kGame = {
    "asphaltia",
    "asphaltia",
    "A top-down car racing game for one to four players on one keyboard.",
    ASPHALTIA_VERSION,
    "mnu\\main.ini",
    true,
    "",
    "Started in a folder holding its data, the game reads and writes there. Otherwise config.ini\n"
    "is kept in $XDG_CONFIG_HOME/asphaltia (~/.config/asphaltia) and the log, screenshots and\n"
    "saved tracks in $XDG_DATA_HOME/asphaltia (~/.local/share/asphaltia). F12 takes a screenshot.\n",
    [] {
        std::vector<CProgramOption> options = SimulateOptions();
        options.push_back({"--connect", "HOST[:PORT]",
                           "join the network game of the server at HOST (port 27960 unless given)"});
        options.push_back({"--name", "NAME", "with --connect: the name the other players see"});
        options.push_back(
            {"--autopilot", "", "with --connect: the computer drives this machine's cars, ready at once"});
        return options;
    }(),
};

}  // namespace

int main(int argc, char* argv[]) {
    CStartOptions options;
    FolderState folders;
    const int begun = BeginProgram(argc, argv, kGame, options, folders);
    if (begun >= 0) {
        return begun;
    }
    if (WantsSimulation(options)) {
        // Headless: the terminal shows the results only; the log goes to its file, if there is one.
        DisableConsoleLogging();
        EnableLogging();
        if (folders == FolderState::READY) {
            EnableFileLogging();
        }
        return RunSimulation(kGame, options, std::cout, std::cerr);
    }
    // The first start gives the player a copy of the shipped settings to change.
    PrepareWritePath("config.ini");
    // Before anything opens the display: the loader thread shares it.
    EnableThreadedDisplay();
    EnableLogging();
    EnableFileLogging();
    // Without a folder for the log file, the log stays on the terminal.
    if (folders == FolderState::READY) {
        DisableConsoleLogging();
    }
    // The program has no console window of its own here, so there is none to hide.
    int status = 0;
    {
        auto app = std::make_unique<ASP_Main>("config.ini", options);
        LogFolders();
        app->Run();
        status = app->ExitStatus();
    }
    return status;
}
