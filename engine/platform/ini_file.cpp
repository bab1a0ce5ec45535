#include "engine/platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/ini_text.h"
#include "engine/platform/replace_file.h"

namespace {

struct OpenedFile {
    int descriptor = -1;
    struct stat info = {};
};

// Opens a regular file for reading. O_NONBLOCK keeps a FIFO from blocking the open; it is
// refused right after, as is anything else that is not a regular file.
std::optional<OpenedFile> OpenRegularFile(const std::string& path) {
    OpenedFile file;
    file.descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.descriptor < 0) {
        return std::nullopt;
    }
    if (fstat(file.descriptor, &file.info) != 0 || !S_ISREG(file.info.st_mode)) {
        close(file.descriptor);
        errno = EINVAL;
        return std::nullopt;
    }
    return file;
}

bool ReadAll(int descriptor, std::string& contents) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(descriptor, buffer, sizeof buffer);
        if (count == 0) {
            return true;
        }
        if (count < 0 && errno != EINTR) {
            return false;
        }
        if (count > 0) {
            contents.append(buffer, static_cast<size_t>(count));
        }
    }
}

// The whole of a regular file, and what it was when read; nothing if it cannot be read.
std::optional<struct stat> ReadRegularFile(const std::string& path, std::string& contents) {
    const std::optional<OpenedFile> file = OpenRegularFile(path);
    if (!file) {
        return std::nullopt;
    }
    const bool read = ReadAll(file->descriptor, contents);
    close(file->descriptor);
    return read ? std::optional<struct stat>(file->info) : std::nullopt;
}

// What a file looked like when it was parsed. A replaced file has a new inode; a file changed
// in place has a new size or modification time.
struct FileVersion {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    timespec changed;

    explicit FileVersion(const struct stat& info)
        : device(info.st_dev),
          inode(info.st_ino),
          size(info.st_size),
          modified(info.st_mtim),
          changed(info.st_ctim) {}

    bool operator==(const FileVersion& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

struct CachedFile {
    FileVersion version;
    CIniDocument document;
};

// Parsed files by path. A world is read one key at a time, so without it every key would
// parse the whole file again. The game reads from its main and loader threads at once.
class CIniCache {
public:
    bool Read(const std::string& path, std::string_view section, std::string_view key, std::string& value) {
        // A stat is all a read of a cached file costs; the file is opened only to parse it.
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return false;
        }
        std::lock_guard<std::mutex> lock(mutex);
        const CIniDocument* document = Current(path, FileVersion(info));
        const std::string* found = document ? document->Find(section, key) : nullptr;
        if (found) {
            value = *found;
        }
        return found != nullptr;
    }

    // Any write may have changed any cached file, also one cached under another name.
    void ForgetAll() {
        std::lock_guard<std::mutex> lock(mutex);
        files.clear();
    }

private:
    const CIniDocument* Current(const std::string& path, const FileVersion& version) {
        const auto cached = files.find(path);
        if (cached != files.end() && cached->second.version == version) {
            return &cached->second.document;
        }
        std::string contents;
        const std::optional<struct stat> read = ReadRegularFile(path, contents);
        if (!read) {
            return nullptr;
        }
        // The version of the file actually read, which may be newer than the one asked about.
        CachedFile parsed{FileVersion(*read), CIniDocument(contents)};
        return &files.insert_or_assign(path, std::move(parsed)).first->second.document;
    }

    std::mutex mutex;
    std::unordered_map<std::string, CachedFile> files;
};

CIniCache& Cache() {
    static CIniCache cache;
    return cache;
}

// Writing through a symbolic link must change the file it points to, not replace the link.
std::string WriteTarget(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string target = real;
    free(real);
    return target;
}

// The text of the file at `target` for rewriting it, and its mode if it exists; a missing file
// is an empty one. False if rewriting it would lose contents that could not be read, or if it
// is read-only and so not ours to replace.
bool ReadForRewrite(const std::string& target, std::string& text, std::optional<mode_t>& mode) {
    const std::optional<OpenedFile> file = OpenRegularFile(target);
    if (!file) {
        return errno == ENOENT;
    }
    const bool readable = ReadAll(file->descriptor, text);
    close(file->descriptor);
    mode = file->info.st_mode & 07777;
    return readable && access(target.c_str(), W_OK) == 0;
}

// A file whose writes on this thread are gathered in memory.
struct PendingFile {
    std::string target;
    std::optional<mode_t> mode;
    std::optional<CIniText> text;  // none if the file could not be read for rewriting
    bool refusedWrite = false;
};

// The open batches of this thread by path: a thread's batches are its own business.
thread_local std::unordered_map<std::string, PendingFile> pendingFiles;

// The files pinned by read batches of this thread.
thread_local std::unordered_map<std::string, CIniDocument> pinnedFiles;

PendingFile* PendingFileOf(const std::string& path) {
    const auto found = pendingFiles.find(path);
    return found == pendingFiles.end() ? nullptr : &found->second;
}

// A refused write also fails the batch's commit: the file gets all of the batch or nothing.
bool StoreInBatch(PendingFile& pending, std::string_view section, std::string_view key,
                  std::string_view value) {
    const bool stored = pending.text && IniStorable(section, key, value);
    if (stored) {
        pending.text->Set(section, key, value);
    }
    pending.refusedWrite = pending.refusedWrite || !stored;
    return stored;
}

}  // namespace

bool ReadIniValue(const std::string& path, std::string_view section, std::string_view key,
                  std::string& value) {
    const PendingFile* pending = PendingFileOf(path);
    if (pending && pending->text) {
        return pending->text->Find(section, key, value);
    }
    const auto pinned = pinnedFiles.find(path);
    if (pinned != pinnedFiles.end()) {
        const std::string* found = pinned->second.Find(section, key);
        if (found) {
            value = *found;
        }
        return found != nullptr;
    }
    return Cache().Read(path, section, key, value);
}

bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
    pinnedFiles.erase(path);
    if (PendingFile* pending = PendingFileOf(path)) {
        return StoreInBatch(*pending, section, key, value);
    }
    if (!IniStorable(section, key, value)) {
        return false;
    }
    const std::string target = WriteTarget(path);
    std::string original;
    std::optional<mode_t> mode;
    if (!ReadForRewrite(target, original, mode)) {
        return false;
    }
    CIniText text(std::move(original));
    text.Set(section, key, value);
    const bool replaced = ReplaceFile(target, text.Text(), mode);
    Cache().ForgetAll();
    return replaced;
}

bool OpenIniBatch(const std::string& path, const std::optional<std::string>& startText) {
    // Made in place: the text's lines view the text it holds.
    const auto [added, isNew] = pendingFiles.try_emplace(path);
    if (!isNew) {
        return false;
    }
    PendingFile& pending = added->second;
    pending.target = WriteTarget(path);
    std::string original;
    if (ReadForRewrite(pending.target, original, pending.mode)) {
        pending.text.emplace(startText ? *startText : std::move(original));
    }
    return true;
}

bool CommitIniBatch(const std::string& path) {
    const auto found = pendingFiles.find(path);
    if (found == pendingFiles.end()) {
        return false;
    }
    const PendingFile& pending = found->second;
    const bool replaced = pending.text && !pending.refusedWrite &&
                          ReplaceFile(pending.target, pending.text->Text(), pending.mode);
    pendingFiles.erase(found);
    if (replaced) {
        Cache().ForgetAll();
    }
    return replaced;
}

void DropIniBatch(const std::string& path) {
    pendingFiles.erase(path);
}

bool OpenIniReadBatch(const std::string& path) {
    std::string contents;
    if (!ReadRegularFile(path, contents)) {
        return false;
    }
    pinnedFiles.insert_or_assign(path, CIniDocument(contents));
    return true;
}

void CloseIniReadBatch(const std::string& path) {
    pinnedFiles.erase(path);
}
