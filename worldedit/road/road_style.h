#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// A colour of paint or of a surface map.
struct ASP_WE_Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// One surroundings theme of the road tool: the field's name, its surface and its paint.
struct ASP_WE_RoadTheme {
    std::string name;
    std::string surface;
    ASP_WE_Rgb paint;
    ASP_WE_Rgb paint2;
    ASP_WE_Rgb verge;
};

// The surfaces a built track's surface map holds, in the order of its palette.
enum class ASP_WE_Surface : uint8_t { kRoad, kKerb, kVerge, kField };
constexpr int kSurfaceCount = 4;

// What the road tool paints a track with and how its surfaces drive, as the road data file
// (dat\roads.dat) says: paint colours, the surroundings themes, and for each surface its colour in
// the surface map with the keys of a world file's "mod" sections (modifiers, sound, particles).
class ASP_WE_RoadStyle {
public:
    static constexpr char kFile[] = "dat\\roads.dat";

    // Reads the file; false, with the reason on out, when it offers no theme or lacks a surface.
    bool Load(const std::string& file, std::ostream& out);

    // The theme of that name (letter case ignored), else the first.
    const ASP_WE_RoadTheme& Theme(const std::string& name) const;
    // The surfaces of a track with the theme: its palette (road, kerb, verge, field), then the ground
    // beyond the map.
    std::vector<std::string> SurfacesFor(const ASP_WE_RoadTheme& theme) const;
    // The surface-map colours of the palette.
    std::vector<ASP_WE_Rgb> Palette(const ASP_WE_RoadTheme& theme) const;
    // The "mod" sections of a world file for those surfaces, numbered from 0 with their particles.
    std::string ModifierSections(const ASP_WE_RoadTheme& theme) const;
    // A paint colour of the file's section "paint".
    ASP_WE_Rgb Paint(const std::string& key) const;
    int Variation(const std::string& key) const;

    std::vector<ASP_WE_RoadTheme> themes;

private:
    ASP_WE_Rgb SurfaceColour(const std::string& surface) const;

    std::string file;
    std::string text;
    std::string road, kerb, verge, outside;
};

// "r g b" as a colour; black for anything else.
ASP_WE_Rgb ParseRgb(const std::string& text);
