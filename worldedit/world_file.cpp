#include "worldedit/world_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The lower-cased name of the section a line opens, or false for any other line.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t = Trimmed(line);
    const size_t close = t.find(']');
    if (t.empty() || t[0] != '[' || close == std::string::npos) {
        return false;
    }
    name = Lower(Trimmed(t.substr(1, close - 1)));
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

}  // namespace

std::string WithoutSections(const std::string& text, const std::vector<std::string>& prefixes,
                            const std::vector<std::string>& names) {
    std::istringstream lines(text);
    std::string kept;
    std::string line;
    bool skipping = false;
    while (std::getline(lines, line)) {
        std::string name;
        if (SectionName(line, name)) {
            skipping = false;
            for (const std::string& prefix : prefixes) {
                skipping = skipping || IsNumbered(name, prefix);
            }
            for (const std::string& whole : names) {
                skipping = skipping || name == Lower(whole);
            }
        }
        if (!skipping) {
            kept += line + "\n";
        }
    }
    return kept;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return file ? text.str() : std::string();
}

namespace {

const std::string kSavingInfix = ".saving.";
const size_t kSavingSuffixLength = 6;

}  // namespace

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

void RemoveStaleSaves(const std::string& target) {
    const fs::path path(target);
    const std::string prefix = path.filename().string() + kSavingInfix;
    std::error_code ec;
    for (fs::directory_iterator it(path.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() == prefix.size() + kSavingSuffixLength &&
            name.compare(0, prefix.size(), prefix) == 0 && it->is_regular_file(ec)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

bool CreateFileNextTo(const std::string& target, const std::string& text, std::string& created) {
    std::string pattern = target + kSavingInfix + "XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        return false;
    }
    close(fd);
    std::ofstream file(pattern, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        unlink(pattern.c_str());
        return false;
    }
    created = pattern;
    return true;
}

bool MoveOver(const std::string& file, const std::string& target) {
    std::error_code ec;
    // mkstemp makes files for the owner only; a world file stays as readable as it was.
    const fs::perms perms = fs::exists(target, ec) ? fs::status(target, ec).permissions()
                                                   : fs::perms::owner_read | fs::perms::owner_write |
                                                         fs::perms::group_read | fs::perms::others_read;
    fs::permissions(file, perms, ec);
    fs::rename(file, target, ec);
    return !ec;
}
