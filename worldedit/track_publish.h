#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "track/track_list.h"
#include "worldedit/track_document.h"

// A race of the game's menus needs this many start positions: a driver and three computer cars.
constexpr int kRaceGrid = 4;
// The side of a preview picture in the game's track choice.
constexpr int kPreviewSide = 256;

// What the game needs of the track before it can race it, one line each: a finish line (index 0),
// each required checkpoint, enough start positions, a racing line or checkpoints to follow, and
// every picture the objects name. Empty when nothing is missing.
std::vector<std::string> TrackProblems(const ASP_WE_TrackDocument& document);

// The name under which the game's list finds the world file: its file name when it lies in the
// folder dat of the user's or the data folder, else empty.
std::string ListedWorldName(const std::string& worldPath);

// The track's ground tiles, scaled to kPreviewSide pixels a side (the field centred on dark
// ground), written as gfx\tracks\<stem>.png to the user's folder; its data name, or empty with the
// reason on out.
std::string WritePreview(const ASP_WE_TrackDocument& document, const std::string& stem, std::ostream& out);
