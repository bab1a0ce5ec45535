#include "engine/platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

bool PathExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// The entry of `directory` ("" for the working directory) whose name equals `component` apart
// from letter case, or "" if there is none. Of several candidates the smallest name wins, so the
// choice does not depend on the order of the listing.
std::string FindIgnoringCase(const std::string& directory, const std::string& component) {
    DIR* listing = opendir(directory.empty() ? "." : directory.c_str());
    if (listing == nullptr) {
        return "";
    }
    std::string found;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (EqualIgnoringCase(name, component) && (found.empty() || name < found)) {
            found = name;
        }
    }
    closedir(listing);
    return found;
}

// Walks `path` one component at a time, replacing each component that does not exist by its
// case-insensitive match. From the first component without a match on, the rest stays as given.
std::string MatchComponentsIgnoringCase(const std::string& path) {
    std::string resolved = path[0] == '/' ? "/" : "";
    size_t start = 0;
    while (start < path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string component = path.substr(start, end - start);
        if (!component.empty()) {
            std::string entry = component;
            if (!PathExists(resolved + component)) {
                entry = FindIgnoringCase(resolved, component);
                if (entry.empty()) {
                    return resolved + path.substr(start);
                }
            }
            resolved += entry + "/";
        }
        start = end + 1;
    }
    if (path.back() != '/' && resolved.size() > 1) {
        resolved.pop_back();
    }
    return resolved;
}

// Reading the directory during static initialisation pins it to the one the program started
// in, before main could change it.
[[maybe_unused]] const std::string& startupDirectoryAtLoad = StartupDirectory();

}  // namespace

std::string WorkingDirectory() {
    char* directory = getcwd(nullptr, 0);
    if (directory == nullptr) {
        return "/";
    }
    std::string result = directory;
    free(directory);
    return result.back() == '/' ? result : result + "/";
}

const std::string& StartupDirectory() {
    static const std::string directory = WorkingDirectory();
    return directory;
}

std::string ResolvePath(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    const bool absolute = (name.size() >= 2 && name[1] == ':') || (!name.empty() && name[0] == '/');
    if (!absolute) {
        // The start-up directory already ends with the separator that a leading "\" stands for.
        path = StartupDirectory() + path.substr(std::min(path.find_first_not_of('/'), path.size()));
    }
    if (PathExists(path)) {
        return path;
    }
    return MatchComponentsIgnoringCase(path);
}

bool IsReadableFile(const std::string& path) {
    // O_NONBLOCK keeps a FIFO from blocking the open.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    struct stat info;
    const bool regular = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    close(descriptor);
    return regular;
}
