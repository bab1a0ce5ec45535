#include "game/sim/surface_map.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <tuple>

bool operator==(SurfaceColor a, SurfaceColor b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

namespace {

// The fewest bits (1, 2, 4 or 8) that tell count colours apart.
int IndexBits(size_t count) {
    int bits = 1;
    while ((size_t{1} << bits) < count) {
        bits *= 2;
    }
    return bits;
}

}  // namespace

ASP_SurfaceMap::ASP_SurfaceMap(int w, int h, const std::vector<SurfaceColor>& palette,
                               const std::vector<uint8_t>& entries) {
    if (w <= 0 || h <= 0 || entries.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) {
        return;
    }
    // The palette's entries become indices in order of first appearance, through a table.
    std::array<int, 256> slot;
    slot.fill(-1);
    std::vector<uint8_t> found(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const uint8_t e = entries[i];
        if (slot[e] < 0) {
            if (e >= palette.size()) {
                colours.clear();
                return;
            }
            slot[e] = static_cast<int>(colours.size());
            colours.push_back(palette[e]);
        }
        found[i] = static_cast<uint8_t>(slot[e]);
    }
    width = w;
    height = h;
    indexBits = IndexBits(colours.size());
    const size_t perByte = static_cast<size_t>(8 / indexBits);
    indices.assign((found.size() + perByte - 1) / perByte, 0);
    for (size_t i = 0; i < found.size(); ++i) {
        indices[i / perByte] =
            static_cast<uint8_t>(indices[i / perByte] | found[i] << (i % perByte * indexBits));
    }
}

ASP_SurfaceMap ASP_SurfaceMap::FromColours(int w, int h, const std::vector<SurfaceColor>& all) {
    std::vector<SurfaceColor> palette;
    std::vector<uint8_t> entries(all.size());
    // The last colour found is tried first, as runs of one colour are the rule.
    size_t last = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (palette.empty() || !(palette[last] == all[i])) {
            last = static_cast<size_t>(std::find(palette.begin(), palette.end(), all[i]) - palette.begin());
            if (last == palette.size()) {
                palette.push_back(all[i]);
            }
        }
        if (palette.size() > 256) {
            ASP_SurfaceMap map;
            if (w > 0 && h > 0 && all.size() == static_cast<size_t>(w) * static_cast<size_t>(h)) {
                std::tie(map.width, map.height, map.pixels) = std::tuple(w, h, all);
            }
            return map;
        }
        entries[i] = static_cast<uint8_t>(last);
    }
    return ASP_SurfaceMap(w, h, palette, entries);
}

SurfaceColor ASP_SurfaceMap::At(int ix, int iy) const {
    const size_t i = static_cast<size_t>(iy) * static_cast<size_t>(width) + static_cast<size_t>(ix);
    if (!pixels.empty()) {
        return pixels[i];
    }
    const size_t perByte = static_cast<size_t>(8 / indexBits);
    return colours[indices[i / perByte] >> (i % perByte * indexBits) & ((1 << indexBits) - 1)];
}
