#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A folder of its own under /tmp for the files a test writes; removed with everything in it.
class TempFolder {
public:
    // The fuzz targets keep theirs in memory, under /dev/shm.
    explicit TempFolder(const std::string& parent = "/tmp") {
        std::string pattern = parent + "/asphaltia_test_XXXXXX";
        const char* made = mkdtemp(pattern.data());
        path = made != nullptr ? made : "";
    }
    ~TempFolder() {
        if (!path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }
    // Writes text to a file of the folder and returns its name.
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string file = File(name);
        std::ofstream(file) << text;
        return file;
    }
    // Any file, byte for byte; empty if it cannot be read.
    std::string Read(const std::string& file) const {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // How many entries the folder holds: a save must leave no temporary file behind.
    long Entries() const { return std::distance(std::filesystem::directory_iterator(path), {}); }

    std::string path;
};
