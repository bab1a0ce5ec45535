#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/ini.h"
#include "tests/support/temp_folder.h"

namespace {

class IniTest : public ::testing::Test {
protected:
    std::string Contents(const std::string& name = "test.ini") const {
        return folder.Read(folder.File(name));
    }
    std::string Get(const std::string& section, const std::string& key) {
        return GetIniString(section, key, "-", file);
    }
    void Put(const std::string& text) { folder.Write("test.ini", text); }

    TempFolder folder;
    const std::string file = folder.File("test.ini");
};

}  // namespace

TEST_F(IniTest, ReadsIgnoreCaseBlanksAndQuotesSurviveBadInputAndWritesKeepOtherLinesAndNeverCorruptTheFile) {
    Put("\xEF\xBB\xBF[ SYSTEM ]\n  KEY = 5 \n\tWidth\t=\t1024\nkey=6\n;c=2\nnoequals\n=3\n[v]\r\na=  x y  \r"
        "b='q'\nc=\"mixed'\nd=\"\nf=\"  in  \"\ng=\"\"x\"\"\nempty=\n[broken\nafter=4\n[t] trailing\n"
        "x=5\n[a]b]\ny=6\n[System]\nk=3\n");
    // The values of the keys, "|" between them.
    const auto values = [&](const std::string& section, const std::vector<std::string>& keys) {
        std::string all;
        for (const std::string& key : keys) {
            all += "|" + Get(section, key);
        }
        return all.substr(1);
    };
    EXPECT_EQ(values(" System ", {" Key ", "width", "k", ";c", "noequals", ""}), "5|1024|-|-|-|-");
    // "[broken" is no header: "after" belongs to [v].
    EXPECT_EQ(values("v", {"a", "b", "c", "d", "f", "g", "empty", "after"}),
              "x y|q|\"mixed'|\"|  in  |\"x\"||4");
    EXPECT_EQ(values("t", {"x"}) + values("a]b", {"y"}), "56");

    // An int default of a million or more would come back as its first digit if it went through text.
    EXPECT_EQ(GetIniInt("s", "k", 1234567, folder.File("missing.ini")), 1234567);
    // Numbers are read by TextToInt (tested below); an empty value is no number.
    Put("[n]\nempty=\nb=1024px\ne=true\nf=1\nlong=" + std::string(5000, 'v') + "\n");
    EXPECT_EQ(std::pair(GetIniInt("n", "empty", 800, file), GetIniInt("n", "b", 0, file)),
              std::pair(800, 1024));
    // Only "1" is true.
    EXPECT_FALSE(GetIniBool("n", "empty", true, file) || GetIniBool("n", "e", true, file));
    EXPECT_TRUE(GetIniBool("n", "f", false, file));
    EXPECT_EQ(Get("n", "long"), std::string(1023, 'v'));

    // Random bytes are the fuzz target's; here a line of megabytes and a NUL inside a value.
    Put(std::string(3 << 20, 'x') + "\n[real]\nk=a" + std::string(1, '\0') + "b\n");
    EXPECT_EQ(Get("real", "k"), std::string("a\0b", 3));
    std::filesystem::create_directory(folder.File("folder.ini"));
    ASSERT_EQ(mkfifo(folder.File("pipe.ini").c_str(), 0600), 0);
    for (const char* name : {"folder.ini", "pipe.ini"}) {
        EXPECT_EQ(GetIniString("s", "k", "d", folder.File(name)), "d");
    }

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
    EXPECT_EQ(Contents(), "\xEF\xBB\xBF[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\nz=3\r\n");
    // Lone CR lines before an empty LF line: written one by one or in a batch, the empty line stays.
    for (bool batched : {false, true}) {
        Put("[a]\rx=1\r\n\n[b]\r");
        auto batch = batched ? std::make_unique<CIniWriteBatch>(file) : nullptr;
        WriteIniString("a", "y", "2", file);
        WriteIniString("a", "z", "3", file);
        EXPECT_TRUE(batch == nullptr || batch->Commit());
        EXPECT_EQ(Contents(), "[a]\rx=1\r\ny=2\r\nz=3\r\n\n[b]\r") << batched;
    }
    EXPECT_EQ(folder.Entries(), 3);  // with the folder and the pipe read above

    const std::string original = "[s]\nk=1\n" + std::string(1000, ';') + "\n";
    Put(original);
    const std::string v1024(1024, 'v'), missing = folder.File("missing/x.ini"),
                                        dir = folder.File("folder.ini");
    // Section, key, value, file.
    const std::vector<std::vector<std::string>> unstorable = {
        {"s", "k", "2\n[evil]", file}, {"s\n", "k", "2", file},         {"s", "a=b", "2", file},
        {"s", ";k", "2", file},        {"s", "[k", "2", file},          {"s", "k", " 2", file},
        {"s", "k", "'2'", file},       {"s", "k", v1024, file},         {"s", "k", "2", missing},
        {"s", "k", "2", dir},          {"s", "k", "2", file + "/x.ini"}};
    std::filesystem::create_directory(dir);
    for (const std::vector<std::string>& w : unstorable) {
        WriteIniString(w[0], w[1], w[2], w[3]);
        EXPECT_TRUE(LastIniWriteFailed()) << w[1] << "=" << w[2] << " in " << w[3];
    }
    // Out of space half-way through the new file.
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small = {100, saved.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    WriteIniString("s", "k", "2", file);
    const bool failed = LastIniWriteFailed();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(std::tuple(failed, Contents(), folder.Entries()), std::tuple(true, original, 3L));

    const std::string config = folder.Write("config.ini", "[s]\nk=1\n");
    chmod(config.c_str(), 0640);
    std::filesystem::create_symlink(config, folder.File("link.ini"));
    WriteIniString("s", "k", "2", folder.File("link.ini"));
    WriteIniString("s", "j", "3", folder.path + "\\CONFIG.INI");
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.ini")));
    EXPECT_EQ(Contents("config.ini"), "[s]\nk=2\nj=3\n");
    struct stat info;
    ASSERT_EQ(stat(config.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(IniTest, ABatchReachesTheFileOnlyOnCommitAndReadsSeeEveryEarlierWriteAndChangeOfTheFile) {
    const std::string start = "[a]\r\nx=1\r\n";
    Put(start);
    {
        CIniWriteBatch dropped(file);
        WriteIniString("a", "x", "2", file);
    }
    CIniWriteBatch batch(file);
    WriteIniString("a", "x", "2", file);
    WriteIniBool(" c ", "X", true, file);
    EXPECT_EQ(Contents(), start);
    // This thread reads the batch; the others the file.
    EXPECT_EQ(Get("a", "x") + Get("c", "x"), "21");
    EXPECT_EQ(std::async(std::launch::async, [&] { return Get("a", "x"); }).get(), "1");
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(Contents(), "[a]\r\nx=2\r\n[c]\r\nX=1\r\n");

    CIniWriteBatch refusing(file);
    WriteIniString("a", "x", "3", file);
    WriteIniString("a", "x", "3\n[evil]", file);
    EXPECT_FALSE(refusing.Commit());
    EXPECT_EQ(Get("a", "x"), "2");

    Put("[s]\nk=-2\n");
    {
        const CIniReadBatch batch(file);
        // The batch reads its copy: even a file gone since reads as it was.
        std::remove(file.c_str());
        EXPECT_EQ(GetIniInt("s", "k", -1, file), -2);
        WriteIniInt("s", "k", 5, file);
        EXPECT_EQ(GetIniInt("s", "k", -1, file), 5);
    }
    Put("[s]\nk=1\n");
    struct stat before;
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    Get("s", "k");
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
}

TEST(IniText, NumbersAreReadAndWrittenAsTheDataFilesHaveThem) {
    EXPECT_EQ(NumberToText(1.0 / 3.0) + " " + NumberToText(123456) + " " + NumberToText(1234567) + " " +
                  NumberToText(1e-5) + " " + NumberToText(-2.5e-300),
              "0.333333 123456 1.23457e+006 1e-005 -2.5e-300");
    // Each text, then what TextToInt and TextToDouble read from it; 7 where they find no number.
    std::istringstream cases(
        "12abc 12 12  3.9 3 3.9  +42 42 42  -2147483648 -2147483648 -2147483648  2147483648 7 2147483648  "
        "+-5 7 7  .5 7 .5  5. 5 5  1.5.2 1 1.5  -2.5E-2x -2 -0.025  3e+ 3 3  0x10 0 0  1.23457e+006 1 "
        "1234570  "
        ". 7 7  e5 7 7  inf 7 7  nan 7 7  1e999 1 7");
    for (std::string text, i, d; cases >> text >> i >> d;) {
        EXPECT_EQ(TextToInt(text, 7), std::stoi(i)) << text;
        EXPECT_DOUBLE_EQ(TextToDouble(text, 7), std::stod(d)) << text;
    }
    EXPECT_EQ(ReplaceAll("aa", "a", "aa") + "|" + ReplaceAll("text", "", "x"), "aaaa|text");
    EXPECT_GT(CompareText("\xE9", "z", false), 0);
}

// A write of a file removes the temporary files of that file which writers killed half-way left
// (their process is gone), and nothing else: not those of running writers, of other files, or
// files merely named alike.
TEST(IniFile, AWriteRemovesWhatKilledWritesOfTheFileLeftAndNothingElse) {
    TempFolder folder;
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string gone = std::to_string(ended), running = std::to_string(getppid());
    const std::pair<std::string, bool> files[] = {
        {".a.ini.tmp" + gone + ".3", false},   {".a.ini.tmp" + gone + ".17", false},
        {".a.ini.tmp" + running + ".0", true}, {".a.ini.tmp" + gone + ".x", true},
        {".a.ini.tmp" + gone + ".", true},     {".b.ini.tmp" + gone + ".1", true},
        {"a.ini.tmp" + gone + ".1", true},
    };
    for (const auto& [name, stays] : files) {
        folder.Write(name, "half");
    }
    WriteIniString("s", "k", "v", folder.File("a.ini"));
    for (const auto& [name, stays] : files) {
        EXPECT_EQ(std::filesystem::exists(folder.File(name)), stays) << name;
    }
}
