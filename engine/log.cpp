#include "engine/log.h"

#include <cxxabi.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <typeinfo>

#include "engine/platform/paths.h"

namespace {

bool loggingEnabled = false;
bool consoleLogging = true;
bool fileLogging = false;
int minLevel = 0;
const std::string logFileName = "logfile.txt";
std::ofstream logFile;
const char* const levelNames[] = {"", "STATUS", "WARNING", "ERROR", "FATAL ERROR", "FORCED"};

// The game logs from its main and loader threads; one line must never interleave with another.
std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string LevelWord(int level) {
    if (level < 0 || level > LOG_FORCED) {
        return "";
    }
    return levelNames[level];
}

std::string BuildLine(int level, const std::string& message, const std::string& className) {
    if (!className.empty()) {
        return level != LOG_PLAIN ? LevelWord(level) + " in " + className + ": " + message
                                  : className + ": " + message;
    }
    return level != LOG_PLAIN ? LevelWord(level) + ": " + message : message;
}

}  // namespace

void Log(int level, std::string message, std::string className) {
    std::lock_guard<std::mutex> lock(LogMutex());
    if (!loggingEnabled) {
        return;
    }
    if (level != LOG_FORCED && level < minLevel) {
        return;
    }
    const std::string line = BuildLine(level, message, className);
    if (consoleLogging) {
        std::cout << line << std::endl;
    }
    if (fileLogging) {
        logFile << line << std::endl;
    }
}

void EnableLogging() {
    {
        std::lock_guard<std::mutex> lock(LogMutex());
        if (loggingEnabled) {
            return;
        }
        loggingEnabled = true;
    }
    Log(LOG_FORCED, "Logging enabled...", "");
}

void EnableFileLogging() {
    {
        std::lock_guard<std::mutex> lock(LogMutex());
        if (fileLogging) {
            return;
        }
        const std::string path = PrepareWritePath(logFileName);
        // A FIFO or a folder in its place would block the start or fail every line.
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            std::cerr << "ERROR: " << logFileName << " is not a regular file; nothing is logged there."
                      << std::endl;
            return;
        }
        fileLogging = true;
        // Opening for writing first empties the file, so only this run's lines remain.
        logFile.open(path, std::ios::out | std::ios::trunc);
        logFile.close();
        logFile.open(path, std::ios::out | std::ios::app);
    }
    Log(LOG_FORCED, "File logging enabled, writing to " + logFileName + "...", "");
}

void DisableConsoleLogging() {
    {
        std::lock_guard<std::mutex> lock(LogMutex());
        if (!consoleLogging) {
            return;
        }
    }
    // Logged before switching off, so this line still reaches the console.
    Log(LOG_FORCED, "Console logging disabled.", "");
    std::lock_guard<std::mutex> lock(LogMutex());
    consoleLogging = false;
}

std::string ClassNameOf(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return std::string("class ") + (status == 0 && demangled ? demangled.get() : type.name());
}

void CLogSource::LogLine(int level, const std::string& message) const {
    Log(level, message, ClassNameOf(typeid(*this)));
}
