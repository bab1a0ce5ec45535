#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/ini.h"

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "asphaltia_ini_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        file = dir + "/test.ini";
    }
    void TearDown() override {
        chmod(dir.c_str(), 0700);
        std::filesystem::remove_all(dir);
    }

    void Put(const std::string& text, const std::string& path = "") {
        std::ofstream(path.empty() ? file : path, std::ios::binary) << text;
    }
    std::string Contents(const std::string& path = "") const {
        std::ifstream in(path.empty() ? file : path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> DirEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    std::string Get(const std::string& section, const std::string& key) {
        return GetIniString(section, key, "<default>", file);
    }

    std::string dir;
    std::string file;
};

}  // namespace

TEST_F(IniTest, AMissingFileGivesEveryDefault) {
    EXPECT_EQ(GetIniInt("system", "width", 800, file), 800);
    EXPECT_EQ(GetIniInt("system", "width", 1234567, file), 1234567);
    EXPECT_DOUBLE_EQ(GetIniDouble("system", "zoom", 0.1234567, file), 0.123457);
    EXPECT_TRUE(GetIniBool("system", "sound", true, file));
    EXPECT_EQ(GetIniString("system", "name", "Player  \t", file), "Player");
    EXPECT_EQ(GetIniString("system", "name", std::string(2000, 'd'), file).size(), 1023u);
}

TEST_F(IniTest, NamesIgnoreCaseAndBlanks) {
    Put("[ SYSTEM ]\n  KEY = 5 \n\tWidth\t=\t1024\n");
    EXPECT_EQ(GetIniInt("system", "key", 0, file), 5);
    EXPECT_EQ(Get(" System ", " Key "), "5");
    EXPECT_EQ(GetIniInt("SYSTEM", "width", 0, file), 1024);
    EXPECT_EQ(Get("system", "missing"), "<default>");
    EXPECT_EQ(Get("other", "key"), "<default>");
}

TEST_F(IniTest, ValuesLoseBlanksAndOneMatchingPairOfQuotes) {
    Put("[v]\na=  x y  \nb='q'\nc=\"mixed'\nd=\"\ne=\"\"\nf=\"  in  \"\ng=\"\"x\"\"\n");
    EXPECT_EQ(Get("v", "a"), "x y");
    EXPECT_EQ(Get("v", "b"), "q");
    EXPECT_EQ(Get("v", "c"), "\"mixed'");
    EXPECT_EQ(Get("v", "d"), "\"");
    EXPECT_EQ(Get("v", "e"), "");
    EXPECT_EQ(Get("v", "f"), "  in  ");
    EXPECT_EQ(Get("v", "g"), "\"x\"");
}

TEST_F(IniTest, TheFirstSectionAndTheFirstKeyWin) {
    Put("[s]\nk=1\nk=2\n[t]\nk=5\n[S]\nk=3\nj=4\n");
    EXPECT_EQ(Get("s", "k"), "1");
    EXPECT_EQ(Get("s", "j"), "<default>");
    EXPECT_EQ(Get("t", "k"), "5");
}

TEST_F(IniTest, AnEmptyValueIsAValue) {
    Put("[system]\nfullscreen=\nwidth=\n");
    EXPECT_EQ(Get("system", "fullscreen"), "");
    EXPECT_FALSE(GetIniBool("system", "fullscreen", true, file));
    EXPECT_EQ(GetIniInt("system", "width", 800, file), 800);
}

TEST_F(IniTest, TypedReadsConvertTheText) {
    Put("[n]\na= 1024\nb=1024px\nc=px\nd=0.25\ne=true\nf=1\ng=2\nh=yes\ni=1.23457e+006\n");
    EXPECT_EQ(GetIniInt("n", "a", 0, file), 1024);
    EXPECT_EQ(GetIniInt("n", "b", 0, file), 1024);
    EXPECT_EQ(GetIniInt("n", "c", 9, file), 9);
    EXPECT_DOUBLE_EQ(GetIniDouble("n", "d", 0, file), 0.25);
    EXPECT_DOUBLE_EQ(GetIniDouble("n", "c", 1.5, file), 1.5);
    EXPECT_EQ(GetIniInt("n", "i", 0, file), 1);
    EXPECT_FALSE(GetIniBool("n", "e", true, file));
    EXPECT_TRUE(GetIniBool("n", "f", false, file));
    EXPECT_FALSE(GetIniBool("n", "g", true, file));
    EXPECT_FALSE(GetIniBool("n", "h", true, file));
}

TEST_F(IniTest, LongValuesAreCut) {
    Put("[long]\nk=" + std::string(5000, 'v') + "\n");
    EXPECT_EQ(Get("long", "k"), std::string(1023, 'v'));
}

TEST_F(IniTest, OnlySectionKeyLinesCarryValues) {
    Put("top=1\n;[s]\n[s]\n;c=2\nnoequals\n=3\n[broken\nafter=4\n[t] trailing\nx=5\n[a]b]\ny=6\n");
    EXPECT_EQ(Get("", "top"), "<default>");
    EXPECT_EQ(Get("s", ";c"), "<default>");
    EXPECT_EQ(Get("s", "noequals"), "<default>");
    EXPECT_EQ(Get("s", ""), "<default>");
    EXPECT_EQ(Get("s", "after"), "4");
    EXPECT_EQ(Get("t", "x"), "5");
    EXPECT_EQ(Get("a]b", "y"), "6");
}

TEST_F(IniTest, AnyLineEndAndAByteOrderMarkAreUnderstood) {
    Put("\xEF\xBB\xBF[a]\r\nx=1\ry=2\nz=3\r\n\r\n[b]\rw=4");
    EXPECT_EQ(Get("a", "x"), "1");
    EXPECT_EQ(Get("a", "y"), "2");
    EXPECT_EQ(Get("a", "z"), "3");
    EXPECT_EQ(Get("b", "w"), "4");
}

TEST_F(IniTest, GarbageNeverBreaksTheReader) {
    std::mt19937 random(42);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    Put(garbage + "\n" + std::string(3 << 20, 'x') + "\n[real]\nk=a" + std::string(1, '\0') + "b\n");
    EXPECT_EQ(Get("real", "k"), std::string("a\0b", 3));

    std::filesystem::create_directory(dir + "/folder.ini");
    EXPECT_EQ(GetIniString("s", "k", "d", dir + "/folder.ini"), "d");
    ASSERT_EQ(mkfifo((dir + "/pipe.ini").c_str(), 0600), 0);
    EXPECT_EQ(GetIniString("s", "k", "d", dir + "/pipe.ini"), "d");
}

TEST_F(IniTest, WritesCreateTheFileAndWriteNumbersAsText) {
    WriteIniInt("system", "width", 5, file);
    EXPECT_FALSE(LastIniWriteFailed());
    EXPECT_EQ(Contents(), "[system]\nwidth=5\n");
    WriteIniDouble("system", "quarter", 0.25, file);
    WriteIniDouble("system", "third", 1.0 / 3.0, file);
    WriteIniInt("system", "big", 1234567, file);
    WriteIniBool("system", "sound", true, file);
    EXPECT_EQ(Contents(), "[system]\nwidth=5\nquarter=0.25\nthird=0.333333\nbig=1234567\nsound=1\n");
    EXPECT_EQ(GetIniInt("system", "big", 0, file), 1234567);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(IniTest, WritesKeepEveryOtherLineAsItWas) {
    const std::string original =
        "; settings\n[Car0]\nName = Red  ; fast\nspeed=1\n\n; next\n[car0]\nspeed=7\n[other]\nk=v";
    Put(original);
    WriteIniString("CAR0", "SPEED", "2", file);
    EXPECT_EQ(Contents(),
              "; settings\n[Car0]\nName = Red  ; fast\nSPEED=2\n\n; next\n[car0]\nspeed=7\n[other]\nk=v");
    WriteIniString("car0", "mass", "3", file);
    EXPECT_EQ(
        Contents(),
        "; settings\n[Car0]\nName = Red  ; fast\nSPEED=2\nmass=3\n\n; next\n[car0]\nspeed=7\n[other]\nk=v");
    WriteIniString("other", "j", "w", file);
    WriteIniString(" new ", "x", "1", file);
    EXPECT_EQ(Contents(),
              "; settings\n[Car0]\nName = Red  ; fast\nSPEED=2\nmass=3\n\n; "
              "next\n[car0]\nspeed=7\n[other]\nk=v\nj=w\n"
              "[new]\nx=1\n");
    EXPECT_EQ(Get("car0", "speed"), "2");
}

TEST_F(IniTest, WritesKeepCrlfAndTheByteOrderMark) {
    Put("\xEF\xBB\xBF[a]\r\nx=1\r\n\r\n[b]");
    WriteIniString("a", "y", "2", file);
    WriteIniString("b", "z", "3", file);
    WriteIniString("c", "w", "4", file);
    EXPECT_EQ(Contents(), "\xEF\xBB\xBF[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\nz=3\r\n[c]\r\nw=4\r\n");
}

TEST_F(IniTest, UnstorableWritesFailAndChangeNothing) {
    Put("[s]\nk=1\n");
    for (const auto& [section, key, value] :
         std::vector<std::tuple<std::string, std::string, std::string>>{{"s", "k", "2\n[evil]"},
                                                                        {"s", "k", "2\r"},
                                                                        {"s\n", "k", "2"},
                                                                        {"s", "", "2"},
                                                                        {"s", " ", "2"},
                                                                        {"s", "a=b", "2"},
                                                                        {"s", ";k", "2"},
                                                                        {"s", "[k", "2"}}) {
        WriteIniString(section, key, value, file);
        EXPECT_TRUE(LastIniWriteFailed()) << key << "=" << value;
    }
    EXPECT_EQ(Contents(), "[s]\nk=1\n");
    WriteIniString("s", "k", "2", file);
    EXPECT_FALSE(LastIniWriteFailed());
}

TEST_F(IniTest, WritesThatCannotBeDoneAreReported) {
    WriteIniString("s", "k", "1", dir + "/missing/x.ini");
    EXPECT_TRUE(LastIniWriteFailed());
    Put("[s]\nk=1\n");
    WriteIniString("s", "k", "2", file + "/x.ini");
    EXPECT_TRUE(LastIniWriteFailed());
    std::filesystem::create_directory(dir + "/folder.ini");
    WriteIniString("s", "k", "2", dir + "/folder.ini");
    EXPECT_TRUE(LastIniWriteFailed());
    EXPECT_EQ(Contents(), "[s]\nk=1\n");
    EXPECT_EQ(DirEntries().size(), 2u);
}

TEST_F(IniTest, AReadOnlyFileOrFolderIsLeftIntact) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    Put("[s]\nk=1\n");
    chmod(file.c_str(), 0444);
    WriteIniString("s", "k", "2", file);
    EXPECT_TRUE(LastIniWriteFailed());
    chmod(file.c_str(), 0644);
    chmod(dir.c_str(), 0500);
    WriteIniString("s", "k", "2", file);
    EXPECT_TRUE(LastIniWriteFailed());
    EXPECT_EQ(Contents(), "[s]\nk=1\n");
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
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(IniTest, WritesKeepTheFileModeAndFollowLinks) {
    Put("[s]\nk=1\n");
    chmod(file.c_str(), 0640);
    const std::string link = dir + "/link.ini";
    std::filesystem::create_symlink(file, link);
    WriteIniString("s", "k", "2", link);
    EXPECT_FALSE(LastIniWriteFailed());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Contents(), "[s]\nk=2\n");
    struct stat info;
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(IniTest, WritesFindTheFileWithoutRegardToCase) {
    Put("[s]\nk=1\n", dir + "/config.ini");
    WriteIniString("s", "k", "2", dir + "\\CONFIG.INI");
    EXPECT_EQ(Contents(dir + "/config.ini"), "[s]\nk=2\n");
    EXPECT_EQ(GetIniString("s", "k", "", dir + "\\Config.Ini"), "2");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"config.ini"});
}

TEST_F(IniTest, EveryReadSeesEveryEarlierWrite) {
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
    const std::string replacement = dir + "/replacement";
    Put("[s]\nk=2\n", replacement);
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
                if (GetIniInt("object" + std::to_string(i), "x", -1, file) != i) {
                    ++wrong;
                }
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
