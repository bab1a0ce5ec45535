#include "game/race/track_list.h"

#include <algorithm>
#include <cctype>

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

void Refuse(int level, const std::string& file, const std::string& key, const std::string& why) {
    Log(level, "Track " + key + " of " + file + " left out: " + why, "ASP_TrackList");
}

bool Listed(const std::vector<ASP_TrackEntry>& tracks, const std::string& world) {
    return std::any_of(tracks.begin(), tracks.end(), [&world](const ASP_TrackEntry& track) {
        return track.world.size() == world.size() &&
               std::equal(world.begin(), world.end(), track.world.begin(),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
    });
}

// Adds the usable entries of file that tracks does not list yet; those left out are logged at level.
void ReadTracks(const std::string& file, int level, std::vector<ASP_TrackEntry>& tracks) {
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
            Refuse(level, file, key, "it names no world file.");
        } else if (!StaysInsideRoots(track.WorldFile())) {
            Refuse(level, file, key,
                   "its world file " + track.WorldFile() + " lies outside the game's folders.");
        } else if (!track.preview.empty() && !StaysInsideRoots(track.preview)) {
            Refuse(level, file, key,
                   "its preview picture " + track.preview + " lies outside the game's folders.");
        } else if (!FileExists(track.WorldFile())) {
            Refuse(level, file, key, "its world file " + track.WorldFile() + " does not exist.");
        } else if (!track.preview.empty() && !FileExists(track.preview)) {
            Refuse(level, file, key, "its preview picture " + track.preview + " does not exist.");
        } else if (!Listed(tracks, track.world)) {
            if (track.name.empty()) {
                track.name = track.world;
            }
            tracks.push_back(track);
        }
    }
}

}  // namespace

std::vector<ASP_TrackEntry> LoadTrackList(const std::string& file) {
    std::vector<ASP_TrackEntry> tracks;
    // The user's own list (the editor adds tracks to it) follows the shipped one instead of hiding
    // it; a track of it whose file is gone is only a warning.
    const std::string shipped = IsAbsoluteName(file) ? "" : GetPathRoots().data + file;
    const std::string own = IsAbsoluteName(file) ? "" : UserPath(file);
    if (!shipped.empty() && !own.empty() && ResolvePath(shipped) != ResolvePath(own) &&
        IsReadableFile(ResolvePath(shipped)) && IsReadableFile(ResolvePath(own))) {
        ReadTracks(shipped, LOG_ERROR, tracks);
        ReadTracks(own, LOG_WARNING, tracks);
    } else {
        ReadTracks(file, LOG_ERROR, tracks);
    }
    if (tracks.empty()) {
        tracks.push_back(ASP_TrackEntry{kDefaultWorld, kDefaultWorld, ""});
    }
    return tracks;
}
