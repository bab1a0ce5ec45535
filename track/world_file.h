#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Pieces for saving a world file so that a failure part-way never leaves a half-old, half-new
// file: the whole new text is made first, and then replaces the old file in one step.

// The text of a world file without the sections named by one of the prefixes followed by a
// number, or by one of the names (letter case ignored): what remains are the parts the editor
// does not edit.
std::string WithoutSections(const std::string& text, const std::vector<std::string>& prefixes,
                            const std::vector<std::string>& names);

// The key lines of the section of that name (letter case ignored), each with a line end, without
// its header, blank lines and comments; empty when the text has no such section.
std::string SectionLines(const std::string& text, const std::string& name);
// The text without a world file's surface modifiers: the sections "mod" + n, "mod" + n + "part" and
// "mod" + n + "prot" + m.
std::string WithoutModifiers(const std::string& text);
// The text with key=value in the section: the key's line replaced, or added at the end of the
// section, which is added at the end of the text if it has none.
std::string WithKey(const std::string& text, const std::string& section, const std::string& key,
                    const std::string& value);

// Writes the keys of one section and remembers whether any of the writes failed.
class ASP_SectionWriter {
public:
    ASP_SectionWriter(std::string section, std::string file);

    void String(const std::string& key, const std::string& value);
    void Double(const std::string& key, double v);
    void Int(const std::string& key, int v);
    void Bool(const std::string& key, bool v);
    bool Succeeded() const { return succeeded; }

private:
    void Check();

    std::string section;
    std::string file;
    bool succeeded = true;
};

// The text without the blanks (any of those characters) at either end.
std::string Trimmed(const std::string& text, const char* blanks);

// The whole file, or the empty text if it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Empty if a file of that name may be written; otherwise the reason it may not: a relative name
// that climbs out of the user's folder with ".." would write anywhere.
std::string NameRefusal(const std::string& name);

// Where a save of path goes: through a symbolic link to the file it names, so the link stays.
std::string SaveTarget(const std::string& path);
// Empty if a save may replace target (or it does not exist); otherwise the reason it may not:
// it is read-only or not a regular file.
std::string SaveRefusal(const std::string& target);
// Stores text with the keys that write stores into it (through the INI functions, into the file
// it is given) as target, in one step: the keys are gathered in memory. Target keeps its
// permissions. False, with target as it was and the reason said on out, if a step fails.
bool SaveIniText(const std::string& target, const std::string& text,
                 const std::function<bool(const std::string& file)>& write, std::ostream& out);
