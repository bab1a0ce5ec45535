#include "engine/ini_text.h"

#include <algorithm>

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

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

CIniText::TextLine NewLine(std::string text, std::string_view end) {
    return {{}, std::make_unique<std::string>(std::move(text)), end};
}

// The index of the first line of `lines` that sets `key` (lower-cased).
std::optional<size_t> KeyLineIndex(const std::vector<CIniText::TextLine>& lines, const std::string& key) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const IniLine meaning = ClassifyLine(lines[i].Text());
        if (meaning.kind == LineKind::kKey && Lower(meaning.name) == key) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

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
    const std::vector<CIniText::TextLine>& lines = sections[*index].lines;
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

bool IniStorable(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view name = Trim(key);
    const bool valueReadsBack =
        !HasLineEnd(value) && value.size() <= 1023 && Trim(value) == value && Unquote(value) == value;
    return !HasLineEnd(section) && !HasLineEnd(key) && valueReadsBack && !name.empty() &&
           name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '[';
}
