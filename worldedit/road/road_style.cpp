#include "worldedit/road/road_style.h"

#include <sstream>

#include "engine/ini.h"
#include "track/world_file.h"
#include "worldedit/objects/we_object.h"

namespace {

const char kMain[] = "main";
const char kPaint[] = "paint";
const char kSurfacePrefix[] = "surface_";
// Enough themes for any menu of them; a larger count is a broken file.
const int kMaxThemes = 64;
const int kMaxPrototypes = 16;

uint8_t Channel(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

ASP_WE_Rgb ParseRgb(const std::string& text) {
    std::istringstream in(text);
    int r = 0, g = 0, b = 0;
    if (!(in >> r >> g >> b)) {
        return {};
    }
    return {Channel(r), Channel(g), Channel(b)};
}

bool ASP_WE_RoadStyle::Load(const std::string& name, std::ostream& out) {
    file = name;
    themes.clear();
    if (!NamesReadableFile(file)) {
        out << "The road tool needs " << file << ", which is missing.\n";
        return false;
    }
    text = ReadWholeFile(MakeAbsolutePath(file));
    const CIniReadBatch batch(file);
    road = GetIniString(kMain, "road", "", file);
    kerb = GetIniString(kMain, "kerb", "", file);
    verge = GetIniString(kMain, "verge", "", file);
    outside = GetIniString(kMain, "outside", "", file);
    const int count = GetIniInt(kMain, "themes", 0, file);
    for (int i = 0; i < count && i < kMaxThemes; ++i) {
        const std::string section = "theme" + NumberToText(i);
        ASP_WE_RoadTheme theme;
        theme.name = GetIniString(section, "name", "", file);
        theme.surface = GetIniString(section, "surface", "", file);
        theme.paint = ParseRgb(GetIniString(section, "paint", "", file));
        theme.paint2 = ParseRgb(GetIniString(section, "paint2", "", file));
        theme.verge = ParseRgb(GetIniString(section, "verge", "", file));
        if (!theme.name.empty()) {
            themes.push_back(theme);
        }
    }
    if (themes.empty()) {
        out << file << " offers no surroundings for the road.\n";
        return false;
    }
    for (const ASP_WE_RoadTheme& theme : themes) {
        for (const std::string& surface : SurfacesFor(theme)) {
            if (surface.empty() || SectionLines(text, kSurfacePrefix + surface).empty()) {
                out << file << " describes no surface \"" << surface << "\".\n";
                themes.clear();
                return false;
            }
        }
    }
    return true;
}

const ASP_WE_RoadTheme& ASP_WE_RoadStyle::Theme(const std::string& name) const {
    for (const ASP_WE_RoadTheme& theme : themes) {
        if (SameWord(name, theme.name)) {
            return theme;
        }
    }
    return themes.front();
}

std::vector<std::string> ASP_WE_RoadStyle::SurfacesFor(const ASP_WE_RoadTheme& theme) const {
    return {road, kerb, verge, theme.surface, outside};
}

std::vector<ASP_WE_Rgb> ASP_WE_RoadStyle::Palette(const ASP_WE_RoadTheme& theme) const {
    std::vector<ASP_WE_Rgb> palette;
    for (const std::string& surface : SurfacesFor(theme)) {
        palette.push_back(SurfaceColour(surface));
    }
    palette.resize(kSurfaceCount);
    return palette;
}

ASP_WE_Rgb ASP_WE_RoadStyle::SurfaceColour(const std::string& surface) const {
    const std::string section = kSurfacePrefix + surface;
    return {Channel(GetIniInt(section, "r", 0, file)), Channel(GetIniInt(section, "g", 0, file)),
            Channel(GetIniInt(section, "b", 0, file))};
}

std::string ASP_WE_RoadStyle::ModifierSections(const ASP_WE_RoadTheme& theme) const {
    std::string sections;
    int index = 0;
    for (const std::string& surface : SurfacesFor(theme)) {
        const std::string from = kSurfacePrefix + surface;
        const std::string to = "mod" + NumberToText(index++);
        sections += "[" + to + "]\n" + SectionLines(text, from) + "\n";
        sections += "[" + to + "part]\n" + SectionLines(text, from + "part") + "\n";
        for (int j = 0; j < kMaxPrototypes; ++j) {
            const std::string prototype = SectionLines(text, from + "prot" + NumberToText(j));
            if (prototype.empty()) {
                break;
            }
            sections += "[" + to + "prot" + NumberToText(j) + "]\n" + prototype + "\n";
        }
    }
    return sections;
}

ASP_WE_Rgb ASP_WE_RoadStyle::Paint(const std::string& key) const {
    return ParseRgb(GetIniString(kPaint, key, "", file));
}

int ASP_WE_RoadStyle::Variation(const std::string& key) const {
    return GetIniInt(kPaint, key, 0, file);
}
