#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/command_line.h"
#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "tests/support/temp_folder.h"

namespace {

// Puts the working directory and the folders back however the test ends.
struct PathsGuard {
    std::string savedDirectory = std::filesystem::current_path().string();
    PathRoots savedRoots = GetPathRoots();
    ~PathsGuard() {
        std::filesystem::current_path(savedDirectory);
        SetPathRoots(savedRoots);
    }
};

}  // namespace

TEST(Paths, NamesResolveMatchAnyCaseUserFoldersComeFirstAndTheFoldersFollowTheOptionsAndXdgRules) {
    const std::string startup = std::filesystem::current_path().string() + "/";
    ASSERT_EQ(StartupDirectory(), startup);
    TempFolder folder;
    PathsGuard guard;
    std::filesystem::current_path(folder.path);
    EXPECT_EQ(MakeAbsolutePath("no_such_dir\\world0.dat"), startup + "no_such_dir/world0.dat");
    // A leading "\" does not make a Windows name absolute.
    EXPECT_EQ(MakeAbsolutePath("\\no_such_dir"), startup + "no_such_dir");
    EXPECT_EQ(MakeAbsolutePath("/no_such_root_dir/x.ini"), "/no_such_root_dir/x.ini");

    const std::string dir = folder.path;
    for (const char* sub : {"/gfx/cars", "/data", "/Data"}) {
        std::filesystem::create_directories(dir + sub);
    }
    folder.Write("gfx/cars/x.png", "x");
    // Names to be created keep their case in matched folders; an exact name wins, case twins always alike.
    std::istringstream names(R"(\GFX\Cars\X.PNG /gfx/cars/x.png  \Gfx\CARS\ /gfx/cars/
        \gfx\CARS\New.ini /gfx/cars/New.ini  \none\A\b.ini /none/A/b.ini  /data /data  /Data /Data  /DATA /Data)");
    for (std::string name, resolved; names >> name >> resolved;) {
        EXPECT_EQ(MakeAbsolutePath(dir + name), dir + resolved);
    }
    EXPECT_TRUE(FileExists(dir + "\\GFX\\Cars\\X.PNG"));
    ASSERT_EQ(mkfifo(folder.File("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(FileExists(folder.File("pipe")) || FileExists(folder.File("data")));

    // User folders are read first and take every write.
    const std::string data = folder.File("data/"), user = folder.File("user/"),
                      settings = folder.File("cfg/");
    std::filesystem::create_directories(data + "dat");
    std::filesystem::create_directories(user + "DAT");
    folder.Write("data/config.ini", "[system]\r\nwidth=800\r\nsound=1\r\n");
    folder.Write("data/dat/a.dat", "shipped");
    folder.Write("data/dat/b.dat", "shipped");
    folder.Write("user/DAT/A.dat", "edited");
    SetPathRoots({data, user, settings});

    EXPECT_EQ(MakeAbsolutePath("dat\\a.dat"), user + "DAT/A.dat");
    EXPECT_EQ(MakeAbsolutePath("dat\\b.dat"), data + "dat/b.dat");
    // A write goes to the settings folder's copy; the shipped file keeps its value (read below).
    WriteIniInt("system", "width", 1024, "config.ini");
    EXPECT_EQ(GetIniInt("system", "width", 0, "config.ini"), 1024);

    // Folders that cannot exist (beneath a file) or none: shipped files are read and every write fails.
    for (const std::string& broken : {data + "config.ini/user/", std::string()}) {
        SetPathRoots({data, broken, broken});
        EXPECT_EQ(MakeAbsolutePath("dat\\a.dat"), data + "dat/a.dat");
        WriteIniInt("system", "width", 640, "config.ini");
        EXPECT_TRUE(LastIniWriteFailed());
        EXPECT_EQ(GetIniInt("system", "width", 0, "config.ini"), 800);
    }

    // The folders follow the options, the start folder and the XDG rules.
    const std::string here = StartupDirectory();  // the shipped data
    setenv("HOME", folder.path.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    const std::string xdgData = folder.File(".local/share/asphaltia/"),
                      xdgConfig = folder.File(".config/asphaltia/"), mine = folder.File("mine/");
    // Started in the data folder without options, everything stays there, as in the race from the menus.
    const std::tuple<const char*, const char*, const char*, PathRoots> cases[] = {
        {"", "", mine.c_str(), {here, mine, mine}},
        {"/etc/xdg", here.c_str(), "", {here, xdgData, "/etc/xdg/asphaltia/"}},
        // A relative value breaks the rules and is ignored.
        {"relative", here.c_str(), "", {here, xdgData, xdgConfig}},
    };
    for (const auto& [configHome, dataOption, userOption, expected] : cases) {
        setenv("XDG_CONFIG_HOME", configHome, 1);
        const PathRoots roots = ChooseRoots("asphaltia", "mnu\\main.ini", dataOption, userOption);
        EXPECT_EQ(roots.data + " " + roots.user + " " + roots.settings,
                  expected.data + " " + expected.user + " " + expected.settings)
            << configHome << " " << dataOption << " " << userOption;
    }
    const CProgramInfo program = {"asphaltia", "asphaltia", "", "1", "mnu\\main.ini", true, "", ""};
    std::ostringstream err;
    CStartOptions options;
    options.dataFolder = folder.path;
    EXPECT_EQ(OpenFolders(program, options, err), FolderState::NO_DATA);
    options.dataFolder = here;
    options.userFolder = folder.Write("file", "") + "/user";
    EXPECT_EQ(OpenFolders(program, options, err), FolderState::READ_ONLY);
    EXPECT_NE(err.str().find("cannot create the folder " + options.userFolder), std::string::npos);
    options.userFolder = mine;
    EXPECT_EQ(OpenFolders(program, options, err), FolderState::READY);
}

TEST(CommandLine, OptionsOfBothProgramsAndTheirErrors) {
    const CProgramInfo game = {"game", "game", "Races.", "1.2", "m", true, "", "Notes.\n"};
    const CProgramInfo editor = {"editor", "game", "Edits.", "1.2", "m", false, "FILE", ""};
    // Program, arguments, status, and the start of the output or the options read (data|user|fs|WxH|file).
    const std::tuple<const CProgramInfo&, std::vector<std::string>, int, std::string> cases[] = {
        {game, {}, -1, "||-|0x0|"},
        {game, {"--data", "d", "--user=u", "--fullscreen", "--size", "640x480"}, -1, "d|u|1|640x480|"},
        {game, {"--fullscreen", "--windowed"}, -1, "||0|0x0|"},
        {editor, {"--data=d", "dat/world0.dat"}, -1, "d||-|0x0|dat/world0.dat"},
        {game, {"--version"}, 0, "game 1.2\n"},
        {game, {"--frobnicate"}, 2, "game: unknown option '--frobnicate'\nUsage: game [OPTION]...\n"},
        {editor, {"--size", "640x480"}, 2, "editor: unknown option '--size'"},
        {game, {"track.dat"}, 2, "game: unexpected argument 'track.dat'"},
        {editor, {"a.dat", "b.dat"}, 2, "editor: unexpected argument 'b.dat'"},
        {game, {"--data"}, 2, "game: option '--data' needs a value"},
        {game, {"--user="}, 2, "game: option '--user' needs a folder"},
        {game, {"--help=yes"}, 2, "game: option '--help' takes no value"},
        {game, {"--size", "640"}, 2, "game: --size wants WxH, for example 1280x720, not '640'"},
        {game, {"--size=0x480"}, 2, "game: --size wants"},
        {game, {"--size=-1x480"}, 2, "game: --size wants"},
        {game, {"--size=640x480x2"}, 2, "game: --size wants"},
        {game, {"--size=99999x480"}, 2, "game: --size wants"},
    };
    for (const auto& [program, args, status, output] : cases) {
        std::ostringstream out, err;
        CStartOptions o;
        const int got = ParseCommandLine(args, program, o, out, err);
        const std::string fullscreen = o.fullscreen ? (*o.fullscreen ? "1" : "0") : "-";
        const std::string read = o.dataFolder + "|" + o.userFolder + "|" + fullscreen + "|" +
                                 std::to_string(o.width) + "x" + std::to_string(o.height) + "|" + o.file;
        const std::string written = got == 2 ? err.str() : got == 0 ? out.str() : read;
        EXPECT_EQ(got, status) << output;
        EXPECT_EQ(written.substr(0, output.size()), output);
    }
}

// A relative name whose ".." climb above the folders it is looked up in lies outside them: it is
// never written, and an absolute name is not inside either. The user's path of a name copies nothing.
TEST(Paths, NamesClimbingOutOfTheFoldersLieOutsideAndAreNeverWritten) {
    const std::pair<const char*, bool> names[] = {
        {"dat\\world0.dat", true},   {"dat\\..\\world0.dat", true},
        {"\\dat\\x.dat", true},      {"a\\.\\..\\b", true},
        {"..\\x.dat", false},        {"dat\\..\\..\\x", false},
        {"dat/../a/../../x", false}, {"..\\..\\..\\etc\\passwd", false},
        {"/etc/passwd", false},      {"C:\\x.dat", false},
    };
    for (const auto& [name, inside] : names) {
        EXPECT_EQ(StaysInsideRoots(name), inside) << name;
    }
    TempFolder folder;
    PathsGuard guard;
    const std::string data = folder.File("data/"), user = folder.File("user/");
    std::filesystem::create_directories(data);
    folder.Write("data/records.ini", "shipped");
    SetPathRoots({data, user, user});
    EXPECT_EQ(UserPath("records.ini"), user + "records.ini");
    EXPECT_EQ(PrepareWritePath("..\\x.ini") + UserPath("..\\x.ini"), "");
    WriteIniString("s", "k", "v", "..\\x.ini");
    EXPECT_TRUE(LastIniWriteFailed());
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(folder.path), {}), 2);
}
