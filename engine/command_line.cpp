#include "engine/command_line.h"

#include <algorithm>
#include <iostream>

#include "engine/ini.h"
#include "engine/log.h"
#include "engine/platform/paths.h"

namespace {

// The largest window side --size accepts; anything above is a typing error.
constexpr int kMaxSide = 16384;

std::string UsageLine(const CProgramInfo& program) {
    std::string line = "Usage: " + program.name + " [OPTION]...";
    return program.fileArgument.empty() ? line : line + " [" + program.fileArgument + "]";
}

void WriteHelp(const CProgramInfo& program, std::ostream& out) {
    out << UsageLine(program) << "\n" << program.summary << "\n\n";
    out << "  --data DIR     read the shipped data from DIR\n"
           "  --user DIR     keep settings, the log, screenshots and saved tracks in DIR\n";
    if (program.windowOptions) {
        out << "  --fullscreen   start in fullscreen, this time only\n"
               "  --windowed     start in a window, this time only\n"
               "  --size WxH     start with a window of W x H pixels, this time only\n";
    }
    for (const CProgramOption& option : program.options) {
        std::string head = "  " + option.name + (option.value.empty() ? "" : " " + option.value);
        head.resize(std::max<size_t>(head.size() + 1, 17), ' ');
        out << head << option.help << "\n";
    }
    out << "  --help         show this help and exit\n"
           "  --version      show the version and exit\n\n"
        << program.notes;
}

// "WxH" with both sides between 1 and kMaxSide.
bool ReadSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    if (x == std::string::npos || x != text.rfind('x') ||
        text.find_first_not_of("0123456789x") != std::string::npos) {
        return false;
    }
    width = TextToInt(text.substr(0, x), 0);
    height = TextToInt(text.substr(x + 1), 0);
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

}  // namespace

int UsageError(const CProgramInfo& program, const std::string& problem, std::ostream& err) {
    err << program.name << ": " << problem << "\n"
        << UsageLine(program) << "\nTry '" << program.name << " --help' for more information.\n";
    return 2;
}

int ParseCommandLine(const std::vector<std::string>& args, const CProgramInfo& program,
                     CStartOptions& options, std::ostream& out, std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool hasValue = false;
        const size_t equals = option.find('=');
        if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.erase(equals);
            hasValue = true;
        }
        const auto own = std::find_if(program.options.begin(), program.options.end(),
                                      [&option](const CProgramOption& o) { return o.name == option; });
        const bool takesValue = option == "--data" || option == "--user" ||
                                (program.windowOptions && option == "--size") ||
                                (own != program.options.end() && !own->value.empty());
        if (takesValue && !hasValue) {
            if (i + 1 == args.size()) {
                return UsageError(program, "option '" + option + "' needs a value", err);
            }
            value = args[++i];
        } else if (!takesValue && hasValue) {
            return UsageError(program, "option '" + option + "' takes no value", err);
        }
        if (option == "--help") {
            WriteHelp(program, out);
            return 0;
        } else if (option == "--version") {
            out << program.name << " " << program.version << "\n";
            return 0;
        } else if (option == "--data" || option == "--user") {
            if (value.empty()) {
                return UsageError(program, "option '" + option + "' needs a folder", err);
            }
            (option == "--data" ? options.dataFolder : options.userFolder) = value;
        } else if (program.windowOptions && (option == "--fullscreen" || option == "--windowed")) {
            options.fullscreen = option == "--fullscreen";
        } else if (program.windowOptions && option == "--size") {
            if (!ReadSize(value, options.width, options.height)) {
                return UsageError(program, "--size wants WxH, for example 1280x720, not '" + value + "'",
                                  err);
            }
        } else if (own != program.options.end()) {
            options.given[option] = value;
        } else if (option.rfind("-", 0) == 0 && option != "-") {
            return UsageError(program, "unknown option '" + option + "'", err);
        } else if (!program.fileArgument.empty() && options.file.empty()) {
            options.file = option;
        } else {
            return UsageError(program, "unexpected argument '" + option + "'", err);
        }
    }
    return -1;
}

FolderState OpenFolders(const CProgramInfo& program, const CStartOptions& options, std::ostream& err) {
    const PathRoots roots =
        ChooseRoots(program.folder, program.dataMarker, options.dataFolder, options.userFolder);
    if (!HoldsFile(roots.data, program.dataMarker)) {
        err << program.name << ": no game data in " << roots.data
            << ". Start it in its data folder or name that folder with --data DIR.\n";
        return FolderState::NO_DATA;
    }
    SetPathRoots(roots);
    FolderState state = FolderState::READY;
    for (const std::string& folder : {roots.settings, roots.user}) {
        if (state == FolderState::READY && !MakeFolders(folder)) {
            err << program.name << ": cannot create the folder "
                << (folder.empty() ? "for your files (no home folder)" : folder)
                << "; running with the shipped settings, and nothing written is kept. Name a writable "
                   "folder with --user DIR.\n";
            state = FolderState::READ_ONLY;
        }
    }
    return state;
}

int BeginProgram(int argc, char* argv[], const CProgramInfo& program, CStartOptions& options,
                 FolderState& folders) {
    const int status = ParseCommandLine({argv + 1, argv + argc}, program, options, std::cout, std::cerr);
    if (status >= 0) {
        return status;
    }
    folders = OpenFolders(program, options, std::cerr);
    return folders == FolderState::NO_DATA ? 1 : -1;
}

void LogFolders() {
    const PathRoots& roots = GetPathRoots();
    Log(LOG_STATUS,
        "Data from " + roots.data + ", settings in " + roots.settings +
            ", log, screenshots and saved tracks in " + roots.user + ".",
        "");
}
