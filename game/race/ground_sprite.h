#pragma once

#include <SDL/SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"

// One colour of a surface map. Black means no information.
struct SurfaceColor {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

bool operator==(SurfaceColor a, SurfaceColor b);

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

// A ground tile: an image under everything else, drawn pixel for pixel, with an optional surface
// map of the same size whose colours mark the kind of ground under each pixel of the tile.
class ASP_GroundSprite : public CImageSpriteEx {
public:
    explicit ASP_GroundSprite(CSprite* parent);

    // Ground is driven over, never hit.
    bool ReactsTo(CSprite* other) override;
    void Load(const std::string& section, const std::string& file);
    // The picture files Load reads for this section: the tile's image and its surface map.
    static std::vector<std::string> Pictures(const std::string& section, const std::string& file);
    // The surface-map colour under a global point; black off the map or without one.
    SurfaceColor GetSurfaceColor(Point global) const;

    bool HasSurfaceMap() const { return surfaceMap != nullptr || !mapIndices.empty(); }

private:
    void LoadSurfaceMap(const std::string& name);
    // Keeps a decoded map of at most 256 colours as packed indices; false for any other.
    bool KeepAsIndices(SDL_Surface* decoded);

    // Kept for the tile's whole life: every wheel asks it every frame. A map of few colours (a
    // track's maps have one per kind of ground) is kept as indices into its colours instead, each
    // of as few bits as the colours need (1, 2, 4 or 8).
    std::unique_ptr<SDL_Surface, SurfaceDeleter> surfaceMap;
    int mapWidth = 0;
    int mapHeight = 0;
    std::vector<SurfaceColor> mapColors;
    std::vector<uint8_t> mapIndices;
    int indexBits = 8;
};

// The raw value of the pixel at column ix, row iy of a locked surface of 1 to 4 bytes per pixel.
Uint32 RawPixel(const SDL_Surface* surface, int ix, int iy);
// The colour of the pixel at column ix, row iy of a surface of 1, 2, 3 or 4 bytes per pixel; the
// caller keeps ix and iy inside the surface.
SurfaceColor ReadSurfacePixel(SDL_Surface* surface, int ix, int iy);
