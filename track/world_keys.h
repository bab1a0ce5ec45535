#pragma once

// The section and key names of a world file, as constants: world_key::kLaps is "laps". The table
// is world_keys.def, which the data generators read as well.
namespace world_key {

#define WORLD_NAME(constant, name) inline constexpr char constant[] = name;
#include "track/world_keys.def"
#undef WORLD_NAME

}  // namespace world_key
