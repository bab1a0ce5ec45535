#pragma once

#include <string>

// File names in the data files are Windows names: "\" separates, "X:..." is absolute, and
// letter case does not matter. These functions map them onto the host's file system.

// The current working directory with a trailing "/", or "/" if it cannot be read.
std::string WorkingDirectory();

// The working directory as it was when the program started, with a trailing "/". Read once,
// before main runs; later changes of the working directory do not affect it.
const std::string& StartupDirectory();

// The folders relative names lead to, each with a trailing "/". The data folder may be read
// only; the user's folders take every write and are read first, so a file the user changed
// hides the shipped one. The settings file config.ini lives in the settings folder, everything
// else in the user folder.
struct PathRoots {
    std::string data;
    std::string user;
    std::string settings;
};

// Until set, all three are the start-up directory: a program started in its data folder reads
// and writes there. Set once at start-up, before any other thread runs.
void SetPathRoots(const PathRoots& roots);
const PathRoots& GetPathRoots();

// The folders for a start of the program `app` with the --data and --user options `dataOption`
// and `userOption` (empty when not given). Data: the option, else the start-up directory if it
// holds the data name `marker`, else share/<app> beside the folder of the running program.
// User's folders: the --user option for both; else the start-up directory when it is the data
// folder, so a game started in its data folder keeps everything there; else $XDG_CONFIG_HOME/<app>
// for settings and $XDG_DATA_HOME/<app> for the rest, by default under ~/.config and
// ~/.local/share. Without a home folder the user's folders are empty: nothing is read there and
// nothing can be written.
PathRoots ChooseRoots(const std::string& app, const std::string& marker, const std::string& dataOption,
                      const std::string& userOption);
// True if the data name `marker` names a file in `folder`.
bool HoldsFile(const std::string& folder, const std::string& marker);

// The host path for a data file name to read. "\" becomes "/"; a name whose second character
// is ":" or that starts with "/" is absolute, any other name is looked up in the user's folder,
// then in the data folder. If an exact path does not exist, each component is matched without
// regard to letter case; components with no match (a file about to be created) are kept as
// given, in the data folder.
std::string ResolvePath(const std::string& name);

// The host path for a data file name to write: absolute names as ResolvePath gives them,
// relative ones in the user's folder. Missing folders on the way are created, and a file found
// only in the data folder is copied first, so that a write changes the user's copy of it. Empty,
// with nothing created, for a relative name that leaves the user's folder.
std::string PrepareWritePath(const std::string& name);
// Where the user's own copy of a data file name is or would be, with nothing copied or created:
// absolute names as ResolvePath gives them, relative ones in the user's folder; empty without a
// user folder or for a relative name that leaves it.
std::string UserPath(const std::string& name);

// True if the data name is absolute: "X:..." or "/...".
bool IsAbsoluteName(const std::string& name);
// True if a data name is relative and stays inside the folders it is looked up in: no ".." climbs
// above them (a leading "\" names their top, as ResolvePath reads it).
bool StaysInsideRoots(const std::string& name);

// True if `folder` exists as a folder or could be created with its parents.
bool MakeFolders(const std::string& folder);

// True if `path` is a regular file that can be opened for reading.
bool IsReadableFile(const std::string& path);
