#include <csignal>
#include <iostream>

#include "engine/command_line.h"
#include "engine/ini.h"
#include "engine/log.h"
#include "engine/platform/paths.h"
#include "game/net/server.h"
#include "track/track_list.h"

namespace {

volatile std::sig_atomic_t stopping = 0;

void Stop(int) {
    stopping = 1;
}

const CProgramInfo kServer = {
    "asphaltia-server",
    "asphaltia",
    "The dedicated server of Asphaltia: races of players who join over the network, one after another.",
    ASPHALTIA_VERSION,
    "mnu\\main.ini",
    false,
    "",
    "It opens no window and plays no sound. Players join from the game (Network, Join) or with\n"
    "asphaltia --connect HOST[:PORT]. SIGTERM or Ctrl+C stop it. Races are kept as replays in the\n"
    "user folder's replays/.\n",
    {{"--port", "PORT", "listen on this UDP port (default 27960)"},
     {"--track", "WORLD", "race on world file WORLD of dat\\ (default world0.dat)"},
     {"--laps", "N", "races of N laps (default: the track's)"},
     {"--max-players", "N", "at most N cars with their players, 1 to 8 (default 8)"},
     {"--min-players", "N", "start no race before N players have joined (default 1)"},
     {"--computer-cars", "N", "fill the grid with N computer cars (default 0)"},
     {"--difficulty", "D", "the computer cars' difficulty: easy, normal (default) or hard"},
     {"--password", "TEXT", "only machines that give this password may join"},
     {"--name", "TEXT", "the name machines on the LAN see when they search"}},
};

// A whole number from low to high, or false.
bool Whole(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::stoi(text);
    return *value >= low && *value <= high;
}

// The server's settings from the options; the status to exit with when they are wrong.
int ReadSettings(const CStartOptions& options, ASP_ServerSettings* s) {
    const auto given = [&options](const std::string& name) {
        const auto it = options.given.find(name);
        return it != options.given.end() ? it->second : std::string();
    };
    int n = 0;
    const struct {
        const char* option;
        int low;
        int high;
        int* into;
    } numbers[] = {{"--laps", 1, 99, &s->laps},
                   {"--max-players", 1, kMaxNetCars, &s->maxPlayers},
                   {"--min-players", 1, kMaxNetCars, &s->minPlayers},
                   {"--computer-cars", 0, kMaxNetCars, &s->computerCars}};
    for (const auto& number : numbers) {
        if (!given(number.option).empty() || options.given.count(number.option) > 0) {
            if (!Whole(given(number.option), number.low, number.high, number.into)) {
                return UsageError(kServer,
                                  std::string(number.option) + " wants " + std::to_string(number.low) +
                                      " to " + std::to_string(number.high) + ", not '" +
                                      given(number.option) + "'",
                                  std::cerr);
            }
        }
    }
    if (options.given.count("--port") > 0) {
        if (!Whole(given("--port"), 1, 65535, &n)) {
            return UsageError(kServer, "--port wants 1 to 65535, not '" + given("--port") + "'", std::cerr);
        }
        s->port = static_cast<uint16_t>(n);
    }
    if (options.given.count("--difficulty") > 0) {
        s->difficulty = DifficultyFromText(given("--difficulty"));
        if (DifficultyText(s->difficulty) != given("--difficulty")) {
            return UsageError(kServer,
                              "--difficulty wants easy, normal or hard, not '" + given("--difficulty") + "'",
                              std::cerr);
        }
    }
    s->password = given("--password");
    if (options.given.count("--name") > 0) {
        s->name = given("--name");
    }
    if (options.given.count("--track") > 0) {
        const std::string world = given("--track");
        const std::vector<ASP_TrackEntry> tracks = LoadTrackList(track_list::kFile);
        const auto it = std::find_if(tracks.begin(), tracks.end(),
                                     [&](const ASP_TrackEntry& t) { return t.world == world; });
        if (world.empty() || world.find_first_of("\\/") != std::string::npos) {
            return UsageError(kServer, "--track wants a world file of dat\\, such as world0.dat", std::cerr);
        }
        s->world = world;
        s->trackName = it != tracks.end() ? it->name : world;
        if (!FileExists("dat\\" + world)) {
            std::cerr << kServer.name << ": there is no track dat\\" << world << ".\n";
            return 1;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    CStartOptions options;
    FolderState folders;
    if (const int begun = BeginProgram(argc, argv, kServer, options, folders); begun >= 0) {
        return begun;
    }
    EnableLogging();
    ASP_ServerSettings settings;
    if (const int status = ReadSettings(options, &settings); status >= 0) {
        return status;
    }
    if (folders == FolderState::READY) {
        settings.replayFolder = UserPath("replays");
    }
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    ASP_NetServer server(settings);
    if (!server.Open()) {
        return 1;
    }
    while (stopping == 0) {
        server.Service(20);
    }
    server.Close();
    Log(LOG_STATUS, "Server stopped after " + std::to_string(server.GetRacesRun()) + " race(s).", "");
    return 0;
}
