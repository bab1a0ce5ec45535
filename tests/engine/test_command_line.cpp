#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/command_line.h"

TEST(CommandLine, OptionsOfBothProgramsAndTheirErrors) {
    const CProgramInfo game = {"game", "game", "Races.", "1.2", "m", true, "", "Notes.\n"};
    const CProgramInfo editor = {"editor", "game", "Edits.", "1.2", "m", false, "FILE", ""};
    struct Case {
        const CProgramInfo& program;
        std::vector<std::string> args;
        int status;
        std::string output;  // the start of what was written, or the options read: data|user|fs|WxH|file
    };
    const Case cases[] = {
        {game, {}, -1, "||-|0x0|"},
        {game, {"--data", "d", "--user=u", "--fullscreen", "--size", "640x480"}, -1, "d|u|1|640x480|"},
        {game, {"--fullscreen", "--windowed"}, -1, "||0|0x0|"},
        {editor, {"--data=d", "dat/world0.dat"}, -1, "d||-|0x0|dat/world0.dat"},
        {game, {"--version"}, 0, "game 1.2\n"},
        {editor, {"--help"}, 0, "Usage: editor [OPTION]... [FILE]\nEdits.\n"},
        {game, {"--frobnicate"}, 2, "game: unknown option '--frobnicate'\nUsage: game [OPTION]...\n"},
        {editor, {"--size", "640x480"}, 2, "editor: unknown option '--size'"},
        {game, {"track.dat"}, 2, "game: unexpected argument 'track.dat'"},
        {editor, {"a.dat", "b.dat"}, 2, "editor: unexpected argument 'b.dat'"},
        {game, {"--data"}, 2, "game: option '--data' needs a value"},
        {game, {"--user="}, 2, "game: option '--user' needs a folder"},
        {game, {"--help=yes"}, 2, "game: option '--help' takes no value"},
    };
    for (const char* size : {"640", "0x480", "-1x480", "640x480x2", "99999x480"}) {
        std::ostringstream out, err;
        CStartOptions options;
        EXPECT_EQ(ParseCommandLine({"--size", size}, game, options, out, err), 2) << size;
    }
    for (const Case& c : cases) {
        std::ostringstream out, err;
        CStartOptions o;
        const int status = ParseCommandLine(c.args, c.program, o, out, err);
        const std::string fullscreen = o.fullscreen ? (*o.fullscreen ? "1" : "0") : "-";
        const std::string read = o.dataFolder + "|" + o.userFolder + "|" + fullscreen + "|" +
                                 std::to_string(o.width) + "x" + std::to_string(o.height) + "|" + o.file;
        const std::string written = status == 2 ? err.str() : status == 0 ? out.str() : read;
        EXPECT_EQ(status, c.status) << c.output;
        EXPECT_EQ(written.substr(0, c.output.size()), c.output);
    }
}
