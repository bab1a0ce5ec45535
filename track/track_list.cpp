#include "track/track_list.h"

#include <algorithm>
#include <cctype>

#include "engine/ini.h"
#include "engine/log.h"
#include "engine/platform/paths.h"
#include "engine/platform/replace_file.h"
#include "track/world_file.h"

namespace {

// Keys looked at; a longer list is not read further.
constexpr int kMaxTracks = 100;
const char* const kDefaultWorld = "world0.dat";
const char kSection[] = "main";
const char kKeyPrefix[] = "track";

std::string KeyOf(int i) {
    return kKeyPrefix + NumberToText(i);
}

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

// Worlds are listed without regard to letter case.
bool SameWorld(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool Listed(const std::vector<ASP_TrackEntry>& tracks, const std::string& world) {
    return std::any_of(tracks.begin(), tracks.end(),
                       [&world](const ASP_TrackEntry& track) { return SameWorld(track.world, world); });
}

// The key number of the entry of world in the list file, or -1; free is set to the first number
// after the last entry.
int EntryOf(const std::string& file, const std::string& world, int& free) {
    const CIniReadBatch batch(file);
    int found = -1;
    free = 0;
    for (int i = 0; i < kMaxTracks; ++i) {
        const std::string line = GetIniString(kSection, KeyOf(i), "", file);
        size_t pos = 0;
        if (!line.empty()) {
            free = i + 1;
        }
        if (found < 0 && !line.empty() && SameWorld(NextField(line, pos), world)) {
            found = i;
        }
    }
    return found;
}

// Adds the usable entries of file that tracks does not list yet; those left out are logged at level.
void ReadTracks(const std::string& file, int level, std::vector<ASP_TrackEntry>& tracks) {
    const CIniReadBatch batch(file);
    for (int i = 0; i < kMaxTracks; ++i) {
        const std::string key = KeyOf(i);
        const std::string line = GetIniString(kSection, key, "", file);
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

bool TrackListed(const std::string& world) {
    const PathRoots& roots = GetPathRoots();
    for (const std::string& root : {roots.data, roots.user}) {
        const std::string file = root + "dat/tracks.dat";
        int free = 0;
        if (!root.empty() && IsReadableFile(file) && EntryOf(file, world, free) >= 0) {
            return true;
        }
    }
    return false;
}

bool ListTrack(const std::string& world, const std::string& name, const std::string& preview,
               std::ostream& out) {
    const std::string path = UserPath(track_list::kFile);
    const bool exists = !path.empty() && IsReadableFile(path);
    std::string text = exists ? ReadWholeFile(path)
                              : "; Your own tracks, listed in the game after its own: trackN=world file in "
                                "dat\\|name|preview picture\r\n[main]\r\n";
    // The entry of that world if the list has one, else the first free key after the others.
    int free = 0;
    const int key = exists ? EntryOf(path, world, free) : -1;
    if (key < 0 && free >= kMaxTracks) {
        out << "The track list " << path << " is full.\n";
        return false;
    }
    text = WithKey(text, kSection, KeyOf(key >= 0 ? key : free), world + "|" + name + "|" + preview);
    // Making the folders may copy the shipped list there first; the text written replaces it.
    if (path.empty() || PrepareWritePath(track_list::kFile).empty() ||
        !ReplaceFile(path, text, std::nullopt)) {
        out << "Cannot write the track list " << track_list::kFile << ".\n";
        return false;
    }
    return true;
}
