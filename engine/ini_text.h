#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// INI text as the Windows private-profile functions read and write it, without any file: the
// parser and the line-keeping editor that the file layer (platform/ini_file.h) builds on.

// The keys of an INI text, looked up the way the Windows functions do: section and key names
// without regard to ASCII letter case and without surrounding blanks, a value without
// surrounding blanks and without one pair of matching enclosing quotes, and of repeated
// sections or keys only the first one.
class CIniDocument {
public:
    explicit CIniDocument(std::string_view text);

    // The value, or nullptr if the section or the key does not exist.
    const std::string* Find(std::string_view section, std::string_view key) const;

private:
    // Lower-cased section name -> lower-cased key name -> value.
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> sections;
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

// Whether a file could give this name and value back as they are written. A read drops a value's
// surrounding blanks and one pair of enclosing quotes and cuts it to 1,023 characters.
bool IniStorable(std::string_view section, std::string_view key, std::string_view value);
