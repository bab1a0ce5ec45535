#include "engine/platform/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace {

bool WriteAll(int descriptor, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t count = write(descriptor, contents.data(), contents.size());
        if (count < 0 && errno != EINTR) {
            return false;
        }
        if (count > 0) {
            contents.remove_prefix(static_cast<size_t>(count));
        }
    }
    return true;
}

// The temporary files of `path` start with this, followed by the writing process's id, ".", and a
// number.
std::string TemporaryPrefix(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameStart) + "." + path.substr(nameStart) + ".tmp";
}

// The process id a temporary file of the prefix names, or 0 if the name is not one of them.
pid_t WriterOf(const std::string& name, const std::string& prefix) {
    if (name.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    const char* digits = name.c_str() + prefix.size();
    char* end = nullptr;
    const long id = std::strtol(digits, &end, 10);
    if (end == digits || *end != '.' || id <= 0 || id > INT_MAX) {
        return 0;
    }
    for (const char* c = end + 1; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return 0;
        }
    }
    return end[1] != '\0' ? static_cast<pid_t>(id) : 0;
}

// A new file in the same folder as `path`, so that it can be renamed over it.
int CreateTemporaryNextTo(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    RemoveLeftovers(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryPrefix(path) + std::to_string(getpid()) + "." + std::to_string(counter++);
        const int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) {
            return descriptor;
        }
    }
    return -1;
}

}  // namespace

// Once per file and run: a listing of the folder for every write would cost more than the write.
void RemoveLeftovers(const std::string& path) {
    static std::mutex mutex;
    static std::unordered_set<std::string> cleaned;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!cleaned.insert(path).second) {
            return;
        }
    }
    const std::string prefix = TemporaryPrefix(path);
    const size_t slash = prefix.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
    const std::string namePrefix = prefix.substr(slash == std::string::npos ? 0 : slash + 1);
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        const pid_t writer = WriterOf(entry->d_name, namePrefix);
        // Another process of the same id would still be writing it; so would this one.
        if (writer != 0 && writer != getpid() && kill(writer, 0) != 0 && errno == ESRCH) {
            unlinkat(dirfd(listing), entry->d_name, 0);
        }
    }
    closedir(listing);
}

bool ReplaceFile(const std::string& path, std::string_view contents, std::optional<mode_t> mode) {
    // No name (no user folder to write in): the temporary file would land in the working directory.
    if (path.empty()) {
        return false;
    }
    std::string temporary;
    const int descriptor = CreateTemporaryNextTo(path, temporary);
    if (descriptor < 0) {
        return false;
    }
    bool written = WriteAll(descriptor, contents) && (!mode || fchmod(descriptor, *mode) == 0);
    written = close(descriptor) == 0 && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
