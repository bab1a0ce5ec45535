#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// An option of one program beyond the common ones: "--simulate" with its value's name ("WORLD"),
// or a flag without one, and its line of --help.
struct CProgramOption {
    std::string name;
    std::string value;
    std::string help;
};

// What a program accepts on its command line and where it finds its data.
struct CProgramInfo {
    std::string name;     // as installed in bin/
    std::string folder;   // the name of its data and user folders
    std::string summary;  // one line for --help
    std::string version;
    // A relative data name that only a folder holding the program's data has.
    std::string dataMarker;
    bool windowOptions = false;  // --fullscreen, --windowed, --size
    std::string fileArgument;    // the name of the one optional argument in the usage line, if any
    std::string notes;           // closing lines of --help
    std::vector<CProgramOption> options = {};
};

// The options of one start. Nothing here is stored anywhere.
struct CStartOptions {
    std::string dataFolder;
    std::string userFolder;
    std::optional<bool> fullscreen;
    int width = 0;  // 0: as the settings say
    int height = 0;
    std::string file;
    // The program's own options that were given, by name; flags have an empty value.
    std::map<std::string, std::string> given;
};

// Reads the arguments that follow the program's name. -1 when the program should run; otherwise
// the status to exit with, after --help or --version was answered on out (0) or a usage error on
// err (2).
int ParseCommandLine(const std::vector<std::string>& args, const CProgramInfo& program,
                     CStartOptions& options, std::ostream& out, std::ostream& err);

// Says what is wrong with the command line, and the usage, on err; the status to exit with (2).
int UsageError(const CProgramInfo& program, const std::string& problem, std::ostream& err);

enum class FolderState { READY, READ_ONLY, NO_DATA };

// Chooses the folders of this run (see ChooseRoots) and creates the user's. NO_DATA, after a
// message on err, when the data folder does not hold the program's data. READ_ONLY, after a
// message on err, when a user folder cannot be created: the shipped files are read and what the
// run writes is lost.
FolderState OpenFolders(const CProgramInfo& program, const CStartOptions& options, std::ostream& err);

// ParseCommandLine on the program's arguments, then OpenFolders with std::cout and std::cerr: -1
// when the program should run, with `folders` telling how; otherwise the status to exit with.
int BeginProgram(int argc, char* argv[], const CProgramInfo& program, CStartOptions& options,
                 FolderState& folders);

// One log line naming the folders in use, for the player looking for their files.
void LogFolders();
