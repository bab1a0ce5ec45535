#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace track_list {
// The track list the game reads, whose copy in the user's folder lists the user's own tracks.
inline constexpr char kFile[] = "dat\\tracks.dat";
}  // namespace track_list

// One track that can be raced.
struct ASP_TrackEntry {
    std::string name;
    // As listed, relative to the folder "dat\": also the track's key in the records file.
    std::string world;
    // Picture for the track choice; empty for none.
    std::string preview;
    // The world file as the game opens it.
    std::string WorldFile() const { return "dat\\" + world; }
};

// The tracks of a track list file: in section "main", keys "track0", "track1", ... each
// "world file|name|preview picture", e.g. track1=frost.dat|Frost Ring|gfx\tracks\frost.png. Gaps
// are skipped. A list in the user's folder follows the shipped one of the same name instead of
// hiding it: its tracks come after the shipped ones, those already listed are not listed again, and
// those left out are only a WARNING. An entry whose world file or named preview picture does not exist or
// lies outside the data and user folders (absolute, or climbing out with ".."), or that has no world file, is
// left out with an ERROR. Without any usable entry the list is the one track
// "world0.dat", so a game without a list plays as it always has.
std::vector<ASP_TrackEntry> LoadTrackList(const std::string& file);

// Whether the game's track list (the shipped one and the user's) has an entry for that world.
bool TrackListed(const std::string& world);

// Lists the world in the user's track list under the name with the preview, replacing its entry if
// it has one; the file is made when the user has none. False, with the reason on out, when it
// cannot be written; the list is then as it was.
bool ListTrack(const std::string& world, const std::string& name, const std::string& preview,
               std::ostream& out);
