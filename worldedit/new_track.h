#pragma once

#include <string>

#include "engine/geometry.h"
#include "worldedit/editor_context.h"

// A new track is at most this many tiles a side.
constexpr int kMaxNewTrackTiles = 32;

// The dialogue that makes a new track under a name that names no file yet: its size in tiles, then
// the surroundings of a road (the road tool's themes), which give an empty field painted in them
// with their surfaces, ready for the road; or, for an answer naming a picture, that ground picture
// and a surface map laid on every tile with eight start positions below a finish line in the middle
// and the surfaces of the shipped track. Either takes the laps and the music of the shipped track.
// The track is written as typed and the world left empty for loading it. False, with the reason
// said on the console, when no track was made; size is then left as it was, otherwise it is the
// track's size in world pixels.
bool CreateNewTrack(ASP_WE_Context& context, const std::string& typed, Point& size);
