#include <filesystem>
#include <iostream>
#include <memory>

#include "engine/command_line.h"
#include "engine/platform/paths.h"
#include "worldedit/asp_we_main.h"

namespace {

const CProgramInfo kEditor = {
    "asphaltia_worldedit",
    "asphaltia",
    "The track editor of Asphaltia. Without WORLD_FILE it asks for one on the console.",
    ASPHALTIA_VERSION,
    "mnu\\main.ini",
    false,
    "WORLD_FILE",
    "WORLD_FILE is a file of the current folder or a data name such as dat/world0.dat. Tracks saved\n"
    "under a data name go to $XDG_DATA_HOME/asphaltia (~/.local/share/asphaltia) unless the editor\n"
    "was started in a folder holding the data. F12 takes a screenshot.\n",
};

}  // namespace

int main(int argc, char* argv[]) {
    CStartOptions options;
    FolderState folders;
    const int status = BeginProgram(argc, argv, kEditor, options, folders);
    if (status >= 0) {
        return status;
    }
    // Logging stays off: the console carries only the editor's own prompts and messages.
    auto app = std::make_unique<ASP_WE_Main>(std::cin, std::cout);
    // A file named on the command line is one of the current folder before it is a data name.
    const bool local = !options.file.empty() && IsReadableFile(options.file);
    app->givenWorldFile = local ? std::filesystem::absolute(options.file).string() : options.file;
    app->Run();
    return app->ExitStatus();
}
