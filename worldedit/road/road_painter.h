#pragma once

#include <cstdint>
#include <vector>

#include "engine/geometry.h"
#include "worldedit/road/road.h"
#include "worldedit/road/road_layout.h"
#include "worldedit/road/road_style.h"

// Paints the ground and the surface map of a track built from a road, one ground tile at a time:
// the field in the theme's colours, the verge beside the road, the asphalt with its edge lines, red
// and white kerbs on the bends, the chequered finish line and the grid's boxes. Tiles can be painted
// on several threads at once; the same road and seed always give the same pictures.
class ASP_WE_TrackPainter {
public:
    static constexpr int kTile = ASP_WE_Road::kTileSize;

    ASP_WE_TrackPainter(const ASP_WE_RoadStyle& style, const ASP_WE_RoadTheme& theme,
                        const ASP_WE_CentreLine& line, double width, const ASP_WE_RoadLayout& layout,
                        uint32_t seed);

    // Per pixel of a tile: the distance to the centre line (infinite beyond the road's reach) and
    // the nearest sample; and the field's noise. Kept by the caller from tile to tile, so that each
    // tile does not cost fresh memory.
    struct Scratch {
        std::vector<float> distance;
        std::vector<int32_t> sample;
        std::vector<float> broad;
        std::vector<float> small;
    };

    // The tile whose top-left corner is (column, row) * kTile: kTile x kTile pixels, rows from the
    // top, of RGB bytes of the ground and of ASP_WE_Surface indices of the surface map.
    void PaintTile(int column, int row, std::vector<uint8_t>& ground, std::vector<uint8_t>& surface,
                   Scratch& scratch) const;

private:
    // A painted rectangle on the road, turned with it: a bar, or a chequer of two colours.
    struct Mark {
        Point centre;
        Point along;
        Point across;
        double halfAlong;
        double halfAcross;
        ASP_WE_Rgb colour;
        ASP_WE_Rgb second;
        // The chequer's squares, in pixels; 0 for one colour.
        double square;
    };
    void AddMarks(const ASP_WE_RoadLayout& layout);
    void MeasureTile(int x0, int y0, Scratch& near) const;
    void RasterSegment(size_t i, int x0, int y0, Scratch& near) const;
    void PaintPixels(int x0, int y0, Scratch& near, std::vector<uint8_t>& ground,
                     std::vector<uint8_t>& surface) const;
    void PaintMarks(int x0, int y0, std::vector<uint8_t>& ground) const;
    // Value noise from 0 to 1 with features about cell pixels large, for the tile at (x0, y0).
    void Noise(int x0, int y0, int cell, uint32_t salt, std::vector<float>& noise) const;

    const ASP_WE_CentreLine& line;
    ASP_WE_RoadBands bands;
    uint32_t seed;
    ASP_WE_Rgb field, field2, verge, asphalt, kerb, kerbStripe, edgeLine;
    int fieldVariation, asphaltVariation;
    // Per sample: whether the road bends enough there for kerbs.
    std::vector<bool> kerbed;
    std::vector<Mark> marks;
};
