#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/ini.h"
#include "tests/support/temp_folder.h"

namespace {

class IniTest : public ::testing::Test {
protected:
    std::string Contents(const std::string& name = "test.ini") const {
        std::ifstream in(folder.File(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // How many files the folder holds: a write must leave no temporary file behind.
    long Entries() const { return std::distance(std::filesystem::directory_iterator(folder.path), {}); }
    std::string Get(const std::string& section, const std::string& key) {
        return GetIniString(section, key, "<default>", file);
    }
    void Put(const std::string& text) { folder.Write("test.ini", text); }

    TempFolder folder;
    const std::string file = folder.File("test.ini");
};

}  // namespace

TEST_F(IniTest, AMissingFileGivesEveryDefault) {
    // An int default of a million or more would come back as its first digit if it went through text.
    EXPECT_EQ(GetIniInt("system", "width", 1234567, file), 1234567);
    EXPECT_DOUBLE_EQ(GetIniDouble("system", "zoom", 0.1234567, file), 0.123457);
    EXPECT_TRUE(GetIniBool("system", "sound", true, file));
    EXPECT_EQ(GetIniString("system", "name", "Player  \t", file), "Player");
    EXPECT_EQ(GetIniString("system", "name", std::string(2000, 'd'), file).size(), 1023u);
}

TEST_F(IniTest, NamesIgnoreCaseAndBlanksValuesLoseBlanksAndOnePairOfQuotesFirstOneWins) {
    Put("[ SYSTEM ]\n  KEY = 5 \n\tWidth\t=\t1024\nkey=6\n[v]\na=  x y  \nb='q'\nc=\"mixed'\nd=\"\n"
        "f=\"  in  \"\ng=\"\"x\"\"\n[System]\nk=3\n");
    EXPECT_EQ(Get(" System ", " Key "), "5");
    EXPECT_EQ(GetIniInt("SYSTEM", "width", 0, file), 1024);
    EXPECT_EQ(Get("system", "k"), "<default>");
    EXPECT_EQ(Get("v", "a"), "x y");
    EXPECT_EQ(Get("v", "b"), "q");
    EXPECT_EQ(Get("v", "c"), "\"mixed'");
    EXPECT_EQ(Get("v", "d"), "\"");
    EXPECT_EQ(Get("v", "f"), "  in  ");
    EXPECT_EQ(Get("v", "g"), "\"x\"");
}

TEST_F(IniTest, TypedReadsConvertTheTextAndAnEmptyValueIsAValue) {
    Put("[n]\nempty=\nb=1024px\nc=px\nd=0.25\ne=true\nf=1\ni=1.23457e+006\nlong=" + std::string(5000, 'v') +
        "\n");
    EXPECT_EQ(Get("n", "empty"), "");
    EXPECT_FALSE(GetIniBool("n", "empty", true, file));
    EXPECT_EQ(GetIniInt("n", "empty", 800, file), 800);
    EXPECT_EQ(GetIniInt("n", "b", 0, file), 1024);
    EXPECT_EQ(GetIniInt("n", "i", 0, file), 1);
    EXPECT_DOUBLE_EQ(GetIniDouble("n", "d", 0, file), 0.25);
    EXPECT_DOUBLE_EQ(GetIniDouble("n", "c", 1.5, file), 1.5);
    EXPECT_FALSE(GetIniBool("n", "e", true, file));
    EXPECT_TRUE(GetIniBool("n", "f", false, file));
    EXPECT_EQ(Get("n", "long"), std::string(1023, 'v'));
}

TEST_F(IniTest, OnlySectionKeyLinesCarryValues) {
    Put("top=1\n;[s]\n[s]\n;c=2\nnoequals\n=3\n[broken\nafter=4\n[t] trailing\nx=5\n[a]b]\ny=6\n");
    EXPECT_EQ(Get("", "top"), "<default>");
    EXPECT_EQ(Get("s", ";c"), "<default>");
    EXPECT_EQ(Get("s", "noequals"), "<default>");
    EXPECT_EQ(Get("s", ""), "<default>");
    // A "[" line without "]" is no header.
    EXPECT_EQ(Get("s", "after"), "4");
    EXPECT_EQ(Get("t", "x"), "5");
    EXPECT_EQ(Get("a]b", "y"), "6");
}

TEST_F(IniTest, BadInputNeverBreaksTheReader) {
    Put("\xEF\xBB\xBF[a]\r\nx=1\ry=2\nz=3\r\n\r\n[b]\rw=4");
    EXPECT_EQ(Get("a", "x") + Get("a", "y") + Get("a", "z") + Get("b", "w"), "1234");

    std::mt19937 random(42);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    Put(garbage + "\n" + std::string(3 << 20, 'x') + "\n[real]\nk=a" + std::string(1, '\0') + "b\n");
    EXPECT_EQ(Get("real", "k"), std::string("a\0b", 3));

    std::filesystem::create_directory(folder.File("folder.ini"));
    EXPECT_EQ(GetIniString("s", "k", "d", folder.File("folder.ini")), "d");
    ASSERT_EQ(mkfifo(folder.File("pipe.ini").c_str(), 0600), 0);
    EXPECT_EQ(GetIniString("s", "k", "d", folder.File("pipe.ini")), "d");
}

TEST_F(IniTest, WritesCreateTheFileAndWriteNumbersAsText) {
    WriteIniInt("system", "width", 5, file);
    EXPECT_FALSE(LastIniWriteFailed());
    WriteIniDouble("system", "third", 1.0 / 3.0, file);
    WriteIniInt("system", "big", 1234567, file);
    WriteIniBool("system", "sound", true, file);
    EXPECT_EQ(Contents(), "[system]\nwidth=5\nthird=0.333333\nbig=1234567\nsound=1\n");
    EXPECT_EQ(Entries(), 1);
}

TEST_F(IniTest, WritesKeepEveryOtherLineAsItWas) {
    Put("; settings\n[Car0]\nName = Red  ; fast\nspeed=1\n\n; next\n[car0]\nspeed=7\n[other]\nk=v");
    WriteIniString("CAR0", "SPEED", "2", file);
    WriteIniString("car0", "mass", "3", file);
    WriteIniString("other", "j", "w", file);
    WriteIniString(" new ", "x", "1", file);
    EXPECT_EQ(Contents(),
              "; settings\n[Car0]\nName = Red  ; fast\nSPEED=2\nmass=3\n\n; next\n[car0]\nspeed=7\n[other]\n"
              "k=v\nj=w\n[new]\nx=1\n");

    Put("\xEF\xBB\xBF[a]\r\nx=1\r\n\r\n[b]");
    WriteIniString("a", "y", "2", file);
    WriteIniString("b", "z", "3", file);
    WriteIniString("c", "w", "4", file);
    EXPECT_EQ(Contents(), "\xEF\xBB\xBF[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\nz=3\r\n[c]\r\nw=4\r\n");
}

TEST_F(IniTest, WritesThatWouldCorruptTheFileAreRefused) {
    Put("[s]\nk=1\n");
    const std::vector<std::vector<std::string>> unstorable = {
        {"s", "k", "2\n[evil]"}, {"s", "k", "2\r"}, {"s\n", "k", "2"},  {"s", " ", "2"},
        {"s", "a=b", "2"},       {"s", ";k", "2"},  {"s", "[k", "2"},   {"s", "k", " 2"},
        {"s", "k", "2\t"},       {"s", "k", "'2'"}, {"s", "k", "\"\""}, {"s", "k", std::string(1024, 'v')}};
    for (const std::vector<std::string>& write : unstorable) {
        WriteIniString(write[0], write[1], write[2], file);
        EXPECT_TRUE(LastIniWriteFailed()) << write[1] << "=" << write[2];
    }
    EXPECT_EQ(Contents(), "[s]\nk=1\n");
    WriteIniString("s", "k", "2", file);
    EXPECT_FALSE(LastIniWriteFailed());
}

TEST_F(IniTest, FailedWritesAreReportedAndLeaveTheFileIntact) {
    WriteIniString("s", "k", "1", folder.File("missing/x.ini"));
    EXPECT_TRUE(LastIniWriteFailed());
    Put("[s]\nk=1\n");
    WriteIniString("s", "k", "2", file + "/x.ini");
    EXPECT_TRUE(LastIniWriteFailed());
    std::filesystem::create_directory(folder.File("folder.ini"));
    WriteIniString("s", "k", "2", folder.File("folder.ini"));
    EXPECT_TRUE(LastIniWriteFailed());
    // Permissions do not bind root.
    if (geteuid() != 0) {
        chmod(file.c_str(), 0444);
        WriteIniString("s", "k", "2", file);
        EXPECT_TRUE(LastIniWriteFailed());
        chmod(file.c_str(), 0644);
        chmod(folder.path.c_str(), 0500);
        WriteIniString("s", "k", "2", file);
        EXPECT_TRUE(LastIniWriteFailed());
        chmod(folder.path.c_str(), 0700);
    }
    EXPECT_EQ(Contents(), "[s]\nk=1\n");
    EXPECT_EQ(Entries(), 2);
}

TEST_F(IniTest, AWriteThatRunsOutOfSpaceLeavesTheOriginal) {
    const std::string original = "[s]\nk=1\n" + std::string(1000, ';') + "\n";
    Put(original);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    WriteIniString("s", "k", "2", file);
    const bool failed = LastIniWriteFailed();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(failed);
    EXPECT_EQ(Contents(), original);
    EXPECT_EQ(Entries(), 1);
}

TEST_F(IniTest, WritesReachTheFileThroughLinksAndCaseKeepingItsMode) {
    const std::string config = folder.Write("config.ini", "[s]\nk=1\n");
    chmod(config.c_str(), 0640);
    std::filesystem::create_symlink(config, folder.File("link.ini"));
    WriteIniString("s", "k", "2", folder.File("link.ini"));
    EXPECT_FALSE(LastIniWriteFailed());
    WriteIniString("s", "j", "3", folder.path + "\\CONFIG.INI");
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.ini")));
    EXPECT_EQ(Contents("config.ini"), "[s]\nk=2\nj=3\n");
    struct stat info;
    ASSERT_EQ(stat(config.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(), 2);
}

TEST_F(IniTest, ABatchReachesTheFileOnlyOnCommitWithWhatKeyByKeyWritesMake) {
    const std::string start = "\xEF\xBB\xBF; top\r\n[a]\r\nx=1\r\n\r\n[b]";
    const auto writeAll = [](const std::string& target) {
        WriteIniString("a", "x", "2", target);
        WriteIniInt("A", "y", 3, target);
        WriteIniString("b", "z", "q'", target);
        WriteIniDouble("c", "w", 0.5, target);
        WriteIniBool(" c ", "X", true, target);
    };
    writeAll(folder.Write("one_by_one.ini", start));
    Put(start);
    CIniWriteBatch batch(file);
    writeAll(file);
    EXPECT_FALSE(LastIniWriteFailed());
    EXPECT_EQ(Contents(), start);
    EXPECT_EQ(Get("a", "x") + Get("b", "z") + Get("c", "x"), "2q'1");
    std::string elsewhere;
    std::thread([&] { elsewhere = Get("a", "x"); }).join();
    EXPECT_EQ(elsewhere, "1");
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(Contents(),
              "\xEF\xBB\xBF; top\r\n[a]\r\nx=2\r\ny=3\r\n\r\n[b]\r\nz=q'\r\n[c]\r\nw=0.5\r\nX=1\r\n");
    EXPECT_EQ(Contents(), Contents("one_by_one.ini"));
    EXPECT_EQ(Entries(), 2);
}

TEST_F(IniTest, ABatchDroppedRefusingAWriteOrInAMissingFolderStoresNothing) {
    Put("[s]\nk=1\n");
    {
        CIniWriteBatch dropped(file);
        WriteIniString("s", "k", "2", file);
    }
    EXPECT_EQ(Get("s", "k"), "1");
    CIniWriteBatch refusing(file);
    WriteIniString("s", "k", "2", file);
    WriteIniString("s", "k", "3\n[evil]", file);
    EXPECT_TRUE(LastIniWriteFailed());
    EXPECT_FALSE(refusing.Commit());
    const std::string missing = folder.File("missing/x.ini");
    CIniWriteBatch nowhere(missing);
    WriteIniString("s", "k", "1", missing);
    EXPECT_FALSE(nowhere.Commit());
    EXPECT_EQ(Contents(), "[s]\nk=1\n");
    EXPECT_EQ(Entries(), 1);
}

TEST_F(IniTest, EveryReadSeesEveryEarlierWriteAlsoInAReadBatch) {
    Put("[s]\nk=-2\n");
    const CIniReadBatch batch(file);
    // The batch reads its copy: even a file gone since reads as it was.
    std::remove(file.c_str());
    EXPECT_EQ(GetIniInt("s", "k", -1, file), -2);
    for (int i = 0; i < 20; ++i) {
        WriteIniInt("s", "k", i, file);
        ASSERT_EQ(GetIniInt("s", "k", -1, file), i);
    }
}

TEST_F(IniTest, AFileChangedBehindTheCacheIsReadAgain) {
    Put("[s]\nk=1\n");
    struct stat before;
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    ASSERT_EQ(Get("s", "k"), "1");

    // Same size and time stamps, but a new inode.
    const std::string replacement = folder.Write("replacement", "[s]\nk=2\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, replacement.c_str(), times, 0), 0);
    ASSERT_EQ(rename(replacement.c_str(), file.c_str()), 0);
    EXPECT_EQ(Get("s", "k"), "2");

    // Same inode and size, another modification time.
    Put("[s]\nk=3\n");
    const timespec later[2] = {before.st_atim, {before.st_mtim.tv_sec + 5, before.st_mtim.tv_nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), later, 0), 0);
    EXPECT_EQ(Get("s", "k"), "3");

    ASSERT_EQ(unlink(file.c_str()), 0);
    EXPECT_EQ(Get("s", "k"), "<default>");
}

TEST_F(IniTest, TwoThreadsReadWhileTheFileIsRewritten) {
    std::string world;
    for (int i = 0; i < 200; ++i) {
        world += "[object" + std::to_string(i) + "]\nx=" + std::to_string(i) + "\n";
    }
    Put(world);
    std::atomic<bool> writing{true};
    std::atomic<int> wrong{0};
    auto reader = [&] {
        do {
            for (int i = 0; i < 200; ++i) {
                wrong += GetIniInt("object" + std::to_string(i), "x", -1, file) != i ? 1 : 0;
            }
        } while (writing);
    };
    std::thread first(reader);
    std::thread second(reader);
    for (int i = 0; i < 100; ++i) {
        WriteIniInt("counter", "value", i, file);
    }
    writing = false;
    first.join();
    second.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(GetIniInt("counter", "value", -1, file), 99);
}
