#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/log.h"
#include "engine/platform/paths.h"

// Test classes live at global scope: the class name in a log line carries no namespace.
class CLogTestSpeaker : public CLogSource {
public:
    void Fail() const { LogLine(LOG_ERROR, "Could not open audio device."); }
};

class CLogTestBase : public CLogSource {
public:
    CLogTestBase() { LogLine(LOG_STATUS, "Instance initialized."); }
    void Hello() const { LogLine(LOG_STATUS, "hello"); }
};

class ASP_LogTestApp : public CLogTestBase {};

namespace {

std::string CaptureLog(void (*body)()) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

// A fresh folder that takes what the program writes, as the player's folder does.
std::string UseNewUserFolder() {
    char folder[] = "/tmp/asphaltia_log_XXXXXX";
    const std::string made = mkdtemp(folder) != nullptr ? std::string(folder) + "/" : "";
    SetPathRoots({made, made, made});
    return made;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// Each test runs in its own process, so the logger starts switched off in every one.

TEST(Log, SilentUntilEnabledThenFormatsEveryLevel) {
    std::string before = CaptureLog([] {
        Log(LOG_FORCED, "forced", "");
        Log(LOG_ERROR, "error", "class X");
    });
    EXPECT_EQ(before, "");

    std::string lines = CaptureLog([] {
        EnableLogging();
        EnableLogging();
        Log(LOG_PLAIN, "plain", "");
        Log(LOG_PLAIN, "plain with class", "class X");
        Log(LOG_WARNING, "careful", "");
        Log(LOG_FATAL, "gone", "class Y");
        CLogTestSpeaker().Fail();
        // The run-time class, except during construction.
        ASP_LogTestApp().Hello();
    });
    EXPECT_EQ(lines,
              "FORCED: Logging enabled...\n"
              "plain\n"
              "class X: plain with class\n"
              "WARNING: careful\n"
              "FATAL ERROR in class Y: gone\n"
              "ERROR in class CLogTestSpeaker: Could not open audio device.\n"
              "STATUS in class CLogTestBase: Instance initialized.\n"
              "STATUS in class ASP_LogTestApp: hello\n");
}

TEST(Log, FileLoggingEmptiesTheFileAndConsoleCanBeSwitchedOff) {
    const std::string folder = UseNewUserFolder();
    ASSERT_NE(folder, "");
    {
        std::ofstream old(folder + "logfile.txt");
        old << "a line of an earlier run\n";
    }

    std::string console = CaptureLog([] {
        EnableLogging();
        EnableFileLogging();
        EnableFileLogging();
        DisableConsoleLogging();
        DisableConsoleLogging();
        Log(LOG_STATUS, "Initializing SDL...", "class CGameBase");
    });
    EXPECT_EQ(console,
              "FORCED: Logging enabled...\n"
              "FORCED: File logging enabled, writing to logfile.txt...\n"
              "FORCED: Console logging disabled.\n");
    EXPECT_EQ(ReadFile(folder + "logfile.txt"),
              "FORCED: File logging enabled, writing to logfile.txt...\n"
              "FORCED: Console logging disabled.\n"
              "STATUS in class CGameBase: Initializing SDL...\n");
}

TEST(Log, LinesFromTwoThreadsNeverInterleave) {
    const std::string folder = UseNewUserFolder();
    ASSERT_NE(folder, "");
    CaptureLog([] {
        EnableLogging();
        EnableFileLogging();
        DisableConsoleLogging();
    });
    const std::string a(200, 'a');
    const std::string b(200, 'b');
    std::thread first([&] {
        for (int i = 0; i < 500; i++)
            Log(LOG_STATUS, a, "class Main");
    });
    std::thread second([&] {
        for (int i = 0; i < 500; i++)
            Log(LOG_STATUS, b, "class Loader");
    });
    first.join();
    second.join();

    std::istringstream file(ReadFile(folder + "logfile.txt"));
    std::string line;
    int count = 0;
    while (std::getline(file, line)) {
        if (line.rfind("FORCED", 0) == 0)
            continue;
        EXPECT_TRUE(line == "STATUS in class Main: " + a || line == "STATUS in class Loader: " + b) << line;
        count++;
    }
    EXPECT_EQ(count, 1000);
}
