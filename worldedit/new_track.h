#pragma once

#include <string>

#include "engine/geometry.h"
#include "worldedit/editor_context.h"

// A new track is at most this many tiles a side.
constexpr int kMaxNewTrackTiles = 32;

// The dialogue that makes a new track under a name that names no file yet: its size in tiles, a
// ground picture and a surface map laid on every tile, eight start positions below a finish line
// in the middle, and the surfaces, their particles, the laps and the music of the shipped track.
// The track is written as typed and the world left empty for loading it. False, with the reason
// said on the console, when no track was made; size is then left as it was, otherwise it is the
// track's size in world pixels.
bool CreateNewTrack(ASP_WE_Context& context, const std::string& typed, Point& size);
