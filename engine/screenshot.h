#pragma once

#include <ctime>
#include <string>

// The data name of a screenshot taken at `when` (local time), in the user's screenshots folder;
// `number` above 1 tells apart several taken within the same second.
std::string ScreenshotName(std::time_t when, int number);

// Writes the back buffer of the current OpenGL context, `width` x `height` pixels from the lower
// left corner, as an RGB PNG file. False, with no file left behind, if it could not be written.
bool SaveFramePng(const std::string& path, int width, int height);
