#include "engine/platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string_view Unquote(std::string_view value) {
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

enum class LineKind { kNothing, kSection, kKey };

struct IniLine {
    LineKind kind = LineKind::kNothing;
    std::string_view name;
    std::string_view value;
};

// What one line (without its line end) means. A "[" line without a "]" is not a header, and a
// line without "=" or with nothing before it defines no key.
IniLine ClassifyLine(std::string_view line) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';') {
        return {};
    }
    if (text.front() == '[') {
        const size_t close = text.rfind(']');
        if (close == std::string_view::npos) {
            return {};
        }
        return {LineKind::kSection, Trim(text.substr(1, close - 1)), {}};
    }
    const size_t equals = text.find('=');
    const std::string_view key = Trim(text.substr(0, equals));
    if (equals == std::string_view::npos || key.empty()) {
        return {};
    }
    return {LineKind::kKey, key, Trim(text.substr(equals + 1))};
}

// A line's text is [begin, end), its line end [end, next).
struct LineSpan {
    size_t begin;
    size_t end;
    size_t next;
};

// Where the lines start: after a UTF-8 byte-order mark, which is no part of the first line.
size_t BodyStart(std::string_view text) {
    return text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
}

// Lines end at "\r\n", "\n" or a lone "\r"; the last line may have no line end.
std::vector<LineSpan> SplitLines(std::string_view text) {
    std::vector<LineSpan> lines;
    size_t begin = BodyStart(text);
    while (begin < text.size()) {
        size_t end = begin;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
            ++end;
        }
        size_t next = std::min(end + 1, text.size());
        if (text.compare(end, 2, "\r\n") == 0) {
            next = end + 2;
        }
        lines.push_back({begin, end, next});
        begin = next;
    }
    return lines;
}

std::string_view LineText(std::string_view text, const LineSpan& line) {
    return text.substr(line.begin, line.end - line.begin);
}

// New lines get the line end the file already uses, so a CRLF file stays CRLF.
std::string LineEndOf(std::string_view text, const std::vector<LineSpan>& lines) {
    for (const LineSpan& line : lines) {
        if (line.next > line.end) {
            return std::string(text.substr(line.end, line.next - line.end));
        }
    }
    return "\n";
}

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
        const std::optional<OpenedFile> file = OpenRegularFile(path);
        if (!file) {
            return nullptr;
        }
        std::string contents;
        const bool read = ReadAll(file->descriptor, contents);
        close(file->descriptor);
        if (!read) {
            return nullptr;
        }
        // The version of the file actually read, which may be newer than the one asked about.
        CachedFile parsed{FileVersion(file->info), CIniDocument(contents)};
        return &files.insert_or_assign(path, std::move(parsed)).first->second.document;
    }

    std::mutex mutex;
    std::unordered_map<std::string, CachedFile> files;
};

CIniCache& Cache() {
    static CIniCache cache;
    return cache;
}

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Names and values the file could not give back as they were written.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view name = Trim(key);
    return !HasLineEnd(section) && !HasLineEnd(key) && !HasLineEnd(value) && !name.empty() &&
           name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '[';
}

// The file's text with key=value stored in it; every other byte stays as it was.
std::string WithValue(const std::string& text, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::vector<LineSpan> lines = SplitLines(text);
    const std::string eol = LineEndOf(text, lines);
    const std::string keyLine = std::string(Trim(key)) + "=" + std::string(value);
    const std::string wantedSection = Lower(Trim(section));
    const std::string wantedKey = Lower(Trim(key));

    std::optional<size_t> sectionLine;
    size_t lastKeyLine = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const IniLine line = ClassifyLine(LineText(text, lines[i]));
        if (line.kind == LineKind::kSection) {
            if (sectionLine) {
                break;
            }
            if (Lower(line.name) == wantedSection) {
                sectionLine = lastKeyLine = i;
            }
        } else if (line.kind == LineKind::kKey && sectionLine) {
            if (Lower(line.name) == wantedKey) {
                return text.substr(0, lines[i].begin) + keyLine + text.substr(lines[i].end);
            }
            lastKeyLine = i;
        }
    }
    if (sectionLine) {
        const LineSpan& after = lines[lastKeyLine];
        const std::string lineEndOfLast = after.next == after.end ? eol : "";
        return text.substr(0, after.next) + lineEndOfLast + keyLine + eol + text.substr(after.next);
    }
    const bool endsOpen = !text.empty() && text.back() != '\n' && text.back() != '\r';
    return text + (endsOpen ? eol : "") + "[" + std::string(Trim(section)) + "]" + eol + keyLine + eol;
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

// A new file in the same folder as `path`, so that it can be renamed over it.
int CreateTemporaryNextTo(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path.substr(0, nameStart) + "." + path.substr(nameStart) + ".tmp" +
                    std::to_string(getpid()) + "." + std::to_string(counter++);
        const int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) {
            return descriptor;
        }
    }
    return -1;
}

// Writes `contents` to a temporary file and renames it over `path`, so that readers see either
// the old or the new file, never a part of one. `mode` is the old file's; a new file gets the
// default permissions.
bool ReplaceFile(const std::string& path, std::string_view contents, std::optional<mode_t> mode) {
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

}  // namespace

CIniDocument::CIniDocument(std::string_view text) {
    std::unordered_map<std::string, std::string>* keys = nullptr;
    for (const LineSpan& span : SplitLines(text)) {
        const IniLine line = ClassifyLine(LineText(text, span));
        if (line.kind == LineKind::kSection) {
            const auto [section, isNew] = sections.try_emplace(Lower(line.name));
            // A repeated section is hidden behind the first one, keys and all.
            keys = isNew ? &section->second : nullptr;
        } else if (line.kind == LineKind::kKey && keys) {
            keys->try_emplace(Lower(line.name), Unquote(line.value));
        }
    }
}

const std::string* CIniDocument::Find(std::string_view section, std::string_view key) const {
    const auto keys = sections.find(Lower(Trim(section)));
    if (keys == sections.end()) {
        return nullptr;
    }
    const auto value = keys->second.find(Lower(Trim(key)));
    return value == keys->second.end() ? nullptr : &value->second;
}

bool ReadIniValue(const std::string& path, std::string_view section, std::string_view key,
                  std::string& value) {
    return Cache().Read(path, section, key, value);
}

bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
    if (!Storable(section, key, value)) {
        return false;
    }
    const std::string target = WriteTarget(path);
    std::string original;
    std::optional<mode_t> mode;
    if (const std::optional<OpenedFile> file = OpenRegularFile(target)) {
        const bool readable = ReadAll(file->descriptor, original);
        close(file->descriptor);
        // Rewriting a file that could not be read completely would lose its contents, and a
        // read-only file is not ours to replace.
        if (!readable || access(target.c_str(), W_OK) != 0) {
            return false;
        }
        mode = file->info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }
    const bool replaced = ReplaceFile(target, WithValue(original, section, key, value), mode);
    Cache().ForgetAll();
    return replaced;
}
