#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/ini.h"
#include "engine/platform/paths.h"

namespace {

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "asphaltia_paths_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void MakeDir(const std::string& name) { std::filesystem::create_directories(dir + "/" + name); }
    void MakeFile(const std::string& name) { std::ofstream(dir + "/" + name) << "x"; }

    std::string dir;
};

// Puts the working directory back however the test ends.
struct WorkingDirectoryGuard {
    std::string saved = std::filesystem::current_path().string();
    ~WorkingDirectoryGuard() { std::filesystem::current_path(saved); }
};

}  // namespace

TEST(Paths, CurrentDirHasATrailingSlash) {
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(GetCurrentDir(), cwd == "/" ? "/" : cwd + "/");
}

TEST_F(PathsTest, RelativeNamesStayOnTheStartupDirectory) {
    const std::string startup = GetCurrentDir();
    ASSERT_EQ(StartupDirectory(), startup);
    WorkingDirectoryGuard guard;
    std::filesystem::current_path(dir);
    EXPECT_EQ(GetCurrentDir(), dir + "/");
    EXPECT_EQ(MakeAbsolutePath("no_such_dir\\world0.dat"), startup + "no_such_dir/world0.dat");
    // A leading "\" does not make a Windows name absolute.
    EXPECT_EQ(MakeAbsolutePath("\\no_such_dir"), startup + "no_such_dir");
}

TEST_F(PathsTest, DriveLetterAndSlashNamesAreAbsolute) {
    EXPECT_EQ(MakeAbsolutePath("C:\\data\\x.ini"), "C:/data/x.ini");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\sub\\x.ini"), dir + "/sub/x.ini");
    EXPECT_EQ(MakeAbsolutePath("/no_such_root_dir/x.ini"), "/no_such_root_dir/x.ini");
}

TEST_F(PathsTest, ComponentsMatchWithoutRegardToCase) {
    MakeDir("gfx/cars");
    MakeFile("gfx/cars/x.png");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\GFX\\Cars\\X.PNG"), dir + "/gfx/cars/x.png");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\Gfx\\CARS\\"), dir + "/gfx/cars/");
    EXPECT_TRUE(FileExists(dir + "\\GFX\\Cars\\X.PNG"));
}

TEST_F(PathsTest, ANewFileKeepsItsNameInTheMatchedFolder) {
    MakeDir("Dat");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\dat\\New.ini"), dir + "/Dat/New.ini");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\none\\A\\b.ini"), dir + "/none/A/b.ini");
}

TEST_F(PathsTest, ExactNamesWinAndCaseTwinsResolveTheSameWayEveryTime) {
    MakeDir("gfx");
    MakeDir("Gfx");
    EXPECT_EQ(MakeAbsolutePath(dir + "/gfx"), dir + "/gfx");
    EXPECT_EQ(MakeAbsolutePath(dir + "/Gfx"), dir + "/Gfx");
    EXPECT_EQ(MakeAbsolutePath(dir + "/GFX"), dir + "/Gfx");
}

TEST_F(PathsTest, FileExistsOnlyForReadableFiles) {
    MakeDir("folder");
    MakeFile("file.ini");
    ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
    EXPECT_TRUE(FileExists(dir + "/file.ini"));
    EXPECT_FALSE(FileExists(dir + "/missing.ini"));
    EXPECT_FALSE(FileExists(dir + "/folder"));
    EXPECT_FALSE(FileExists(dir + "/pipe"));
    EXPECT_FALSE(FileExists("no_such_dir\\x.ini"));
}
