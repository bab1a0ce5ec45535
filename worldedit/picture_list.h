#pragma once

#include <string>
#include <vector>

// The pictures (PNG) of a folder of the data, such as "gfx\objects", in the data folder and the
// user's folder together, as data names with "\" between their parts, sorted without duplicates;
// only those whose file name holds `part` when it is not empty. `first`, when among them, leads.
std::vector<std::string> PicturesIn(const std::string& folder, const std::string& part,
                                    const std::string& first);
