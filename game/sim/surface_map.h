#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One colour of a surface map. Black means no information.
struct SurfaceColor {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

bool operator==(SurfaceColor a, SurfaceColor b);

// The kind of ground under each pixel of a ground tile, as the colours of its surface map. Every
// wheel asks it every step, so a map of few colours (a track's maps have one per kind of ground)
// is kept as indices into its colours, each of as few bits as the colours need (1, 2, 4 or 8);
// a map of more colours keeps every pixel's colour.
class ASP_SurfaceMap {
public:
    ASP_SurfaceMap() = default;
    // A map of w x h pixels, each an entry of the palette, row by row, as palette pictures (the
    // shipped maps) hold them. An empty map for a size that does not match or an entry beyond it.
    ASP_SurfaceMap(int w, int h, const std::vector<SurfaceColor>& palette,
                   const std::vector<uint8_t>& entries);
    // A map of w x h pixels given by their colours, row by row.
    static ASP_SurfaceMap FromColours(int w, int h, const std::vector<SurfaceColor>& pixels);

    int Width() const { return width; }
    int Height() const { return height; }
    // The colour of the pixel at column ix, row iy; the caller keeps them inside the map.
    SurfaceColor At(int ix, int iy) const;
    // How many colours the map holds, for tests and the log.
    size_t Colours() const { return colours.size(); }

private:
    int width = 0;
    int height = 0;
    std::vector<SurfaceColor> colours;
    std::vector<uint8_t> indices;
    int indexBits = 8;
    // Only for maps of more than 256 colours.
    std::vector<SurfaceColor> pixels;
};
