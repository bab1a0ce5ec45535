#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

// Replacing a file in one step: the new contents go to a temporary file next to it, named
// ".NAME.tmpPID.N", which is renamed over it, so that readers see either the old or the new file,
// never a part of one.

// Writes `contents` over the file at `path`. `mode` is the old file's; a new file gets the default
// permissions. False, with the file as it was and no temporary file left, if that fails.
bool ReplaceFile(const std::string& path, std::string_view contents, std::optional<mode_t> mode);

// Removes the temporary files of `path` that processes no longer running left behind, killed
// half-way through a replacement. ReplaceFile does it at the first replacement of each file in a
// run; later calls for the same path do nothing.
void RemoveLeftovers(const std::string& path);
