#include "game/race/track_list.h"

#include <algorithm>

#include "engine/ini.h"
#include "engine/log.h"
#include "engine/platform/paths.h"

namespace {

// Keys looked at; a longer list is not read further.
constexpr int kMaxTracks = 100;
const char* const kDefaultWorld = "world0.dat";

// The text before the next '|' of line from pos on, without surrounding blanks.
std::string NextField(const std::string& line, size_t& pos) {
    if (pos >= line.size()) {
        return "";
    }
    const size_t end = std::min(line.find('|', pos), line.size());
    std::string field = line.substr(pos, end - pos);
    pos = end + 1;
    const size_t first = field.find_first_not_of(" \t");
    const size_t last = field.find_last_not_of(" \t");
    return first == std::string::npos ? "" : field.substr(first, last - first + 1);
}

void Refuse(const std::string& file, const std::string& key, const std::string& why) {
    Log(LOG_ERROR, "Track " + key + " of " + file + " left out: " + why, "ASP_TrackList");
}

}  // namespace

std::vector<ASP_TrackEntry> LoadTrackList(const std::string& file) {
    std::vector<ASP_TrackEntry> tracks;
    const CIniReadBatch batch(file);
    for (int i = 0; i < kMaxTracks; ++i) {
        const std::string key = "track" + NumberToText(i);
        const std::string line = GetIniString("main", key, "", file);
        if (line.empty()) {
            continue;
        }
        size_t pos = 0;
        ASP_TrackEntry track;
        track.world = NextField(line, pos);
        track.name = NextField(line, pos);
        track.preview = NextField(line, pos);
        if (track.world.empty()) {
            Refuse(file, key, "it names no world file.");
        } else if (!StaysInsideRoots(track.WorldFile())) {
            Refuse(file, key, "its world file " + track.WorldFile() + " lies outside the game's folders.");
        } else if (!track.preview.empty() && !StaysInsideRoots(track.preview)) {
            Refuse(file, key, "its preview picture " + track.preview + " lies outside the game's folders.");
        } else if (!FileExists(track.WorldFile())) {
            Refuse(file, key, "its world file " + track.WorldFile() + " does not exist.");
        } else if (!track.preview.empty() && !FileExists(track.preview)) {
            Refuse(file, key, "its preview picture " + track.preview + " does not exist.");
        } else {
            if (track.name.empty()) {
                track.name = track.world;
            }
            tracks.push_back(track);
        }
    }
    if (tracks.empty()) {
        tracks.push_back(ASP_TrackEntry{kDefaultWorld, kDefaultWorld, ""});
    }
    return tracks;
}
