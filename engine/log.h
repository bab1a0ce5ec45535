#pragma once

#include <string>
#include <typeinfo>

// Log levels; the numbers are what callers pass.
enum LogLevel {
    LOG_PLAIN = 0,
    LOG_STATUS = 1,
    LOG_WARNING = 2,
    LOG_ERROR = 3,
    LOG_FATAL = 4,
    LOG_FORCED = 5,
};

// Writes one line to the console and/or the log file, if logging is enabled. className is
// empty for code that is not an object.
void Log(int level, std::string message, std::string className);

void EnableLogging();
void EnableFileLogging();
void DisableConsoleLogging();

// The text "class Name" for an object's dynamic type. Inside a constructor or destructor
// this is the class under construction, as C++ defines the dynamic type there.
std::string ClassNameOf(const std::type_info& type);

// Base of every engine and game class that logs: gives it the one member that writes a line
// under the name of its run-time class.
class CLogSource {
public:
    virtual ~CLogSource() = default;

protected:
    void LogLine(int level, const std::string& message) const;
};
