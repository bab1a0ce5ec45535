#include "engine/platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

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

bool IsAbsolute(const std::string& name) {
    return (name.size() >= 2 && name[1] == ':') || (!name.empty() && name[0] == '/');
}

// The path as written, or its case-insensitive match if that does not exist.
std::string Matched(const std::string& path) {
    return PathExists(path) ? path : MatchComponentsIgnoringCase(path);
}

PathRoots& Roots() {
    static PathRoots roots{StartupDirectory(), StartupDirectory(), StartupDirectory()};
    return roots;
}

std::string WithSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// A name relative to a root loses its leading separator: the root already ends with the one
// that a leading "\" stands for.
std::string Relative(const std::string& name) {
    const std::string path = WithSlashes(name);
    return path.substr(std::min(path.find_first_not_of('/'), path.size()));
}

// Where the user's copy of a relative name is or would be; empty without a user folder.
std::string UserCandidate(const std::string& relative) {
    const bool settings = EqualIgnoringCase(relative, "config.ini");
    const std::string& root = settings ? Roots().settings : Roots().user;
    return root.empty() ? "" : Matched(root + relative);
}

std::string AsFolder(const std::string& path) {
    return path.empty() || path.back() == '/' ? path : path + "/";
}

// An XDG base folder: the variable if it holds an absolute path (relative ones are invalid by
// the rules), else the fallback under the home folder.
std::string BaseFolder(const char* variable, const std::string& fallback) {
    const char* value = getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return AsFolder(value);
    }
    const char* home = getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* account = getpwuid(getuid());
        home = account != nullptr ? account->pw_dir : nullptr;
    }
    return home != nullptr && home[0] == '/' ? AsFolder(home) + fallback : "";
}

// A folder named on the command line, relative to the start-up directory.
std::string AbsoluteFolder(const std::string& folder) {
    const fs::path path = fs::path(folder).is_absolute() ? folder : StartupDirectory() + folder;
    return AsFolder(path.lexically_normal().string());
}

std::string ProgramFolder() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? "" : AsFolder(program.parent_path().string());
}

// Copied next to the target first and renamed, so a failed copy never leaves half a file.
void CopyForWriting(const std::string& source, const std::string& target) {
    std::error_code ec;
    const std::string partial = target + ".copying";
    if (fs::copy_file(source, partial, fs::copy_options::overwrite_existing, ec)) {
        // A shipped file may be read-only; the user's copy is theirs to change.
        fs::permissions(partial, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
        fs::rename(partial, target, ec);
    }
    fs::remove(partial, ec);
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

void SetPathRoots(const PathRoots& roots) {
    Roots() = roots;
}

const PathRoots& GetPathRoots() {
    return Roots();
}

PathRoots ChooseRoots(const std::string& app, const std::string& marker, const std::string& dataOption,
                      const std::string& userOption) {
    PathRoots roots;
    const bool startedInData = dataOption.empty() && HoldsFile(StartupDirectory(), marker);
    if (!dataOption.empty()) {
        roots.data = AbsoluteFolder(dataOption);
    } else if (startedInData) {
        roots.data = StartupDirectory();
    } else {
        roots.data = AsFolder(fs::path(ProgramFolder() + "../share/" + app).lexically_normal().string());
    }
    if (!userOption.empty()) {
        roots.user = roots.settings = AbsoluteFolder(userOption);
    } else if (startedInData) {
        roots.user = roots.settings = StartupDirectory();
    } else {
        const std::string data = BaseFolder("XDG_DATA_HOME", ".local/share/");
        const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config/");
        roots.user = data.empty() ? "" : data + app + "/";
        roots.settings = config.empty() ? "" : config + app + "/";
    }
    return roots;
}

bool HoldsFile(const std::string& folder, const std::string& marker) {
    return IsReadableFile(Matched(folder + Relative(marker)));
}

std::string ResolvePath(const std::string& name) {
    if (IsAbsolute(name)) {
        return Matched(WithSlashes(name));
    }
    const std::string relative = Relative(name);
    const std::string user = UserCandidate(relative);
    return PathExists(user) ? user : Matched(Roots().data + relative);
}

std::string PrepareWritePath(const std::string& name) {
    const std::string target = UserPath(name);
    if (IsAbsolute(name)) {
        return target;
    }
    const std::string relative = Relative(name);
    if (!target.empty() && !PathExists(target)) {
        MakeFolders(fs::path(target).parent_path().string());
        const std::string shipped = Matched(Roots().data + relative);
        if (shipped != target && IsReadableFile(shipped)) {
            CopyForWriting(shipped, target);
        }
    }
    return target;
}

std::string UserPath(const std::string& name) {
    if (IsAbsolute(name)) {
        return ResolvePath(name);
    }
    return StaysInsideRoots(name) ? UserCandidate(Relative(name)) : "";
}

bool IsAbsoluteName(const std::string& name) {
    return IsAbsolute(name);
}

bool StaysInsideRoots(const std::string& name) {
    if (IsAbsolute(name)) {
        return false;
    }
    const std::string path = Relative(name);
    int depth = 0;
    for (size_t start = 0; start <= path.size();) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string component = path.substr(start, end - start);
        if (component == "..") {
            if (--depth < 0) {
                return false;
            }
        } else if (!component.empty() && component != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

bool MakeFolders(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
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
