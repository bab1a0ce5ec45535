#pragma once

// The track list lives in the track library, which the editor and the server share; this name stays
// for the game's screens that include it.
#include "track/track_list.h"
