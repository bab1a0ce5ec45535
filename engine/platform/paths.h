#pragma once

#include <string>

// File names in the data files are Windows names: "\" separates, "X:..." is absolute, and
// letter case does not matter. These functions map them onto the host's file system.

// The current working directory with a trailing "/", or "/" if it cannot be read.
std::string WorkingDirectory();

// The working directory as it was when the program started, with a trailing "/". Read once,
// before main runs; later changes of the working directory do not affect it.
const std::string& StartupDirectory();

// The host path for a data file name. "\" becomes "/"; a name whose second character is ":"
// or that starts with "/" is absolute, any other name is taken relative to the start-up
// directory. If that exact path does not exist, each component is matched without regard to
// letter case; components with no match (a file about to be created) are kept as given.
std::string ResolvePath(const std::string& name);

// True if `path` is a regular file that can be opened for reading.
bool IsReadableFile(const std::string& path);
