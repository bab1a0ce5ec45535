// Checks the shipped data set the way the game reads it: every file the data files name exists,
// pictures are power-of-two textures, surface maps match their tiles and carry only colours the
// world gives a meaning, and the race rules can be met. Runs with data/ as working directory.

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "engine/ini.h"

namespace {

const std::string carsFile = "dat\\cars.dat";

// Data files name files the Windows way, relative to the data folder.
std::string HostPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool Exists(const std::string& dataName) {
    return !dataName.empty() && std::ifstream(HostPath(dataName), std::ios::binary).good();
}

int Int(const std::string& section, const std::string& key, const std::string& file, int fallback = 0) {
    return GetIniInt(section, key, fallback, file);
}

// Width and height from the IHDR chunk; {0, 0} for anything that is not a PNG.
std::pair<int, int> PngSize(const std::string& dataName) {
    std::ifstream in(HostPath(dataName), std::ios::binary);
    unsigned char h[24] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    if (!in || std::string(h + 1, h + 4) != "PNG" || std::string(h + 12, h + 16) != "IHDR")
        return {0, 0};
    auto be32 = [&](int at) {
        return int(uint32_t(h[at]) << 24 | h[at + 1] << 16 | h[at + 2] << 8 | h[at + 3]);
    };
    return {be32(16), be32(20)};
}

// A picture the texture registry can use: present, PNG, power-of-two sides, a lower-case name.
void ExpectTexture(const std::string& name, const std::string& where) {
    SCOPED_TRACE(where + ": " + name);
    ASSERT_TRUE(Exists(name)) << "missing file";
    auto [w, h] = PngSize(name);
    EXPECT_TRUE(w > 0 && h > 0 && (w & (w - 1)) == 0 && (h & (h - 1)) == 0) << "size " << w << "x" << h;
    EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](unsigned char c) { return std::isupper(c); }))
        << "texture names are looked up lower-cased";
}

// Frames of a sheet of tileWidth x tileHeight tiles in the section's texture.
int SheetFrames(const std::string& section, const std::string& file) {
    auto [w, h] = PngSize(GetIniString(section, "texture", "", file));
    const int tw = int(GetIniDouble(section, "tileWidth", 1, file));
    const int th = int(GetIniDouble(section, "tileHeight", 1, file));
    return tw > 0 && th > 0 ? (w / tw) * (h / th) : 0;
}

using Colour = std::tuple<int, int, int>;

std::set<Colour> SurfaceColours(const std::string& dataName, std::pair<int, int>* size) {
    std::set<Colour> colours;
    SDL_Surface* map = IMG_Load(HostPath(dataName).c_str());
    if (!map)
        return colours;
    *size = {map->w, map->h};
    SDL_Surface* rgb = SDL_CreateRGBSurface(SDL_SWSURFACE, map->w, map->h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_BlitSurface(map, nullptr, rgb, nullptr);
    const auto* pixels = static_cast<const Uint32*>(rgb->pixels);
    for (int i = 0; i < rgb->w * rgb->h; ++i)
        if (i == 0 || pixels[i] != pixels[i - 1])  // maps are mostly runs of one colour
            colours.insert({pixels[i] >> 16 & 255, pixels[i] >> 8 & 255, pixels[i] & 255});
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(map);
    return colours;
}

}  // namespace

// A file a value names, checked as what it is; false if the value names no picture, font or sound.
bool ExpectNamedFile(const std::string& name, const std::string& where) {
    const std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
    if (ext == ".png") {
        ExpectTexture(name, where);
    } else if (ext == ".ttf" || ext == ".wav" || ext == ".ogg") {
        EXPECT_TRUE(Exists(name)) << where << ": missing file \"" << name << "\"";
    }
    return ext == ".png" || ext == ".ttf" || ext == ".wav" || ext == ".ogg";
}

TEST(DataFiles, EveryNamedFileExistsAndPicturesAreTextures) {
    for (const char* name : {"fnt\\Lucida Console.ttf", "gfx\\loading_startup.png", "gfx\\menu\\blend.png"})
        ExpectNamedFile(name, "code");
    int named = 0;
    for (const char* folder : {"dat", "mnu"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);) {
                std::stringstream values(
                    line.find('=') == std::string::npos ? "" : line.substr(line.find('=') + 1));
                for (std::string value; std::getline(values, value, '|');) {
                    value.erase(value.find_last_not_of(" \r") + 1);
                    named += ExpectNamedFile(value, entry.path().string());
                }
            }
        }
    }
    EXPECT_GT(named, 500);
}

TEST(DataFiles, ConfigGivesFourPlayersDistinctKeys) {
    std::set<int> used;
    for (int player = 0; player < 4; ++player) {
        const std::string section = "controls" + NumberToText(player);
        for (const char* key : {"forward", "backward", "left", "right"}) {
            const int code = Int(section, key, "config.ini");
            EXPECT_GT(code, 0) << section << " " << key;
            EXPECT_TRUE(used.insert(code).second) << section << " " << key << " reuses key " << code;
        }
    }
}

// Menus find some labels by their index (0 background, then buttons, then labels). The app tests
// read the controls menu's note and click its buttons by index.
TEST(DataFiles, MenusNameConsistentIndices) {
    const auto labelIndex = [](const std::string& file, const char* key, int rows = 1) {
        SCOPED_TRACE(file + " " + key);
        const int buttons = Int("main", "buttons", file), index = Int("main", key, file);
        EXPECT_GT(index, buttons);
        EXPECT_LE(index + rows - 1, buttons + Int("main", "labels", file));
        return index;
    };
    std::set<int> seen;
    for (const char* key : {"top", "mass", "accel", "brake", "frict"})
        EXPECT_TRUE(seen.insert(labelIndex("mnu\\cars.ini", key)).second) << key << " shares a label";
    labelIndex("mnu\\pause.ini", "playerLabelIndex", 4);
    const int resume = Int("main", "resume", "mnu\\pause.ini");
    EXPECT_TRUE(resume >= 1 && resume <= Int("main", "buttons", "mnu\\pause.ini"));
    labelIndex("mnu\\controls.ini", "player");
    labelIndex("mnu\\options.ini", "note");
}

// The standings' column heads are written in the rows' font from the rows' left edge, so that each
// head sits over its column; the car menu's values are centred in their boxes, clear of the edges.
TEST(DataFiles, StandingsHeadsSitOverTheirColumnsAndCarValuesAreCentred) {
    const std::string pause = "mnu\\pause.ini";
    const int firstRow = Int("main", "playerLabelIndex", pause) - 1 - Int("main", "buttons", pause);
    const std::string heads = "label" + NumberToText(firstRow - 1);
    const std::string row = "label" + NumberToText(firstRow);
    for (const char* key : {"x", "font", "size", "alignH"}) {
        EXPECT_EQ(GetIniString(heads, key, "", pause), GetIniString(row, key, "", pause)) << key;
    }
    const std::string cars = "mnu\\cars.ini";
    for (const char* value : {"mass", "accel", "brake", "frict"}) {
        const std::string label =
            "label" + NumberToText(Int("main", value, cars) - 1 - Int("main", "buttons", cars));
        EXPECT_EQ(Int(label, "alignH", cars, -1), 0) << value;
    }
}

TEST(DataFiles, CarsHaveFramesWheelsAndHandlingOfTheirOwn) {
    const int cars = Int("main", "cars", carsFile);
    ASSERT_GE(cars, 4);
    std::set<std::tuple<double, double, double>> handling;
    for (int i = 0; i < cars; ++i) {
        const std::string car = GetIniString("main", "car" + NumberToText(i), "", carsFile);
        SCOPED_TRACE(car);
        const int frames = SheetFrames(car, carsFile);
        for (const char* key :
             {"animStraightEnd", "animLeftEnd", "animLeftBackEnd", "animRightEnd", "animRightBackEnd"})
            EXPECT_LT(Int(car, key, carsFile), frames) << key;
        for (const char* side : {"Left", "Right"})
            EXPECT_LT(Int(car, std::string("anim") + side + "Start", carsFile),
                      Int(car, std::string("anim") + side + "End", carsFile));
        int driven = 0, steered = 0;
        for (int k = 0; k < Int(car, "wheels", carsFile); ++k) {
            driven += GetIniBool(car, "wheel" + NumberToText(k) + "drive", true, carsFile);
            steered += GetIniBool(car, "wheel" + NumberToText(k) + "steer", true, carsFile);
        }
        EXPECT_TRUE(driven >= 1 && steered >= 1);
        for (const char* key : {"topSpeed", "accel", "brake", "mass", "frict", "steer"})
            EXPECT_GT(GetIniDouble(car, key, 0, carsFile), 0) << key;
        handling.insert({GetIniDouble(car, "mass", 0, carsFile), GetIniDouble(car, "accel", 0, carsFile),
                         GetIniDouble(car, "topSpeed", 0, carsFile)});
    }
    EXPECT_EQ(int(handling.size()), cars) << "two cars drive the same";
}

class WorldData : public testing::TestWithParam<std::string> {};
INSTANTIATE_TEST_SUITE_P(Shipped, WorldData,
                         testing::Values("dat\\world0.dat", "dat\\frost.dat", "dat\\harbour.dat"));

TEST_P(WorldData, TilesSurfacesModifiersCheckpointsAndObjectsFitTheRace) {
    const std::string worldFile = GetParam();
    const int modifiers = Int("main", "modifiers", worldFile);
    std::set<Colour> known;
    for (int i = 0; i < modifiers; ++i) {
        const std::string section = "mod" + NumberToText(i);
        known.insert({Int(section, "r", worldFile) & 255, Int(section, "g", worldFile) & 255,
                      Int(section, "b", worldFile) & 255});
        EXPECT_GE(Int(section + "part", "prototypes", worldFile), 1) << section << " throws no particles";
    }
    EXPECT_EQ(int(known.size()), modifiers) << "two modifiers share a colour: only the first would count";
    std::set<Colour> used;
    for (int i = 0; i < Int("main", "mapTiles", worldFile); ++i) {
        const std::string surface = GetIniString("map" + NumberToText(i), "surface", "", worldFile);
        std::pair<int, int> size;
        for (const Colour& c : SurfaceColours(surface, &size)) {
            EXPECT_TRUE(known.count(c)) << "colour " << std::get<0>(c) << "," << std::get<1>(c) << ","
                                        << std::get<2>(c) << " of " << surface << " has no modifier";
            used.insert(c);
        }
        EXPECT_EQ(size, PngSize(GetIniString("map" + NumberToText(i), "texture", "", worldFile))) << surface;
    }
    EXPECT_GE(used.size(), 4u) << "the track should offer at least four kinds of ground";

    // Whether a lap can be completed, the computer races on every shipped track show.
    EXPECT_GE(Int("main", "players", worldFile), 4);
    EXPECT_GE(Int("main", "requiredCheckpoints", worldFile), 6)
        << "a finish line and at least five checkpoints";
    for (int i = 0; i < Int("main", "checkpoints", worldFile); ++i) {
        const std::string section = "checkpoint" + NumberToText(i);
        EXPECT_EQ(GetIniBool(section, "isFinish", false, worldFile), Int(section, "index", worldFile) == 0)
            << section;
        EXPECT_GT(GetIniDouble(section, "width", 1, worldFile), 300) << section << " narrower than the road";
    }

    const int statics = Int("main", "statics", worldFile), phys = Int("main", "physObjects", worldFile);
    for (int i = 0; i < statics + phys; ++i) {
        const std::string section =
            i < statics ? "static" + NumberToText(i) : "phys" + NumberToText(i - statics);
        EXPECT_LT(Int(section, "animEnd", worldFile), SheetFrames(section, worldFile)) << section;
        EXPECT_TRUE(i < statics || GetIniDouble(section, "z", 0, worldFile) == 0)
            << section << " would not meet the cars (z 0)";
    }
}

TEST(DataFiles, CountdownTilesAreInItsSheet) {
    const std::string file = "dat\\countdown.dat";
    for (int i = 0; i < 4 && !GetIniString("main", "texture", "", file).empty(); ++i)
        EXPECT_LT(Int("main", "tile" + NumberToText(i), file), SheetFrames("main", file)) << i;
}
