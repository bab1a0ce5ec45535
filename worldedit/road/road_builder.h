#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "worldedit/road/road.h"
#include "worldedit/road/road_style.h"
#include "worldedit/track_document.h"

// The pictures of a track built from a road: per tile, row by row from the top left, its ground
// picture and its surface map, as data names.
struct ASP_WE_TrackPictures {
    int across = 0;
    int down = 0;
    std::vector<std::string> ground;
    std::vector<std::string> surface;
};

// The field of a road in tiles: its own, else what the track's ground tiles cover, at least one.
void FieldOfRoad(const ASP_WE_TrackDocument& document, int& across, int& down);

// Paints the field's tiles with the road (none for fewer than three points) and writes them to the
// user's folder as gfx\tiles\<stem>_<digest>_ground_<column>_<row>.png and _surface_: the digest
// is the road's, so a road never gets pictures under a name a texture of another road has. The
// tiles are painted on every core. False, with the reason on out, when a picture cannot be written.
bool WriteTrackPictures(const ASP_WE_RoadStyle& style, const ASP_WE_Road& road, const std::string& stem,
                        ASP_WE_TrackPictures& pictures, std::ostream& out);

// Builds the document's track from its road, as one step of the history: the ground tiles, the
// checkpoints, the start positions and the boundary walls are replaced by those of the road; the
// racing line, the required checkpoints and the surfaces are set. Other objects stay. False, with
// the reason on out and the track as it was, when it could not be built.
bool BuildTrackFromRoad(ASP_WE_TrackDocument& document, const ASP_WE_RoadStyle& style, std::ostream& out);

// The name the track's own files take: the world file's name without folder and extension, in
// lower case, with anything but letters, digits and "_" as "_".
std::string TrackStem(const std::string& worldPath);
