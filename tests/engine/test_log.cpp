#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>

#include "engine/log.h"
#include "engine/platform/paths.h"
#include "tests/support/temp_folder.h"

// Silent until switched on; the log file starts empty, and lines from two threads never interleave in it.
TEST(Log, FormatsLinesOnlyOnceOnAndFileLoggingEmptiesTheFileAndConsoleCanBeSwitchedOff) {
    TempFolder folder;
    SetPathRoots({folder.File(""), folder.File(""), folder.File("")});
    folder.Write("logfile.txt", "a line of an earlier run\n");
    testing::internal::CaptureStdout();
    Log(LOG_FORCED, "forced", "");
    EnableLogging();
    EnableLogging();
    Log(LOG_PLAIN, "plain with class", "class X");
    Log(LOG_WARNING, "careful", "");
    EnableFileLogging();
    EnableFileLogging();
    DisableConsoleLogging();
    DisableConsoleLogging();
    Log(LOG_STATUS, "Initializing SDL...", "class CGameBase");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "FORCED: Logging enabled...\nclass X: plain with class\nWARNING: careful\n"
              "FORCED: File logging enabled, writing to logfile.txt...\n"
              "FORCED: Console logging disabled.\n");
    const std::string a(200, 'a'), b(200, 'b');
    const auto write = [](const std::string& text, const char* source) {
        for (int i = 0; i < 300; i++) {
            Log(LOG_STATUS, text, source);
        }
    };
    std::thread first(write, a, "class Main"), second(write, b, "class Loader");
    first.join();
    second.join();

    const std::string text = folder.Read(folder.File("logfile.txt"));
    const std::string start =
        "FORCED: File logging enabled, writing to logfile.txt...\nFORCED: Console logging disabled.\n"
        "STATUS in class CGameBase: Initializing SDL...\n";
    ASSERT_EQ(text.substr(0, start.size()), start);
    std::istringstream file(text.substr(start.size()));
    int count = 0;
    for (std::string line; std::getline(file, line); ++count) {
        EXPECT_TRUE(line == "STATUS in class Main: " + a || line == "STATUS in class Loader: " + b) << line;
    }
    EXPECT_EQ(count, 600);
}
