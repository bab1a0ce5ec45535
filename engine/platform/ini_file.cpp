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

#include "engine/platform/replace_file.h"

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
        if (next < text.size() && text[end] == '\r' && text[next] == '\n') {
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
std::string_view LineEndOf(std::string_view text, const std::vector<LineSpan>& lines) {
    for (const LineSpan& line : lines) {
        if (line.next > line.end) {
            return text.substr(line.end, line.next - line.end);
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

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Names and values the file could not give back as they were written. A read drops a value's
// surrounding blanks and one pair of enclosing quotes and cuts it to 1,023 characters.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view name = Trim(key);
    const bool valueReadsBack =
        !HasLineEnd(value) && value.size() <= 1023 && Trim(value) == value && Unquote(value) == value;
    return !HasLineEnd(section) && !HasLineEnd(key) && valueReadsBack && !name.empty() &&
           name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '[';
}

// A line of an INI text: a view of the text it was read from until something is stored over it.
struct TextLine {
    std::string_view read;
    std::unique_ptr<std::string> stored;
    std::string_view end;  // empty only for a last line without a line end

    std::string_view Text() const { return stored ? std::string_view(*stored) : read; }
};

// The lines from one section header up to the next, or those before the first header.
struct TextSection {
    std::vector<TextLine> lines;  // the header first, if there is one
    size_t lastKey = 0;           // a new key goes after this line: the last key line or the header
};

// An INI text held as lines grouped by section, so that storing a key costs a look-up and a
// scan of its section rather than a pass over the whole text. Every byte that is not stored
// over stays as it was. The lines view the text it was made from, so it stays where it is.
class CIniText {
public:
    explicit CIniText(std::string text);
    CIniText(const CIniText&) = delete;
    CIniText& operator=(const CIniText&) = delete;

    // Replaces the line of the first such key of the first such section, or adds the key after
    // the section's last key, or appends the section at the end. Names as CIniDocument finds them.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // As CIniDocument::Find of Text(), but into `value`; false if there is no such key.
    bool Find(std::string_view section, std::string_view key, std::string& value) const;
    std::string Text() const;

private:
    std::optional<size_t> SectionIndex(std::string_view section) const;
    void AppendSection(std::string_view name, std::string keyLine);

    const std::string original;
    std::string_view byteOrderMark;
    // New lines get the line end the text already uses, so a CRLF file stays CRLF.
    std::string_view eol;
    std::vector<TextSection> sections;                    // the first one holds the lines before any header
    std::unordered_map<std::string, size_t> firstByName;  // lower-cased name -> index in sections
};

TextLine NewLine(std::string text, std::string_view end) {
    return {{}, std::make_unique<std::string>(std::move(text)), end};
}

// The index of the first line of `lines` that sets `key` (lower-cased).
std::optional<size_t> KeyLineIndex(const std::vector<TextLine>& lines, const std::string& key) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const IniLine meaning = ClassifyLine(lines[i].Text());
        if (meaning.kind == LineKind::kKey && Lower(meaning.name) == key) {
            return i;
        }
    }
    return std::nullopt;
}

CIniText::CIniText(std::string text) : original(std::move(text)), sections(1) {
    byteOrderMark = std::string_view(original).substr(0, BodyStart(original));
    const std::vector<LineSpan> spans = SplitLines(original);
    eol = LineEndOf(original, spans);
    for (const LineSpan& span : spans) {
        const std::string_view line = LineText(original, span);
        const IniLine meaning = ClassifyLine(line);
        if (meaning.kind == LineKind::kSection) {
            firstByName.try_emplace(Lower(meaning.name), sections.size());
            sections.emplace_back();
        } else if (meaning.kind == LineKind::kKey) {
            sections.back().lastKey = sections.back().lines.size();
        }
        sections.back().lines.push_back(
            {line, nullptr, std::string_view(original).substr(span.end, span.next - span.end)});
    }
}

std::optional<size_t> CIniText::SectionIndex(std::string_view section) const {
    const auto found = firstByName.find(Lower(Trim(section)));
    return found == firstByName.end() ? std::nullopt : std::optional<size_t>(found->second);
}

void CIniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string keyLine = std::string(Trim(key)) + "=" + std::string(value);
    const std::optional<size_t> index = SectionIndex(section);
    if (!index) {
        AppendSection(Trim(section), std::move(keyLine));
        return;
    }
    TextSection& found = sections[*index];
    if (const std::optional<size_t> line = KeyLineIndex(found.lines, Lower(Trim(key)))) {
        found.lines[*line].stored = std::make_unique<std::string>(std::move(keyLine));
        return;
    }
    // Only the last line of the text can lack a line end.
    TextLine& last = found.lines[found.lastKey];
    if (last.end.empty()) {
        last.end = eol;
    }
    found.lastKey += 1;
    // A lone CR before an empty LF line would read back as one CRLF, and that empty line be lost.
    std::string_view end = eol;
    if (end == "\r" && found.lastKey < found.lines.size() && found.lines[found.lastKey].Text().empty() &&
        found.lines[found.lastKey].end.substr(0, 1) == "\n") {
        end = "\r\n";
    }
    found.lines.insert(found.lines.begin() + found.lastKey, NewLine(std::move(keyLine), end));
}

void CIniText::AppendSection(std::string_view name, std::string keyLine) {
    TextSection& previous = sections.back();
    if (!previous.lines.empty() && previous.lines.back().end.empty()) {
        previous.lines.back().end = eol;
    } else if (previous.lines.empty() && !byteOrderMark.empty()) {
        // The header must not share a line with the byte-order mark.
        previous.lines.push_back(NewLine("", eol));
    }
    firstByName.try_emplace(Lower(name), sections.size());
    TextSection& added = sections.emplace_back();
    added.lines.push_back(NewLine("[" + std::string(name) + "]", eol));
    added.lines.push_back(NewLine(std::move(keyLine), eol));
    added.lastKey = 1;
}

bool CIniText::Find(std::string_view section, std::string_view key, std::string& value) const {
    const std::optional<size_t> index = SectionIndex(section);
    if (!index) {
        return false;
    }
    const std::vector<TextLine>& lines = sections[*index].lines;
    const std::optional<size_t> line = KeyLineIndex(lines, Lower(Trim(key)));
    if (line) {
        value = Unquote(ClassifyLine(lines[*line].Text()).value);
    }
    return line.has_value();
}

std::string CIniText::Text() const {
    std::string text;
    text.reserve(original.size());
    // Runs of the original text that nothing was stored over are copied in one piece.
    std::string_view run = byteOrderMark;
    const auto append = [&](std::string_view piece) {
        if (run.data() + run.size() == piece.data()) {
            run = std::string_view(run.data(), run.size() + piece.size());
        } else {
            text += run;
            run = piece;
        }
    };
    for (const TextSection& section : sections) {
        for (const TextLine& line : section.lines) {
            append(line.Text());
            append(line.end);
        }
    }
    return text += run;
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
    const bool stored = pending.text && Storable(section, key, value);
    if (stored) {
        pending.text->Set(section, key, value);
    }
    pending.refusedWrite = pending.refusedWrite || !stored;
    return stored;
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
    if (!Storable(section, key, value)) {
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
