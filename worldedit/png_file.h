#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "worldedit/road/road_style.h"

// Pictures encoded as PNG in memory, to be written in one step. Made for speed over size: a track's
// pictures are written whenever it is built. Empty when the encoder fails.

// Rows of RGB bytes from the top.
std::string EncodeRgbPng(const std::vector<uint8_t>& rgb, int width, int height);
// Rows of indices into the palette, which has at most 256 colours.
std::string EncodePalettePng(const std::vector<uint8_t>& indices, int width, int height,
                             const std::vector<ASP_WE_Rgb>& palette);
