#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "tests/support/temp_folder.h"

namespace {

// Puts the working directory back however the test ends.
struct WorkingDirectoryGuard {
    std::string saved = std::filesystem::current_path().string();
    ~WorkingDirectoryGuard() { std::filesystem::current_path(saved); }
};

}  // namespace

TEST(Paths, RelativeNamesStayOnTheStartupDirectory) {
    const std::string startup = std::filesystem::current_path().string() + "/";
    ASSERT_EQ(StartupDirectory(), startup);
    TempFolder folder;
    WorkingDirectoryGuard guard;
    std::filesystem::current_path(folder.path);
    EXPECT_EQ(GetCurrentDir(), folder.path + "/");
    EXPECT_EQ(MakeAbsolutePath("no_such_dir\\world0.dat"), startup + "no_such_dir/world0.dat");
    // A leading "\" does not make a Windows name absolute.
    EXPECT_EQ(MakeAbsolutePath("\\no_such_dir"), startup + "no_such_dir");
    EXPECT_EQ(MakeAbsolutePath("C:\\data\\x.ini"), "C:/data/x.ini");
    EXPECT_EQ(MakeAbsolutePath("/no_such_root_dir/x.ini"), "/no_such_root_dir/x.ini");
}

TEST(Paths, ComponentsMatchWithoutRegardToCaseAndOnlyReadableFilesExist) {
    TempFolder folder;
    const std::string dir = folder.path;
    std::filesystem::create_directories(dir + "/gfx/cars");
    std::filesystem::create_directories(dir + "/data");
    std::filesystem::create_directories(dir + "/Data");
    folder.Write("gfx/cars/x.png", "x");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\GFX\\Cars\\X.PNG"), dir + "/gfx/cars/x.png");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\Gfx\\CARS\\"), dir + "/gfx/cars/");
    EXPECT_TRUE(FileExists(dir + "\\GFX\\Cars\\X.PNG"));
    // A file about to be created keeps its name inside the matched folder.
    EXPECT_EQ(MakeAbsolutePath(dir + "\\gfx\\CARS\\New.ini"), dir + "/gfx/cars/New.ini");
    EXPECT_EQ(MakeAbsolutePath(dir + "\\none\\A\\b.ini"), dir + "/none/A/b.ini");
    // An exact name wins; of case twins the same one is chosen every time.
    EXPECT_EQ(MakeAbsolutePath(dir + "/data"), dir + "/data");
    EXPECT_EQ(MakeAbsolutePath(dir + "/Data"), dir + "/Data");
    EXPECT_EQ(MakeAbsolutePath(dir + "/DATA"), dir + "/Data");

    ASSERT_EQ(mkfifo(folder.File("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(FileExists(folder.File("pipe")));
    EXPECT_FALSE(FileExists(folder.File("data")));
    EXPECT_FALSE(FileExists(folder.File("missing.ini")));
}
