#include "track/world_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "engine/ini.h"
#include "engine/platform/paths.h"

namespace fs = std::filesystem;

namespace {

const char kBlanks[] = " \t\r";

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The lower-cased name of the section a line opens, or false for any other line.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t = Trimmed(line, kBlanks);
    const size_t close = t.find(']');
    if (t.empty() || t[0] != '[' || close == std::string::npos) {
        return false;
    }
    name = Lower(Trimmed(t.substr(1, close - 1), kBlanks));
    return true;
}

bool IsNumbered(const std::string& name, const std::string& prefix) {
    const std::string p = Lower(prefix);
    if (name.size() <= p.size() || name.compare(0, p.size(), p) != 0) {
        return false;
    }
    for (size_t i = p.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return true;
}

// Whether name (lower case) is "mod" + n, "mod" + n + "part" or "mod" + n + "prot" + m.
bool IsModifierSection(const std::string& name) {
    const size_t afterNumber = name.find_first_not_of("0123456789", 3);
    if (name.compare(0, 3, "mod") != 0 || afterNumber == 3 || name.size() == 3) {
        return false;
    }
    const std::string rest = afterNumber == std::string::npos ? "" : name.substr(afterNumber);
    return rest.empty() || rest == "part" || IsNumbered(rest, "prot");
}

// The text without the sections whose lower-cased name `drop` holds to.
std::string WithoutSectionsWhere(const std::string& text,
                                 const std::function<bool(const std::string&)>& drop) {
    std::istringstream lines(text);
    std::string kept;
    std::string line;
    bool skipping = false;
    while (std::getline(lines, line)) {
        std::string name;
        if (SectionName(line, name)) {
            skipping = drop(name);
        }
        if (!skipping) {
            kept += line + "\n";
        }
    }
    return kept;
}

// The key of a line "key=value", lower-cased and trimmed; empty for any other line.
std::string KeyOf(const std::string& line) {
    const size_t equals = line.find('=');
    return equals == std::string::npos ? "" : Lower(Trimmed(line.substr(0, equals), kBlanks));
}

}  // namespace

ASP_SectionWriter::ASP_SectionWriter(std::string section, std::string file)
    : section(std::move(section)), file(std::move(file)) {}

void ASP_SectionWriter::String(const std::string& key, const std::string& value) {
    WriteIniString(section, key, value, file);
    Check();
}

void ASP_SectionWriter::Double(const std::string& key, double v) {
    WriteIniDouble(section, key, v, file);
    Check();
}

void ASP_SectionWriter::Int(const std::string& key, int v) {
    WriteIniInt(section, key, v, file);
    Check();
}

void ASP_SectionWriter::Bool(const std::string& key, bool v) {
    WriteIniBool(section, key, v, file);
    Check();
}

void ASP_SectionWriter::Check() {
    if (LastIniWriteFailed()) {
        succeeded = false;
    }
}

std::string Trimmed(const std::string& text, const char* blanks) {
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string SectionLines(const std::string& text, const std::string& name) {
    std::istringstream lines(text);
    std::string kept;
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        std::string section;
        if (SectionName(line, section)) {
            inside = section == Lower(name);
            continue;
        }
        const std::string t = Trimmed(line, kBlanks);
        if (inside && !t.empty() && t[0] != ';') {
            kept += t + "\n";
        }
    }
    return kept;
}

std::string WithoutModifiers(const std::string& text) {
    return WithoutSectionsWhere(text, IsModifierSection);
}

std::string WithKey(const std::string& text, const std::string& section, const std::string& key,
                    const std::string& value) {
    std::istringstream lines(text);
    std::string result;
    std::string line;
    bool inside = false;
    bool done = false;
    const std::string entry = key + "=" + value + "\n";
    while (std::getline(lines, line)) {
        std::string name;
        const bool header = SectionName(line, name);
        if (header && inside && !done) {
            result += entry;
            done = true;
        }
        if (header) {
            inside = name == Lower(section);
        } else if (inside && !done && KeyOf(line) == Lower(key)) {
            line = entry.substr(0, entry.size() - 1);
            done = true;
        }
        result += line + "\n";
    }
    if (!done) {
        result += (inside ? "" : "[" + section + "]\n") + entry;
    }
    return result;
}

std::string WithoutSections(const std::string& text, const std::vector<std::string>& prefixes,
                            const std::vector<std::string>& names) {
    return WithoutSectionsWhere(text, [&](const std::string& name) {
        const auto numbered = [&name](const std::string& prefix) { return IsNumbered(name, prefix); };
        const auto named = [&name](const std::string& whole) { return name == Lower(whole); };
        return std::any_of(prefixes.begin(), prefixes.end(), numbered) ||
               std::any_of(names.begin(), names.end(), named);
    });
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return file ? text.str() : std::string();
}

std::string NameRefusal(const std::string& name) {
    if (IsAbsoluteName(name) || StaysInsideRoots(name)) {
        return "";
    }
    return "Refused " + name + ": a file name stays inside your folder, or is a full path.";
}

std::string SaveTarget(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) {
        return path;
    }
    const fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

std::string SaveRefusal(const std::string& target) {
    struct stat info;
    if (stat(target.c_str(), &info) != 0) {
        return "";
    }
    if (!S_ISREG(info.st_mode)) {
        return target + " is not a regular file.";
    }
    // Root may write anything; a file nobody may write is still meant to stay as it is.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(target.c_str(), W_OK) != 0) {
        return target + " is read-only.";
    }
    return "";
}

bool SaveIniText(const std::string& target, const std::string& text,
                 const std::function<bool(const std::string& file)>& write, std::ostream& out) {
    // Thousands of keys, each stored in a replacement of the whole file, froze the editor for
    // seconds; gathered in memory from the text they cost one replacement, and a save killed
    // meanwhile leaves the file as it was.
    CIniWriteBatch batch(target, text);
    if (!write(target)) {
        return false;
    }
    if (!batch.Commit()) {
        out << "Cannot replace " << target << ".\n";
        return false;
    }
    return true;
}
